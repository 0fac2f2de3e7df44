// LWO2 geometry chunks (PNTS, POLS, TAGS, PTAG, VMAP, VMAD, LAYR), tag
// resolution, vertex-map links and the release of layers.
//
// Every index read from a file is checked against the array it indexes: a
// chunk naming a point, polygon or byte outside its layer or buffer fails.
#include <cstdlib>

#include "lwalloc.h"
#include "lwread.h"

// Grows an array from `oldCount` to `newCount` elements and zero-fills the new
// ones.
static bool growArray(void** array, size_t elementSize, int64_t oldCount, int64_t newCount)
{
    if (newCount == oldCount) return true;
    if (newCount < oldCount || newCount > INT32_MAX) return refuse("count beyond 31 bits");
    void* grown = lwGrow(*array, size_t(oldCount), size_t(newCount), elementSize);
    if (!grown) return refuse(LW_NO_MEMORY);
    *array = grown;
    return true;
}

static void* zalloc(int64_t n, size_t elementSize) { return lwAlloc(n > 0 ? size_t(n) : 0, elementSize); }

// ---- layer header ----------------------------------------------------------------

int readLayerChunk(FILE* file, int32_t size, LwLayer* layer)
{
    setReadCount(0);
    layer->number = int32_t(readU2(file));
    layer->flags = int32_t(readU2(file));
    for (int i = 0; i < 3; ++i) layer->pivot[i] = readF4(file);
    std::free(layer->name);
    layer->name = readS0(file);
    if (readCount() < 0 || readCount() > size) return refuse("layer header runs past its chunk");
    // The parent field is optional, and 0xFFFF in it means none as well.
    layer->parent = -1;
    if (readCount() <= size - 2) {
        uint32_t parent = readU2(file);
        if (parent != 0xFFFF) layer->parent = parent;
    }
    if (readCount() < 0) return 0;
    return readCount() < size ? skipBytes(file, size - readCount()) : 1;
}

// ---- points ----------------------------------------------------------------------

int readPointsChunk(FILE* file, int32_t size, LwPointArray* points)
{
    int32_t n = size / 12;
    // The bytes come first: a size that the file cannot hold is refused
    // before anything is allocated for it.
    setReadCount(0);
    unsigned char* data = readChunkData(file, size);
    if (!data) return 0;
    if (!growArray(reinterpret_cast<void**>(&points->items), sizeof(LwPointRec), points->count,
                   int64_t(points->count) + n)) {
        lwFree(data);
        return 0;
    }
    points->offset = points->count;
    points->count += n;
    swapBytes(data, 4, 3L * n);
    LwPointRec* items = points->items + points->offset;
    for (int32_t i = 0; i < n; ++i) std::memcpy(items[i].pos, data + 12L * i, 12);
    lwFree(data);
    return 1;
}

// ---- polygons --------------------------------------------------------------------

int growPolygons(LwPolygonArray* polygons, int32_t newPolygons, int32_t newCorners)
{
    int64_t count = int64_t(polygons->count) + newPolygons;
    int64_t corners = int64_t(polygons->cornerCount) + newCorners;
    if (newPolygons < 0 || newCorners < 0 || count > INT32_MAX || corners > INT32_MAX)
        return refuse("count beyond 31 bits");
    if (!growArray(reinterpret_cast<void**>(&polygons->items), sizeof(LwPolygonRec), polygons->count, count))
        return 0;
    polygons->offset = polygons->count;
    polygons->count = int32_t(count);
    if (!growArray(reinterpret_cast<void**>(&polygons->cornerBlock), sizeof(LwCorner), polygons->cornerCount,
                   corners))
        return 0;
    polygons->cornerOffset = polygons->cornerCount;
    polygons->cornerCount = int32_t(corners);
    // The block may have moved: earlier polygons follow it.
    LwCorner* at = polygons->cornerBlock;
    for (int32_t i = 0; i < polygons->offset; ++i) {
        polygons->items[i].corners = at;
        at += polygons->items[i].cornerCount;
    }
    return 1;
}

