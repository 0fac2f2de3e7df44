// scene-view FILE [--at MS] [--png OUT.png] [--items] [--content DIR] [--subdiv N] [--unlit] [-v]
//
// Plays anything Scene::load takes (a scene file, a LightWave scene, a single
// object) in a 640x480 window with the engine's own clock, looping, until
// Escape or the window is closed; a LightWave scene plays from its first to
// its last frame. --at MS shows the still frame at clock time MS (a LightWave
// scene's own time, negative allowed); with --png it is written as a PNG file
// without waiting for it; there players do not loop, so a time past an
// animation's end shows its last frame. --items prints, without a window, one
// JSON line per LightWave item at time MS.
// --content names a folder where pictures are looked for last.
// --subdiv N shows SubPatches at level N (2 by default, 0 for the cage).
// Objects are lit by a headlight, or by a LightWave scene's lights; --unlit draws them flat, as the show does.
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli.h"
#include "engine.h"
#include "imagesearch.h"
#include "lightwave.h"
#include "lwitems.h"
#include "platform.h"
#include "pngwrite.h"
#include "toolkit.h"

namespace {

const int width = 640;
const int height = 480;

struct Options {
    const char* file = nullptr;
    const char* png = nullptr;
    int atMs = 0;
    int subdivisionLevel = 2;
    bool at = false;
    bool items = false;
    bool verbose = false;
    bool unlit = false;
};

const char usage[] =
    "usage: scene-view FILE [--at MS] [--png OUT.png] [--items] [--content DIR] [--subdiv N] [--unlit] [-v]\n";

bool parse(int argc, char** argv, Options& o)
{
    static const option longOptions[] = {{"at", required_argument, nullptr, 'a'},
                                         {"png", required_argument, nullptr, 'p'},
                                         {"items", no_argument, nullptr, 'i'},
                                         {"content", required_argument, nullptr, 'c'},
                                         {"subdiv", required_argument, nullptr, 's'},
                                         {"unlit", no_argument, nullptr, 'u'},
                                         {}};
    int first = parseOptions(argc, argv, "v", longOptions, usage, 1, 1, [&](int val, const char* argument) {
        switch (val) {
        case 'a': o.at = true; return numberArgument("--at", argument, -2000000000, 2000000000, &o.atMs);
        case 'p': o.png = argument; break;
        case 'i': o.items = true; break;
        case 'c': setImageContentFolder(argument); break;
        case 's': return numberArgument("--subdiv", argument, 0, 100, &o.subdivisionLevel);
        case 'u': o.unlit = true; break;
        default: o.verbose = true; break;
        }
        return true;
    });
    if (first < 0) return false;
    o.file = argv[first];
    return true;
}

bool hasKeys(const KeyframePlayer* player)
{
    if (!player || !player->frames) return false;
    for (int32_t i = 0; i <= player->lastFrame; ++i)
        if (player->frames[i].isKey) return true;
    return false;
}

// Grows the box by every visible object where it stands now.
bool addToBox(const Scene* scene, float low[3], float high[3])
{
    bool any = false;
    for (int32_t i = 0; i < scene->objectCount; ++i) {
        const SceneObject* o = scene->objects[i];
        if (!o || o->isCamera || !o->visible || !o->vertices) continue;
        const Transform& t = *o->ringHead->transform;
        const float* m = o->ringHead->matrix;
        for (int32_t v = 0; v < o->vertexCount; ++v) {
            const float* p = &o->vertices[3 * v];
            for (int k = 0; k < 3; ++k) {
                const float c = o->ringHead->hasMatrix
                                    ? m[4 * k] * p[0] + m[4 * k + 1] * p[1] + m[4 * k + 2] * p[2] + m[4 * k + 3]
                                    : p[k] + (k == 0 ? t.x : k == 1 ? t.y : t.z);
                if (c < low[k]) low[k] = c;
                if (c > high[k]) high[k] = c;
                any = true;
            }
        }
    }
    return any;
}

// A camera for a bare object or a scene without one: on the -z side of the
// bounding box of every visible object (wherever the animation by time takes
// them), far enough back for the box to fit the 35 degree view.
void frameBoundingBox(Scene* scene)
{
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    bool any = addToBox(scene, low, high);
    if (SceneAnimation* a = scene->animation) {
        enum { samples = 16 };
        for (int k = 0; k <= samples; ++k) {
            scene->setAnimationTime(a->firstSeconds + (a->lastSeconds - a->firstSeconds) * k / samples);
            any = addToBox(scene, low, high) || any;
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
    scene->advanceAnimation(true);
}

// The scene's camera is placed by a LightWave camera item.
bool hasCameraItem(Scene* scene)
{
    LwSceneItems* items = lwSceneItemsOf(scene);
    if (!items || !items->placing) return false;
    for (int32_t i = 0; i < items->record->itemCount; ++i)
        if (items->record->items[i].kind == lwItemCamera) return true;
    return false;
}

// The file as Scene::load will name it can be read: a missing file is a
// failure, not an empty scene.
bool readable(const char* file)
{
    std::vector<char> name(file, file + std::strlen(file) + 1);
    fixPathSeparators(name.data());
    FILE* f = std::fopen(name.data(), "rb");
    if (!f) return false;
    std::fgetc(f);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// One JSON line per item at `seconds`; false when the scene has no items.
// JSON has no infinities or NaN (a far-off linear or offset-repeat motion
// gives them): such a number is written null.
bool printItems(Scene* scene, double seconds)
{
    using Json = nlohmann::ordered_json;
    LwSceneItems* items = lwSceneItemsOf(scene);
    if (!items) return false;
    lwItemsWorld(items, seconds);
    static const char* const kinds[] = {"object", "null", "light", "camera", "bone"};
    for (int32_t i = 0; i < items->record->itemCount; ++i) {
        LwSceneItem* item = &items->record->items[i];
        double own[9];
        lwItemOwn(item, seconds, own);
        const double* m = &items->world[12 * i];
        Json line = {{"name", jsonText<Json>(item->name)},
                     {"kind", kinds[item->kind]},
                     {"parent", item->parent >= 0 ? Json(item->parent) : Json(nullptr)},
                     {"own", Json::array()},
                     {"world", Json::array()},
                     {"matrix", Json::array()}};
        for (double v : own) line["own"].push_back(jsonNumber<Json>(v));
        for (int k = 0; k < 3; ++k) line["world"].push_back(jsonNumber<Json>(m[4 * k + 3]));
        for (int r = 0; r < 3; ++r) {
            Json row = Json::array();
            for (int k = 0; k < 4; ++k) row.push_back(jsonNumber<Json>(m[4 * r + k]));
            line["matrix"].push_back(row);
        }
        std::printf("%s\n", line.dump().c_str());
    }
    return true;
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
    if (!parse(argc, argv, o)) return 2;
    verbose = o.verbose ? 1 : 0;
    // Standard output carries --items' JSON: diagnostics go beside it.
    diagnosticsStream = stderr;
    if (!readable(o.file)) {
        std::fprintf(stderr, "scene-view: cannot read %s\n", o.file);
        return 1;
    }
    // The readers' lines (object loads, a scene's warnings) would break the
    // JSON lines: with -v they go to standard error, as the engine's do; without it nowhere.
    lwSetLog(o.verbose ? lwLogToStream : lwLogNowhere, stderr);
    if (o.items) {
        // Numbers only: no window, no GL context (the scene asks nothing of it then).
        Scene* scene = new Scene();
        std::vector<char> name(o.file, o.file + std::strlen(o.file) + 1);
        const bool loaded = scene->load(name.data());
        if (!loaded) std::fprintf(stderr, "scene-view: %s did not load completely\n", o.file);
        int status = 0;
        if (!printItems(scene, o.atMs / 1000.0)) {
            std::fprintf(stderr, "scene-view: %s has no LightWave items\n", o.file);
            status = 1;
        }
        delete scene;
        return status;
    }

    openDisplay(width, height, 0, 0, 1);
    SDL_WM_SetCaption(o.file, "scene-view");
    if (o.png || o.at) {
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
        object->player->loop = o.png || o.at ? 0 : 1;
    }
    if (scene->camera && !hasKeys(scene->camera->player) && !hasCameraItem(scene)) frameBoundingBox(scene);

    int status = 0;
    if (o.png || o.at) {
        // A first pass starts every player on frame 0, the second steps them
        // all by the ticks up to the asked time. The clock is set by hand, so
        // that rings, which turn by its 20 ms steps, show their member of that time.
        tickTimer.stop();
        tickTimer.running = 0;
        tickTimer.elapsedMs = 0;
        advanceAll(scene);
        // Players start at 0: before it they show their first frame.
        const long playerMs = o.atMs > 0 ? o.atMs : 0;
        tickTimer.ticks = static_cast<int32_t>(playerMs / 10);
        tickTimer.elapsedMs = static_cast<uint32_t>(playerMs / 10 * 10);
        for (int32_t i = 0; i < scene->objectCount; ++i)
            if (scene->objects[i] && scene->objects[i]->player) scene->objects[i]->player->advance();
        scene->setAnimationTime(o.atMs / 1000.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (scene->camera) scene->render();
        if (o.png && !writeFrame(o.png)) {
            std::fprintf(stderr, "scene-view: cannot write %s\n", o.png);
            status = 1;
        }
        if (!o.png) {
            SDL_GL_SwapBuffers();
            while (!windowClosed()) SDL_Delay(20);
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
