// The older LWOB form: one layer of points and polygons, surfaces whose
// textures are named by strings, and the clips and envelopes they imply.
#include <cmath>
#include <cstdlib>

#include "lwalloc.h"
#include "lwread.h"

// ---- polygons -----------------------------------------------------------------------

// Record: corner count (U2), that many U2 point indices, surface number (I2,
// 1-based); a negative number is followed by a count of detail polygons,
// which come next as ordinary records.
int readLwobPolygons(FILE* file, int32_t size, LwPolygonArray* polygons, int32_t pointOffset, int32_t pointCount)
{
    if (size == 0) return 1;
    setReadCount(0);
    unsigned char* data = readChunkData(file, size);
    bool ok = data != nullptr;
    const unsigned char* end = data + (ok ? size : 0);

    // First pass: every record whole inside the chunk.
    int64_t polygonTotal = 0, cornerTotal = 0;
    LwCursor cursor = {data, end};
    while (ok && cursor.at < end) {
        int32_t n = int32_t(takeU2(&cursor));
        cornerTotal += n;
        ++polygonTotal;
        if (cursorHas(&cursor, 2L * n)) cursor.at += 2L * n;
        if (takeI2(&cursor) < 0) takeU2(&cursor);
        ok = readCount() >= 0;
    }
    ok = ok && ((polygonTotal <= INT32_MAX && cornerTotal <= INT32_MAX) || refuse("count beyond 31 bits")) &&
         growPolygons(polygons, int32_t(polygonTotal), int32_t(cornerTotal));

    cursor.at = data;
    LwPolygonRec* polygon = ok ? polygons->items + polygons->offset : nullptr;
    LwCorner* corner = ok ? polygons->cornerBlock + polygons->cornerOffset : nullptr;
    for (int64_t i = 0; ok && i < polygonTotal; ++i, ++polygon) {
        int32_t n = int32_t(takeU2(&cursor));
        polygon->cornerCount = n;
        polygon->type = lwId('F', 'A', 'C', 'E');
        polygon->corners = corner;
        for (int32_t k = 0; k < n; ++k, ++corner) {
            int64_t point = int64_t(takeU2(&cursor)) + pointOffset;
            if (point >= pointCount) ok = refuse("corner index beyond the layer's points");
            corner->point = int32_t(point);
        }
        int32_t s = takeI2(&cursor);
        if (s < 0) {
            s = -s;
            takeU2(&cursor);  // the detail count: those polygons follow as ordinary records
        }
        polygon->surfaceTag = s - 1;
    }
    lwFree(data);
    if (!ok) freePolygonArray(polygons);
    return ok;
}

// ---- clips and envelopes implied by textures ----------------------------------------------

int32_t addLwobClip(char* name, LwObject* object)
{
    LwClip* c = static_cast<LwClip*>(std::calloc(1, sizeof(LwClip)));
    if (!c) {
        std::free(name);
        return refuse(LW_NO_MEMORY);
    }
    c->contrast.value = c->brightness.value = c->saturation.value = c->gamma.value = 1.0f;
    const char* sequence = name ? std::strstr(name, "(sequence)") : nullptr;
    if (sequence) {
        // "prefix (sequence)": the prefix ends before the character ahead of the mark.
        size_t cut = sequence > name ? size_t(sequence - name - 1) : 0;
        name[cut] = 0;
        c->type = lwId('I', 'S', 'E', 'Q');
        c->source.sequence.digits = 3;
        if (cut > 0) {
            c->source.sequence.prefix = name;
        } else {
            std::free(name);
        }
    } else {
        c->type = lwId('S', 'T', 'I', 'L');
        c->source.still.name = name;
    }
    c->index = ++object->clipCount;
    listAppend(&object->clips, c);
    return c->index;
}

