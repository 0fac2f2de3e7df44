// lw-samples OUTDIR: writes the writer's ready-made objects, for fuzzing
// seeds and for trying the tools by hand.
#include <cstdio>
#include <string>

#include "lwwriter.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lw-samples OUTDIR\n");
        return 2;
    }
    std::string dir = argv[1];
    struct Sample {
        const char* name;
        std::vector<unsigned char> bytes;
    } samples[] = {
        {"cube.lwo", lwwCube(0.0f)},
        {"cube-smooth.lwo", lwwCube(1.6f, true, 1)},
        {"cube-cubic.lwo", lwwCube(0.5f, true, 3)},
        {"cube-uv.lwo", lwwCube(0.0f, true, 5)},
        {"sample.lwo", lwwSampleObject()},
        {"torus.lwo", lwwTorusObject(8, 6)},
        {"lwob.lwo", lwwLwobObject()},
    };
    int failures = 0;
    for (const Sample& s : samples) {
        LwWriter w;
        w.bytes = s.bytes;
        if (!w.save((dir + "/" + s.name).c_str())) {
            std::fprintf(stderr, "lw-samples: could not write %s/%s\n", dir.c_str(), s.name);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
