// The loading entry, Scene::load, and the LightWave scene subset.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imagesearch.h"
#include "lwitems.h"
#include "scenefiles.h"
#include "toolkit.h"

enum { lineSize = 1024 };  // the longest report line

// LightWave scenes being read, outermost first. A scene that names one of
// them (itself included) is refused, and so is nesting deeper than the table:
// neither the stack nor the reading time can run away.
static const char* lightWaveScenesOpen[maxLoadNesting];
static int32_t loadNesting = 0;

// The innermost scene being read, whose folder is searched for pictures.
static const char* sceneBeingRead = nullptr;

const char* sceneLoadingObjects() { return sceneBeingRead; }

static bool lightWaveSceneRefused(const char* name)
{
    if (loadNesting >= maxLoadNesting) {
        reportFormatted(Scene::reportWarning, lineSize, " '%s' Scenes Lightwave trop imbriquees, refuse", name);
        return true;
    }
    for (int32_t i = 0; i < loadNesting; ++i) {
        if (std::strcmp(lightWaveScenesOpen[i], name) == 0) {
            reportFormatted(Scene::reportWarning, lineSize, " '%s' Scene Lightwave deja en cours de lecture, refuse", name);
            return true;
        }
    }
    return false;
}

float* readMotionBlock(FILE* file, int32_t* keyCount, int32_t* rowLength)
{
    // Bounds that no real motion comes near; the rows grow as they are
    // read, so a lying count costs no more memory than the file holds.
    enum { maxChannels = 1024, maxKeys = maxKeyFrame + 1 };
    int32_t channels = 0, keys = 0;
    if (!readInteger(file, &channels) || channels < 1 || channels > maxChannels) return nullptr;
    if (!readInteger(file, &keys) || keys < 1 || keys > maxKeys) return nullptr;

    const int32_t length = channels + 5;
    float* rows = nullptr;
    int32_t capacity = 0;
    for (int32_t k = 0; k < keys; ++k) {
        if (k == capacity) {
            capacity = capacity ? capacity * 2 : 16;
            if (capacity > keys) capacity = keys;
            float* grown = static_cast<float*>(std::realloc(rows, sizeof(float) * length * capacity));
            if (!grown) {
                std::free(rows);
                return nullptr;
            }
            rows = grown;
        }
        for (int32_t i = 0; i < length; ++i) {
            if (!readReal(file, &rows[k * length + i])) {
                std::free(rows);
                return nullptr;
            }
        }
    }
    *keyCount = keys;
    *rowLength = length;
    return rows;
}

static void loadSceneObject(Scene* scene, FILE* file, char* name)
{
    readRestOfLine(file, name, lightWaveWordSize);
    // Object names are written relative to the modeller's content folder:
    // looked for as pictures are (beside the scene, in --content) when the
    // name as written is not there. The item keeps the name as written.
    char path[lightWaveWordSize];
    const std::string found = findImageFile(name, nullptr, sceneLoadingObjects(), imageContentFolder());
    const bool elsewhere = !found.empty() && found.size() < sizeof path && found != name;
    std::memcpy(path, elsewhere ? found.c_str() : name, (elsewhere ? found.size() : std::strlen(name)) + 1);
    importedLayerNumbers.clear();  // so that a load which imports nothing leaves none
    if (scene->load(path)) {
        Scene::reportInfo(" -->> Chargement Objet Reussi <<--");
        if (scene->objectCount > 0) scene->showObject(scene->objects[scene->objectCount - 1]);
    } else {
        Scene::reportWarning(" -->> Chargement Objet IMPOSSIBLE <<--");
    }
    if (!elsewhere) std::memcpy(name, path, sizeof path);  // as the load rewrote it
    Scene::reportInfo("-------------------------------------");
    Scene::reportInfo("Chargement objet par scene Lightwave:");
    Scene::reportInfo(path);
    Scene::reportInfo("-------------------------------------");
}

// What the scene says of itself before its items.
struct LightWaveSceneInfo {
    int32_t version = 1;
    double firstFrame = 0, lastFrame = 0;
    // 0 when the file gives none: a frame is then one 10 ms tick of the
    // players, as the show's own scenes are written.
    double framesPerSecond = 0;
    double secondsPerFrame() const { return framesPerSecond > 0 ? 1.0 / framesPerSecond : 0.01; }
};

