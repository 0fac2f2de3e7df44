// Vertex colours: the RGB or RGBA maps a surface's VCOL names, and each
// corner's colour from them (a VMAD entry of the polygon before the point's
// VMAP entry).
#include <cstring>
#include <initializer_list>

#include "lightwave.h"

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
