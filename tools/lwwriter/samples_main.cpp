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
    LwwSurface bad;
    bad.name = "Bad";
    struct Sample {
        const char* name;
        std::vector<unsigned char> bytes;
    } samples[] = {
        {"cube.lwo", lwwCube(0.0f)},
        {"cube-smooth.lwo", lwwCube(1.6f, true, 1)},
        {"cube-cubic.lwo", lwwCube(0.5f, true, 3)},
        {"sample.lwo", lwwSampleObject()},
        {"torus.lwo", lwwTorusObject(8, 6)},
        {"lwob.lwo", lwwLwobObject()},
        {"subpatch-cube.lwo", lwwSubPatchCube("Images/cube.jpg")},
        {"subpatch-grid.lwo", lwwSubPatchGrid(3)},
        // Three patches on one edge, a point twice, a two-point patch and a face.
        {"subpatch-bad.lwo", lwwSubPatchObject(bad, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 1},
                                               {{0, 1, 2, 3}, {1, 2, 5, 4}, {2, 1, 4, 5}, {0, 1, 1, 3}, {0, 2}},
                                               {{0, 1, 2}})},
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
