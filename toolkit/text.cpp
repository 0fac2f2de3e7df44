// Token reader for the scene files' quoted names and tags.
#include "toolkit.h"

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