// A motion kept as envelopes: the newer layout (its "NumChannels" word either
// in place of the motion's name or after it) or, in version 2 scenes, the
// interim one. Answers false, having read nothing, for the first layout.
static bool readEnvelopeLayouts(FILE* file, const char* motionName, const LightWaveSceneInfo& info, LwSceneItem* item)
{
    bool newer = std::strcmp(motionName, "NumChannels") == 0;
    if (!newer) {
        long back = std::ftell(file);
        char word[lightWaveWordSize];
        newer = readWord(file, word, sizeof word) && std::strcmp(word, "NumChannels") == 0;
        if (!newer) std::fseek(file, back, SEEK_SET);
    }
    if (!newer && info.version != 2) return false;
    // The item keeps its envelopes, evaluated at the clock's time; without
    // one (past the items' limit) the motion is read and dropped.
    LwSceneMotion dropped;
    LwSceneMotion* motion = item ? &item->motion : &dropped;
    if (!(newer ? readEnvelopeMotion(file, motion) : readInterimMotion(file, motion)))
        Scene::reportWarning("Pas de keyframes");
    if (item) {
        item->timed = true;
        // The newer layout keeps rotations in radians, the interim one in degrees.
        item->angleScale = newer ? 1.0 : lwRadiansPerDegree;
    }
    return true;
}

// The first layout's rows as keys of one engine object's player, at its
// 10 ms ticks.
static void playRows(Scene* scene, SceneObject* target, const float* rows, int32_t keys, int32_t length,
                     const LightWaveSceneInfo& info)
{
    KeyframePlayer* player = target->player;
    player->object = target;
    const int32_t channels = length - 5;
    // A file without a rate keeps its frames as ticks, truncated as ever;
    // another rate lands each key on the nearest tick.
    auto tick = [&](float frame) {
        if (info.framesPerSecond <= 0) return frameFromReal(frame);
        return frameFromReal(static_cast<float>(std::floor(frame * (100.0 / info.framesPerSecond) + 0.5)));
    };
    // A last frame beyond the limit is not allocated; the keys there are refused.
    int32_t last = tick(rows[(keys - 1) * length + channels]);
    player->resize(last > maxKeyFrame ? maxKeyFrame : last);
    for (int32_t k = 0; k < keys; ++k) {
        const float* row = rows + k * length;
        // Channels the block does not have are 0.
        float position[3] = {0, 0, 0}, angles[3] = {0, 0, 0};
        for (int i = 0; i < 3 && i < channels; ++i) position[i] = row[i];
        for (int i = 0; i < 3 && i + 3 < channels; ++i) angles[i] = row[i + 3];
        player->setKey(tick(row[channels]), scene, target, position, angles);
    }
    player->buildFrames();
}

// A motion of `item`: its envelopes, or in the first layout the rows kept by
// the item and played by the engine objects `targets` .. + `count`.
static void readMotion(Scene* scene, FILE* file, SceneObject* const* targets, int32_t count,
                       const LightWaveSceneInfo& info, LwSceneItem* item)
{
    char motionName[lightWaveWordSize];
    readWord(file, motionName, sizeof motionName);
    if (readEnvelopeLayouts(file, motionName, info, item)) return;
    for (int32_t t = 0; t < count; ++t) {
        if (targets[t] && targets[t]->player) continue;
        Scene::reportWarning("L'objet n'a pas pu etre alloue");
        return;
    }
    int32_t keys = 0, length = 0;
    float* rows = readMotionBlock(file, &keys, &length);
    if (!rows) {
        for (int32_t t = 0; t < count; ++t) targets[t]->player->resize(1);
        Scene::reportWarning("Pas de keyframes");
        return;
    }
    if (count > 0) Scene::reportWarning("Lock keyframes");
    for (int32_t t = 0; t < count; ++t) playRows(scene, targets[t], rows, keys, length, info);
    if (item) lwItemTakeRows(item, rows, keys, length, info.secondsPerFrame());
    std::free(rows);
}

// What an "ObjectMotion" moves: every layer its object shows, nothing for a
// null (its motion is its own). The motion of an object that did not load
// moves the latest object made (the camera when there is none).
static int32_t objectMotionTargets(const Scene* scene, const LwSceneItem* item, int32_t* first)
{
    if (item && item->kind == lwItemNull) return 0;
    if (item && item->objectSpan > 0 && item->objectIndex >= 0 &&
        item->objectIndex + item->objectSpan <= scene->objectCount) {
        *first = item->objectIndex;
        return item->objectSpan;
    }
    *first = scene->objectCount - 1;
    return scene->objectCount > 0 ? 1 : 0;
}

// glibc learns a stream's offset at its first seek; until then every ftell
// (the envelope reader asks one per line) is a system call.
static FILE* openSeeked(const char* fileName)
{
    FILE* file = std::fopen(fileName, "r");
    if (file) std::fseek(file, 0, SEEK_SET);
    return file;
}