int readPolygonsChunk(FILE* file, int32_t size, LwPolygonArray* polygons, int32_t pointOffset, int32_t pointCount)
{
    if (size == 0) return 1;
    setReadCount(0);
    uint32_t type = readU4(file);
    unsigned char* data = readChunkData(file, size - 4);
    bool ok = data && readCount() == size;

    // First pass: how many polygons and corners, each record whole. The
    // passes decode the buffer directly: this is the bulk of a large file.
    int64_t polygonTotal = 0, cornerTotal = 0;
    const unsigned char* at = data;
    const unsigned char* end = data + (ok ? size - 4 : 0);
    while (ok && at < end) {
        if (end - at < 2) {
            ok = refuse(LW_PAST_CHUNK);
            break;
        }
        int32_t n = int32_t((uint32_t(at[0]) << 8 | at[1]) & 0x3FF);
        at += 2;
        cornerTotal += n;
        ++polygonTotal;
        for (int32_t k = 0; k < n && ok; ++k) {
            long width = at < end && at[0] == 0xFF ? 4 : 2;
            if (end - at < width) ok = refuse(LW_PAST_CHUNK);
            else at += width;
        }
    }
    ok = ok && growPolygons(polygons, int32_t(polygonTotal), int32_t(cornerTotal));

    // Second pass over the checked records: fill them, refusing corners
    // outside the layer's points.
    at = data;
    LwPolygonRec* polygon = ok ? polygons->items + polygons->offset : nullptr;
    LwCorner* corner = ok ? polygons->cornerBlock + polygons->cornerOffset : nullptr;
    for (int64_t i = 0; ok && i < polygonTotal; ++i, ++polygon) {
        uint32_t w = uint32_t(at[0]) << 8 | at[1];
        at += 2;
        int32_t n = int32_t(w & 0x3FF);
        polygon->flags = int32_t(w & 0xFC00);
        polygon->cornerCount = n;
        polygon->type = type;
        polygon->corners = corner;
        for (int32_t k = 0; k < n; ++k, ++corner) {
            uint32_t index;
            if (at[0] == 0xFF) {
                index = uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
                at += 4;
            } else {
                index = uint32_t(at[0]) << 8 | at[1];
                at += 2;
            }
            int64_t point = int64_t(index) + pointOffset;
            if (point >= pointCount) ok = refuse("corner index beyond the layer's points");
            corner->point = int32_t(point);
        }
    }
    lwFree(data);
    if (!ok) freePolygonArray(polygons);
    return ok;
}

// ---- tags ------------------------------------------------------------------------

int readTagsChunk(FILE* file, int32_t size, LwTagTable* tags)
{
    if (size == 0) return 1;
    setReadCount(0);
    unsigned char* data = readChunkData(file, size);
    if (!data) return 0;
    LwCursor cursor = {data, data + size};
    int64_t found = 0;
    while (cursor.at < cursor.end) {
        long n = measureS0(&cursor);
        if (n < 0 || n > cursor.end - cursor.at) {
            lwFree(data);
            return refuse("string crosses the end of its chunk");
        }
        cursor.at += n;
        ++found;
    }
    if (!growArray(reinterpret_cast<void**>(&tags->strings), sizeof(char*), tags->count, tags->count + found)) {
        lwFree(data);
        return 0;
    }
    tags->offset = tags->count;
    tags->count += int32_t(found);
    cursor.at = data;
    for (int32_t i = tags->offset; i < tags->count; ++i) tags->strings[i] = takeS0(&cursor);
    lwFree(data);
    return readCount() >= 0;
}

int readPolygonTagsChunk(FILE* file, int32_t size, LwTagTable* tags, LwPolygonArray* polygons)
{
    if (size < 4) return refuse("chunk shorter than its type");
    setReadCount(0);
    uint32_t type = readU4(file);
    if (readCount() < 0) return 0;
    if (type != lwId('S', 'U', 'R', 'F') && type != lwId('P', 'A', 'R', 'T') && type != lwId('S', 'M', 'G', 'P'))
        return skipBytes(file, size - 4);

    unsigned char* data = readChunkData(file, size - 4);
    if (!data) return 0;
    LwCursor cursor = {data, data + size - 4};
    bool ok = true;
    while (ok && cursor.at < cursor.end) {
        int64_t i = int64_t(takeVX(&cursor)) + polygons->offset;
        int64_t t = int64_t(takeVX(&cursor)) + tags->offset;
        if (readCount() < 0 || i >= polygons->count) {
            ok = refuse("polygon tag beyond the layer's polygons");
            break;
        }
        LwPolygonRec* p = &polygons->items[i];
        if (type == lwId('S', 'U', 'R', 'F')) p->surfaceTag = int32_t(t);
        else if (type == lwId('P', 'A', 'R', 'T')) p->part = int32_t(t);
        else p->smoothingGroup = int32_t(t);
    }
    lwFree(data);
    return ok;
}

