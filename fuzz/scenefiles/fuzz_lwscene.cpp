// Scene::load on LightWave scenes: items, parents and motion blocks, then the
// items placed at a few times.
#include "fuzz_common.h"
#include "lwitems.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzScene("LWSC\n3\n", data, size, [](Scene* scene, char* path) {
        scene->load(path);
        for (int32_t i = 0; i < scene->objectCount; ++i)
            if (scene->objects[i] && scene->objects[i]->player) scene->objects[i]->player->buildFrames();
        // The items at times before, in and after the scene's range.
        for (double t : {-1.0, 0.5, 100.0}) scene->setAnimationTime(t);
        if (LwSceneItems* items = lwSceneItemsOf(scene)) {
            SceneLight lights[8];
            lwLightsAt(items, 0.25, lights, 8);
        }
    });
    return 0;
}