int32_t addLwobVelocity(const float centre[3], const float velocity[3], LwObject* object)
{
    LwEnvelope* made[3] = {};
    for (int i = 0; i < 3; ++i) {
        LwEnvelope* e = static_cast<LwEnvelope*>(std::calloc(1, sizeof(LwEnvelope)));
        char* name = static_cast<char*>(std::malloc(11));
        made[i] = e;
        if (e) e->curve = lwEnvelopeEmpty();
        // A straight line through the centre at frame 0 and where it is 30 frames (a second) on.
        const LwChannelKey first = {0.0, centre[i], lwSpanLinear, {}};
        const LwChannelKey last = {1.0, centre[i] + velocity[i] * 30.0f, lwSpanLinear, {}};
        if (!e || !name || !lwEnvelopeAddKey(&e->curve, first) || !lwEnvelopeAddKey(&e->curve, last)) {
            std::free(name);
            for (int k = 0; k <= i; ++k) freeEnvelope(made[k]);
            return refuse(LW_NO_MEMORY);
        }
        std::memcpy(name, "Position.X", 11);
        name[9] = char('X' + i);
        e->curve.pre = e->curve.post = lwBehaviourLinear;
        lwEnvelopeTidy(&e->curve);
        e->index = object->envelopeCount + i + 1;
        e->type = 0x0301 + i;
        e->name = name;
    }
    for (LwEnvelope* e : made) listAppend(&object->envelopes, e);
    object->envelopeCount += 3;
    return made[0]->index;
}

// ---- textures ------------------------------------------------------------------------------

LwTexture* makeLwobTexture(char* name)
{
    LwTexture* t = static_cast<LwTexture*>(std::calloc(1, sizeof(LwTexture)));
    if (!t) {
        std::free(name);
        return refuse(LW_NO_MEMORY), nullptr;
    }
    t->mapping.size.value[0] = t->mapping.size.value[1] = t->mapping.size.value[2] = 1.0f;
    t->opacity.value = 1.0f;
    t->enabled = 1;
    if (name && std::strstr(name, "Image Map")) {
        t->type = lwId('I', 'M', 'A', 'P');
        static const struct {
            const char* word;
            LwProjection projection;
        } kinds[] = {{"Planar", lwPlanar}, {"Cylindrical", lwCylindrical}, {"Spherical", lwSpherical},
                     {"Cubic", lwCubic},   {"Front", lwFront}};
        for (const auto& k : kinds) {
            if (std::strstr(name, k.word)) {
                t->image.projection = k.projection;
                break;
            }
        }
        t->image.antialiasStrength = 1.0f;
        t->image.amplitude.value = 1.0f;
        std::free(name);
    } else {
        t->type = lwId('P', 'R', 'O', 'C');
        t->procedural.name = name;
    }
    return t;
}

// ---- surfaces ------------------------------------------------------------------------------

struct LwobSurfaceReading {
    LwObject* object;
    LwSurface* surface;
    LwTexture* texture;  // the latest texture named
    LwPluginRef* shader; // the latest shader named
};

// The whole sub-chunk as a terminated string (none when empty).
static char* readWhole(FILE* file, int32_t size)
{
    unsigned char* bytes = readBytes(file, size);
    if (!bytes) return nullptr;
    char* s = static_cast<char*>(std::malloc(size_t(size) + 1));
    if (s) {
        std::memcpy(s, bytes, size_t(size));
        s[size] = 0;
    } else {
        readFailed(LW_NO_MEMORY);
    }
    std::free(bytes);
    if (s && s[0] == 0) {
        std::free(s);
        return nullptr;
    }
    return s;
}

static void readVector(FILE* file, float v[3])
{
    for (int i = 0; i < 3; ++i) v[i] = readF4(file);
}

