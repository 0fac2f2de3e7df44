// Real pixels of lit and unlit drawing: shading towards the rim, surface and
// vertex colours, two-sided surfaces, lit textures.
#include "support.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>

namespace {

// A sphere of radius 1 (poles on y), polygons facing out, smoothed.
LwwLayer sphereLayer()
{
    const int stacks = 12, slices = 24;
    LwwLayer l;
    auto point = [&](float x, float y, float z) {
        l.points.insert(l.points.end(), {x, y, z});
        return int(l.points.size() / 3 - 1);
    };
    int south = point(0, -1, 0), north = point(0, 1, 0);
    auto at = [&](int ring, int slice) { return 2 + (ring - 1) * slices + slice % slices; };
    for (int ring = 1; ring < stacks; ++ring) {
        double a = M_PI * ring / stacks - M_PI / 2;
        for (int slice = 0; slice < slices; ++slice) {
            double b = 2 * M_PI * slice / slices;
            point(float(std::cos(a) * std::cos(b)), float(std::sin(a)), float(std::cos(a) * std::sin(b)));
        }
    }
    for (int ring = 0; ring < stacks; ++ring)
        for (int slice = 0; slice < slices; ++slice) {
            std::vector<int> p;
            if (ring == 0) p = {south, at(1, slice + 1), at(1, slice)};
            else if (ring == stacks - 1) p = {north, at(ring, slice), at(ring, slice + 1)};
            else p = {at(ring, slice), at(ring, slice + 1), at(ring + 1, slice + 1), at(ring + 1, slice)};
            // The front is the side (b - a) x (c - a) points to: outwards.
            const float* a = &l.points[3 * p[0]];
            const float* b = &l.points[3 * p[1]];
            const float* c = &l.points[3 * p[2]];
            float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            if (n[0] * a[0] + n[1] * a[1] + n[2] * a[2] < 0) std::reverse(p.begin(), p.end());
            l.polygons.push_back(p);
        }
    l.surfaces.assign(l.polygons.size(), 0);
    return l;
}

// A 2 x 2 square at z = 0 facing -z (the camera), its points painted blue by
// an RGB map "paint".
std::vector<unsigned char> paintedSquare(const LwwSurface& surface, const std::string& picture)
{
    const float points[] = {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0};
    LwWriter w;
    size_t form = w.beginForm("LWO2");
    lwwTags(w, {surface.name});
    lwwLayer(w, 0, nullptr);
    lwwPoints(w, points, 4);
    lwwPolygons(w, "FACE", {4}, {0, 1, 2, 3});
    lwwPolygonTags(w, "SURF", {0}, {0});
    size_t vmap = w.beginChunk("VMAP");
    w.id("RGB ");
    w.u2(3);
    w.s0("paint");
    for (unsigned i = 0; i < 4; ++i) w.vx(i), w.f4(0), w.f4(0), w.f4(1);
    w.endChunk(vmap);
    lwwStillClip(w, 1, picture.c_str());
    lwwSurface(w, surface);
    w.endForm(form);
    return w.bytes;
}

enum Shape { sphere, square };

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
    {"square facing the eye", square, {0.5f, 0.5f, 0.5f}, 1, "", false, true, 0, 0, {140, 140, 140}, {165, 165, 165}},
    {"one-sided square from behind", square, {0.5f, 0.5f, 0.5f}, 1, "", false, true, 180, 0, {0, 0, 0}, {0, 0, 0}},
    {"two-sided square from behind", square, {0.5f, 0.5f, 0.5f}, 3, "", false, true, 180, 0, {140, 140, 140}, {165, 165, 165}},
    {"two-sided, unlit as the show", square, {0.5f, 0.5f, 0.5f}, 3, "", false, false, 180, 0, {0, 0, 0}, {0, 0, 0}},
    {"vertex colours, unlit", square, {1.0f, 1.0f, 1.0f}, 1, "paint", false, false, 0, 0, {0, 0, 253}, {2, 2, 255}},
    {"vertex colours, lit", square, {1.0f, 1.0f, 1.0f}, 1, "paint", false, true, 0, 0, {0, 0, 250}, {2, 2, 255}},
    {"a VCOL map missing: surface colour", square, {1.0f, 1.0f, 0.0f}, 1, "lost", false, false, 0, 0, {253, 253, 0}, {255, 255, 2},
     "Surface <Shade> : carte de couleurs 'lost' absente du calque, couleurs ignorees"},
    {"lit texture, turned 60 degrees", square, {0.5f, 0.5f, 0.5f}, 1, "", true, true, 60, 0, {160, 0, 0}, {200, 2, 2}},
    {"unlit texture, turned 60 degrees", square, {0.5f, 0.5f, 0.5f}, 1, "", true, false, 60, 0, {253, 0, 0}, {255, 2, 2}},
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
        std::string file;
        if (c.shape == sphere) {
            file = writeObject("sphere.lwo", {s}, {sphereLayer()});
        } else {
            std::vector<unsigned char> bytes = paintedSquare(s, path("red.bmp"));
            file = write("square.lwo", std::string(bytes.begin(), bytes.end()));
        }
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
