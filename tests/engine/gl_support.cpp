#include "gl_support.h"

#include <SDL/SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool openTestWindow()
{
    static SDL_Surface* window = nullptr;
    if (window) return true;
    // Only X11 gives OpenGL here: never fall back to a text-mode driver when
    // the server is slow to answer one of several test processes; try again.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    int tries = 0;
    while (SDL_Init(SDL_INIT_VIDEO) < 0) {
        if (++tries == 20) {
            std::fprintf(stderr, "test window: %s\n", SDL_GetError());
            return false;
        }
        SDL_Delay(100);
    }
    // No SDL_Quit at exit: the GL driver would be unloaded before the leak
    // check, which could then no longer tell its allocations from ours.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    window = SDL_SetVideoMode(testWidth, testHeight, 0, SDL_OPENGL);
    if (!window) {
        std::fprintf(stderr, "test window: %s\n", SDL_GetError());
        return false;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDisable(GL_DITHER);
    return true;
}

Rgb readPixel(int x, int y)
{
    unsigned char p[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgb{p[0], p[1], p[2]};
}

bool near(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

void clearTo(Rgb colour)
{
    glClearColor(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f, 1.0f);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void uploadTestTexture(GLuint name, int w, int h, const unsigned char* rgba)
{
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void uploadSolidTexture(GLuint name, Rgb colour)
{
    unsigned char texels[16];
    for (int i = 0; i < 4; i++) {
        texels[4 * i] = static_cast<unsigned char>(colour.r);
        texels[4 * i + 1] = static_cast<unsigned char>(colour.g);
        texels[4 * i + 2] = static_cast<unsigned char>(colour.b);
        texels[4 * i + 3] = 0;  // keyed images mark kept texels with alpha 0
    }
    uploadTestTexture(name, 2, 2, texels);
}

EngineSurface* texturedSurface(Scene* scene, const char* name, Rgb colour)
{
    EngineSurface* surface = scene->createSurface(name);
    if (!surface) return nullptr;
    uploadSolidTexture(surface->textureName, colour);
    surface->textured = 1;
    return surface;
}

void giveQuads(SceneObject* object, const std::vector<Quad>& quads)
{
    int n = static_cast<int>(quads.size());
    object->vertexCount = 4 * n;
    object->vertices = new float[12 * n];
    object->polygonCount = n;
    object->polygons = new EnginePolygon[n]();
    // Up the left side, then down the right: clockwise on screen.
    static const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    for (int q = 0; q < n; q++) {
        const Quad& quad = quads[q];
        EnginePolygon* polygon = &object->polygons[q];
        polygon->vertexCount = 4;
        polygon->surface = quad.surface;
        polygon->vertices = new float*[4];
        polygon->normals = new float[12];
        polygon->uvs = quad.surface && quad.surface->textured ? new float[8] : nullptr;
        for (int c = 0; c < 4; c++) {
            float* v = &object->vertices[12 * q + 3 * c];
            v[0] = quad.cx + corners[c][0] * quad.half;
            v[1] = quad.cy + corners[c][1] * quad.half;
            v[2] = quad.cz;
            polygon->vertices[c] = v;
            polygon->normals[3 * c] = 0.0f;
            polygon->normals[3 * c + 1] = 0.0f;
            polygon->normals[3 * c + 2] = -1.0f;
            if (polygon->uvs) {
                polygon->uvs[2 * c] = corners[c][0] < 0 ? 0.0f : 1.0f;
                polygon->uvs[2 * c + 1] = corners[c][1] < 0 ? 0.0f : 1.0f;
            }
        }
    }
}

void eyeToPixel(float ex, float ey, float ez, float aspect, int* px, int* py)
{
    double f = 1.0 / std::tan(35.0 * M_PI / 360.0);
    double ndcX = f / aspect * ex / -ez;
    double ndcY = f * ey / -ez;
    *px = static_cast<int>(std::floor((ndcX + 1.0) * 0.5 * testWidth));
    *py = static_cast<int>(std::floor((ndcY + 1.0) * 0.5 * testHeight));
}

void givePoints(SceneObject* object, const std::vector<Point>& points, EngineSurface* surface)
{
    int n = static_cast<int>(points.size());
    object->vertexCount = n;
    object->vertices = new float[3 * n];
    object->polygonCount = n;
    object->polygons = new EnginePolygon[n]();
    for (int i = 0; i < n; i++) {
        float* v = &object->vertices[3 * i];
        v[0] = points[i].x;
        v[1] = points[i].y;
        v[2] = points[i].z;
        EnginePolygon* polygon = &object->polygons[i];
        polygon->vertexCount = 1;
        polygon->surface = surface;
        polygon->vertices = new float*[1]{v};
        polygon->normals = new float[3]{0.0f, 0.0f, -1.0f};
    }
}

void GlSceneTest::SetUp()
{
    ASSERT_TRUE(openTestWindow());
    scene = new Scene();
    glPointSize(5.0f);
}

void GlSceneTest::TearDown()
{
    delete scene;
    scene = nullptr;
}

SceneObject* GlSceneTest::objectAt(const char* name, float x, float y, float z)
{
    SceneObject* object = scene->createObject(name);
    if (object) scene->setObjectTransform(object, x, y, z, 0.0f, 0.0f, 0.0f);
    return object;
}

void GlSceneTest::drawOver(Rgb background)
{
    clearTo(background);
    scene->render();
    glFinish();
}

Rgb GlSceneTest::atEye(float ex, float ey, float ez)
{
    int x = 0, y = 0;
    eyeToPixel(ex, ey, ez, scene->pixelRatio, &x, &y);
    return readPixel(x, y);
}
