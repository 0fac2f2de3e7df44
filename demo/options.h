// The command line: without options the show plays as it always has.
#pragma once
#include <cstdint>

struct ShowOptions {
    bool stats = false;        // per-part frame times and loading times, printed at exit
    bool window = false;       // a window instead of switching the screen's mode
    int width = 640;
    int height = 480;
    const char* recordPath = nullptr;  // a video file instead of a live show
    uint32_t untilMs = 0;              // the show ends once the clock passes it; 0: never
};

extern const char* const kUsage;

// False on anything it does not know or cannot read; the options are then unset.
bool parseOptions(int argc, char** argv, ShowOptions& options);
