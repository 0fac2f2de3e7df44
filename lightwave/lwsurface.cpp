// LWO2 surfaces (SURF) with their texture blocks and shaders.
#include <cstdlib>
#include <cstring>

#include "lwread.h"

static void readChannel(FILE* file, LwChannel* c)
{
    LwEnvValue v;
    readEnvValue(file, &v);
    c->value = v.value;
    c->envelope = v.envelope;
}

static void readEnvVector(FILE* file, LwEnvVector* v)
{
    for (int i = 0; i < 3; ++i) v->value[i] = readF4(file);
    v->envelope = int32_t(readVX(file));
}

static void replaceString(char** slot, char* value)
{
    std::free(*slot);
    *slot = value;
}

// ---- defaults and release -------------------------------------------------------

LwSurface* makeDefaultSurface()
{
    LwSurface* s = static_cast<LwSurface*>(std::calloc(1, sizeof(LwSurface)));
    if (!s) return nullptr;
    s->color.rgb[0] = s->color.rgb[1] = s->color.rgb[2] = 0.78431f;
    s->diffuse.value = 1.0f;
    s->glossiness.value = 0.4f;
    s->bump.value = 1.0f;
    s->refractionIndex.value = 1.0f;
    s->sidedness = 1;
    return s;
}

void freePlugin(LwPluginRef* p)
{
    if (!p) return;
    std::free(p->ordinal);
    std::free(p->name);
    std::free(p->data);
    std::free(p);
}

void freeTexture(LwTexture* t)
{
    if (!t) return;
    std::free(t->ordinal);
    std::free(t->image.vmapName);
    std::free(t->procedural.name);
    std::free(t->procedural.data);
    std::free(t->gradient.parameterName);
    std::free(t->gradient.itemName);
    std::free(t->gradient.keys);
    std::free(t->gradient.integerKeys);
    std::free(t->mapping.referenceObject);
    std::free(t);
}

void freeSurface(LwSurface* s)
{
    if (!s) return;
    std::free(s->name);
    std::free(s->sourceName);
    listFree(s->shaders, freePlugin);
    std::free(s->vertexColor.mapName);
    std::free(s->material);
    LwTexture* lists[] = {s->color.textures, s->luminosity.textures, s->diffuse.textures,
                          s->specularity.textures, s->glossiness.textures, s->reflection.channel.textures,
                          s->transparency.channel.textures, s->refractionIndex.textures,
                          s->translucency.textures, s->bump.textures};
    for (LwTexture* t : lists) listFree(t, freeTexture);
    std::free(s);
}

// ---- texture channels -------------------------------------------------------------

static int compareOrdinals(const LwTexture* a, const LwTexture* b)
{
    return std::strcmp(a->ordinal ? a->ordinal : "", b->ordinal ? b->ordinal : "");
}

static int comparePluginOrdinals(const LwPluginRef* a, const LwPluginRef* b)
{
    return std::strcmp(a->ordinal ? a->ordinal : "", b->ordinal ? b->ordinal : "");
}

int addTexture(LwSurface* s, LwTexture* t)
{
    LwTexture** list;
    switch (t->channel) {
    case lwId('C', 'O', 'L', 'R'): list = &s->color.textures; break;
    case lwId('L', 'U', 'M', 'I'): list = &s->luminosity.textures; break;
    case lwId('D', 'I', 'F', 'F'): list = &s->diffuse.textures; break;
    case lwId('S', 'P', 'E', 'C'): list = &s->specularity.textures; break;
    case lwId('G', 'L', 'O', 'S'): list = &s->glossiness.textures; break;
    case lwId('R', 'E', 'F', 'L'): list = &s->reflection.channel.textures; break;
    case lwId('T', 'R', 'A', 'N'): list = &s->transparency.channel.textures; break;
    case lwId('R', 'I', 'N', 'D'): list = &s->refractionIndex.textures; break;
    case lwId('T', 'R', 'N', 'L'): list = &s->translucency.textures; break;
    case lwId('B', 'U', 'M', 'P'): list = &s->bump.textures; break;
    default: return 0;
    }
    listInsertSorted(list, t, compareOrdinals);
    return 1;
}

// ---- texture blocks ------------------------------------------------------------------

static int mappingField(FILE* file, uint32_t id, int32_t, void* record)
{
    LwMapping* m = static_cast<LwMapping*>(record);
    switch (id) {
    case lwId('S', 'I', 'Z', 'E'): readEnvVector(file, &m->size); break;
    case lwId('C', 'N', 'T', 'R'): readEnvVector(file, &m->center); break;
    case lwId('R', 'O', 'T', 'A'): readEnvVector(file, &m->rotation); break;
    case lwId('F', 'A', 'L', 'L'):
        m->falloffType = int32_t(readU2(file));
        readEnvVector(file, &m->falloff);
        break;
    case lwId('O', 'R', 'E', 'F'): replaceString(&m->referenceObject, readS0(file)); break;
    case lwId('C', 'S', 'Y', 'S'): m->coordinateSystem = int32_t(readU2(file)); break;
    }
    return 1;
}

