// libFuzzer target: arbitrary bytes read as a LightWave object and converted
// to a .glb and to OBJ in memory (images are looked for, never read whole);
// bytes that begin "LWSC" are a scene, converted to a .glb and to the OBJ
// of its still in memory.
//
// A scene's objects are files found on disk by name: a fuzzed name could
// reach any file the machine holds. So every object item is pointed at one
// fixed object written once into a private folder (two layers, so that
// "LoadObjectLayer" has a choice), or, when its name as written does not end
// in ".lwo", at a file that is not there: both the loading and the missing
// object stay under the input's control, and nothing else is read.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "convert.h"
#include "lwscene.h"
#include "lwwriter.h"

static void check(bool ok)
{
    if (!ok) std::abort();
}

static std::string folder;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    lwSetLog(lwLogNowhere, nullptr);
    char name[] = "/tmp/fuzz-lwconvert-XXXXXX";
    check(mkdtemp(name) != nullptr);
    folder = name;
    LwwSurface surface;
    surface.name = "Default";
    LwwLayer triangle, quad;
    triangle.points = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    triangle.polygons = {{0, 1, 2}};
    triangle.surfaces = {0};
    quad.name = "quad";
    quad.points = {0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    quad.polygons = {{0, 1, 2, 3}};
    quad.surfaces = {0};
    LwWriter w;
    w.bytes = lwwObject({surface}, {triangle, quad});
    check(w.save((folder + "/object.lwo").c_str()));
    std::atexit([] {
        std::remove((folder + "/object.lwo").c_str());
        rmdir(folder.c_str());
    });
    return 0;
}

static void convertScene(const uint8_t* data, size_t size)
{
    // Named as if it lay beside the object; it is never written.
    const std::string path = folder + "/scene.lws";
    LwScene* scene = readLwSceneMemory(data, size, path.c_str());
    if (!scene) return;
    for (int32_t i = 0; i < scene->itemCount; ++i) {
        LwSceneItem& item = scene->items[i];
        if (item.kind != lwItemObject || !item.name) continue;
        const size_t n = std::strlen(item.name);
        const bool found = n >= 4 && strcasecmp(item.name + n - 4, ".lwo") == 0;
        const std::string to = folder + (found ? "/object.lwo" : "/absent.lwo");
        char* copy = static_cast<char*>(std::malloc(to.size() + 1));
        check(copy != nullptr);
        std::memcpy(copy, to.c_str(), to.size() + 1);
        std::free(item.name);
        item.name = copy;
    }
    ConvertOptions options;
    options.subdivisionLevel = 1;
    // Every limit is reached as it is at 1,000,000 keys, at a fiftieth of the time.
    options.sceneKeys = 20000;
    ConvertResult glb;
    GltfModel* model = buildSceneGltf(scene, path.c_str(), true, options, &glb);
    ConvertResult obj;
    check(convertSceneToObj(scene, path.c_str(), "fuzz.mtl", options, &obj));
    check(obj.sideFiles.size() >= 1 && obj.sideFiles.back().name == "fuzz.mtl");
    freeLwScene(scene);
    check(writeGltf(model, &glb));
    check(glb.bytes.size() >= 20 && std::memcmp(glb.bytes.data(), "glTF", 4) == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    if (size >= 4 && std::memcmp(data, "LWSC", 4) == 0) {
        convertScene(data, size);
        return 0;
    }
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return 0;
    LwObject* o = readLwObjectStream(file, "fuzz", nullptr, nullptr);
    if (!o) return 0;
    ConvertOptions options;
    options.images = ConvertImages::copy;
    options.subdivisionLevel = 0;
    bool small = true;
    for (const LwLayer* l = o->layers; l; l = l->next) small &= l->polygons.cornerCount <= 4096;
    if (small) options.subdivisionLevel = 1;  // bounded cages only
    ConvertResult glb, obj;
    subdivideForConversion(o, options, &glb);
    check(convertToGltf(o, nullptr, true, options, &glb));
    check(glb.bytes.size() >= 20 && std::memcmp(glb.bytes.data(), "glTF", 4) == 0);
    check(convertToObj(o, nullptr, "fuzz.mtl", options, &obj));
    check(obj.sideFiles.size() >= 1 && obj.sideFiles.back().name == "fuzz.mtl");
    freeLwObject(o);
    return 0;
}
