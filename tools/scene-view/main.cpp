// scene-view FILE [--png OUT.png --at MS] [--content DIR] [--subdiv N] [--unlit] [-v]
//
// Plays anything Scene::load takes (a scene file, a LightWave scene, a single
// object) in a 640x480 window with the engine's own clock, looping, until
// Escape or the window is closed. With --png it renders the frame at clock
// time MS without waiting for it and writes it as a PNG file; there players
// do not loop, so a time past an animation's end shows its last frame.
// --content names a folder where pictures are looked for last.
// --subdiv N shows SubPatches at level N (2 by default, 0 for the cage).
// Objects are lit by a headlight; --unlit draws them flat, as the show does.
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine.h"
#include "imagesearch.h"
#include "platform.h"
#include "pngwrite.h"
#include "toolkit.h"

namespace {

const int width = 640;
const int height = 480;

struct Options {
    const char* file = nullptr;
    const char* png = nullptr;
    long atMs = 0;
    long subdivisionLevel = 2;
    bool verbose = false;
    bool unlit = false;
};

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) o.png = argv[++i];
        else if (std::strcmp(argv[i], "--at") == 0 && i + 1 < argc) o.atMs = std::strtol(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--content") == 0 && i + 1 < argc) setImageContentFolder(argv[++i]);
        else if (std::strcmp(argv[i], "--subdiv") == 0 && i + 1 < argc)
            o.subdivisionLevel = std::strtol(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "-v") == 0) o.verbose = true;
        else if (std::strcmp(argv[i], "--unlit") == 0) o.unlit = true;
        else if (!o.file && argv[i][0] != '-') o.file = argv[i];
        else return false;
    }
    return o.file && o.atMs >= 0 && o.atMs <= 2000000000L && o.subdivisionLevel >= 0 &&
           o.subdivisionLevel <= 1000;
}

bool hasKeys(const KeyframePlayer* player)
{
    if (!player || !player->frames) return false;
    for (int32_t i = 0; i <= player->lastFrame; ++i)
        if (player->frames[i].isKey) return true;
    return false;
}

// A camera for a bare object: on the -z side of the bounding box of every
// visible object, far enough back for the box to fit the 35 degree view.
void frameBoundingBox(Scene* scene)
{
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    bool any = false;
    for (int32_t i = 0; i < scene->objectCount; ++i) {
        const SceneObject* o = scene->objects[i];
        if (!o || o->isCamera || !o->visible || !o->vertices) continue;
        const Transform& t = *o->ringHead->transform;
        const float offset[3] = {t.x, t.y, t.z};
        for (int32_t v = 0; v < o->vertexCount; ++v)
            for (int k = 0; k < 3; ++k) {
                float c = o->vertices[3 * v + k] + offset[k];
                if (c < low[k]) low[k] = c;
                if (c > high[k]) high[k] = c;
                any = true;
            }
    }
    if (!any) return;
    float center[3], radius = 0;
    for (int k = 0; k < 3; ++k) {
        center[k] = (low[k] + high[k]) / 2;
        radius += (high[k] - low[k]) * (high[k] - low[k]) / 4;
    }
    radius = std::sqrt(radius);
    if (radius <= 0) radius = 1;
    const float halfView = 17.5f * 3.14159265f / 180.0f;
    const float distance = radius / std::sin(halfView) * 1.1f;
    const float position[3] = {center[0], center[1], center[2] - distance};
    const float angles[3] = {0, 0, 0};
    KeyframePlayer* p = scene->camera->player;
    p->resize(0);
    p->setKey(0, scene, scene->camera, position, angles);
    p->buildFrames();
}

void advanceAll(Scene* scene)
{
    for (int32_t i = 0; i < scene->objectCount; ++i)
        if (scene->objects[i] && scene->objects[i]->player) scene->objects[i]->player->advance();
}

void drawFrame(Scene* scene)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    advanceAll(scene);
    if (scene->camera) scene->render();
}

bool writeFrame(const char* fileName)
{
    std::vector<uint8_t> pixels(width * height * 3), rows(width * height * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // OpenGL's rows start at the bottom, the picture's at the top.
    for (int y = 0; y < height; ++y)
        std::memcpy(&rows[y * width * 3], &pixels[(height - 1 - y) * width * 3], width * 3);
    return writePng(fileName, rows.data(), width, height);
}

bool windowClosed()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) return true;
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            escapePressed = 1;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: scene-view FILE [--png OUT.png --at MS] [--content DIR] [--subdiv N] [--unlit] [-v]\n");
        return 2;
    }
    verbose = o.verbose ? 1 : 0;

    openDisplay(width, height, 0, 0, 1);
    SDL_WM_SetCaption(o.file, "scene-view");
    if (o.png) {
        // The clock is driven by hand: nothing may tick behind our back.
        tickTimer.stop();
        tickTimer.running = 0;
    }
    applySceneGlState();
    glClearColor(0, 0, 0, 0);

    Scene* scene = new Scene();
    scene->subdivisionLevel = static_cast<int32_t>(o.subdivisionLevel);
    scene->setLighting(!o.unlit);
    std::vector<char> name(o.file, o.file + std::strlen(o.file) + 1);
    if (!scene->load(name.data())) std::fprintf(stderr, "scene-view: %s did not load completely\n", o.file);
    scene->reinitialise();
    for (int32_t i = 0; i < scene->objectCount; ++i) {
        SceneObject* object = scene->objects[i];
        if (!object || !object->player) continue;
        object->player->buildFrames();
        // A still frame past a player's end shows its last frame, not frame 0.
        object->player->loop = o.png ? 0 : 1;
    }
    if (scene->camera && !hasKeys(scene->camera->player)) frameBoundingBox(scene);

    int status = 0;
    if (o.png) {
        // A first pass starts every player on frame 0, the second steps them
        // all by the ticks up to the asked time. The clock is set by hand, so
        // that rings, which turn by its 20 ms steps, show their member of that time.
        tickTimer.stop();
        tickTimer.running = 0;
        tickTimer.elapsedMs = 0;
        advanceAll(scene);
        tickTimer.ticks = static_cast<int32_t>(o.atMs / 10);
        tickTimer.elapsedMs = static_cast<uint32_t>(o.atMs / 10 * 10);
        drawFrame(scene);
        if (!writeFrame(o.png)) {
            std::fprintf(stderr, "scene-view: cannot write %s\n", o.png);
            status = 1;
        }
    } else {
        while (!windowClosed()) {
            drawFrame(scene);
            SDL_GL_SwapBuffers();
        }
    }
    delete scene;
    closeDisplay();
    return status;
}