static int lwobTextureField(FILE* file, uint32_t id, int32_t size, LwobSurfaceReading* r)
{
    LwTexture* t = r->texture;
    bool image = t->type == lwId('I', 'M', 'A', 'P');
    switch (id) {
    case lwId('T', 'F', 'L', 'G'): {
        uint32_t flags = readU2(file);
        int axis = -1;
        if (flags & 1) axis = 0;
        if (flags & 2) axis = 1;
        if (flags & 4) axis = 2;
        if (axis >= 0) {
            t->axis = int16_t(axis);
            if (image) t->image.axis = axis;
            else t->procedural.axis = axis;
        }
        if (flags & 8) t->mapping.coordinateSystem = 1;
        if (flags & 16) t->negative = 1;
        if (flags & 32) t->image.pixelBlending = 1;
        if (flags & 64) {
            t->image.antialiasStrength = 1.0f;
            t->image.antialiasFlags = 1;
        }
        break;
    }
    case lwId('T', 'S', 'I', 'Z'): readVector(file, t->mapping.size.value); break;
    case lwId('T', 'C', 'T', 'R'): readVector(file, t->mapping.center.value); break;
    case lwId('T', 'F', 'A', 'L'): readVector(file, t->mapping.falloff.value); break;
    case lwId('T', 'V', 'E', 'L'): {
        float velocity[3];
        readVector(file, velocity);
        if (readCount() < 0) return 0;
        t->mapping.center.envelope = addLwobVelocity(t->mapping.center.value, velocity, r->object);
        if (t->mapping.center.envelope == 0) return 0;
        break;
    }
    case lwId('T', 'C', 'L', 'R'):
        if (!image)
            for (int i = 0; i < 3; ++i) t->procedural.value[i] = float(readU1(file)) / 255.0f;
        break;
    case lwId('T', 'V', 'A', 'L'):
        if (!image) t->procedural.value[0] = float(readI2(file)) / 256.0f;
        break;
    case lwId('T', 'A', 'M', 'P'):
        if (image) t->image.amplitude.value = readF4(file);
        break;
    case lwId('T', 'I', 'M', 'G'): {
        char* name = readS0(file);
        if (readCount() < 0) return 0;
        int32_t clip = addLwobClip(name, r->object);
        if (clip == 0) return 0;
        if (image) t->image.clip = clip;
        break;
    }
    case lwId('T', 'A', 'A', 'S'):
        t->image.antialiasStrength = readF4(file);
        t->image.antialiasFlags = 1;
        break;
    case lwId('T', 'R', 'E', 'F'):
        std::free(t->mapping.referenceObject);
        t->mapping.referenceObject = readWhole(file, size);
        break;
    }
    return 1;
}

