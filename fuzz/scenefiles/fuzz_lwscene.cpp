// readLwSceneMemory on any text after a scene's first line: items, parents,
// the three motion layouts, then every item placed at times before, in and
// after the keys. No display and no file: the reader takes bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "lightwave.h"
#include "lwscene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    lwSetLog(lwLogNowhere, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text = "LWSC\n3\n";
    text.append(reinterpret_cast<const char*>(data), size);
    LwScene* scene = readLwSceneMemory(text.data(), text.size(), "fuzz.lws");
    if (!scene) return 0;
    std::vector<double> world(12 * static_cast<size_t>(scene->itemCount));
    std::vector<int32_t> scratch(2 * static_cast<size_t>(scene->itemCount));
    for (double t : {-1.0, 0.0, 0.25, 0.5, 100.0, 1e9}) lwSceneWorld(scene, t, world.data(), scratch.data());
    freeLwScene(scene);
    return 0;
}
