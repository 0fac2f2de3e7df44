#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "options.h"
#include "timeline.h"

int main(int argc, char** argv)
{
    ShowOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
#ifdef __GLIBC__
    // The software GL driver takes and gives back buffers of a megabyte or
    // more every frame (a large display list's vertices). Handed back to the
    // system each time, they came back as fresh pages and the page faults
    // took most of a tunnel frame; kept by the allocator, they are reused.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
    return runTimeline(options);
}