static int lwobSurfaceField(FILE* file, uint32_t id, int32_t size, void* record)
{
    LwobSurfaceReading* r = static_cast<LwobSurfaceReading*>(record);
    LwSurface* s = r->surface;
    LwTexture** textures = nullptr;
    switch (id) {
    case lwId('C', 'O', 'L', 'R'):
        for (int i = 0; i < 3; ++i) s->color.rgb[i] = float(readU1(file)) / 255.0f;
        return 1;
    case lwId('F', 'L', 'A', 'G'): {
        uint32_t flags = readU2(file);
        if (flags & 4) s->smoothAngle = 1.56207f;
        if (flags & 8) s->colorHighlights.value = 1.0f;
        if (flags & 16) s->colorFilter.value = 1.0f;
        if (flags & 128) s->diffuseSharpness.value = 0.5f;
        if (flags & 256) s->sidedness = 3;
        if (flags & 512) s->additiveTransparency.value = 1.0f;
        return 1;
    }
    case lwId('L', 'U', 'M', 'I'): s->luminosity.value = float(readI2(file)) / 256.0f; return 1;
    case lwId('D', 'I', 'F', 'F'): s->diffuse.value = float(readI2(file)) / 256.0f; return 1;
    case lwId('S', 'P', 'E', 'C'): s->specularity.value = float(readI2(file)) / 256.0f; return 1;
    case lwId('R', 'E', 'F', 'L'): s->reflection.channel.value = float(readI2(file)) / 256.0f; return 1;
    case lwId('T', 'R', 'A', 'N'): s->transparency.channel.value = float(readI2(file)) / 256.0f; return 1;
    case lwId('V', 'L', 'U', 'M'): s->luminosity.value = readF4(file); return 1;
    case lwId('V', 'D', 'I', 'F'): s->diffuse.value = readF4(file); return 1;
    case lwId('V', 'S', 'P', 'C'): s->specularity.value = readF4(file); return 1;
    case lwId('G', 'L', 'O', 'S'): {
        // The logarithm of 0 has no value: glossiness 0 then.
        uint32_t g = readU2(file);
        s->glossiness.value = g > 0 ? float(std::log(double(g)) / 20.7944) : 0.0f;
        return 1;
    }
    case lwId('S', 'M', 'A', 'N'): s->smoothAngle = readF4(file); return 1;
    case lwId('R', 'F', 'L', 'T'): s->reflection.options = int32_t(readU2(file)); return 1;
    case lwId('R', 'I', 'M', 'G'): {
        char* name = readS0(file);
        if (readCount() < 0) return 0;
        s->reflection.clip = addLwobClip(name, r->object);
        s->reflection.options = 3;
        return s->reflection.clip != 0;
    }
    case lwId('R', 'S', 'A', 'N'): s->reflection.seamAngle = readF4(file); return 1;
    case lwId('R', 'I', 'N', 'D'): s->refractionIndex.value = readF4(file); return 1;
    case lwId('C', 'T', 'E', 'X'): textures = &s->color.textures; break;
    case lwId('D', 'T', 'E', 'X'): textures = &s->diffuse.textures; break;
    case lwId('L', 'T', 'E', 'X'): textures = &s->luminosity.textures; break;
    case lwId('R', 'T', 'E', 'X'): textures = &s->reflection.channel.textures; break;
    case lwId('S', 'T', 'E', 'X'): textures = &s->specularity.textures; break;
    case lwId('T', 'T', 'E', 'X'): textures = &s->transparency.channel.textures; break;
    case lwId('B', 'T', 'E', 'X'): textures = &s->bump.textures; break;
    case lwId('S', 'H', 'D', 'R'): {
        LwPluginRef* p = static_cast<LwPluginRef*>(std::calloc(1, sizeof(LwPluginRef)));
        if (!p) return refuse(LW_NO_MEMORY);
        p->name = readWhole(file, size);
        listAppend(&s->shaders, p);
        ++s->shaderCount;
        r->shader = p;
        return 1;
    }
    case lwId('S', 'D', 'A', 'T'):
        if (r->shader) {
            std::free(r->shader->data);
            r->shader->data = readBytes(file, size);
            r->shader->dataSize = r->shader->data ? size : 0;
        }
        return 1;
    default:
        return r->texture ? lwobTextureField(file, id, size, r) : 1;
    }
    // A texture named by the whole sub-chunk, in file order.
    char* name = readWhole(file, size);
    if (readCount() < 0) return 0;
    LwTexture* t = makeLwobTexture(name);
    if (!t) return 0;
    listAppend(textures, t);
    r->texture = t;
    return 1;
}

LwSurface* readLwobSurface(FILE* file, int32_t size, LwObject* object)
{
    LwSurface* s = makeDefaultSurface();
    if (!s) return refuse(LW_NO_MEMORY), nullptr;
    long start = std::ftell(file);
    setReadCount(0);
    s->name = readS0(file);
    LwobSurfaceReading reading = {object, s, nullptr, nullptr};
    if (readCount() < 0 || !readSubChunks(file, start, size, lwobSurfaceField, &reading)) {
        freeSurface(s);
        return nullptr;
    }
    return s;
}

// ---- chunks ---------------------------------------------------------------------------------

int readLwobChunk(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current)
{
    LwLayer* layer = *current;
    switch (id) {
    case lwId('P', 'N', 'T', 'S'): return readPointsChunk(file, size, &layer->points);
    case lwId('P', 'O', 'L', 'S'):
        return readLwobPolygons(file, size, &layer->polygons, layer->points.offset, layer->points.count);
    case lwId('S', 'R', 'F', 'S'): return readTagsChunk(file, size, &object->tags);
    case lwId('S', 'U', 'R', 'F'): {
        LwSurface* s = readLwobSurface(file, size, object);
        if (!s) return 0;
        listAppend(&object->surfaces, s);
        ++object->surfaceCount;
        return 1;
    }
    }
    return skipBytes(file, size);
}
