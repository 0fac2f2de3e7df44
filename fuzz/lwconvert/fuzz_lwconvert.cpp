// libFuzzer target: arbitrary bytes read as a LightWave object and converted
// to a .glb and to OBJ in memory (images are looked for, never read whole).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "convert.h"

static void check(bool ok)
{
    if (!ok) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
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
