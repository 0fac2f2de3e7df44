// Where the reader's lines go: one function, stdout by default.
#include <cstdarg>
#include <cstdio>

#include "lightwave.h"

namespace {
void toStdout(LwLogLevel, const char* line, void*)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
}

LwLogFunction logFunction = toStdout;
void* logUser = nullptr;
}  // namespace

void lwSetLog(LwLogFunction function, void* user)
{
    logFunction = function ? function : toStdout;
    logUser = function ? user : nullptr;
}

void lwLogNowhere(LwLogLevel, const char*, void*) {}

void lwLogToStream(LwLogLevel, const char* line, void* stream)
{
    std::fputs(line, static_cast<FILE*>(stream));
    std::fputc('\n', static_cast<FILE*>(stream));
}

void lwLog(LwLogLevel level, const char* format, ...)
{
    // Longer lines (names of a thousand characters) are cut, never overrun.
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    logFunction(level, line, logUser);
}