int readMapping(FILE* file, int32_t size, LwMapping* mapping)
{
    return readSubChunks(file, std::ftell(file), size, mappingField, mapping);
}

static int textureHeaderField(FILE* file, uint32_t id, int32_t, void* record)
{
    LwTexture* t = static_cast<LwTexture*>(record);
    switch (id) {
    case lwId('C', 'H', 'A', 'N'): t->channel = readU4(file); break;
    case lwId('O', 'P', 'A', 'C'):
        t->opacityType = int16_t(readU2(file));
        readEnvValue(file, &t->opacity);
        break;
    case lwId('E', 'N', 'A', 'B'): t->enabled = int16_t(readU2(file)); break;
    case lwId('N', 'E', 'G', 'A'): t->negative = int16_t(readU2(file)); break;
    case lwId('A', 'X', 'I', 'S'): t->axis = int16_t(readU2(file)); break;
    }
    return 1;
}

static int imageField(FILE* file, uint32_t id, int32_t size, void* record)
{
    LwTexture* t = static_cast<LwTexture*>(record);
    LwImageParams* im = &t->image;
    switch (id) {
    case lwId('T', 'M', 'A', 'P'): return readMapping(file, size, &t->mapping);
    case lwId('P', 'R', 'O', 'J'): im->projection = int32_t(readU2(file)); break;
    case lwId('V', 'M', 'A', 'P'): replaceString(&im->vmapName, readS0(file)); break;
    case lwId('A', 'X', 'I', 'S'): im->axis = int32_t(readU2(file)); break;
    case lwId('I', 'M', 'A', 'G'): im->clip = int32_t(readVX(file)); break;
    case lwId('W', 'R', 'A', 'P'):
        im->wrapWidthType = int32_t(readU2(file));
        im->wrapHeightType = int32_t(readU2(file));
        break;
    case lwId('W', 'R', 'P', 'W'): readEnvValue(file, &im->wrapWidth); break;
    case lwId('W', 'R', 'P', 'H'): readEnvValue(file, &im->wrapHeight); break;
    case lwId('A', 'A', 'S', 'T'):
        im->antialiasFlags = int32_t(readU2(file));
        im->antialiasStrength = readF4(file);
        break;
    case lwId('P', 'I', 'X', 'B'): im->pixelBlending = int32_t(readU2(file)); break;
    case lwId('S', 'T', 'C', 'K'): readEnvValue(file, &im->sticky); break;
    case lwId('T', 'A', 'M', 'P'): readEnvValue(file, &im->amplitude); break;
    }
    return 1;
}

static int proceduralField(FILE* file, uint32_t id, int32_t size, void* record)
{
    LwTexture* t = static_cast<LwTexture*>(record);
    LwProceduralParams* p = &t->procedural;
    switch (id) {
    case lwId('T', 'M', 'A', 'P'): return readMapping(file, size, &t->mapping);
    case lwId('A', 'X', 'I', 'S'): p->axis = int32_t(readU2(file)); break;
    case lwId('V', 'A', 'L', 'U'):
        p->value[0] = readF4(file);
        if (size >= 8) p->value[1] = readF4(file);
        if (size >= 12) p->value[2] = readF4(file);
        break;
    case lwId('F', 'U', 'N', 'C'):
        replaceString(&p->name, readS0(file));
        readRest(file, size, &p->data, &p->dataSize);
        break;
    }
    return 1;
}

static int gradientField(FILE* file, uint32_t id, int32_t size, void* record)
{
    LwTexture* t = static_cast<LwTexture*>(record);
    LwGradientParams* g = &t->gradient;
    switch (id) {
    case lwId('T', 'M', 'A', 'P'): return readMapping(file, size, &t->mapping);
    case lwId('P', 'N', 'A', 'M'): replaceString(&g->parameterName, readS0(file)); break;
    case lwId('I', 'N', 'A', 'M'): replaceString(&g->itemName, readS0(file)); break;
    case lwId('G', 'R', 'S', 'T'): g->start = readF4(file); break;
    case lwId('G', 'R', 'E', 'N'): g->end = readF4(file); break;
    case lwId('G', 'R', 'P', 'T'): g->repeat = int32_t(readU2(file)); break;
    case lwId('F', 'K', 'E', 'Y'): {
        int32_t n = size / 20;
        std::free(g->keys);
        g->keyCount = 0;
        g->keys = static_cast<LwGradientKey*>(std::calloc(size_t(n) + 1, sizeof(LwGradientKey)));
        if (!g->keys) return refuse(LW_NO_MEMORY);
        g->keyCount = n;
        for (int32_t i = 0; i < n; ++i) {
            g->keys[i].position = readF4(file);
            for (int j = 0; j < 4; ++j) g->keys[i].rgba[j] = readF4(file);
        }
        break;
    }
    case lwId('I', 'K', 'E', 'Y'): {
        int32_t n = size / 2;
        std::free(g->integerKeys);
        g->integerKeyCount = 0;
        g->integerKeys = static_cast<int16_t*>(std::calloc(size_t(n) + 1, sizeof(int16_t)));
        if (!g->integerKeys) return refuse(LW_NO_MEMORY);
        g->integerKeyCount = n;
        for (int32_t i = 0; i < n; ++i) g->integerKeys[i] = int16_t(readU2(file));
        break;
    }
    }
    return 1;
}

