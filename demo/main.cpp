#include <cstdio>

#include "options.h"
#include "timeline.h"

int main(int argc, char** argv)
{
    ShowOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return runTimeline(options);
}
