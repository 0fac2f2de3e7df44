#include "cli.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

// The length of the well-formed UTF-8 sequence at `s`, or 0: no overlong
// form, no surrogate, nothing past U+10FFFF (JSON writers refuse those).
static int utf8Sequence(const unsigned char* s)
{
    unsigned char c = s[0], low = 0x80, high = 0xBF;
    int extra;
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        extra = 2;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    // A zero byte fails each test, so nothing past the text's end is read.
    if (s[1] < low || s[1] > high) return 0;
    for (int i = 2; i <= extra; ++i)
        if ((s[i] & 0xC0) != 0x80) return 0;
    return extra + 1;
}

std::string wellFormedUtf8(const char* text)
{
    std::string out;
    if (!text) return out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    while (*s) {
        unsigned char c = *s;
        if (int n = utf8Sequence(s)) {
            out.append(reinterpret_cast<const char*>(s), size_t(n));
            s += n;
            continue;
        }
        if (c >= 0x80) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c >= 0x20) {
            out += char(c);
        }
        ++s;
    }
    return out;
}

int usageError(const char* usage)
{
    std::fputs(usage, stderr);
    return 2;
}

int parseOptions(int argc, char** argv, const char* shortOptions, const option* longOptions, const char* usage,
                 int fewest, int most, const std::function<bool(int, const char*)>& take)
{
    for (int val; (val = getopt_long(argc, argv, shortOptions, longOptions, nullptr)) != -1;) {
        // getopt_long has said what it did not know or missed; a refusal has said why.
        if (val == '?' || val == ':' || !take(val, optarg)) return usageError(usage), -1;
    }
    const int operands = argc - optind;
    if (operands < fewest || (most >= 0 && operands > most)) return usageError(usage), -1;
    return optind;
}

bool numberArgument(const char* option, const char* text, int low, int high, int* value)
{
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    // strtol skips leading spaces and stops at anything: neither is a number here.
    bool ok = (std::isdigit(static_cast<unsigned char>(*text)) || *text == '-' || *text == '+') && !*end &&
              errno == 0 && v >= low && v <= high;
    if (ok) *value = int(v);
    else std::fprintf(stderr, "%s: %s wants a whole number from %d to %d, not \"%s\"\n", program_invocation_name,
                      option, low, high, text);
    return ok;
}