// Texture blocks and shaders share one layout: a header sub-chunk (its size, an
// ordinal string and sub-chunks), then body sub-chunks up to the block's end.
static bool readHeaderAndBody(FILE* file, int32_t size, char** ordinal, LwSubChunkReader headerField,
                              LwSubChunkReader bodyField, void* record)
{
    long start = std::ftell(file);
    setReadCount(0);
    int32_t headerSize = int32_t(readU2(file));
    headerSize += headerSize & 1;  // the header is a sub-chunk: odd sizes have a pad byte
    long headerStart = std::ftell(file);
    if (readCount() != 2 || headerSize > size - 2) return refuse("block header runs past its block");
    *ordinal = readS0(file);
    if (readCount() < 0 || !readSubChunks(file, headerStart, headerSize, headerField, record)) return false;
    long bodyStart = std::ftell(file);
    return readSubChunks(file, bodyStart, size - int32_t(bodyStart - start), bodyField, record);
}

LwTexture* readTextureBlock(FILE* file, int32_t size, uint32_t type)
{
    LwTexture* t = static_cast<LwTexture*>(std::calloc(1, sizeof(LwTexture)));
    if (!t) return refuse(LW_NO_MEMORY), nullptr;
    t->type = type;
    t->mapping.size.value[0] = t->mapping.size.value[1] = t->mapping.size.value[2] = 1.0f;
    t->opacity.value = 1.0f;
    t->enabled = 1;

    LwSubChunkReader parameters = type == lwId('I', 'M', 'A', 'P')   ? imageField
                                  : type == lwId('P', 'R', 'O', 'C') ? proceduralField
                                                                     : gradientField;
    if (!readHeaderAndBody(file, size, &t->ordinal, textureHeaderField, parameters, t)) {
        freeTexture(t);
        return nullptr;
    }
    setReadCount(size);
    return t;
}

// ---- shaders ---------------------------------------------------------------------------

static int shaderHeaderField(FILE* file, uint32_t id, int32_t, void* record)
{
    if (id == lwId('E', 'N', 'A', 'B')) static_cast<LwPluginRef*>(record)->flags = int32_t(readU2(file));
    return 1;
}

static int shaderField(FILE* file, uint32_t id, int32_t size, void* record)
{
    LwPluginRef* p = static_cast<LwPluginRef*>(record);
    if (id == lwId('F', 'U', 'N', 'C')) {
        replaceString(&p->name, readS0(file));
        readRest(file, size, &p->data, &p->dataSize);
    }
    return 1;
}

LwPluginRef* readShader(FILE* file, int32_t size)
{
    LwPluginRef* p = static_cast<LwPluginRef*>(std::calloc(1, sizeof(LwPluginRef)));
    if (!p) return refuse(LW_NO_MEMORY), nullptr;
    if (!readHeaderAndBody(file, size, &p->ordinal, shaderHeaderField, shaderField, p)) {
        freePlugin(p);
        return nullptr;
    }
    setReadCount(size);
    return p;
}

// ---- surfaces ----------------------------------------------------------------------------

// VCOL: intensity, envelope, map type and name. A short or unterminated one
// names no map rather than refusing the file, as an unknown sub-chunk would not.
static void readVertexColor(FILE* file, int32_t size, LwVertexColorRef* v)
{
    replaceString(&v->mapName, nullptr);
    if (size < 12) return;
    readEnvValue(file, &v->intensity);
    if (readCount() < 0 || size - readCount() < 6) return;
    v->mapType = readU4(file);
    unsigned char* rest = nullptr;
    int32_t restSize = 0;
    readRest(file, size, &rest, &restSize);
    const void* nul = rest ? std::memchr(rest, 0, size_t(restSize)) : nullptr;
    if (nul && nul != rest) {
        size_t n = size_t(static_cast<const unsigned char*>(nul) - rest) + 1;
        char* name = static_cast<char*>(std::malloc(n));
        if (name) std::memcpy(name, rest, n);
        replaceString(&v->mapName, name);
    }
    std::free(rest);
}

