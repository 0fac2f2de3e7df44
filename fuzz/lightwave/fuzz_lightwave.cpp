// libFuzzer target: arbitrary bytes read as a LightWave object from memory.
// Whatever comes back is walked end to end, so that a reference the reader
// left dangling or out of range shows under the sanitizers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "lightwave.h"
#include "lwsubdiv.h"

static void check(bool ok)
{
    if (!ok) std::abort();
}

static float touch(const LwObject* o)
{
    float sum = 0;
    for (const LwLayer* l = o->layers; l; l = l->next) {
        const LwPointArray& pts = l->points;
        const LwPolygonArray& polys = l->polygons;
        for (int32_t i = 0; i < pts.count; ++i) {
            const LwPointRec& p = pts.items[i];
            for (int32_t k = 0; k < p.polygonCount; ++k) check(p.polygons[k] >= 0 && p.polygons[k] < polys.count);
            for (int32_t k = 0; k < p.vmapCount; ++k) check(p.vmapLinks[k].entry < p.vmapLinks[k].map->entryCount);
        }
        for (int32_t j = 0; j < polys.count; ++j) {
            const LwPolygonRec& p = polys.items[j];
            for (int32_t k = 0; k < p.cornerCount; ++k) {
                const LwCorner& c = p.corners[k];
                check(c.point >= 0 && c.point < pts.count);
                sum += c.normal[0] + pts.items[c.point].pos[1];
                for (int32_t m = 0; m < c.vmapCount; ++m) check(c.vmapLinks[m].entry < c.vmapLinks[m].map->entryCount);
                if (p.uv) sum += p.uv[2 * k] + p.uv[2 * k + 1];
            }
            if (p.surface) sum += p.surface->color.rgb[0];
            if (p.surface && p.surface->vertexColor.mapName) {
                LwVertexColorMaps maps = findLwVertexColorMaps(l, p.surface);
                float rgba[4];
                for (int32_t k = 0; k < p.cornerCount; ++k)
                    if (lwCornerColor(l, &p, k, maps, rgba)) sum += rgba[0] + rgba[3];
            }
        }
        for (const LwVMap* m = l->vmaps; m; m = m->next)
            for (int32_t e = 0; e < m->entryCount; ++e) {
                check(m->pointIndex[e] >= 0 && m->pointIndex[e] < pts.count);
                if (m->perPolygon) check(m->polygonIndex[e] >= 0 && m->polygonIndex[e] < polys.count);
                if (m->dimension > 0) sum += m->values[e][m->dimension - 1];
            }
    }
    for (const LwSurface* s = o->surfaces; s; s = s->next) {
        if (s->material) sum += float(s->material[0]) + s->metallic + s->roughness;
        for (const LwTexture* t = s->color.textures; t; t = t->next) {
            const char* name = lwClipFirstName(findLwClip(o->clips, t->image.clip));
            if (name) sum += float(name[0]);
        }
    }
    // Evaluated as a scene would, between the keys and around them.
    for (LwEnvelope* e = o->envelopes; e; e = e->next)
        for (int32_t k = 0; k < e->curve.count; ++k) sum += lwEnvelopeValue(&e->curve, e->curve.keys[k].time + 0.5);
    return sum;
}

// SubPatches of cages of bounded size refined at level 1 or 2; the layers are
// then walked again.
static void subdivide(LwObject* o, int32_t level)
{
    for (LwLayer* l = o->layers; l; l = l->next) {
        if (l->polygons.cornerCount > 4096) continue;
        int32_t polygons = l->polygons.count;
        LwSubdivision r;
        subdivideLwLayer(l, level, &r);
        check(r.level == 0 || r.level == level);
        check(l->polygons.count == polygons + (r.level ? r.subdividedPolygons - r.controlPolygons : 0));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return 0;
    uint32_t failId = 0;
    int32_t failPos = 0;
    LwObject* o = readLwObjectStream(file, "fuzz", &failId, &failPos);
    if (o) {
        volatile float sink = touch(o);
        subdivide(o, 1 + (data[size - 1] & 1));
        sink = touch(o);
        (void)sink;
    } else {
        check(failPos >= 0 && size_t(failPos) <= size);
    }
    freeLwObject(o);
    return 0;
}
