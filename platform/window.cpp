#include "platform.h"

#include <cstdio>

int MessageBoxExA(void*, const char* text, const char* caption, unsigned, unsigned short)
{
    std::fprintf(stderr, "%s\n%s\n", caption ? caption : "", text ? text : "");
    std::fflush(stderr);
    return 1;  // the OK button
}

void* GetForegroundWindow()
{
    return nullptr;
}
