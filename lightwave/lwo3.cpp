// The LWO3 form of LightWave 2015 and later. Its geometry chunks are LWO2's
// and go through the same readers; surfaces, clips and envelopes are nested
// FORMs whose chunks all have U4 sizes, their old header fields in a leading
// chunk named by four spaces. A nested form is read whole, checked, and
// rewritten into the LWO2 layout (U2 sizes, the header fields inline) so the
// LWO2 surface, clip and envelope readers read it; a surface's node graph is
// read from the form itself (lwnodes.cpp).
#include <cstdlib>
#include <cstring>

#include "lwalloc.h"
#include "lwo3.h"

namespace {
constexpr uint32_t kHeaderId = lwId(' ', ' ', ' ', ' ');
constexpr int kMaxDepth = 24;
}  // namespace

int lwo3Next(Lwo3Span* span, Lwo3Chunk* chunk)
{
    if (span->at >= span->end) return 0;
    if (span->end - span->at < 8) return lwo3Refuse(span->at, "nested chunk header cut short") - 1;
    uint32_t id = lwo3U4(span->at);
    uint32_t size = lwo3U4(span->at + 4);
    if (size > uint32_t(span->end - span->at - 8)) return lwo3Refuse(span->at, "nested chunk runs past its form") - 1;
    chunk->at = span->at;
    chunk->form = id == lwId('F', 'O', 'R', 'M');
    chunk->id = id;
    chunk->body.at = span->at + 8;
    chunk->body.end = span->at + 8 + size;
    if (chunk->form) {
        if (size < 4) return lwo3Refuse(span->at, "nested form without its type") - 1;
        chunk->id = lwo3U4(chunk->body.at);
        chunk->body.at += 4;
    }
    // An odd chunk's pad byte may be missing at the end of its form.
    span->at = chunk->body.end + (size & 1);
    if (span->at > span->end) span->at = span->end;
    return 1;
}

bool lwo3Find(Lwo3Span span, uint32_t id, bool form, Lwo3Chunk* chunk)
{
    while (lwo3Next(&span, chunk) > 0)
        if (chunk->id == id && chunk->form == form) return true;
    return false;
}

// ---- where a refusal lies ------------------------------------------------------------

static const unsigned char* formData = nullptr;
static long formOffset = 0;

int lwo3Refuse(const unsigned char* at, const char* reason)
{
    if (formData) setLwFailPosition(formOffset + long(at - formData));
    return refuse(reason);
}

// ---- the LWO2 layout of a nested form ----------------------------------------------------

namespace {
struct Flat {
    unsigned char* data;
    size_t size;
    size_t room;
};

void put(Flat* f, const void* bytes, size_t n)
{
    // Never more than the form's own size: each header shrinks, nothing is added.
    if (n > f->room - f->size) return;
    std::memcpy(f->data + f->size, bytes, n);
    f->size += n;
}

void padTo2(Flat* f)
{
    if (f->size & 1) put(f, "", 1);
}
}  // namespace

// Writes the chunks of `span` as LWO2 sub-chunks: a header chunk's bytes as
// they are, every other chunk (or form) under its ID with a U2 size. One that
// would not fit a U2 size is left out, as a chunk the LWO2 readers would not
// use. `skip` names a chunk to leave out (0: none).
static int flatten(Lwo3Span span, Flat* out, int depth, uint32_t skip)
{
    if (depth > kMaxDepth) return lwo3Refuse(span.at, "forms nested too deep");
    Lwo3Chunk c;
    int more;
    while ((more = lwo3Next(&span, &c)) > 0) {
        if (c.id == kHeaderId && !c.form) {
            put(out, c.body.at, size_t(c.body.end - c.body.at));
            padTo2(out);
            continue;
        }
        if (c.id == skip) continue;
        size_t mark = out->size;
        unsigned char head[6] = {uint8_t(c.id >> 24), uint8_t(c.id >> 16), uint8_t(c.id >> 8), uint8_t(c.id), 0, 0};
        put(out, head, 6);
        if (c.form) {
            if (!flatten(c.body, out, depth + 1, 0)) return 0;
        } else {
            put(out, c.body.at, size_t(c.body.end - c.body.at));
        }
        if (out->size < mark + 6) return lwo3Refuse(c.at, LW_NO_MEMORY);  // cannot happen: the layout only shrinks
        size_t n = out->size - mark - 6;
        if (n > 0xFFFE) {
            out->size = mark;
            continue;
        }
        out->data[mark + 4] = uint8_t(n >> 8);
        out->data[mark + 5] = uint8_t(n);
        padTo2(out);
    }
    return more == 0;
}

