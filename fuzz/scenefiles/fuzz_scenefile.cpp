// Scene::readSceneFile on any text after the magic word.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzScene("Pomo_Object_File\n", data, size, [](Scene* scene, char* path) {
        // Twice: a version 3 record read first leaves the rest for a second call.
        if (scene->readSceneFile(path) && scene->recordPending) scene->readSceneFile(path);
    });
    return 0;
}
