// Vertex colours: the RGB or RGBA maps a surface's VCOL names, and each
// corner's colour from them (a VMAD entry of the polygon before the point's
// VMAP entry).
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "lwalloc.h"
#include "lwread.h"

static const uint32_t rgbId = lwId('R', 'G', 'B', ' ');
static const uint32_t rgbaId = lwId('R', 'G', 'B', 'A');

LwVertexColorMaps findLwVertexColorMaps(const LwLayer* layer, const LwSurface* surface)
{
    LwVertexColorMaps found = {nullptr, nullptr, 0, lwVertexColorNone};
    const char* name = surface ? surface->vertexColor.mapName : nullptr;
    if (!name || !name[0]) return found;
    found.status = lwVertexColorMissing;
    if (!layer) return found;
    for (const LwVMap* m = layer->vmaps; m; m = m->next) {
        if (!m->name || std::strcmp(m->name, name) != 0) continue;
        if (m->type != rgbId && m->type != rgbaId) {
            if (found.status == lwVertexColorMissing) found.status = lwVertexColorNotColor;
            continue;
        }
        if (m->dimension < 3) {
            found.status = lwVertexColorWrongDimension;
            continue;
        }
        // The first VMAP and the first VMAD of the name; a later one of the
        // type VCOL asks for is preferred over one of the other colour type.
        const LwVMap** slot = m->perPolygon ? &found.corners : &found.points;
        if (!*slot || ((*slot)->type != surface->vertexColor.mapType && m->type == surface->vertexColor.mapType)) *slot = m;
    }
    if (!found.points && !found.corners) return found;
    found.status = lwVertexColorFound;
    // Both maps read the same number of values: alpha only when every map has one.
    found.channels = 4;
    for (const LwVMap* m : {found.points, found.corners})
        if (m && (m->type != rgbaId || m->dimension < 4)) found.channels = 3;
    return found;
}

static bool entryColor(const LwVMap* map, int32_t entry, int32_t channels, float rgba[4])
{
    if (entry < 0 || entry >= map->entryCount || !map->values || !map->values[entry]) return false;
    const float* v = map->values[entry];
    for (int32_t k = 0; k < 4; ++k) rgba[k] = k < channels ? v[k] : 1.0f;
    return true;
}

bool lwCornerColor(const LwLayer* layer, const LwPolygonRec* polygon, int32_t corner, const LwVertexColorMaps& maps,
                   float rgba[4])
{
    if (maps.status != lwVertexColorFound || !layer || !polygon || !polygon->corners) return false;
    if (corner < 0 || corner >= polygon->cornerCount) return false;
    const LwCorner& c = polygon->corners[corner];
    if (maps.corners && c.vmapLinks)
        for (int32_t i = 0; i < c.vmapCount; ++i)
            if (c.vmapLinks[i].map == maps.corners) return entryColor(maps.corners, c.vmapLinks[i].entry, maps.channels, rgba);
    if (!maps.points || c.point < 0 || c.point >= layer->points.count || !layer->points.items) return false;
    const LwPointRec& p = layer->points.items[c.point];
    if (!p.vmapLinks) return false;
    for (int32_t i = 0; i < p.vmapCount; ++i)
        if (p.vmapLinks[i].map == maps.points) return entryColor(maps.points, p.vmapLinks[i].entry, maps.channels, rgba);
    return false;
}

const char* lwVertexColorProblem(int32_t status)
{
    switch (status) {
    case lwVertexColorMissing: return "map missing";
    case lwVertexColorNotColor: return "not an RGB or RGBA map";
    case lwVertexColorWrongDimension: return "fewer than 3 values per entry";
    default: return nullptr;
    }
}

// ---- colours given to new corners (the refined corners of SubPatches) ---------

static bool growVMap(LwVMap* m, int32_t extra)
{
    const int64_t count = int64_t(m->entryCount) + extra, dimension = m->dimension;
    if (extra < 0 || count > INT32_MAX || count * (dimension > 0 ? dimension : 1) > INT32_MAX) return false;
    const size_t before = size_t(m->entryCount), after = size_t(count);
    // Each array grows on its own; one that failed leaves the map as it was, with room to spare.
    void* grown = lwGrow(m->pointIndex, before, after, sizeof(int32_t));
    if (!grown) return false;
    m->pointIndex = static_cast<int32_t*>(grown);
    if (!(grown = lwGrow(m->polygonIndex, before, after, sizeof(int32_t)))) return false;
    m->polygonIndex = static_cast<int32_t*>(grown);
    if (dimension == 0) return true;
    if (!(grown = lwGrow(m->values, before, after, sizeof(float*)))) return false;
    m->values = static_cast<float**>(grown);
    if (!(grown = lwGrow(m->valueBlock, before * size_t(dimension), after * size_t(dimension), sizeof(float))))
        return false;
    m->valueBlock = static_cast<float*>(grown);
    for (size_t e = 0; e < after; ++e) m->values[e] = m->valueBlock + e * size_t(dimension);
    return true;
}

LwVMap* addLwCornerColors(LwLayer* layer, const LwVertexColorMaps& maps, int32_t count, int32_t* first)
{
    if (maps.status != lwVertexColorFound || count <= 0) return nullptr;
    LwVMap* target = const_cast<LwVMap*>(maps.corners);
    if (!target) {
        // A VMAD of the VMAP's name, type and size, found by the next look-up.
        const LwVMap* like = maps.points;
        target = static_cast<LwVMap*>(std::calloc(1, sizeof(LwVMap)));
        if (!target || !(target->name = strdup(like->name))) {
            std::free(target);
            return nullptr;
        }
        target->type = like->type;
        target->dimension = like->dimension;
        target->perPolygon = 1;
        listAppend(&layer->vmaps, target);
        ++layer->vmapCount;
    }
    if (!growVMap(target, count)) return nullptr;
    *first = target->entryCount;
    target->entryCount += count;
    return target;
}
