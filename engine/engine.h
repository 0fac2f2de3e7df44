// Vordelle3DV4.1: the scene, its objects and surfaces, keyframe players,
// display lists and frame rendering.
//
// Everything here runs on the thread that owns the OpenGL context.
// Positions are in the objects' own units; angles are in degrees
// (heading about y, pitch about x, bank about z); one animation frame is
// one 10 ms tick of the toolkit's clock.
#pragma once
#include <SDL/SDL.h>

#include <cstdint>

#include "pacing.h"

class KeyframePlayer;
class Scene;

// ---- Limits ----------------------------------------------------------------
enum {
    maxSceneObjects = 1024,
    maxSceneSurfaces = 512,     // also the number of texture names a scene reserves
    objectNameSize = 32,        // 31 characters and the terminating zero
    surfaceNameSize = 64,       // 63 characters and the terminating zero
    sourceFileSize = 128,
};

// ---- Objects and surfaces --------------------------------------------------
struct Transform {
    float x, y, z;
    float heading, pitch, bank;
};

struct EngineSurface {
    unsigned char textured;        // an image was uploaded under textureName
    unsigned char additive;        // drawn in the additive pass
    unsigned char multiplicative;  // drawn in the multiplicative pass
    unsigned char alphaTest;       // black-keyed image, drawn with the alpha test
    uint32_t textureName;          // 0 when the scene had no name left
    char name[surfaceNameSize];
    SDL_Surface* image;            // waiting for upload, null once uploaded
    float ambient[4];              // also the flat colour of untextured polygons
    float diffuse[4];
    float specular[4];
    // Lit drawing only (Scene::setLighting).
    float emission[4];             // colour x luminosity
    float shininess;               // 0 to 128
    float diffuseLevel;            // scales textures and vertex colours
    unsigned char twoSided;        // seen from both sides
};

struct SurfaceTable {
    EngineSurface items[maxSceneSurfaces + 1];  // slot 0 unused
};

// Arrays of a polygon are owned by its object and released with delete[].
struct EnginePolygon {
    float** vertices;   // vertexCount pointers into the object's vertex array
    float* uvs;         // u, v per corner; only for textured surfaces
    float* normals;     // x, y, z per corner
    int32_t vertexCount;
    EngineSurface* surface;
    float* colors;      // r, g, b, a per corner in place of the surface's colour; null without vertex colours
};

// Allocated zero-filled with calloc and released with free by the scene.
// A ring is a cycle of objects through `next` that take turns being shown
// at the transform of their first member, `ringHead`.
struct SceneObject {
    unsigned char visible;
    unsigned char isCamera;
    SceneObject* next;       // itself outside a ring
    SceneObject* ringHead;   // itself outside a ring
    int32_t countdown;       // advance calls left before the ring turns
    int32_t period;          // countdown reload value, 50 at creation
    EnginePolygon* polygons;
    int32_t polygonCount;
    float* vertices;         // x, y, z per vertex
    int32_t vertexCount;
    Transform current;
    Transform startTransform;
    unsigned char lookAtMode;  // aim at target's position instead of using the angles
    Transform target;
    Transform* transform;      // the transform in use: &current
    KeyframePlayer* player;
    char name[objectNameSize];
    char sourceFile[sourceFileSize];
    // A full world placement (hierarchy, scale) used in place of `transform`
    // when hasMatrix is 1: three rows of four, rotation and scale then position.
    unsigned char hasMatrix;
    float matrix[12];
    // Turned as LightWave turns items: heading outside pitch outside bank.
    // Otherwise (0, the engine's own scene files) pitch is outermost.
    unsigned char headingFirst;
};

// ---- Keyframe player ---------------------------------------------------------
struct Keyframe {
    unsigned char isKey;
    unsigned char lookAt;
    float position[3];
    float angles[3];   // heading, pitch, bank
    float target[3];
};

// One frame per clock tick, filled from keys by linear interpolation.
class KeyframePlayer {
public:
    KeyframePlayer();
    virtual ~KeyframePlayer();

    bool resize(int32_t lastFrameIndex);
    void setKey(int32_t frame, Scene* scene, SceneObject* object, const float position[3], const float angles[3]);
    int32_t buildFrames();
    bool advance();
    bool saveSceneFile(const char* fileName);   // scene-file writer (scenefiles/)
    bool appendToLastSceneFile();               // scene-file writer (scenefiles/)