// Reads the LWO2 layout of `span` with an LWO2 record reader over a stream in memory.
template <class T, class Reader> static T* readFlattened(Lwo3Span span, uint32_t skip, Reader reader)
{
    size_t room = size_t(span.end - span.at) + 2;
    Flat flat = {static_cast<unsigned char*>(std::malloc(room)), 0, room};
    if (!flat.data) return refuse(LW_NO_MEMORY), nullptr;
    T* record = nullptr;
    if (flatten(span, &flat, 0, skip)) {
        FILE* memory = fmemopen(flat.data, flat.size ? flat.size : 1, "rb");
        if (!memory) {
            refuse(LW_NO_MEMORY);
        } else {
            record = reader(memory, int32_t(flat.size));
            if (!record) lwo3Refuse(span.at, "nested form refused");
            std::fclose(memory);
        }
    }
    std::free(flat.data);
    return record;
}

// A record of a nested form read as its LWO2 chunk and put at the end of its
// list; null when it is refused.
template <class T> static T* appendFlattened(Lwo3Span body, T* (*reader)(FILE*, int32_t), T** list, int32_t* count,
                                             uint32_t skip = 0)
{
    T* record = readFlattened<T>(body, skip, reader);
    if (record) {
        listAppend(list, record);
        ++*count;
    }
    return record;
}

int lwo3ReadBlock(Lwo3Span block, LwTexture** texture)
{
    *texture = nullptr;
    // A block's first form is its header: its ID is the kind of texture.
    Lwo3Span first = block;
    Lwo3Chunk header;
    int found = lwo3Next(&first, &header);
    if (found <= 0) return found == 0;
    uint32_t type = header.id;
    if (type != lwId('I', 'M', 'A', 'P') && type != lwId('P', 'R', 'O', 'C') && type != lwId('G', 'R', 'A', 'D'))
        return 1;
    *texture = readFlattened<LwTexture>(block, 0, [type](FILE* f, int32_t size) {
        // The LWO2 block reader starts after the block's type, at the header's size.
        if (size < 4 || std::fseek(f, 4, SEEK_SET) != 0) return static_cast<LwTexture*>(nullptr);
        return readTextureBlock(f, size - 4, type);
    });
    return *texture != nullptr;
}

// ---- the form's chunks ------------------------------------------------------------------------

static int readNestedForm(FILE* file, int32_t size, LwObject* object)
{
    long start = std::ftell(file);
    setReadCount(0);
    unsigned char* data = readChunkData(file, size);
    if (!data) return 0;
    formData = data;
    formOffset = start;
    Lwo3Span all = {data, data + size};
    Lwo3Chunk form;
    int ok = 1;
    // The chunk reader is given one FORM: its type, then its chunks.
    if (size < 4) {
        ok = lwo3Refuse(data, "nested form without its type");
    } else {
        form.id = lwo3U4(data);
        form.body = {data + 4, all.end};
        switch (form.id) {
        case lwId('S', 'U', 'R', 'F'): {
            LwSurface* s = appendFlattened(form.body, readSurface, &object->surfaces, &object->surfaceCount,
                                           lwId('N', 'O', 'D', 'S'));
            ok = s != nullptr;
            Lwo3Chunk nodes;
            if (s && lwo3Find(form.body, lwId('N', 'O', 'D', 'S'), true, &nodes)) ok = readLwNodes(nodes.body, s, object);
            break;
        }
        case lwId('C', 'L', 'I', 'P'):
            ok = appendFlattened(form.body, readClip, &object->clips, &object->clipCount) != nullptr;
            break;
        case lwId('E', 'N', 'V', 'L'):
            ok = appendFlattened(form.body, readEnvelope, &object->envelopes, &object->envelopeCount) != nullptr;
            break;
        default: {
            // Any other form is skipped, once its chunks are known to lie inside it.
            Lwo3Span rest = form.body;
            Lwo3Chunk c;
            int more;
            while ((more = lwo3Next(&rest, &c)) > 0) {}
            ok = more == 0;
        }
        }
        if (!ok) setLwFailId(form.id);
    }
    formData = nullptr;
    lwFree(data);
    setReadCount(size);
    return ok;
}

int readLwo3Chunk(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current)
{
    if (id == lwId('F', 'O', 'R', 'M')) return readNestedForm(file, size, object);
    return readLwo2Chunk(file, id, size, object, current);
}
