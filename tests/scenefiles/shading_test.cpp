// Real pixels of lit and unlit drawing: shading towards the rim, surface and
// vertex colours, two-sided surfaces, lit textures.
#include "support.h"

#include <cmath>

#include <GL/gl.h>

namespace {

// A sphere of radius 1 (poles on y) without its polar caps, facing out.
LwwLayer sphereLayer()
{
    const int rings = 11, slices = 24;
    LwwLayer l;
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < slices; ++s) {
            double a = M_PI * (r + 1) / (rings + 1) - M_PI / 2, b = 2 * M_PI * s / slices;
            l.points.insert(l.points.end(), {float(std::cos(a) * std::cos(b)), float(std::sin(a)), float(std::cos(a) * std::sin(b))});
        }
    auto at = [&](int r, int s) { return r * slices + s % slices; };
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < slices; ++s) l.polygons.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s + 1)});
    l.surfaces.assign(l.polygons.size(), 0);
    return l;
}

// A 2 x 2 square at z = 0 facing -z (the camera), its points painted blue by the map "paint".
const LwwLayer square = {"", {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0}, {{0, 1, 2, 3}}, {0}};
const std::vector<float> blue = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};

enum Shape { sphere, plane };

struct ShadeCase {
    const char* what;
    Shape shape;
    float color[3];
    int sidedness;
    const char* vertexColors;  // the VCOL map, or ""
    bool textured;             // a red picture, planar along z
    bool lit;
    float heading;             // the object turned about y
    int dx;                    // the probe, right of the centre
    int low[3], high[3];       // the probe's colour bounds
    const char* report = nullptr;  // a warning the import gives
};

// Lit: ambient 0.2 and the headlight's N.L, times colour x diffuse (diffuse 1
// here). The sphere's outline is about 155 pixels from its centre at z = 5;
// 140 to the right its normal is some 65 degrees off the eye.
const ShadeCase shadeCases[] = {
    {"lit sphere, facing the eye", sphere, {0.5f, 0.5f, 0.5f}, 1, "", false, true, 0, 0, {140, 140, 140}, {165, 165, 165}},
    {"lit sphere, near its rim", sphere, {0.5f, 0.5f, 0.5f}, 1, "", false, true, 0, 140, {70, 70, 70}, {115, 115, 115}},
    {"unlit sphere: its colour, flat", sphere, {0.2f, 0.6f, 1.0f}, 1, "", false, false, 0, 0, {49, 151, 253}, {53, 155, 255}},
    {"unlit sphere near its rim", sphere, {0.2f, 0.6f, 1.0f}, 1, "", false, false, 0, 140, {49, 151, 253}, {53, 155, 255}},
    {"lit coloured sphere", sphere, {0.5f, 0.25f, 0.0f}, 1, "", false, true, 0, 0, {140, 65, 0}, {165, 85, 5}},
    {"square facing the eye", plane, {0.5f, 0.5f, 0.5f}, 1, "", false, true, 0, 0, {140, 140, 140}, {165, 165, 165}},
    {"one-sided square from behind", plane, {0.5f, 0.5f, 0.5f}, 1, "", false, true, 180, 0, {0, 0, 0}, {0, 0, 0}},
    {"two-sided square from behind", plane, {0.5f, 0.5f, 0.5f}, 3, "", false, true, 180, 0, {140, 140, 140}, {165, 165, 165}},
    {"two-sided, unlit as the show", plane, {0.5f, 0.5f, 0.5f}, 3, "", false, false, 180, 0, {0, 0, 0}, {0, 0, 0}},
    {"vertex colours, unlit", plane, {1.0f, 1.0f, 1.0f}, 1, "paint", false, false, 0, 0, {0, 0, 253}, {2, 2, 255}},
    {"vertex colours, lit", plane, {1.0f, 1.0f, 1.0f}, 1, "paint", false, true, 0, 0, {0, 0, 250}, {2, 2, 255}},
    {"a VCOL map missing: surface colour", plane, {1.0f, 1.0f, 0.0f}, 1, "lost", false, false, 0, 0, {253, 253, 0}, {255, 255, 2},
     "Surface <Shade> : carte de couleurs 'lost' absente du calque, couleurs ignorees"},
    {"lit texture, turned 60 degrees", plane, {0.5f, 0.5f, 0.5f}, 1, "", true, true, 60, 0, {160, 0, 0}, {200, 2, 2}},
};

using Shading = SceneFilesTest;

TEST_F(Shading, LitAndUnlitPixels)
{
    ASSERT_TRUE(writeSolidBmp(path("red.bmp"), {255, 0, 0}));
    for (const ShadeCase& c : shadeCases) {
        SCOPED_TRACE(c.what);
        renew();
        LwwSurface s = fixtureSurface("Shade", c.textured ? 1 : 0);
        for (int k = 0; k < 3; ++k) s.color[k] = c.color[k];
        s.diffuse = 1.0f;
        s.specular = 0.0f;
        s.smoothAngle = 1.5f;
        s.sidedness = c.sidedness;
        s.vertexColors = c.vertexColors;
        s.image.size[0] = s.image.size[1] = s.image.size[2] = 4.0f;
        std::vector<unsigned char> bytes = lwwObject({s}, {c.shape == sphere ? sphereLayer() : square}, {{1, path("red.bmp")}});
        if (c.shape == plane) bytes = lwwWithColorMap(bytes, "paint", blue);
        std::string file = write("shape.lwo", std::string(bytes.begin(), bytes.end()));
        std::string out = reports([&] { EXPECT_TRUE(scene->importLightWaveObject(file.c_str())); });
        if (c.report) {
            EXPECT_NE(out.find(c.report), std::string::npos) << out;
        }
        scene->setObjectTransform(scene->objects[1], 0, 0, 5, c.heading, 0, 0);
        scene->setLighting(c.lit);
        scene->reinitialise();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->render();
        unsigned char rgb[3];
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(320 + c.dx, 240, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(rgb[k], c.low[k]) << "channel " << k;
            EXPECT_LE(rgb[k], c.high[k]) << "channel " << k;
        }
    }
}

}  // namespace