static bool readLightWaveScene(Scene* scene, const char* fileName)
{
    FILE* file = openSeeked(fileName);
    if (!file) return false;
    char word[lightWaveWordSize], name[lightWaveWordSize];
    LightWaveSceneInfo info;
    beginLightWaveMotions();
    LwItemsReading* items = nullptr;  // made once the version is known
    while (readWord(file, word, sizeof word)) {
        if (!items && std::strcmp(word, "LWSC") != 0) items = new LwItemsReading(file, info.version);
        if (std::strcmp(word, "LoadObject") == 0) {
            const int32_t before = scene->objectCount;
            loadSceneObject(scene, file, name);
            items->addObject(scene, before, 0, name);
        } else if (std::strcmp(word, "LoadObjectLayer") == 0) {
            // The layer number, then in later versions the item's id (eight
            // hexadecimal digits), then the file; only that layer is shown.
            int32_t layer = 0;
            readInteger(file, &layer);
            long back = std::ftell(file);
            const bool hasId = readWord(file, word, sizeof word) && lwIsItemId(word, std::strlen(word));
            if (!hasId) std::fseek(file, back, SEEK_SET);
            const int32_t before = scene->objectCount;
            loadSceneObject(scene, file, name);
            items->addObject(scene, before, layer > 0 ? layer : 1, name, hasId ? word : nullptr);
        } else if (std::strcmp(word, "ObjectMotion") == 0) {
            LwSceneItem* item = items->motionTarget(word);
            int32_t first = 0;
            const int32_t count = objectMotionTargets(scene, item, &first);
            readMotion(scene, file, count > 0 ? scene->objects + first : nullptr, count, info, item);
        } else if (std::strcmp(word, "CameraMotion") == 0) {
            readMotion(scene, file, &scene->camera, scene->camera ? 1 : 0, info, items->motionTarget(word));
        } else if (std::strcmp(word, "LightMotion") == 0 || std::strcmp(word, "BoneMotion") == 0) {
            // Only kept by the items: no engine object plays them.
            readMotion(scene, file, nullptr, 0, info, items->motionTarget(word));
        } else if (std::strcmp(word, "LWSC") == 0) {
            readInteger(file, &info.version);
        } else if (std::strcmp(word, "FirstFrame") == 0) {
            float v = 0;
            if (readReal(file, &v) && std::fabs(v) <= maxKeyFrame) info.firstFrame = v;
        } else if (std::strcmp(word, "LastFrame") == 0) {
            float v = 0;
            if (readReal(file, &v) && v >= 0 && v <= maxKeyFrame) info.lastFrame = v;
        } else if (std::strcmp(word, "FramesPerSecond") == 0) {
            float v = 0;
            if (readReal(file, &v) && v > 0 && v <= 1000) info.framesPerSecond = v;
        } else {
            items->readWord(scene, word);
        }
    }
    if (items) items->finish(scene, info.firstFrame * info.secondsPerFrame(), info.lastFrame * info.secondsPerFrame());
    delete items;
    std::fclose(file);
    return true;
}

bool Scene::load(char* fileName)
{
    char* name = fileName ? fileName : selectFiles("Selectionnez une Scene .lwo ou un objet .lwob svp");
    bool loaded = false;
    while (name) {
        fixPathSeparators(name);
        FILE* file = std::fopen(name, "rb");
        if (!file) {
            reportFormatted(Scene::reportWarning, lineSize, " '%s' Fichier Inexistant", name);
            return false;
        }
        char word[lightWaveWordSize];
        readWord(file, word, sizeof word);
        reportInfo(word);
        std::fclose(file);

        if (std::strcmp(word, "Pomo_Object_File") == 0) {
            // One scene file is read at a time: a scene file named inside
            // another is refused, so the outer reading keeps its open file.
            if (sceneFileReading) {
                reportFormatted(Scene::reportWarning, lineSize, " '%s' Fichier scene dans un fichier scene, refuse", name);
                return false;
            }
            const char* outer = sceneBeingRead;
            sceneBeingRead = name;
            bool read = readSceneFile(name);
            sceneBeingRead = outer;
            return read;
        }
        if (std::strcmp(word, "LWSC") == 0) {
            loaded = true;
            reportInfo("Chargement d'une scene en cours");
            if (lightWaveSceneRefused(name)) return false;
            lightWaveScenesOpen[loadNesting++] = name;
            const char* outer = sceneBeingRead;
            sceneBeingRead = name;
            bool opened = readLightWaveScene(this, name);
            sceneBeingRead = outer;
            --loadNesting;
            if (!opened) return false;
        } else if (importLightWaveObject(name)) {
            loaded = true;
        } else {
            reportInfo("Format non supporte en tant qu'objet ou scene");
        }
        reportInfo("fin de chargement");

        if (fileName) break;
        reportInfo("load of...");
        name = selectFiles(nullptr);
        reportInfo("...selected file");
        if (!name) break;
        reportInfo(name);
    }
    return loaded;
}
