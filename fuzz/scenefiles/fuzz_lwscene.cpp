// Scene::load on LightWave scenes: LoadObject lines and motion blocks.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzScene("LWSC\n3\n", data, size, [](Scene* scene, char* path) {
        scene->load(path);
        for (int32_t i = 0; i < scene->objectCount; ++i)
            if (scene->objects[i] && scene->objects[i]->player) scene->objects[i]->player->buildFrames();
    });
    return 0;
}
