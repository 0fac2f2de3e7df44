// LightWave scene items in the engine: the record imported (objects loaded,
// layers shown, first-layout rows played), then placed at the clock's time.
#include "lwitems.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "imagesearch.h"
#include "lightwave.h"
#include "toolkit.h"

void lwItemsWorld(LwSceneItems* items, double seconds)
{
    const size_t n = static_cast<size_t>(items->record->itemCount);
    items->world.resize(12 * n);
    items->scratch.resize(2 * n);
    lwSceneWorld(items->record, seconds, items->world.data(), items->scratch.data());
}

static int32_t lightsFromWorld(const LwSceneItems* items, SceneLight* out, int32_t max)
{
    int32_t count = 0;
    for (int32_t i = 0; i < items->record->itemCount && count < max; ++i) {
        const LwSceneItem& item = items->record->items[i];
        if (item.kind != lwItemLight) continue;
        const double* m = &items->world[12 * i];
        SceneLight& s = out[count++];
        s.kind = static_cast<unsigned char>(item.light.type >= 0 && item.light.type <= 2 ? item.light.type : 0);
        // A light shines along its own +z.
        const double length = std::sqrt(m[2] * m[2] + m[6] * m[6] + m[10] * m[10]);
        for (int k = 0; k < 3; ++k) {
            s.position[k] = static_cast<float>(m[4 * k + 3]);
            s.direction[k] = static_cast<float>(length > 0 ? m[4 * k + 2] / length : (k == 2));
            s.colour[k] = static_cast<float>(item.light.colour[k]);
        }
        s.intensity = static_cast<float>(item.light.intensity);
        s.coneDegrees = static_cast<float>(item.light.coneDegrees);
    }
    return count;
}

// Every light goes to the engine, which keeps the brightest it can draw.
static void placeLights(Scene* scene, LwSceneItems* items)
{
    int32_t count = 0;
    for (int32_t i = 0; i < items->record->itemCount; ++i) count += items->record->items[i].kind == lwItemLight;
    if (count == 0) return;
    items->lights.resize(static_cast<size_t>(count));
    scene->setLights(items->lights.data(), lightsFromWorld(items, items->lights.data(), count));
}

void LwSceneItems::place(Scene* scene, double at)
{
    seconds = at;
    lwItemsWorld(this, at);
    const int32_t n = record->itemCount;
    // The first camera is the view: its zoom holds even when the players,
    // not the items, place the scene (the first layout).
    int32_t camera = 0;
    while (camera < n && record->items[camera].kind != lwItemCamera) ++camera;
    if (camera < n && record->items[camera].zoom > 0)
        scene->fieldOfView = static_cast<float>(lwZoomFieldOfView(record->items[camera].zoom));
    if (!placing) return;
    for (int32_t i = 0; i < n; ++i) {
        float m[12];
        for (int k = 0; k < 12; ++k) m[k] = static_cast<float>(world[12 * i + k]);
        for (int32_t k = 0; k < objectSpan[i]; ++k) {
            const int32_t to = objectIndex[i] + k;
            if (to < 0 || to >= scene->objectCount || !scene->objects[to]) continue;
            scene->objects[to]->hasMatrix = 1;
            std::memcpy(scene->objects[to]->matrix, m, sizeof m);
        }
        if (i == camera && scene->camera) {
            scene->camera->hasMatrix = 1;
            std::memcpy(scene->camera->matrix, m, sizeof m);
        }
    }
    placeLights(scene, this);
}

LwSceneItems* lwSceneItemsOf(Scene* scene)
{
    return scene ? dynamic_cast<LwSceneItems*>(scene->animation) : nullptr;
}

int32_t lwLightsAt(LwSceneItems* items, double seconds, SceneLight* out, int32_t max)
{
    lwItemsWorld(items, seconds);
    return lightsFromWorld(items, out, max);
}

// ---- Import -------------------------------------------------------------------

