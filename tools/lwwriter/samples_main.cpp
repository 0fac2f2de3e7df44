// lw-samples [FROM] OUTDIR: writes the writer's ready-made objects and a few
// scenes loading them, for fuzzing seeds and for trying the tools by hand;
// with FROM, copies its .lwo files too (objects other programs wrote).
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

// Scenes of the three motion layouts: items under parents, pivots, a camera,
// lights of each type, one object loaded whole and by layer, every span shape
// and behaviour.
static const char* const scenes[][2] = {
    {"scene-envelopes.lws", R"(LWSC
3

FirstFrame 1
LastFrame 60
FramesPerSecond 30
FrameSize 640 480

LoadObjectLayer 1 cube.lwo
ObjectMotion
NumChannels 9
Channel 0
{ Envelope
  4
  Key 0 0 0 0 0 0 0 0 0
  Key 1 0.5 1 0 0 0 0 0 0
  Key 2 1 2 0 0 0 0 0 0
  Key 0 1.5 3 0 0 0 0 0 0
  Behaviors 3 4
}
Channel 1
{ Envelope
  3
  Key 0 0 0 0.5 -0.5 0.25 0 0 0
  Key 1 1 4 0 0 0 -1 2 0
  Key 0 2 5 0.1 0.2 0.3 0.4 0 0
  Behaviors 2 1
}
Channel 3
{ Envelope
  2
  Key 0 0 0 0 0 0 0 0 0
  Key 3.14159 2 0 0 0 0 0 0 0
  Behaviors 1 0
}
Channel 6
{ Envelope
  2
  Key 1 0 2 0 0 0 0 0 0
  Key 2 1 2 0 0 0 0 0 0
  Behaviors 5 1
}
PivotPosition 0.5 0 -0.25

AddNullObject Arm
ObjectMotion
NumChannels 9
Channel 4
{ Envelope
  2
  Key 0 0 0 0 0 0 0 0 0
  Key 1.5 1 0 0 0 0 0 0 0
  Behaviors 1 1
}
ParentItem 10000000

LoadObject torus.lwo
ParentItem 10000001
PivotPosition 0 1 0

AddLight 20000000
LightName Sun
LightType 0
LightColor 255 240 200
LightIntensity 1.2
AddLight 20000001
LightName Spot
LightType 2
LightConeAngle 20
ParentItem 10000001

AddCamera 30000000
CameraName Camera
ZoomFactor 2.4
CameraMotion
NumChannels 6
Channel 2
{ Envelope
  1
  Key -5 0 0 0 0 0 0 0 0
  Behaviors 1 1
}
)"},
    {"scene-interim.lws", R"(LWSC
2

FirstFrame 1
LastFrame 30
FramesPerSecond 30

LoadObject cube.lwo
ObjectMotion (unnamed)
  9
  2
  0 0 0 0 0 0
  1 1 0 0 0 0
  1
  0 0 0 0 0 0
  1
  0 0 0 0 0 0
  2
  0 0 0 0 0 0
  90 1 1 0 0 0
  1
  0 0 0 0 0 0
  1
  0 0 0 0 0 0
  1
  1 0 0 0 0 0
  1
  1 0 0 0 0 0
  1
  1 0 0 0 0 0
EndBehavior 2
)"},
    {"scene-rows.lws", R"(LWSC
1

FirstFrame 1
LastFrame 60
LoadObject Objects\missing.lwo
ObjectMotion (unnamed)
9
2
1 2 3 10 20 30 1 1 1
0 0 0 0 0
4 5 6 0 0 90 1 1 1
30 0 0 0 0
EndBehavior 1
LoadObject cube.lwo
ParentItem 1
)"},
};

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
    for (const auto& scene : scenes) {
        FILE* f = std::fopen((dir + "/" + scene[0]).c_str(), "wb");
        const bool written = f && std::fputs(scene[1], f) >= 0;
        if (!f || std::fclose(f) != 0 || !written) {
            std::fprintf(stderr, "lw-samples: could not write %s/%s\n", dir.c_str(), scene[0]);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
