// The items of a LightWave scene (objects, nulls, lights, cameras, bones):
// their motions kept as envelopes, their parents and pivots, evaluated at a
// time into world matrices that place the engine's objects and camera.
//
// Axes are LightWave's (left-handed, y up, z forward), which are also the
// engine's object axes. An item's own placement is
//     own = T(position) Ry(heading) Rx(pitch) Rz(bank) S(scale) T(-pivot)
// applied to column vectors: a point is moved to the pivot's frame, scaled,
// banked, pitched, headed, then moved to the position, as LightWave places
// items. Heading turns +z toward +x, pitch turns +z toward -y, bank turns +x
// toward +y. The world placement is parent's world x own. Objects left to
// their players are drawn in the same order (SceneObject::headingFirst).
#pragma once
#include <cstdio>
#include <memory>
#include <vector>

#include "scenefiles.h"

enum LwItemKind : int32_t { lwItemObject, lwItemNull, lwItemLight, lwItemCamera, lwItemBone, lwItemKindCount };

// What a light says of itself, as the file gives it (colour 0 to 1).
struct LwLightRecord {
    double colour[3] = {1, 1, 1};
    double intensity = 1;
    int32_t type = 0;          // 0 distant, 1 point, 2 spot
    double coneDegrees = 30;   // spot half angle
};

struct LwSceneItem {
    char name[lightWaveWordSize] = {0};
    LwItemKind kind = lwItemObject;
    int32_t parent = -1;          // index in file order, -1 for none
    // The id a "ParentItem" names it by: as written on its Add or Load line,
    // else its kind's next number in file order (see LwItemsReading::add).
    uint32_t id = 0;
    // The "ParentItem" as read, resolved once the whole file is read.
    int64_t parentId = -1;        // the id named, -1 when none
    long parentOffset = 0;        // where the line is, for warnings
    double pivot[3] = {0, 0, 0};
    LwSceneMotion motion;
    double angleScale = 1;        // channel value to radians
    bool timed = false;           // read from the envelope layouts
    int32_t objectIndex = -1;     // the scene's objects it places: objectSpan from objectIndex
    int32_t objectSpan = 0;
    double zoom = 0;              // cameras: 0 when the file gives none
    LwLightRecord light;
};

struct LwSceneItems : SceneAnimation {
    std::vector<std::unique_ptr<LwSceneItem>> items;
    std::vector<double> world;   // 12 per item, as last placed
    std::vector<SceneLight> lights;     // place's scratch for the engine's lights
    std::vector<unsigned char> placed;  // lwItemsWorld's scratch, kept so that
    std::vector<int32_t> chain;         // a frame allocates nothing
    bool placing = false;        // the items place the scene's objects and camera (not the players)
    void place(Scene* scene, double seconds) override;
};

// The first layout's rows (see readMotionBlock) as linear envelopes, to
// describe the item; its objects stay with their players.
void lwItemTakeRows(LwSceneItem* item, const float* rows, int32_t keys, int32_t length, double secondsPerFrame);
// The nine channel values at `seconds`: position, heading, pitch, bank in
// radians, scale (1 on a channel without keys).
void lwItemOwn(LwSceneItem* item, double seconds, double own[9]);
// The 3x4 own matrix (rows) of the nine values and a pivot.
void lwOwnMatrix(const double own[9], const double pivot[3], double m[12]);
// World matrices of every item at `seconds` into items->world.
void lwItemsWorld(LwSceneItems* items, double seconds);
// The scene's LightWave items, or null.
LwSceneItems* lwSceneItemsOf(Scene* scene);
// Radians in a degree: older motions keep their angles in degrees.
constexpr double lwRadiansPerDegree = 3.14159265358979323846 / 180.0;
// The vertical field of view, in degrees, of a zoom factor.
double lwZoomFieldOfView(double zoom);
// Newer scenes name items by an id of eight hexadecimal digits: the kind
// (1 object or null, 2 light, 3 camera, 4 bone), then for bones the bone's
// number (bits 16-27) and its object's (bits 0-15), for the others the item's
// number. Baked ids (LWSC 4 and 5) may skip numbers.
bool lwIsItemId(const char* s, size_t length);

// ---- Reading (load.cpp drives it) -------------------------------------------
class LwItemsReading {
public:
    LwItemsReading(FILE* file, int32_t version) : file(file), version(version), items(new LwSceneItems) {}
    ~LwItemsReading() { delete items; }
    // An object just loaded: the scene's objects from `before` on are its
    // An object just loaded: the scene's objects from `before` on are its
    // layers, turned in LightWave's order; `layer` > 0 keeps the one Modeler
    // numbers so (see importedLayerNumbers) and hides the rest. `id`: its
    // item id as the line gives it, or null.
    LwSceneItem* addObject(Scene* scene, int32_t before, int32_t layer, const char* name, const char* id = nullptr);
    // The item a motion word is for: the last object or null, light, bone;
    // the camera (made when the file has not added one).
    LwSceneItem* motionTarget(const char* motionWord);
    // Item words other than the object loads and motions; false when `word` is none of them.
    bool readWord(Scene* scene, const char* word);
    // Resolves parents (warning of loops and missing ones) and hands the
    // items to the scene: placed by time when any motion is an envelope or
    // any item has a parent; otherwise they are only described.
    void finish(Scene* scene, double firstSeconds, double lastSeconds);

private:
    LwSceneItem* add(LwItemKind kind, const char* id);
    int32_t lastIndex(LwItemKind kind, LwItemKind orKind) const;
    LwSceneItem* last(LwItemKind kind, LwItemKind orKind);
    FILE* file;
    int32_t version;
    LwSceneItems* items;
    int32_t numbered[5] = {0, 0, 0, 0, 0};  // items of each id kind so far
    int32_t bonesOfObject = 0;              // bones since the last object or null
};

// The lights at `seconds` as the engine takes them (object axes; a light
// shines along its own +z): at most `max` of them, in file order.
int32_t lwLightsAt(LwSceneItems* items, double seconds, SceneLight* out, int32_t max);
