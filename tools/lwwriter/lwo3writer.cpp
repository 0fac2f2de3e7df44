// LWO3 objects from the writer's LWO2 ones: the geometry chunks as they are,
// each SURF as a FORM SURF (its header fields in a chunk named by four spaces,
// its sub-chunks with U4 sizes) whose look is a small node graph, a Surface
// node fed by a material node, and each CLIP as a FORM CLIP holding FORM STIL.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "lwwriter.h"

namespace {
typedef std::vector<unsigned char> Bytes;

uint32_t be(const unsigned char* p, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

float beF4(const unsigned char* p)
{
    uint32_t bits = be(p, 4);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void f8(LwWriter& w, double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    w.u4(uint32_t(bits >> 32));
    w.u4(uint32_t(bits));
}

// Length of the S0 at p (NUL and pad), at most n.
size_t s0Length(const unsigned char* p, size_t n)
{
    size_t i = 0;
    while (i < n && p[i]) ++i;
    ++i;
    i += i & 1;
    return i < n ? i : n;
}

void headerChunk(LwWriter& w, const unsigned char* p, size_t n)
{
    size_t c = w.beginChunk("    ");
    w.raw(p, n);
    w.endChunk(c);
}

bool isOneOf(const unsigned char* id, const char* const* list)
{
    for (; *list; ++list)
        if (std::memcmp(id, *list, 4) == 0) return true;
    return false;
}

// LWO2 sub-chunks (ID, U2 size) from p to end, rewritten with U4 sizes: the
// nesting ones as FORMs (a texture or shader header's ordinal in a header
// chunk), the enveloped vectors and values as LightWave 2015 writes them, a
// FORM of one header chunk; the rest as plain chunks.
void subChunks(LwWriter& w, const unsigned char* p, const unsigned char* end)
{
    static const char* const nested[] = {"BLOK", "TMAP", nullptr};
    static const char* const headers[] = {"IMAP", "PROC", "GRAD", "SHDR", nullptr};
    static const char* const valued[] = {"CNTR", "SIZE", "ROTA", "FALL", "OPAC", "WRPW", "WRPH", nullptr};
    while (end - p >= 6) {
        char id[5] = {char(p[0]), char(p[1]), char(p[2]), char(p[3]), 0};
        size_t n = be(p + 4, 2);
        const unsigned char* body = p + 6;
        if (n > size_t(end - body)) n = size_t(end - body);
        if (isOneOf(p, nested)) {
            size_t f = w.beginForm(id);
            subChunks(w, body, body + n);
            w.endForm(f);
        } else if (isOneOf(p, headers)) {
            size_t f = w.beginForm(id);
            size_t ordinal = s0Length(body, n);
            headerChunk(w, body, ordinal);
            subChunks(w, body + ordinal, body + n);
            w.endForm(f);
        } else if (isOneOf(p, valued)) {
            size_t f = w.beginForm(id);
            headerChunk(w, body, n);
            w.endForm(f);
        } else {
            size_t c = w.beginChunk(id);
            w.raw(body, n);
            w.endChunk(c);
        }
        p = body + n + (n & 1);
    }
}

// One attribute of a material node: a parameter of `count` numbers.
void attribute(LwWriter& w, const char* name, const float* values, int count, const Bytes& textures = {})
{
    size_t entr = w.beginForm("ENTR");
    size_t c = w.beginChunk("NAME");
    w.s0(name);
    w.endChunk(c);
    size_t valu = w.beginForm("VALU");
    c = w.beginChunk("    ");
    w.s0(count == 3 ? "vparam3" : "vparam");
    w.endChunk(c);
    size_t numbers = w.beginForm("VALU");
    c = w.beginChunk("    ");
    w.u4(uint32_t(count));
    for (int i = 0; i < count; ++i) f8(w, values[i]);
    w.endChunk(c);
    w.endForm(numbers);
    if (!textures.empty()) {
        size_t txtr = w.beginForm("TXTR");
        w.raw(textures.data(), textures.size());
        w.endForm(txtr);
    }
    w.endForm(valu);
    w.endForm(entr);
}

void stringChunk(LwWriter& w, const char* id, const char* s)
{
    size_t c = w.beginChunk(id);
    w.s0(s);
    w.endChunk(c);
}

void node(LwWriter& w, const char* server, const char* name, const Bytes& attributes)
{
    stringChunk(w, "NSRV", server);
    size_t tag = w.beginForm("NTAG");
    stringChunk(w, "NRNM", server);
    stringChunk(w, "NNME", name);
    size_t data = w.beginForm("NDTA");
    if (!attributes.empty()) {
        size_t satr = w.beginForm("SATR");
        size_t meta = w.beginForm("META");
        size_t adat = w.beginForm("ADAT");
        w.raw(attributes.data(), attributes.size());
        w.endForm(adat);
        w.endForm(meta);
        w.endForm(satr);
    }
    w.endForm(data);
    w.endForm(tag);
}

// The SURF chunk's body as a FORM SURF: the colour, diffuse, specular and
// glossiness values and the colour's blocks move into the material node.
// The picture, UV map and projection of an LWO2 colour block (its sub-chunks
// after the header), for an Image node.
struct ImageFields {
    std::string file, uvMap;
    int projection = -1, axis = 0;
    int wrap[2] = {1, 1};
};

ImageFields imageFields(const unsigned char* q, const unsigned char* end, const std::map<uint32_t, std::string>& clips)
{
    ImageFields f;
    while (end - q >= 6) {
        size_t size = std::min<size_t>(be(q + 4, 2), size_t(end - q - 6));
        const unsigned char* body = q + 6;
        if (std::memcmp(q, "IMAG", 4) == 0 && size >= 2) {
            uint32_t index = body[0] == 0xFF && size >= 4 ? be(body, 4) & 0xFFFFFF : be(body, 2);
            auto clip = clips.find(index);
            if (clip != clips.end()) f.file = clip->second;
        } else if (std::memcmp(q, "VMAP", 4) == 0 && size >= 1) {
            f.uvMap.assign(reinterpret_cast<const char*>(body), strnlen(reinterpret_cast<const char*>(body), size));
        } else if (std::memcmp(q, "PROJ", 4) == 0 && size >= 2) {
            f.projection = int(be(body, 2));
        } else if (std::memcmp(q, "AXIS", 4) == 0 && size >= 2) {
            f.axis = int(be(body, 2));
        } else if (std::memcmp(q, "WRAP", 4) == 0 && size >= 4) {
            f.wrap[0] = int(be(body, 2)), f.wrap[1] = int(be(body + 2, 2));
        }
        q = body + size + (size & 1);
    }
    return f;
}

// An Image node as LightWave writes one: its clip a FORM holding the still's
// file name, then the UV map by name, the projection and axis.
void imageNode(LwWriter& w, const ImageFields& f)
{
    stringChunk(w, "NSRV", "Image");
    size_t tag = w.beginForm("NTAG");
    stringChunk(w, "NRNM", "Image");
    stringChunk(w, "NNME", "Image (1)");
    size_t data = w.beginForm("NDTA"), iimg = w.beginForm("IIMG"), clip = w.beginForm("CLIP"), still = w.beginForm("STIL");
    stringChunk(w, "    ", f.file.c_str());
    w.endForm(still), w.endForm(clip), w.endForm(iimg);
    if (!f.uvMap.empty()) stringChunk(w, "VMAP", f.uvMap.c_str());
    for (auto [id, value] : {std::pair{"PROJ", f.projection}, {"AXIS", f.axis}}) {
        size_t c = w.beginChunk(id);
        w.u2(uint16_t(value));
        w.endChunk(c);
    }
    // The wrap modes, and the tiling (once each way) as a parameter form holding its value form.
    for (auto [id, value] : {std::pair{"IUTL", f.wrap[0]}, {"IVTL", f.wrap[1]}}) {
        size_t c = w.beginChunk(id);
        w.u4(uint32_t(value));
        w.endChunk(c);
    }
    for (const char* id : {"IUTD", "IVTD"}) {
        size_t tiles = w.beginForm(id), parameter = w.beginForm("VPRM"), value = w.beginForm("VPVL"), c = w.beginChunk("    ");
        w.f4(1.0f);
        w.u2(0);
        w.endChunk(c), w.endForm(value), w.endForm(parameter), w.endForm(tiles);
    }
    w.endForm(data), w.endForm(tag);
}

void surface(LwWriter& w, const unsigned char* p, size_t n, const char* material,
             const std::map<uint32_t, std::string>* clips)
{
    ImageFields image;
    float color[3] = {0.78431f, 0.78431f, 0.78431f}, diffuse = 1, specular = 0, gloss = 0.4f;
    size_t a = s0Length(p, n), b = s0Length(p + a, n - a);
    size_t form = w.beginForm("SURF");
    headerChunk(w, p, a + b);
    LwWriter kept, blocks;
    static const unsigned char colourChannel[10] = {'C', 'H', 'A', 'N', 0, 4, 'C', 'O', 'L', 'R'};
    for (const unsigned char *q = p + a + b, *end = p + n; end - q >= 6;) {
        size_t size = be(q + 4, 2);
        if (size > size_t(end - q - 6)) break;
        const unsigned char* body = q + 6;
        if (std::memcmp(q, "COLR", 4) == 0 && size >= 12) {
            for (int i = 0; i < 3; ++i) color[i] = beF4(body + 4 * i);
        } else if (std::memcmp(q, "DIFF", 4) == 0 && size >= 4) {
            diffuse = beF4(body);
        } else if (std::memcmp(q, "SPEC", 4) == 0 && size >= 4) {
            specular = beF4(body);
        } else if (std::memcmp(q, "GLOS", 4) == 0 && size >= 4) {
            gloss = beF4(body);
        } else {
            // A colour block (its header's CHAN says COLR) goes to the node's Color.
            bool colour = std::memcmp(q, "BLOK", 4) == 0 && size > 12 &&
                          std::search(body, body + std::min<size_t>(size, 40), colourChannel, colourChannel + 10) !=
                              body + std::min<size_t>(size, 40);
            // With an Image node, the first image block's picture is the node's.
            if (colour && clips && image.file.empty() && size > 4 && std::memcmp(body, "IMAP", 4) == 0) {
                size_t header = std::min<size_t>(6 + be(body + 4, 2), size);
                image = imageFields(body + header, body + size, *clips);
                if (!image.file.empty()) {
                    q = body + size + (size & 1);
                    continue;
                }
            }
            subChunks(colour ? blocks : kept, q, body + size + (size & 1));
        }
        q = body + size + (size & 1);
    }
    w.raw(kept.bytes.data(), kept.bytes.size());
    size_t nods = w.beginForm("NODS");
    size_t version = w.beginChunk("NVER");
    w.u4(1);
    w.endChunk(version);
    size_t nnds = w.beginForm("NNDS");
    node(w, "Surface", "Surface", {});
    LwWriter attrs;
    attribute(attrs, "Color", color, 3, blocks.bytes);
    bool principled = std::strcmp(material, "Principled BSDF") == 0;
    float roughness = 1 - gloss;
    attribute(attrs, principled ? "Roughness" : "Glossiness", principled ? &roughness : &gloss, 1);
    attribute(attrs, principled ? "Metallic" : "Specular", &specular, 1);
    attribute(attrs, "Diffuse", &diffuse, 1);
    node(w, material, "Material (1)", attrs.bytes);
    if (!image.file.empty()) imageNode(w, image);
    w.endForm(nnds);
    size_t ncon = w.beginForm("NCON");
    stringChunk(w, "INME", "Surface");
    stringChunk(w, "IINM", "Material");
    stringChunk(w, "IINN", "Material (1)");
    stringChunk(w, "IONM", "Material");
    if (!image.file.empty()) {
        stringChunk(w, "INME", "Material (1)");
        stringChunk(w, "IINM", "Color");
        stringChunk(w, "IINN", "Image (1)");
        stringChunk(w, "IONM", "Color");
    }
    w.endForm(ncon);
    w.endForm(nods);
    w.endForm(form);
}

void clip(LwWriter& w, const unsigned char* p, size_t n)
{
    if (n < 10) return;
    size_t form = w.beginForm("CLIP");
    headerChunk(w, p, 4);
    // The first sub-chunk is the source: a FORM of its own, its fields in a header chunk.
    char id[5] = {char(p[4]), char(p[5]), char(p[6]), char(p[7]), 0};
    size_t size = be(p + 8, 2);
    if (size > n - 10) size = n - 10;
    size_t source = w.beginForm(id);
    headerChunk(w, p + 10, size);
    w.endForm(source);
    subChunks(w, p + 10 + size + (size & 1), p + n);
    w.endForm(form);
}

void envelope(LwWriter& w, const unsigned char* p, size_t n)
{
    size_t index = n >= 1 && p[0] == 0xFF ? 4 : 2;
    if (n < index) return;
    size_t form = w.beginForm("ENVL");
    headerChunk(w, p, index);
    subChunks(w, p + index, p + n);
    w.endForm(form);
}
}  // namespace

Bytes lwwToLwo3(const Bytes& lwo2, const char* material, bool imageNodes)
{
    // The still clips' names by index, for the Image nodes.
    std::map<uint32_t, std::string> clips;
    for (size_t at = 12; imageNodes && at + 8 <= lwo2.size();) {
        const unsigned char* p = lwo2.data() + at;
        size_t n = std::min<size_t>(be(p + 4, 4), lwo2.size() - at - 8);
        if (std::memcmp(p, "CLIP", 4) == 0 && n > 10 && std::memcmp(p + 12, "STIL", 4) == 0)
            clips[be(p + 8, 4)].assign(reinterpret_cast<const char*>(p + 18), strnlen(reinterpret_cast<const char*>(p + 18), n - 10));
        at += 8 + n + (n & 1);
    }
    LwWriter w;
    size_t form = w.beginForm("LWO3");
    for (size_t at = 12; at + 8 <= lwo2.size();) {
        const unsigned char* p = lwo2.data() + at;
        size_t n = be(p + 4, 4);
        if (n > lwo2.size() - at - 8) break;
        if (std::memcmp(p, "SURF", 4) == 0) surface(w, p + 8, n, material, imageNodes ? &clips : nullptr);
        else if (std::memcmp(p, "CLIP", 4) == 0) clip(w, p + 8, n);
        else if (std::memcmp(p, "ENVL", 4) == 0) envelope(w, p + 8, n);
        else w.raw(p, std::min(8 + n + (n & 1), lwo2.size() - at));
        at += 8 + n + (n & 1);
    }
    w.endForm(form);
    return w.bytes;
}
