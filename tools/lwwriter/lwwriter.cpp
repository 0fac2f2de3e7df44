// LWO2 bytes assembled in memory.
#include "lwwriter.h"

#include <cstdio>
#include <cstring>

void LwWriter::u1(unsigned v) { bytes.push_back(static_cast<unsigned char>(v)); }

void LwWriter::u2(unsigned v)
{
    u1(v >> 8 & 0xFF);
    u1(v & 0xFF);
}

void LwWriter::u4(uint32_t v)
{
    u2(v >> 16);
    u2(v & 0xFFFF);
}

void LwWriter::f4(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u4(bits);
}

void LwWriter::id(const char* four) { raw(four, 4); }

void LwWriter::vx(uint32_t index)
{
    if (index < 0xFF00) {
        u2(index);
    } else {
        u4(0xFF000000u | index);
    }
}

void LwWriter::s0(const char* s)
{
    size_t n = s ? std::strlen(s) : 0;
    raw(s ? s : "", n);
    u1(0);
    if ((n + 1) & 1) u1(0);
}

void LwWriter::raw(const void* data, size_t size)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), p, p + size);
}

static void patchU4(std::vector<unsigned char>& b, size_t at, uint32_t v)
{
    b[at] = v >> 24 & 0xFF;
    b[at + 1] = v >> 16 & 0xFF;
    b[at + 2] = v >> 8 & 0xFF;
    b[at + 3] = v & 0xFF;
}

size_t LwWriter::beginForm(const char* type)
{
    id("FORM");
    size_t mark = bytes.size();
    u4(0);
    id(type);
    return mark;
}

void LwWriter::endForm(size_t mark) { patchU4(bytes, mark, uint32_t(bytes.size() - mark - 4)); }

size_t LwWriter::beginSized(const char* chunkId, int width)
{
    id(chunkId);
    size_t mark = bytes.size();
    if (width == 4) u4(0);
    else u2(0);
    return mark;
}

void LwWriter::endSized(size_t mark, int width)
{
    size_t size = bytes.size() - mark - size_t(width);
    if (width == 4) {
        patchU4(bytes, mark, uint32_t(size));
    } else {
        bytes[mark] = size >> 8 & 0xFF;
        bytes[mark + 1] = size & 0xFF;
    }
    if (size & 1) u1(0);
}

size_t LwWriter::beginChunk(const char* chunkId) { return beginSized(chunkId, 4); }
void LwWriter::endChunk(size_t mark) { endSized(mark, 4); }
size_t LwWriter::beginSub(const char* subId) { return beginSized(subId, 2); }
void LwWriter::endSub(size_t mark) { endSized(mark, 2); }

