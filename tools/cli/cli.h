// What lwo-info, scene-view and lwo-convert share: one rule for their
// command lines, one for the text they write from a file.
#pragma once
#include <getopt.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

// Text from a file as well-formed UTF-8 (RFC 3629): valid sequences kept,
// any other byte read as Latin-1, control characters dropped. Null gives "".
std::string wellFormedUtf8(const char* text);

// getopt_long over argv (long names, unambiguous prefixes, --name=value,
// options after the operands); `take` gets each option's val and argument
// and returns false to refuse it. The index of the first operand, or -1 once
// the usage is printed: an unknown option, a missing or refused argument,
// fewer operands than `fewest` or more than `most` (-1: no limit).
int parseOptions(int argc, char** argv, const char* shortOptions, const option* longOptions, const char* usage,
                 int fewest, int most, const std::function<bool(int val, const char* argument)>& take);

// `text` whole as a decimal number from low to high; false, saying so on
// standard error, when it is not.
bool numberArgument(const char* option, const char* text, int low, int high, int* value);

// The usage on standard error; 2, the exit status of bad usage.
int usageError(const char* usage);

// A number for JSON: an integral value as an integer ("1", as the tools
// always wrote it, not nlohmann's "1.0"); one that is not finite is null.
template <class Json, class Real>
Json jsonNumber(Real v)
{
    if (v == std::trunc(v) && std::fabs(v) < 9e15) return Json(static_cast<int64_t>(v));
    return Json(v);
}

// A name for JSON: null stays null, any other text is made well-formed.
template <class Json>
Json jsonText(const char* text)
{
    return text ? Json(wellFormedUtf8(text)) : Json(nullptr);
}
