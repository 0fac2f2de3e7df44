// Scene::readSceneFile on any text after the magic word.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzInitialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char* path = fuzzInputFile("Pomo_Object_File\n", data, size);
    if (!path) return 0;
    Scene* scene = fuzzNewScene();
    // Twice: a version 3 record read first leaves the rest for a second call.
    if (scene->readSceneFile(path) && scene->recordPending) scene->readSceneFile(path);
    fuzzDeleteScene(scene);
    return 0;
}