bool LwWriter::save(const char* path) const
{
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    // An empty object has no data pointer to hand to fwrite.
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// ---- common chunks ----------------------------------------------------------------

void lwwLayer(LwWriter& w, int number, const char* name, int parent)
{
    size_t c = w.beginChunk("LAYR");
    w.u2(unsigned(number));
    w.u2(0);
    for (int i = 0; i < 3; ++i) w.f4(0);
    w.s0(name);
    if (parent >= 0) w.u2(unsigned(parent));
    w.endChunk(c);
}

void lwwPoints(LwWriter& w, const float* xyz, size_t count)
{
    size_t c = w.beginChunk("PNTS");
    for (size_t i = 0; i < 3 * count; ++i) w.f4(xyz[i]);
    w.endChunk(c);
}

void lwwPolygons(LwWriter& w, const char* type, const std::vector<int>& counts, const std::vector<int>& indices)
{
    size_t c = w.beginChunk("POLS");
    w.id(type);
    size_t at = 0;
    for (int word : counts) {
        w.u2(unsigned(word));
        for (int k = 0; k < (word & 0x3FF); ++k) w.vx(uint32_t(indices[at++]));
    }
    w.endChunk(c);
}

void lwwTags(LwWriter& w, const std::vector<std::string>& tags)
{
    size_t c = w.beginChunk("TAGS");
    for (const std::string& t : tags) w.s0(t.c_str());
    w.endChunk(c);
}

void lwwPolygonTags(LwWriter& w, const char* type, const std::vector<int>& polygons, const std::vector<int>& tags)
{
    size_t c = w.beginChunk("PTAG");
    w.id(type);
    for (size_t i = 0; i < polygons.size(); ++i) {
        w.vx(uint32_t(polygons[i]));
        w.vx(uint32_t(tags[i]));
    }
    w.endChunk(c);
}

static void vectorSub(LwWriter& w, const char* id, const float v[3])
{
    size_t s = w.beginSub(id);
    for (int i = 0; i < 3; ++i) w.f4(v[i]);
    w.vx(0);
    w.endSub(s);
}

static void valueSub(LwWriter& w, const char* id, float v)
{
    size_t s = w.beginSub(id);
    w.f4(v);
    w.vx(0);
    w.endSub(s);
}

static void u2Sub(LwWriter& w, const char* id, unsigned v)
{
    size_t s = w.beginSub(id);
    w.u2(v);
    w.endSub(s);
}

void lwwImageBlock(LwWriter& w, const LwwImageMap& m)
{
    size_t blok = w.beginSub("BLOK");
    size_t header = w.beginSub("IMAP");
    w.s0(m.ordinal);
    size_t chan = w.beginSub("CHAN");
    w.id(m.channel);
    w.endSub(chan);
    u2Sub(w, "ENAB", 1);
    w.endSub(header);
    size_t tmap = w.beginSub("TMAP");
    vectorSub(w, "CNTR", m.center);
    vectorSub(w, "SIZE", m.size);
    vectorSub(w, "ROTA", m.rotation);
    u2Sub(w, "CSYS", 0);
    w.endSub(tmap);
    u2Sub(w, "PROJ", unsigned(m.projection));
    u2Sub(w, "AXIS", unsigned(m.axis));
    size_t imag = w.beginSub("IMAG");
    w.vx(uint32_t(m.clip));
    w.endSub(imag);
    size_t wrap = w.beginSub("WRAP");
    w.u2(uint16_t(m.wrapTypes[0]));
    w.u2(uint16_t(m.wrapTypes[1]));
    w.endSub(wrap);
    valueSub(w, "WRPW", m.wrapWidth);
    valueSub(w, "WRPH", m.wrapHeight);
    if (m.vmap) {
        size_t vmap = w.beginSub("VMAP");
        w.s0(m.vmap);
        w.endSub(vmap);
    }
    w.endSub(blok);
}

void lwwProceduralBlock(LwWriter& w, const char* channel, const char* function)
{
    size_t blok = w.beginSub("BLOK");
    size_t header = w.beginSub("PROC");
    w.s0("\x80");
    size_t chan = w.beginSub("CHAN");
    w.id(channel);
    w.endSub(chan);
    w.endSub(header);
    size_t func = w.beginSub("FUNC");
    w.s0(function);
    w.endSub(func);
    w.endSub(blok);
}

void lwwSurface(LwWriter& w, const LwwSurface& s)
{
    size_t c = w.beginChunk("SURF");
    w.s0(s.name.c_str());
    w.s0("");
    size_t colr = w.beginSub("COLR");
    for (int i = 0; i < 3; ++i) w.f4(s.color[i]);
    w.vx(0);
    w.endSub(colr);
    valueSub(w, "DIFF", s.diffuse);
    valueSub(w, lwwSpecularityId, s.specular);
    valueSub(w, "GLOS", s.glossiness);
    size_t sman = w.beginSub("SMAN");
    w.f4(s.smoothAngle);
    w.endSub(sman);
    u2Sub(w, "SIDE", unsigned(s.sidedness));
    if (s.textured) lwwImageBlock(w, s.image);
    if (s.procedural) lwwProceduralBlock(w, "COLR", s.procedural);
    if (!s.vertexColors.empty()) {
        size_t vcol = w.beginSub("VCOL");
        w.f4(s.vertexColorIntensity);
        w.vx(0);
        w.id("RGB ");
        w.s0(s.vertexColors.c_str());
        w.endSub(vcol);
    }
    w.endChunk(c);
}

void lwwStillClip(LwWriter& w, int index, const char* fileName)
{
    size_t c = w.beginChunk("CLIP");
    w.u4(uint32_t(index));
    size_t stil = w.beginSub("STIL");
    w.s0(fileName);
    w.endSub(stil);
    w.endChunk(c);
}

std::vector<unsigned char> lwwObject(const std::vector<LwwSurface>& surfaces, const std::vector<LwwLayer>& layers,
                                     const std::vector<LwwClip>& clips)
{
    LwWriter w;
    size_t form = w.beginForm("LWO2");
    std::vector<std::string> tags;
    for (const LwwSurface& s : surfaces) tags.push_back(s.name);
    if (!tags.empty()) lwwTags(w, tags);
    for (size_t i = 0; i < layers.size(); ++i) {
        const LwwLayer& l = layers[i];
        lwwLayer(w, l.number >= 0 ? l.number : int(i), l.name.empty() ? nullptr : l.name.c_str(), l.parent);
        lwwPoints(w, l.points.data(), l.points.size() / 3);
        std::vector<int> counts, indices, numbers;
        for (const std::vector<int>& p : l.polygons) {
            counts.push_back(int(p.size()));
            indices.insert(indices.end(), p.begin(), p.end());
            numbers.push_back(int(numbers.size()));
        }
        lwwPolygons(w, "FACE", counts, indices);
        if (!l.surfaces.empty()) lwwPolygonTags(w, "SURF", numbers, l.surfaces);
    }
    for (const LwwClip& c : clips) lwwStillClip(w, c.index, c.file.c_str());
    for (const LwwSurface& s : surfaces) lwwSurface(w, s);
    w.endForm(form);
    return w.bytes;
}

std::vector<unsigned char> lwwWithVMap(std::vector<unsigned char> object, const char* type, const char* name,
                                       unsigned dimension, const std::vector<float>& values)
{
    LwWriter w;
    w.bytes = std::move(object);
    size_t vmap = w.beginChunk("VMAP");
    w.id(type);
    w.u2(dimension);
    w.s0(name);
    for (size_t i = 0; i + dimension <= values.size(); i += dimension) {
        w.vx(uint32_t(i / dimension));
        for (size_t k = i; k < i + dimension; ++k) w.f4(values[k]);
    }
    w.endChunk(vmap);
    w.endForm(4);
    return w.bytes;
}

std::vector<unsigned char> lwwWithColorMap(std::vector<unsigned char> object, const char* name, const std::vector<float>& rgb)
{
    return lwwWithVMap(std::move(object), "RGB ", name, 3, rgb);
}

void lwwEnvelope(LwWriter& w, int index, const char* name, const std::vector<float>& timeValuePairs,
                 const std::vector<LwwSpan>& spans)
{
    size_t c = w.beginChunk("ENVL");
    w.vx(uint32_t(index));
    u2Sub(w, "TYPE", 0x0203);
    size_t n = w.beginSub("NAME");
    w.s0(name);
    w.endSub(n);
    for (size_t i = 0; i + 1 < timeValuePairs.size(); i += 2) {
        size_t key = w.beginSub("KEY ");
        w.f4(timeValuePairs[i]);
        w.f4(timeValuePairs[i + 1]);
        w.endSub(key);
        const LwwSpan tcb = {"TCB ", {0, 0, 0}};
        const LwwSpan& s = i / 2 < spans.size() ? spans[i / 2] : tcb;
        size_t span = w.beginSub("SPAN");
        w.id(s.shape);
        for (float v : s.values) w.f4(v);
        w.endSub(span);
    }
    u2Sub(w, "PRE ", 1);
    u2Sub(w, "POST", 1);
    w.endChunk(c);
}
