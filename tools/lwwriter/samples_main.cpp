// lw-samples [FROM] OUTDIR: writes the writer's ready-made objects, for fuzzing
// seeds and for trying the tools by hand; with FROM, copies its .lwo files too
// (objects other programs wrote).
#include <cstdio>
#include <filesystem>
#include <string>

#include "lwwriter.h"

// Another form's bytes under the form type `type`.
static std::vector<unsigned char> retyped(std::vector<unsigned char> bytes, const char* type)
{
    for (int i = 0; i < 4 && bytes.size() >= 12; ++i) bytes[8 + i] = static_cast<unsigned char>(type[i]);
    return bytes;
}

// The LWOB sample twice, each copy after a LAYR of the layered LWLO form.
static std::vector<unsigned char> lwloSample()
{
    std::vector<unsigned char> body = lwwLwobObject();
    LwWriter w;
    size_t form = w.beginForm("LWLO");
    for (unsigned layer = 0; layer < 2; ++layer) {
        size_t c = w.beginChunk("LAYR");
        w.u2(layer);
        w.u2(0);
        w.s0(layer ? "second" : "");
        w.endChunk(c);
        w.raw(body.data() + 12, body.size() - 12);
    }
    w.endForm(form);
    return w.bytes;
}

// A cube whose last chunk has an odd size and no pad byte at the end of the file.
static std::vector<unsigned char> oddEndSample()
{
    LwWriter w;
    w.bytes = lwwCube(0.0f);
    w.id("DESC");
    w.u4(3);
    w.raw("odd", 3);
    uint32_t formSize = uint32_t(w.bytes.size() - 8);
    for (int i = 0; i < 4; ++i) w.bytes[4 + i] = static_cast<unsigned char>(formSize >> (24 - 8 * i));
    return w.bytes;
}

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: lw-samples [FROM] OUTDIR\n");
        return 2;
    }
    std::string dir = argv[argc - 1];
    LwwSurface bad;
    bad.name = "Bad";
    LwwSurface metal;  // as Principled BSDF: metallic 0.5 (its specular), roughness 0.75
    metal.name = "Metal";
    metal.specular = 0.5f;
    metal.glossiness = 0.25f;
    LwwLayer triangle;
    triangle.points = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    triangle.polygons = {{0, 1, 2}};
    triangle.surfaces = {0};
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
        {"lwlo.lwo", lwloSample()},
        {"lwo4.lwo", retyped(lwwCube(0.0f), "LWO4")},  // a form no reader knows
        {"lwo3.lwo", lwwToLwo3(lwwCube(0.0f, true, 5))},
        {"lwo3-sample.lwo", lwwToLwo3(lwwSampleObject(), "Principled BSDF")},
        {"lwo3-image.lwo", lwwToLwo3(lwwCube(0.0f, true, 5), "Principled BSDF", true)},  // an Image node's colour
        {"lwo3-metal.lwo", lwwToLwo3(lwwObject({metal}, {triangle}), "Principled BSDF")},
        {"lwo3-normals.lwo", lwwToLwo3(lwwWithVMap(lwwCube(0.0f), "NORM", "normals", 3,
                                                   {0, 0, -1, 0, 0, -1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1}))},
        {"odd-end.lwo", oddEndSample()},
        {"subpatch-cube.lwo", lwwSubPatchCube("Images/cube.jpg")},
        {"spaced-image.lwo", lwwSubPatchCube("My Pictures/cube photo.jpg")},  // spaces in the folder and the name
        {"subpatch-grid.lwo", lwwSubPatchGrid(3)},
        // Three patches on one edge, a point twice, a two-point patch and a face.
        {"subpatch-bad.lwo", lwwSubPatchObject(bad, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 1},
                                               {{0, 1, 2, 3}, {1, 2, 5, 4}, {2, 1, 4, 5}, {0, 1, 1, 3}, {0, 2}},
                                               {{0, 1, 2}})},
        {"vcolors.lwo", lwwVertexColorCube()},
        {"vcolors-subpatch.lwo", lwwVertexColorCube("PTCH")},
    };
    int failures = 0;
    std::error_code error;
    if (argc == 3)
        for (const auto& e : std::filesystem::directory_iterator(argv[1], error))
            if (e.path().extension() == ".lwo" &&
                !std::filesystem::copy_file(e.path(), dir + "/" + e.path().filename().string(),
                                            std::filesystem::copy_options::overwrite_existing, error))
                ++failures;
    if (error) ++failures;
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