// ---- vertex maps -------------------------------------------------------------------

void freeVMap(LwVMap* map)
{
    if (!map) return;
    std::free(map->name);
    lwFree(map->pointIndex);
    lwFree(map->polygonIndex);
    lwFree(map->values);
    lwFree(map->valueBlock);
    std::free(map);
}

LwVMap* readVMapChunk(FILE* file, int32_t size, const LwPointArray* points, const LwPolygonArray* polygons,
                      int perPolygon)
{
    setReadCount(0);
    unsigned char* data = readChunkData(file, size);
    if (!data) return nullptr;
    LwVMap* map = static_cast<LwVMap*>(std::calloc(1, sizeof(LwVMap)));
    if (!map) {
        lwFree(data);
        refuse(LW_NO_MEMORY);
        return nullptr;
    }
    map->perPolygon = perPolygon;

    setReadCount(0);
    LwCursor cursor = {data, data + size};
    map->type = takeU4(&cursor);
    map->dimension = int32_t(takeU2(&cursor));
    map->name = takeS0(&cursor);
    const unsigned char* entries = cursor.at;
    long valueBytes = 4L * map->dimension;

    // Count the entries, each whole inside the chunk.
    int64_t count = 0;
    while (readCount() >= 0 && cursor.at < cursor.end) {
        takeVX(&cursor);
        if (perPolygon) takeVX(&cursor);
        if (cursorHas(&cursor, valueBytes)) cursor.at += valueBytes;
        ++count;
    }
    bool ok = readCount() >= 0;
    if (ok) {
        map->entryCount = int32_t(count);
        map->pointIndex = static_cast<int32_t*>(zalloc(count, sizeof(int32_t)));
        if (perPolygon) map->polygonIndex = static_cast<int32_t*>(zalloc(count, sizeof(int32_t)));
        if (map->dimension > 0) {
            map->values = static_cast<float**>(zalloc(count, sizeof(float*)));
            map->valueBlock = static_cast<float*>(zalloc(count * map->dimension, sizeof(float)));
        }
        ok = (map->pointIndex && (!perPolygon || map->polygonIndex) &&
              (map->dimension == 0 || (map->values && map->valueBlock))) ||
             refuse(LW_NO_MEMORY);
    }
    cursor.at = entries;
    for (int32_t i = 0; ok && i < map->entryCount; ++i) {
        int64_t point = int64_t(takeVX(&cursor)) + points->offset;
        if (point >= points->count) ok = refuse("vertex-map point beyond the layer's points");
        map->pointIndex[i] = int32_t(point);
        if (perPolygon) {
            int64_t polygon = int64_t(takeVX(&cursor)) + polygons->offset;
            if (polygon >= polygons->count) ok = refuse("vertex-map polygon beyond the layer's polygons");
            map->polygonIndex[i] = int32_t(polygon);
        }
        if (map->dimension > 0) {
            float* values = map->valueBlock + int64_t(i) * map->dimension;
            map->values[i] = values;
            for (int32_t j = 0; j < map->dimension; ++j) values[j] = takeF4(&cursor);
        }
    }
    lwFree(data);
    if (!ok || readCount() < 0) {
        freeVMap(map);
        return nullptr;
    }
    return map;
}

// ---- completion --------------------------------------------------------------------

void computeBoundingBox(const LwPointArray* points, float box[6])
{
    if (points->count == 0) return;
    for (int i = 0; i < 6; ++i)
        if (box[i] != 0.0f) return;  // a BBOX chunk gave it
    for (int i = 0; i < 3; ++i) {
        box[i] = 1e20f;
        box[i + 3] = -1e20f;
    }
    for (int32_t p = 0; p < points->count; ++p) {
        const float* pos = points->items[p].pos;
        for (int i = 0; i < 3; ++i) {
            if (box[i] > pos[i]) box[i] = pos[i];
            if (box[i + 3] < pos[i]) box[i + 3] = pos[i];
        }
    }
}

