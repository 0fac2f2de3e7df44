#include "toolkit.h"

#include <cstdio>
#include <cstdlib>

#include "platform.h"

unsigned char verbose = 0;

void fatalError(const char* message)
{
    MessageBoxExA(nullptr, "[TovikTools Error] <Woooh!!>", message, 0x10 /* stop icon, OK */, 0);
    std::exit(-1);
}

void warning(const char* message)
{
    if (verbose == 1) std::printf("[TovikTools Warning]:: Attention, <%s>\n", message);
}

void info(const char* message)
{
    if (verbose == 1) std::printf("[TovikTools Info]:: le saviez vous?, <%s>\n", message);
}