namespace {
// Object names are written relative to the modeller's content folder:
// looked for as pictures are (beside the scene, in --content) when the name
// as written is not there.
void loadSceneObject(Scene* scene, const char* name)
{
    char path[1024];
    const std::string found = findImageFile(name, nullptr, sceneLoadingObjects(), imageContentFolder());
    copyText(path, sizeof path, !found.empty() && found.size() < sizeof path ? found.c_str() : name);
    importedLayerNumbers.clear();  // so that a load which imports nothing leaves none
    if (scene->load(path)) {
        Scene::reportInfo(" -->> Chargement Objet Reussi <<--");
        if (scene->objectCount > 0) scene->showObject(scene->objects[scene->objectCount - 1]);
    } else {
        Scene::reportWarning(" -->> Chargement Objet IMPOSSIBLE <<--");
    }
    Scene::reportInfo("-------------------------------------");
    Scene::reportInfo("Chargement objet par scene Lightwave:");
    Scene::reportInfo(path);
    Scene::reportInfo("-------------------------------------");
}

// The objects an object item loaded (from `before`), turned in LightWave's
// order; its layer > 0 keeps the one Modeler numbers so (see
// importedLayerNumbers) and hides the rest.
void placeLayers(Scene* scene, LwSceneItems* items, int32_t i, int32_t before, const char* sceneName)
{
    const LwSceneItem& item = items->record->items[i];
    const int32_t made = scene->objectCount - before;
    if (made <= 0) return;
    // LightWave turns them; the engine's own files turn pitch outermost.
    for (int32_t k = before; k < scene->objectCount; ++k)
        if (scene->objects[k]) scene->objects[k]->headingFirst = 1;
    int32_t position = 0;  // of the layer kept, from 1 in file order
    if (item.layer > 0) {
        if (importedLayerNumbers.size() == static_cast<size_t>(made))
            for (int32_t k = 0; k < made && position == 0; ++k)
                if (importedLayerNumbers[k] == item.layer) position = k + 1;
        if (position == 0) {
            lwLog(lwLogWarning, "LwScene[Warning]:: '%s' ligne %d: couche absente de l'objet, la premiere est prise",
                  sceneName, item.line);
            position = 1;
        }
    }
    items->objectIndex[i] = position > 0 ? before + position - 1 : before;
    items->objectSpan[i] = position > 0 ? 1 : made;
    if (position > 0)
        for (int32_t k = before; k < scene->objectCount; ++k)
            if (k != items->objectIndex[i]) scene->hideObject(scene->objects[k]);
}

// A first-layout block as keys of one engine object's player, at its 10 ms ticks.
void playRows(Scene* scene, SceneObject* target, const LwMotionRows& block, double framesPerSecond)
{
    KeyframePlayer* player = target->player;
    player->object = target;
    const int32_t channels = block.length - 5;
    // A file without a rate keeps its frames as ticks, truncated as ever;
    // another rate lands each key on the nearest tick.
    auto tick = [&](float frame) {
        if (framesPerSecond <= 0) return frameFromReal(frame);
        return frameFromReal(static_cast<float>(std::floor(frame * (100.0 / framesPerSecond) + 0.5)));
    };
    // A last frame beyond the limit is not allocated; the keys there are refused.
    int32_t last = tick(block.rows[(block.keys - 1) * block.length + channels]);
    player->resize(last > maxKeyFrame ? maxKeyFrame : last);
    for (int32_t k = 0; k < block.keys; ++k) {
        const float* row = block.rows + k * block.length;
        // Channels the block does not have are 0.
        float position[3] = {0, 0, 0}, angles[3] = {0, 0, 0};
        for (int c = 0; c < 3 && c < channels; ++c) position[c] = row[c];
        for (int c = 0; c < 3 && c + 3 < channels; ++c) angles[c] = row[c + 3];
        player->setKey(tick(row[channels]), scene, target, position, angles);
    }
    player->buildFrames();
}

// The first layout's blocks of item i, played by the engine objects it
// moves: every layer its object shows, the camera for a camera, nothing for
// a null (its motion is its own), a light or a bone. The motion of an object
// that did not load moves the latest object made (the camera when there is none).
void playBlocks(Scene* scene, LwSceneItems* items, int32_t i)
{
    const LwSceneItem& item = items->record->items[i];
    if (item.rowBlockCount == 0) return;
    SceneObject* const* targets = nullptr;
    int32_t count = 0;
    if (item.kind == lwItemCamera) {
        targets = &scene->camera;
        count = scene->camera ? 1 : 0;
    } else if (item.kind == lwItemObject && items->objectSpan[i] > 0) {
        targets = scene->objects + items->objectIndex[i];
        count = items->objectSpan[i];
    } else if (item.kind == lwItemObject && scene->objectCount > 0) {
        targets = scene->objects + scene->objectCount - 1;
        count = 1;
    }
    for (int32_t t = 0; t < count; ++t) {
        if (targets[t] && targets[t]->player) continue;
        Scene::reportWarning("L'objet n'a pas pu etre alloue");
        return;
    }
    for (int32_t b = 0; b < item.rowBlockCount; ++b) {
        const LwMotionRows& block = item.rowBlocks[b];
        for (int32_t t = 0; t < count; ++t) {
            if (!block.rows) targets[t]->player->resize(1);  // the reader warned
            else playRows(scene, targets[t], block, items->record->framesPerSecond);
        }
        if (block.rows && count > 0) Scene::reportWarning("Lock keyframes");
    }
}

// Hands the items to the scene: placed by time when any motion is an
// envelope or any item has a parent; otherwise they are only described.
void finish(Scene* scene, LwSceneItems* items)
{
    const LwScene* record = items->record;
    if (record->itemCount == 0) {
        delete items;
        return;
    }
    for (int32_t i = 0; i < record->itemCount; ++i) {
        const LwSceneItem& item = record->items[i];
        items->placing = items->placing || item.layout == lwMotionInterim || item.layout == lwMotionEnvelopes || item.parent >= 0;
    }
    const double secondsPerFrame = lwSceneSecondsPerFrame(record);
    items->firstSeconds = record->firstFrame * secondsPerFrame;
    items->lastSeconds = std::max(record->lastFrame * secondsPerFrame, items->firstSeconds);
    if (!scene->animation) {
        scene->animation = items;
        return;
    }
    // A scene loaded after (or inside) another: its items follow the first's.
    LwSceneItems* into = lwSceneItemsOf(scene);
    if (into && lwSceneAppend(into->record, items->record)) {
        items->record = nullptr;
        into->objectIndex.insert(into->objectIndex.end(), items->objectIndex.begin(), items->objectIndex.end());
        into->objectSpan.insert(into->objectSpan.end(), items->objectSpan.begin(), items->objectSpan.end());
        into->placing = into->placing || items->placing;
        into->lastSeconds = std::max(into->lastSeconds, items->lastSeconds);
    }
    delete items;
}
}  // namespace

bool importLightWaveScene(Scene* scene, const char* fileName)
{
    const char* reason = nullptr;
    LwScene* record = readLwScene(fileName, &reason);
    if (!record) {
        reportFormatted(Scene::reportWarning, 1024, " '%s' %s", fileName, reason ? reason : "");
        return false;
    }
    LwSceneItems* items = new LwSceneItems;
    items->record = record;
    items->objectIndex.assign(static_cast<size_t>(record->itemCount), -1);
    items->objectSpan.assign(static_cast<size_t>(record->itemCount), 0);
    for (int32_t i = 0; i < record->itemCount; ++i) {
        if (record->items[i].kind == lwItemObject) {
            const int32_t before = scene->objectCount;
            loadSceneObject(scene, record->items[i].name);
            placeLayers(scene, items, i, before, fileName);
        }
        playBlocks(scene, items, i);
    }
    finish(scene, items);
    return true;
}