int resolvePolygonSurfaces(LwPolygonArray* polygons, const LwTagTable* tags, LwSurface** surfaces,
                           int32_t* surfaceCount)
{
    if (tags->count == 0) return 1;
    LwSurface** lookup = static_cast<LwSurface**>(zalloc(tags->count, sizeof(LwSurface*)));
    if (!lookup) return refuse(LW_NO_MEMORY);
    for (int32_t i = 0; i < tags->count; ++i) {
        if (!tags->strings[i]) continue;
        for (LwSurface* s = *surfaces; s; s = s->next) {
            if (s->name && std::strcmp(s->name, tags->strings[i]) == 0) {
                lookup[i] = s;
                break;
            }
        }
    }
    int ok = 1;
    for (int32_t j = 0; j < polygons->count && ok; ++j) {
        LwPolygonRec* p = &polygons->items[j];
        int32_t t = p->surfaceTag;
        if (t < 0 || t >= tags->count) {
            ok = refuse("surface tag beyond the tags");
            break;
        }
        if (!lookup[t]) {
            LwSurface* s = makeDefaultSurface();
            if (!s || (tags->strings[t] && !(s->name = strdup(tags->strings[t])))) {
                freeSurface(s);
                ok = refuse(LW_NO_MEMORY);
                break;
            }
            listAppend(surfaces, s);
            ++*surfaceCount;
            lookup[t] = s;
        }
        p->surface = lookup[t];
    }
    lwFree(lookup);
    return ok;
}

int linkPointVMaps(LwPointArray* points, LwVMap* maps)
{
    return carveRuns(points->items, points->count, &LwPointRec::vmapCount, &LwPointRec::vmapLinks,
                     &points->linkBlock, [&](auto place) {
                         for (LwVMap* m = maps; m; m = m->next) {
                             if (m->perPolygon) continue;
                             for (int32_t e = 0; e < m->entryCount; ++e)
                                 place(&points->items[m->pointIndex[e]], LwVMapLink{m, e});
                         }
                     }) || refuse(LW_NO_MEMORY);
}

// The corner of a VMAD entry: the first corner of its polygon on its point.
static LwCorner* entryCorner(LwPolygonArray* polygons, const LwVMap* m, int32_t e)
{
    LwPolygonRec* p = &polygons->items[m->polygonIndex[e]];
    for (int32_t k = 0; k < p->cornerCount; ++k)
        if (p->corners[k].point == m->pointIndex[e]) return &p->corners[k];
    return nullptr;
}

int linkCornerVMaps(LwPolygonArray* polygons, LwVMap* maps)
{
    return carveRuns(polygons->cornerBlock, polygons->cornerCount, &LwCorner::vmapCount, &LwCorner::vmapLinks,
                     &polygons->linkBlock, [&](auto place) {
                         for (LwVMap* m = maps; m; m = m->next) {
                             if (!m->perPolygon) continue;
                             for (int32_t e = 0; e < m->entryCount; ++e)
                                 if (LwCorner* c = entryCorner(polygons, m, e)) place(c, LwVMapLink{m, e});
                         }
                     }) || refuse(LW_NO_MEMORY);
}

// ---- release ------------------------------------------------------------------------

void freePointArray(LwPointArray* points)
{
    lwFree(points->polygonBlock);
    lwFree(points->linkBlock);
    lwFree(points->items);
    std::memset(points, 0, sizeof(*points));
}

void freePolygonArray(LwPolygonArray* polygons)
{
    lwFree(polygons->uvBlock);
    lwFree(polygons->linkBlock);
    lwFree(polygons->cornerBlock);
    lwFree(polygons->items);
    std::memset(polygons, 0, sizeof(*polygons));
}

void freeLayer(LwLayer* layer)
{
    if (!layer) return;
    std::free(layer->name);
    freePointArray(&layer->points);
    freePolygonArray(&layer->polygons);
    listFree(layer->vmaps, freeVMap);
    std::free(layer);
}

void freeTagTable(LwTagTable* tags)
{
    for (int32_t i = 0; i < tags->count; ++i) std::free(tags->strings[i]);
    lwFree(tags->strings);
    std::memset(tags, 0, sizeof(*tags));
}
