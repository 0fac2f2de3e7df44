// LWO2 clips (CLIP).
#include <cstdlib>

#include "lwread.h"

LwPluginRef* readFilter(FILE* file, int32_t size)
{
    LwPluginRef* p = static_cast<LwPluginRef*>(std::calloc(1, sizeof(LwPluginRef)));
    if (!p) return refuse(LW_NO_MEMORY), nullptr;
    p->name = readS0(file);
    p->flags = int32_t(readU2(file));
    readRest(file, size, &p->data, &p->dataSize);
    return p;
}

// ---- clips --------------------------------------------------------------------------

void freeClip(LwClip* c)
{
    if (!c) return;
    std::free(c->source.still.name);
    std::free(c->source.sequence.prefix);
    std::free(c->source.sequence.suffix);
    std::free(c->source.animation.name);
    std::free(c->source.animation.server);
    std::free(c->source.animation.data);
    std::free(c->source.reference.string);
    std::free(c->source.cycle.name);
    listFree(c->imageFilters, freePlugin);
    listFree(c->pixelFilters, freePlugin);
    std::free(c);
}

struct ClipReading {
    LwClip* clip;
    bool sourceRead;
};

// The first sub-chunk names the kind of source and holds it.
static void readClipSource(FILE* file, LwClip* c, int32_t size)
{
    LwClipSource* s = &c->source;
    switch (c->type) {
    case lwId('S', 'T', 'I', 'L'): s->still.name = readS0(file); break;
    case lwId('I', 'S', 'E', 'Q'):
        s->sequence.digits = int32_t(readU1(file));
        s->sequence.flags = int32_t(readU1(file));
        s->sequence.offset = readI2(file);
        s->sequence.start = readI2(file);
        s->sequence.end = readI2(file);
        s->sequence.prefix = readS0(file);
        s->sequence.suffix = readS0(file);
        break;
    case lwId('A', 'N', 'I', 'M'):
        s->animation.name = readS0(file);
        s->animation.server = readS0(file);
        readRest(file, size, &s->animation.data, &s->animation.dataSize);
        break;
    case lwId('X', 'R', 'E', 'F'):
        s->reference.index = readI4(file);
        s->reference.string = readS0(file);
        break;
    case lwId('S', 'T', 'C', 'C'):
        s->cycle.low = readI2(file);
        s->cycle.high = readI2(file);
        s->cycle.name = readS0(file);
        break;
    }
}

static int clipField(FILE* file, uint32_t id, int32_t size, void* record)
{
    ClipReading* r = static_cast<ClipReading*>(record);
    LwClip* c = r->clip;
    if (!r->sourceRead) {
        r->sourceRead = true;
        c->type = id;
        readClipSource(file, c, size);
        return 1;
    }
    switch (id) {
    case lwId('T', 'I', 'M', 'E'):
        c->startTime = readF4(file);
        c->duration = readF4(file);
        c->frameRate = readF4(file);
        break;
    case lwId('C', 'O', 'N', 'T'): readEnvValue(file, &c->contrast); break;
    case lwId('B', 'R', 'I', 'T'): readEnvValue(file, &c->brightness); break;
    case lwId('S', 'A', 'T', 'R'): readEnvValue(file, &c->saturation); break;
    case lwId('H', 'U', 'E', ' '): readEnvValue(file, &c->hue); break;
    case lwId('G', 'A', 'M', 'M'): readEnvValue(file, &c->gamma); break;
    case lwId('N', 'E', 'G', 'A'): c->negative = int32_t(readU2(file)); break;
    case lwId('I', 'F', 'L', 'T'):
    case lwId('P', 'F', 'L', 'T'): {
        LwPluginRef* p = readFilter(file, size);
        if (!p) return 0;
        if (id == lwId('I', 'F', 'L', 'T')) {
            listAppend(&c->imageFilters, p);
            ++c->imageFilterCount;
        } else {
            listAppend(&c->pixelFilters, p);
            ++c->pixelFilterCount;
        }
        break;
    }
    }
    return 1;
}

LwClip* readClip(FILE* file, int32_t size)
{
    LwClip* c = static_cast<LwClip*>(std::calloc(1, sizeof(LwClip)));
    if (!c) return refuse(LW_NO_MEMORY), nullptr;
    c->contrast.value = c->brightness.value = c->saturation.value = c->gamma.value = 1.0f;
    long start = std::ftell(file);
    setReadCount(0);
    c->index = readI4(file);
    ClipReading reading = {c, false};
    if (readCount() < 0 || !readSubChunks(file, start, size, clipField, &reading)) {
        freeClip(c);
        return nullptr;
    }
    return c;
}

LwClip* findLwClip(LwClip* first, int32_t index)
{
    for (LwClip* c = first; c; c = c->next)
        if (c->index == index) return c;
    return nullptr;
}

const char* lwClipFirstName(const LwClip* c)
{
    if (!c) return nullptr;
    switch (c->type) {
    case lwId('S', 'T', 'I', 'L'): return c->source.still.name;
    case lwId('I', 'S', 'E', 'Q'): return c->source.sequence.prefix;
    case lwId('A', 'N', 'I', 'M'): return c->source.animation.name;
    case lwId('X', 'R', 'E', 'F'): return c->source.reference.string;
    case lwId('S', 'T', 'C', 'C'): return c->source.cycle.name;
    }
    return nullptr;
}
