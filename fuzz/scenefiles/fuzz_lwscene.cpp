// Scene::load on LightWave scenes: LoadObject lines and motion blocks.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzInitialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char* path = fuzzInputFile("LWSC\n3\n", data, size);
    if (!path) return 0;
    Scene* scene = fuzzNewScene();
    scene->load(path);
    for (int32_t i = 0; i < scene->objectCount; ++i)
        if (scene->objects[i] && scene->objects[i]->player) scene->objects[i]->player->buildFrames();
    fuzzDeleteScene(scene);
    return 0;
}
