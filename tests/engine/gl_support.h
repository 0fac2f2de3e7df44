// A small OpenGL window for the engine's pixel tests, and helpers to give
// objects quads and surfaces textures.
#pragma once
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <vector>

#include "engine.h"

constexpr int testWidth = 80;
constexpr int testHeight = 60;

// Opens the window once per process (8 bits per channel, depth buffer).
bool openTestWindow();

struct Rgb {
    int r, g, b;
};

// Reads one pixel of the back buffer; y counts from the bottom.
Rgb readPixel(int x, int y);
bool near(Rgb a, Rgb b, int tolerance = 2);
void clearTo(Rgb colour);

// Uploads a texture of w x h RGBA texels under name, nearest filtering.
void uploadTestTexture(GLuint name, int w, int h, const unsigned char* rgba);
void uploadSolidTexture(GLuint name, Rgb colour);

// A textured surface of the scene with a solid texture of that colour.
EngineSurface* texturedSurface(Scene* scene, const char* name, Rgb colour);

// A square in the object's xy plane centred on (cx, cy, cz), wound so that
// it faces the eye of an unturned camera looking along +z.
struct Quad {
    float cx, cy, cz, half;
    EngineSurface* surface;
};

// Gives the object these polygons (arrays made with new[], owned by the scene).
void giveQuads(SceneObject* object, const std::vector<Quad>& quads);

// Single-corner polygons (points) at these object-space positions.
struct Point {
    float x, y, z;
};
void givePoints(SceneObject* object, const std::vector<Point>& points, EngineSurface* surface);

// Window pixel where a point in eye space (z pointing at the viewer) lands,
// for the engine's 35 degree projection over the whole window.
void eyeToPixel(float ex, float ey, float ez, float aspect, int* px, int* py);

// A fresh scene on the test window, deleted after each test.
struct GlSceneTest : testing::Test {
    Scene* scene = nullptr;

    void SetUp() override;
    void TearDown() override;

    SceneObject* objectAt(const char* name, float x, float y, float z);
    void drawOver(Rgb background);
    Rgb centre() { return readPixel(testWidth / 2, testHeight / 2); }
    // Colour where an eye-space point lands.
    Rgb atEye(float ex, float ey, float ez);
};