    Keyframe* frames;       // lastFrame + 1 entries (calloc/realloc/free)
    Scene* scene;
    SceneObject* object;
    int32_t lastFrame;
    int32_t currentFrame;
    int32_t animSpeed;      // kept for the scene files; playback follows the clock
    int32_t started;
    StepPacer ringSteps;    // a ring turns after `period` steps of 20 ms of the clock
    unsigned char loop;
    unsigned char splineMode;
};

// ---- Scene lights --------------------------------------------------------------
enum { sceneLightDistant = 0, sceneLightPoint = 1, sceneLightSpot = 2, sceneMaxLights = 8 };

// A light of a lit scene, in world axes (those of SceneObject transforms).
// Lights do not fade with distance.
struct SceneLight {
    unsigned char kind;   // sceneLightDistant, sceneLightPoint or sceneLightSpot (any other: point)
    float position[3];    // point and spot
    float direction[3];   // unit, where it shines: distant and spot
    float colour[3];      // 0..1
    float intensity;      // 1 = full; the lit colour saturates above it, a negative light darkens
    float coneDegrees;    // spot half angle, 0 to 90
};

// ---- Animation by time --------------------------------------------------------
// Placements evaluated at a time rather than played from frames (LightWave
// scenes with envelopes). The scene owns it and deletes it.
class SceneAnimation {
public:
    virtual ~SceneAnimation() {}
    // Places the objects (matrices, camera, field of view) at `seconds`.
    virtual void place(Scene* scene, double seconds) = 0;
    double firstSeconds = 0, lastSeconds = 0;  // the range played
    double seconds = 0;                          // the time last placed
    unsigned char started = 0;
};

// ---- Scene ------------------------------------------------------------------
class Scene {
public:
    Scene();
    virtual ~Scene();

    SceneObject* createObject(const char* name);   // null name: "Empty %i"
    SceneObject* findObject(const char* name);
    EngineSurface* createSurface(const char* name);
    EngineSurface* findSurface(const char* name);
    uint32_t nextTextureName();
    void showObject(SceneObject* object);
    void hideObject(SceneObject* object);
    void setObjectTransform(SceneObject* object, float x, float y, float z, float heading, float pitch, float bank);
    void setLookAtTarget(SceneObject* object, float x, float y, float z);
    void clearLookAt(SceneObject* object);
    void reinitialise();
    void compileDisplayLists();
    void render();
    // Lit drawing (off at creation): a headlight and each surface's material.
    // Changing it recompiles the display lists that were compiled.
    void setLighting(bool on);
    // The lights a lit scene is drawn with, in place of the headlight (none:
    // the headlight again). Copied; beyond sceneMaxLights the brightest are
    // kept. Cheap enough to call every frame.
    void setLights(const SceneLight* lights, int32_t count);
    // The animation by time: moved on by the clock's ticks since the last
    // frame, back to its first second past its last when `loop`; or set.
    void advanceAnimation(bool loop);
    void setAnimationTime(double seconds);

    // The toolkit's channels with the engine's name in front of the message.
    [[noreturn]] static void reportFatal(const char* message);
    static void reportWarning(const char* message);
    static void reportInfo(const char* message);

    bool load(char* fileName);                        // scenefiles/: null = file box; rewrites backslashes in place
    bool readSceneFile(const char* fileName);          // scenefiles/
    bool importLightWaveObject(const char* fileName);  // scenefiles/

    int32_t textureCounter;       // texture names handed out so far
    SceneObject* camera;          // also objects[0]
    SceneObject* objects[maxSceneObjects];
    SurfaceTable surfaces;        // slots 1 .. surfaceCount
    uint32_t* textureNames;       // 512 names reserved from OpenGL
    int32_t surfaceCount;
    int32_t objectCount;
    char* name;
    float pixelRatio;
    SDL_Surface* videoSurface;
    unsigned char recordPending;  // a version 3 scene file is left open
    unsigned char listsCompiled;
    uint32_t listBase;            // object i draws with list listBase + i
    int32_t listCount;            // size of the reserved list range (0 when none)
    int32_t subdivisionLevel = 2; // display level of the SubPatches of imported objects (scenefiles/)
    unsigned char lighting;       // see setLighting
    SceneLight lights[sceneMaxLights] = {};  // see setLights
    int32_t lightCount = 0;
    unsigned char lightsDropped = 0;  // the warning about lights beyond the limit was given
    SceneAnimation* animation = nullptr;  // see advanceAnimation
    float fieldOfView = 35.0f;    // vertical, degrees
};

// ---- Process-wide ------------------------------------------------------------
// Numbers the unnamed objects of every scene of the process.
extern int32_t emptyObjectCounter;

// The GL state scenes are drawn with: depth test, front faces culled,
// lighting and 2D texturing off, nicest perspective correction.
void applySceneGlState();
