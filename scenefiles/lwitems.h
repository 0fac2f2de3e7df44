// LightWave scenes in the engine: the record lightwave/ reads (lwscene.h)
// kept as the scene's animation, its items evaluated at a time into world
// matrices that place the engine's objects, camera and lights. Objects left
// to their players (the first layout) turn in the same order
// (SceneObject::headingFirst).
#pragma once
#include <vector>

#include "lwscene.h"
#include "scenefiles.h"

struct LwSceneItems : SceneAnimation {
    ~LwSceneItems() override { freeLwScene(record); }
    void place(Scene* scene, double seconds) override;

    LwScene* record = nullptr;
    // Per item: the scene's objects it places, objectSpan of them from objectIndex.
    std::vector<int32_t> objectIndex, objectSpan;
    std::vector<double> world;          // 12 per item, as last placed
    std::vector<int32_t> scratch;       // lwSceneWorld's, kept so that a frame allocates nothing
    std::vector<SceneLight> lights;     // place's scratch for the engine's lights
    bool placing = false;  // the items place the scene's objects and camera (not the players)
};

// Reads the LightWave scene `fileName` and imports it: its objects loaded
// through Scene::load, the first layout's rows given to the players, the
// items kept as the scene's animation (after those of a scene loaded before).
bool importLightWaveScene(Scene* scene, const char* fileName);
// World matrices of every item at `seconds` into items->world.
void lwItemsWorld(LwSceneItems* items, double seconds);
// The scene's LightWave items, or null.
LwSceneItems* lwSceneItemsOf(Scene* scene);
// The lights at `seconds` as the engine takes them (object axes; a light
// shines along its own +z): at most `max` of them, in file order.
int32_t lwLightsAt(LwSceneItems* items, double seconds, SceneLight* out, int32_t max);
