// Texture coordinates from a layer's named TXUV map: a corner takes its
// polygon's own VMAD entry for its point, else the point's VMAP entry.
#include <cstdio>
#include <cstring>

#include "lwread.h"

static bool isUvMap(const LwVMap* m, const char* name)
{
    return m->type == lwId('T', 'X', 'U', 'V') && m->dimension >= 2 && m->values && m->name && name &&
           std::strcmp(m->name, name) == 0;
}

int32_t findUvMaps(const LwLayer* layer, const char* name, const LwVMap** maps, int32_t room)
{
    int32_t n = 0;
    for (const LwVMap* m = layer->vmaps; m && n < room; m = m->next)
        if (isUvMap(m, name)) maps[n++] = m;
    return n;
}

static const float* linkedValues(const LwVMapLink* links, int32_t count, const LwVMap* const* maps, int32_t mapCount)
{
    for (int32_t i = 0; i < count; ++i)
        for (int32_t k = 0; k < mapCount; ++k)
            if (links[i].map == maps[k]) return maps[k]->values[links[i].entry];
    return nullptr;
}

static bool cornerUv(const LwCorner* corner, const LwPointRec* point, const LwVMap* const* maps, int32_t mapCount,
                     float uv[2])
{
    const float* v = linkedValues(corner->vmapLinks, corner->vmapCount, maps, mapCount);
    if (!v) v = linkedValues(point->vmapLinks, point->vmapCount, maps, mapCount);
    if (!v) {
        uv[0] = uv[1] = 0.0f;
        return false;
    }
    // A UV map counts v up from the bottom of the image; the result counts
    // down from its top row, as the projections do.
    uv[0] = v[0];
    uv[1] = 1.0f - v[1];
    return true;
}

void uvMapPolygon(LwPolygonRec* p, const LwPointArray* points, const LwVMap* const* maps, int32_t mapCount)
{
    int32_t mapped = 0;
    for (int32_t k = 0; k < p->cornerCount; ++k) {
        const LwCorner* c = &p->corners[k];
        mapped += cornerUv(c, &points->items[c->point], maps, mapCount, p->uv + 2 * k);
    }
    p->surface->uvMappedCorners += mapped;
    p->surface->uvMissedCorners += p->cornerCount - mapped;
}

static bool objectHasUvMap(const LwObject* object, const char* name)
{
    for (const LwLayer* l = object->layers; l; l = l->next)
        for (const LwVMap* m = l->vmaps; m; m = m->next)
            if (isUvMap(m, name)) return true;
    return false;
}

void reportUvMisses(const LwObject* object)
{
    for (const LwSurface* s = object->surfaces; s; s = s->next) {
        if (s->uvMissedCorners == 0) continue;
        const char* map = s->color.textures ? s->color.textures->image.vmapName : nullptr;
        if (!objectHasUvMap(object, map))
            lwLog(lwLogWarning, "LwLoader[Warning]:: surface <%s>: no UV map \"%s\", its %d corners take (0, 0) ",
                        s->name ? s->name : "", map ? map : "", s->uvMissedCorners);
        else
            lwLog(lwLogWarning, "LwLoader[Warning]:: surface <%s>: %d corners outside UV map \"%s\" take (0, 0) ",
                        s->name ? s->name : "", s->uvMissedCorners, map);
    }
}
