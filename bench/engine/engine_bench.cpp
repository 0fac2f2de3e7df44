// The engine's own CPU work per drawn frame (every player advanced, the
// render calls issued) on a 1x1 window, and building an hour of frames.
// Needs a display: run it under scripts/headless.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cstdio>
#include <cstdlib>

#include "benchwindow.h"
#include "engine.h"
#include "toolkit.h"

// A small textured box: six quads around the object's origin.
static void giveBox(SceneObject* object, EngineSurface* surface)
{
    static const float corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                        {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    static const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                    {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    object->vertexCount = 8;
    object->vertices = new float[24];
    for (int v = 0; v < 8; v++)
        for (int a = 0; a < 3; a++) object->vertices[3 * v + a] = corners[v][a];
    object->polygonCount = 6;
    object->polygons = new EnginePolygon[6]();
    for (int f = 0; f < 6; f++) {
        EnginePolygon* polygon = &object->polygons[f];
        polygon->vertexCount = 4;
        polygon->surface = surface;
        polygon->vertices = new float*[4];
        polygon->normals = new float[12]();
        polygon->uvs = new float[8]();
        for (int c = 0; c < 4; c++) polygon->vertices[c] = &object->vertices[3 * faces[f][c]];
    }
}

static Scene* makeScene(int objectCount, bool boxes)
{
    Scene* scene = new Scene();
    EngineSurface* surface = scene->createSurface("box");
    unsigned char texels[16] = {255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0};
    glBindTexture(GL_TEXTURE_2D, surface->textureName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    surface->textured = 1;

    for (int i = 0; i < objectCount; i++) {
        SceneObject* object = scene->createObject(nullptr);
        if (boxes) giveBox(object, surface);
        KeyframePlayer* player = object->player;
        player->resize(1000);
        const float from[3] = {static_cast<float>(i % 10) * 3.0f, static_cast<float>(i / 10) * 3.0f, 40.0f};
        const float to[3] = {from[0], from[1], 60.0f};
        const float turn[3] = {360.0f, 180.0f, 90.0f};
        const float still[3] = {0.0f, 0.0f, 0.0f};
        player->setKey(0, scene, object, from, still);
        player->setKey(1000, scene, object, to, turn);
        player->buildFrames();
        player->loop = 1;
    }
    KeyframePlayer* cameraPlayer = scene->camera->player;
    cameraPlayer->resize(1000);
    const float eye[3] = {15.0f, 15.0f, 0.0f};
    const float angles[3] = {0.0f, 0.0f, 0.0f};
    cameraPlayer->setKey(0, scene, scene->camera, eye, angles);
    cameraPlayer->buildFrames();
    cameraPlayer->loop = 1;
    scene->reinitialise();
    return scene;
}

// One drawn frame: every player advanced by a tick, then the render.
// With state.range(1) at 0 the objects' lists hold no geometry, so the time
// is the engine's own work and the calls it issues, not the software
// rasteriser's per-draw cost; at 1 every object is a textured box.
static void BM_DrawnFrame(benchmark::State& state)
{
    if (!openTinyWindow()) {
        state.SkipWithError("no OpenGL display (run under scripts/headless)");
        return;
    }
    Scene* scene = makeScene(static_cast<int>(state.range(0)), state.range(1) != 0);
    int frame = 0;
    for (auto _ : state) {
        tickTimer.ticks.store(1);
        for (int32_t i = 0; i < scene->objectCount; i++) scene->objects[i]->player->advance();
        scene->render();
        // Let the driver catch up now and then, outside the measured time.
        if (++frame % 64 == 0) {
            state.PauseTiming();
            glFinish();
            state.ResumeTiming();
        }
    }
    glFinish();
    delete scene;
}
BENCHMARK(BM_DrawnFrame)->ArgNames({"objects", "boxes"})->Args({100, 0})->Args({100, 1})->Unit(benchmark::kMicrosecond);

static void BM_BuildHourOfFrames(benchmark::State& state)
{
    KeyframePlayer player;
    const int32_t lastFrame = 360000 - 1;
    player.resize(lastFrame);
    for (int32_t f = 0; f <= lastFrame; f += 100) {
        const float position[3] = {static_cast<float>(f % 977), static_cast<float>(f % 13), -static_cast<float>(f % 31)};
        const float angles[3] = {static_cast<float>(f % 360), 0.0f, static_cast<float>(f % 7)};
        player.setKey(f, nullptr, nullptr, position, angles);
    }
    for (auto _ : state) benchmark::DoNotOptimize(player.buildFrames());
    state.SetItemsProcessed(state.iterations() * (lastFrame + 1));
}
BENCHMARK(BM_BuildHourOfFrames)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
