// Object reader: the form header, the chunk loop (LWO2 chunks here, LWOB in
// lwob.cpp) and the completion of every layer (box, normals, surfaces, vertex-map links, texture coordinates).
#include <cstdlib>
#include <ctime>

#include "lwread.h"

static LwLoadTimes* loadTimes = nullptr;

void setLwLoadTimes(LwLoadTimes* times) { loadTimes = times; }

static double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void freeLwObject(LwObject* object)
{
    if (!object) return;
    listFree(object->layers, freeLayer);
    listFree(object->envelopes, freeEnvelope);
    listFree(object->clips, freeClip);
    listFree(object->surfaces, freeSurface);
    freeTagTable(&object->tags);
    std::free(object);
}

// Reads one LWO2 chunk of the given padded size into the object.
int readLwo2Chunk(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current)
{
    LwLayer* layer = *current;
    switch (id) {
    case lwId('L', 'A', 'Y', 'R'):
        if (object->layerCount > 0) {
            layer = static_cast<LwLayer*>(std::calloc(1, sizeof(LwLayer)));
            if (!layer) return refuse(LW_NO_MEMORY);
            listAppend(&object->layers, layer);
            *current = layer;
        }
        ++object->layerCount;
        return readLayerChunk(file, size, layer);
    case lwId('P', 'N', 'T', 'S'): return readPointsChunk(file, size, &layer->points);
    case lwId('P', 'O', 'L', 'S'):
        return readPolygonsChunk(file, size, &layer->polygons, layer->points.offset, layer->points.count);
    case lwId('P', 'T', 'A', 'G'): return readPolygonTagsChunk(file, size, &object->tags, &layer->polygons);
    case lwId('T', 'A', 'G', 'S'): return readTagsChunk(file, size, &object->tags);
    case lwId('V', 'M', 'A', 'P'):
    case lwId('V', 'M', 'A', 'D'): {
        LwVMap* map = readVMapChunk(file, size, &layer->points, &layer->polygons, id == lwId('V', 'M', 'A', 'D'));
        if (!map) return 0;
        listAppend(&layer->vmaps, map);
        ++layer->vmapCount;
        return 1;
    }
    case lwId('B', 'B', 'O', 'X'):
        setReadCount(0);
        for (int i = 0; i < 6; ++i) layer->bbox[i] = readF4(file);
        if (readCount() < 0 || readCount() > size) return refuse("bounding box runs past its chunk");
        return skipBytes(file, size - readCount());
    case lwId('S', 'U', 'R', 'F'): {
        LwSurface* s = readSurface(file, size);
        if (!s) return 0;
        listAppend(&object->surfaces, s);
        ++object->surfaceCount;
        return 1;
    }
    case lwId('C', 'L', 'I', 'P'): {
        LwClip* c = readClip(file, size);
        if (!c) return 0;
        listAppend(&object->clips, c);
        ++object->clipCount;
        return 1;
    }
    case lwId('E', 'N', 'V', 'L'): {
        LwEnvelope* e = readEnvelope(file, size);
        if (!e) return 0;
        listAppend(&object->envelopes, e);
        ++object->envelopeCount;
        return 1;
    }
    }
    return skipBytes(file, size);
}

// A layer has a parent only when its LAYR names another layer of the file
// (earlier or later): a number no other layer has leaves it without one.
static void resolveLayerParents(LwObject* object)
{
    for (LwLayer* layer = object->layers; layer; layer = layer->next) {
        const LwLayer* p = object->layers;
        while (p && (p == layer || p->number != layer->parent)) p = p->next;
        if (!p) layer->parent = -1;
    }
}

// Parents, then box, normals, surfaces, links and texture coordinates of every layer.
static int completeObject(LwObject* object)
{
    if (object->layerCount == 0) object->layerCount = 1;
    resolveLayerParents(object);
    LwLoadTimes t = {};
    for (LwLayer* layer = object->layers; layer; layer = layer->next) {
        double t0 = now();
        computeBoundingBox(&layer->points, layer->bbox);
        double t1 = now();
        computePolygonNormals(&layer->points, &layer->polygons);
        double t2 = now();
        if (!buildPointPolygons(&layer->points, &layer->polygons)) return 0;
        double t3 = now();
        if (!resolvePolygonSurfaces(&layer->polygons, &object->tags, &object->surfaces, &object->surfaceCount))
            return 0;
        double t4 = now();
        computeVertexNormals(&layer->points, &layer->polygons);
        double t5 = now();
        if (!linkPointVMaps(&layer->points, layer->vmaps)) return 0;
        double t6 = now();
        if (!linkCornerVMaps(&layer->polygons, layer->vmaps)) return 0;
        layer->storedNormals = applyStoredNormals(&layer->points, &layer->polygons);
        double t7 = now();
        computeTextureCoords(&layer->polygons, layer);
        double t8 = now();
        t.boundingBox += t1 - t0;
        t.polygonNormals += t2 - t1;
        t.pointPolygons += t3 - t2;
        t.surfaces += t4 - t3;
        t.vertexNormals += t5 - t4;
        t.pointVMaps += t6 - t5;
        t.cornerVMaps += t7 - t6;
        t.textureCoords += t8 - t7;
    }
    reportUvMisses(object);
    if (loadTimes) {
        t.read = loadTimes->read;
        *loadTimes = t;
    }
    return 1;
}

static uint32_t nestedFailId = 0;
static long nestedFailPosition = -1;

void setLwFailId(uint32_t id)
{
    if (!nestedFailId) nestedFailId = id;
}

void setLwFailPosition(long position)
{
    if (nestedFailPosition < 0) nestedFailPosition = position;
}

