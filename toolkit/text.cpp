// Fixed-size text, and the token reader for the scene files' quoted names and tags.
#include <cstdarg>
#include <cstring>

#include "toolkit.h"

char* copyText(char* buffer, size_t size, const char* text)
{
    if (!buffer || size == 0) return buffer;
    size_t length = text ? strnlen(text, size - 1) : 0;
    if (length) std::memmove(buffer, text, length);  // the two may overlap, or be one
    buffer[length] = 0;
    return buffer;
}

char* formatText(char* buffer, size_t size, const char* format, ...)
{
    if (!buffer || size == 0) return buffer;
    va_list args;
    va_start(args, format);
    if (std::vsnprintf(buffer, size, format, args) < 0) buffer[0] = 0;
    va_end(args);
    return buffer;
}

static char tokenBuffer[10240];

const char* readDelimitedToken(FILE* file, char delimiter)
{
    const int stop = static_cast<unsigned char>(delimiter);
    int c;
    do {
        c = std::getc(file);
        if (c == EOF) return "<eof>";
    } while (c != stop && c != '<');

    size_t length = 0;
    for (;;) {
        c = std::getc(file);
        if (c == EOF) return "<eof>";
        if (c == stop || c == '>') break;
        // A token too long for the buffer is cut; the rest is still consumed.
        if (length < sizeof tokenBuffer - 1) tokenBuffer[length++] = static_cast<char>(c);
    }
    tokenBuffer[length] = 0;
    return tokenBuffer;
}
