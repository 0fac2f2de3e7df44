#include "toolkit.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform.h"

unsigned char verbose = 0;
FILE* diagnosticsStream = nullptr;

static FILE* diagnosticsOut() { return diagnosticsStream ? diagnosticsStream : stdout; }

void fatalError(const char* message)
{
    MessageBoxExA(nullptr, "[TovikTools Error] <Woooh!!>", message, 0x10 /* stop icon, OK */, 0);
    std::exit(-1);
}

void warning(const char* message)
{
    if (verbose == 1) std::fprintf(diagnosticsOut(), "[TovikTools Warning]:: Attention, <%s>\n", message);
}

void info(const char* message)
{
    if (verbose == 1) std::fprintf(diagnosticsOut(), "[TovikTools Info]:: le saviez vous?, <%s>\n", message);
}

void reportFormatted(void (*report)(const char*), size_t size, const char* format, ...)
{
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length >= 0) {
        size_t wanted = static_cast<size_t>(length) + 1;
        std::vector<char> message(size && size < wanted ? size : wanted);
        std::vsnprintf(message.data(), message.size(), format, again);
        report(message.data());
    }
    va_end(again);
}