static int surfaceField(FILE* file, uint32_t id, int32_t size, void* record)
{
    LwSurface* s = static_cast<LwSurface*>(record);
    switch (id) {
    case lwId('C', 'O', 'L', 'R'):
        for (int i = 0; i < 3; ++i) s->color.rgb[i] = readF4(file);
        s->color.envelope = int32_t(readVX(file));
        break;
    case lwId('L', 'U', 'M', 'I'): readChannel(file, &s->luminosity); break;
    case lwId('D', 'I', 'F', 'F'): readChannel(file, &s->diffuse); break;
    case lwId('S', 'P', 'E', 'C'): readChannel(file, &s->specularity); break;
    case lwId('G', 'L', 'O', 'S'): readChannel(file, &s->glossiness); break;
    case lwId('R', 'E', 'F', 'L'): readChannel(file, &s->reflection.channel); break;
    case lwId('R', 'F', 'O', 'P'): s->reflection.options = int32_t(readU2(file)); break;
    case lwId('R', 'I', 'M', 'G'): s->reflection.clip = int32_t(readVX(file)); break;
    case lwId('R', 'S', 'A', 'N'): s->reflection.seamAngle = readF4(file); break;
    case lwId('T', 'R', 'A', 'N'): readChannel(file, &s->transparency.channel); break;
    case lwId('T', 'R', 'O', 'P'): s->transparency.options = int32_t(readU2(file)); break;
    case lwId('T', 'I', 'M', 'G'): s->transparency.clip = int32_t(readVX(file)); break;
    case lwId('R', 'I', 'N', 'D'): readChannel(file, &s->refractionIndex); break;
    case lwId('T', 'R', 'N', 'L'): readChannel(file, &s->translucency); break;
    case lwId('B', 'U', 'M', 'P'): readChannel(file, &s->bump); break;
    case lwId('S', 'M', 'A', 'N'): s->smoothAngle = readF4(file); break;
    case lwId('S', 'I', 'D', 'E'): s->sidedness = int32_t(readU2(file)); break;
    case lwId('A', 'V', 'A', 'L'): s->alpha = readF4(file); break;
    case lwId('A', 'L', 'P', 'H'):
        s->alphaMode = int32_t(readU2(file));
        s->alpha = readF4(file);
        break;
    case lwId('C', 'L', 'R', 'H'): readEnvValue(file, &s->colorHighlights); break;
    case lwId('C', 'L', 'R', 'F'): readEnvValue(file, &s->colorFilter); break;
    case lwId('A', 'D', 'T', 'R'): readEnvValue(file, &s->additiveTransparency); break;
    case lwId('S', 'H', 'R', 'P'): readEnvValue(file, &s->diffuseSharpness); break;
    case lwId('G', 'V', 'A', 'L'): readEnvValue(file, &s->glow); break;
    case lwId('V', 'C', 'O', 'L'): readVertexColor(file, size, &s->vertexColor); break;
    case lwId('L', 'I', 'N', 'E'):
        s->line.enabled = 1;
        if (size >= 2) s->line.flags = int16_t(readU2(file));
        if (size >= 6) s->line.size.value = readF4(file);
        if (size >= 8) s->line.size.envelope = int32_t(readVX(file));
        break;
    case lwId('B', 'L', 'O', 'K'): {
        uint32_t type = readU4(file);
        if (readCount() < 0) return 0;
        if (type == lwId('I', 'M', 'A', 'P') || type == lwId('P', 'R', 'O', 'C') || type == lwId('G', 'R', 'A', 'D')) {
            LwTexture* t = readTextureBlock(file, size - 4, type);
            if (!t) return 0;
            if (!addTexture(s, t)) freeTexture(t);  // a channel we do not know
            setReadCount(size);
        } else if (type == lwId('S', 'H', 'D', 'R')) {
            LwPluginRef* p = readShader(file, size - 4);
            if (!p) return 0;
            listInsertSorted(&s->shaders, p, comparePluginOrdinals);
            ++s->shaderCount;
            setReadCount(size);
        }
        break;
    }
    }
    return 1;
}

LwSurface* readSurface(FILE* file, int32_t size)
{
    LwSurface* s = makeDefaultSurface();
    if (!s) return refuse(LW_NO_MEMORY), nullptr;
    long start = std::ftell(file);
    setReadCount(0);
    s->name = readS0(file);
    s->sourceName = readS0(file);
    if (readCount() < 0 || !readSubChunks(file, start, size, surfaceField, s)) {
        freeSurface(s);
        return nullptr;
    }
    return s;
}