typedef int (*LwChunkReader)(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current);

static void closeFile(FILE* file)
{
    setReadFile(nullptr);
    std::fclose(file);
}

// Reads the chunks of a form from the first chunk header on, completes the
// object and closes the file.
static LwObject* readForm(FILE* file, uint32_t formSize, LwChunkReader readChunk, const char* formatLine,
                          double start, uint32_t* failId, int32_t* failPos)
{
    LwObject* object = static_cast<LwObject*>(std::calloc(1, sizeof(LwObject)));
    LwLayer* layer = static_cast<LwLayer*>(std::calloc(1, sizeof(LwLayer)));
    uint32_t id = 0;
    bool ok = (object && layer) || refuse(LW_NO_MEMORY);
    if (ok) {
        layer->parent = -1;
        object->layers = layer;
    } else {
        std::free(layer);
    }

    uint32_t size = 0;
    nestedFailId = 0;
    nestedFailPosition = -1;
    if (ok) {
        id = readU4(file);
        size = readU4(file);
        ok = readCount() >= 0;
    }
    while (ok) {
        // Sizes beyond what a signed count can follow are refused outright.
        if (size > uint32_t(INT32_MAX) - 1) {
            ok = refuse("chunk size beyond 31 bits");
            break;
        }
        // A last chunk of odd size may lack its pad byte at the very end of the file.
        bool unpadded = (size & 1) && bytesLeft(file) == long(size);
        if (!unpadded) size += size & 1;
        long chunkStart = std::ftell(file);
        if (!readChunk(file, id, int32_t(size), object, &layer)) {
            ok = false;
            break;
        }
        // Every reader must end exactly at the end of its chunk.
        long position = std::ftell(file);
        if (position != chunkStart + long(size)) {
            ok = refuse("chunk not read to its end");
            break;
        }
        if (unpadded || formSize <= uint32_t(position - 8)) break;
        setReadCount(0);
        uint32_t nextId = readU4(file);
        if (readCount() == 4) id = nextId;
        size = readU4(file);
        ok = readCount() == 8;
    }
    if (!ok) {
        if (failId) *failId = nestedFailId ? nestedFailId : id;
        if (failPos) *failPos = int32_t(nestedFailPosition >= 0 ? nestedFailPosition : std::ftell(file));
        closeFile(file);
        freeLwObject(object);
        return nullptr;
    }
    closeFile(file);
    if (loadTimes) loadTimes->read = now() - start;

    if (!completeObject(object)) {
        if (failId) *failId = id;
        freeLwObject(object);
        return nullptr;
    }
    clearFailReason();
    lwLog(lwLogLoad, "%s", formatLine);
    return object;
}

// Reads the header of an open file and the form it names (LWO2, its successor
// LWO3, LWOB or the layered LWLO, or the older two alone); closes the file.
static LwObject* readOpened(FILE* file, bool lwobOnly, uint32_t* failId, int32_t* failPos)
{
    double start = now();
    setReadFile(file);
    setReadCount(0);
    uint32_t formId = readU4(file);
    uint32_t formSize = readU4(file);
    uint32_t formType = readU4(file);
    if (readCount() != 12) {
        closeFile(file);
        return nullptr;
    }
    bool lwo2 = formType == lwId('L', 'W', 'O', '2') && !lwobOnly;
    bool lwo3 = formType == lwId('L', 'W', 'O', '3') && !lwobOnly;
    bool lwob = formType == lwId('L', 'W', 'O', 'B');
    bool lwlo = formType == lwId('L', 'W', 'L', 'O');
    if (formId != lwId('F', 'O', 'R', 'M') || !(lwo2 || lwo3 || lwob || lwlo)) {
        refuse(formId != lwId('F', 'O', 'R', 'M')           ? "not an IFF FORM"
               : lwobOnly                                   ? "not an LWOB form"
                                                            : "neither an LWO2, LWO3 nor an LWOB form");
        closeFile(file);
        if (failPos) *failPos = 12;
        return nullptr;
    }
    if (lwob) return readForm(file, formSize, readLwobChunk, " LightWave 5.xx Format ", start, failId, failPos);
    if (lwlo) return readForm(file, formSize, readLwloChunk, " LightWave 5.xx Format ", start, failId, failPos);
    if (lwo3) return readForm(file, formSize, readLwo3Chunk, " LightWave 2015 Format ", start, failId, failPos);
    return readForm(file, formSize, readLwo2Chunk, " LightWave 6.xx Format ", start, failId, failPos);
}

// Reads a file just opened (null when it could not be).
static LwObject* readNew(FILE* file, bool lwobOnly, uint32_t* failId, int32_t* failPos, bool stream)
{
    clearFailReason();
    if (!file) {
        refuse(stream ? "no stream to read" : "cannot open the file");
        return nullptr;
    }
    return readOpened(file, lwobOnly, failId, failPos);
}

LwObject* readLwObjectStream(FILE* file, const char* name, uint32_t* failId, int32_t* failPos)
{
    lwLog(lwLogLoad, "LwLoader[Info]:: Load %s ", name ? name : "");
    return readNew(file, false, failId, failPos, true);
}

LwObject* readLwobObject(const char* path, uint32_t* failId, int32_t* failPos)
{
    return readNew(path ? std::fopen(path, "rb") : nullptr, true, failId, failPos, false);
}

LwObject* readLwObject(const char* path, uint32_t* failId, int32_t* failPos)
{
    lwLog(lwLogLoad, "LwLoader[Info]:: Load %s ", path ? path : "");
    return readNew(path ? std::fopen(path, "rb") : nullptr, false, failId, failPos, false);
}

