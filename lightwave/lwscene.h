// LightWave scenes (.lws) read into a plain record: the scene's range and
// rate, every item in file order with its motion as nine channel envelopes,
// and the warnings by line. Nothing here knows the engine: a scene's objects
// are named, not loaded, so a converter or a viewer can place the items by
// themselves (lwSceneWorld).
//
// Axes are LightWave's (left-handed, y up, z forward). An item's own placement is
//     own = T(position) Ry(heading) Rx(pitch) Rz(bank) S(scale) T(-pivot)
// applied to column vectors: a point is moved to the pivot's frame, scaled,
// banked, pitched, headed, then moved to the position, as LightWave places
// items. Heading turns +z toward +x, pitch turns +z toward -y, bank turns +x
// toward +y. The world placement is parent's world x own.
#pragma once
#include <cstddef>
#include <cstdint>

#include "lwenvelope.h"

enum LwItemKind : int32_t { lwItemObject, lwItemNull, lwItemLight, lwItemCamera, lwItemBone, lwItemKindCount };

// How an item's motion was written.
enum LwMotionLayout : int32_t {
    lwMotionNone,
    lwMotionRows,       // the first layout: rows of channel values and a frame, linear between
    lwMotionInterim,    // version 2's per-channel key rows (angles in degrees)
    lwMotionEnvelopes,  // "NumChannels" and "{ Envelope" blocks (angles in radians)
};

// One first-layout motion block as written: `keys` rows of `length` reals,
// the channels then the frame and four spline values (length = channels + 5).
// keys 0 (rows null): the block could not be read.
struct LwMotionRows {
    float* rows;
    int32_t keys, length;
    int32_t line;
};

// What a light says of itself, as the file gives it (colour 0 to 1).
struct LwLightRecord {
    double colour[3];
    double intensity;
    int32_t type;          // 0 distant, 1 point, 2 spot (any value the file gives)
    double coneDegrees;    // spot half angle
};

struct LwSceneItem {
    LwItemKind kind;
    // The id a "ParentItem" names it by: as written on its Add or Load line,
    // else its kind's next number in file order. Newer scenes write eight
    // hexadecimal digits: the kind (1 object or null, 2 light, 3 camera, 4
    // bone), then for bones the bone's number (bits 16-27) and its object's
    // (bits 0-15), for the others the item's number. Baked ids may skip numbers.
    uint32_t id;
    char* name;             // objects: the file as written; others: their name
    int32_t layer;          // "LoadObjectLayer"'s number as Modeler shows it; 0 for every layer
    int32_t line;           // its Add or Load line (1-based)
    int32_t parent;         // index in file order, -1 for none (loops and missing parents cut)
    int32_t parentLine;     // its "ParentItem" line, 0 when none
    double pivot[3];
    LwMotionLayout layout;  // of its latest motion
    // x, y, z, heading, pitch, bank, scale x, y, z; in every layout (the
    // first layout's rows as linear keys at their frames' times). Times in
    // seconds; channel values times angleScale are radians.
    LwChannelEnvelope channels[9];
    double angleScale;
    // The first layout's blocks as written, for players that step by frames.
    LwMotionRows* rowBlocks;
    int32_t rowBlockCount;
    double zoom;            // cameras: "ZoomFactor", 0 when the file gives none
    LwLightRecord light;
};

struct LwSceneWarning {
    int32_t line;   // 1-based
    char text[128];
};

struct LwScene {
    int32_t version;
    double firstFrame, lastFrame;
    double framesPerSecond;  // 0 when the file gives none (see lwSceneSecondsPerFrame)
    int32_t frameWidth, frameHeight;  // the rendered frame in pixels ("FrameSize", or "FrameWidth" and "FrameHeight"); 0 when not given
    LwSceneItem* items;
    int32_t itemCount;
    LwSceneWarning* warnings;
    int32_t warningCount;
};

enum { lwSceneMaxItems = 4096, lwSceneMaxWarnings = 16, lwSceneMaxFrame = 360000 };

// The scene at `path`, or in `size` bytes (`name` only names it in warnings).
// Null when refused, with the reason in *reason (a static text) when given:
// unreadable, not a LightWave scene ("LWSC" first), out of memory. Every
// warning is in the record and goes through lwLog(lwLogWarning, ...) as one
// line naming the scene and the line.
LwScene* readLwScene(const char* path, const char** reason = nullptr);
LwScene* readLwSceneMemory(const void* bytes, size_t size, const char* name, const char** reason = nullptr);
void freeLwScene(LwScene* scene);
// True when the file begins as readLwScene wants: blanks (line ends
// included), then the word "LWSC".
bool lwIsSceneFile(const char* path);

// Appends the items of `from` (their parents moved along) to `into`; `from`
// is freed. False (both untouched) when memory runs out.
bool lwSceneAppend(LwScene* into, LwScene* from);

// Seconds per frame: without "FramesPerSecond" a frame is one 10 ms tick, as
// the show's own scenes are written.
inline double lwSceneSecondsPerFrame(const LwScene* scene)
{
    return scene->framesPerSecond > 0 ? 1.0 / scene->framesPerSecond : 0.01;
}

// True for an item id: eight hexadecimal digits.
bool lwIsItemId(const char* s, size_t length);

// ---- Evaluation -------------------------------------------------------------
// The nine channel values at `seconds`: position, heading, pitch, bank in
// radians, scale (1 on a channel without keys).
void lwItemOwn(LwSceneItem* item, double seconds, double own[9]);
// The 3x4 own matrix (rows) of the nine values and a pivot.
void lwOwnMatrix(const double own[9], const double pivot[3], double m[12]);
// World matrices (3x4, rows) of every item at `seconds` into world[12 * itemCount];
// `scratch` holds 2 * itemCount integers. Allocates nothing.
void lwSceneWorld(LwScene* scene, double seconds, double* world, int32_t* scratch);
// Radians in a degree: older motions keep their angles in degrees.
constexpr double lwRadiansPerDegree = 3.14159265358979323846 / 180.0;
// The vertical field of view, in degrees, of a zoom factor.
double lwZoomFieldOfView(double zoom);
