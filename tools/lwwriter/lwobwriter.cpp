#include "lwobwriter.h"

void lwobSurfaceNames(LwWriter& w, const std::vector<std::string>& names)
{
    size_t c = w.beginChunk("SRFS");
    for (const std::string& n : names) w.s0(n.c_str());
    w.endChunk(c);
}

void lwobPolygons(LwWriter& w, const std::vector<int>& counts, const std::vector<int>& indices, const std::vector<int>& surfaceNumbers)
{
    size_t c = w.beginChunk("POLS");
    size_t at = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        w.u2(unsigned(counts[i]));
        for (int k = 0; k < counts[i]; ++k) w.u2(unsigned(indices[at++]));
        w.i2(surfaceNumbers[i]);
    }
    w.endChunk(c);
}

static void floats3(LwWriter& w, const char* id, const float v[3])
{
    size_t s = w.beginSub(id);
    for (int i = 0; i < 3; ++i) w.f4(v[i]);
    w.endSub(s);
}

void lwobSurface(LwWriter& w, const LwobSurface& s)
{
    size_t c = w.beginChunk("SURF");
    w.s0(s.name.c_str());
    size_t colr = w.beginSub("COLR");
    for (int i = 0; i < 3; ++i) w.u1(s.color[i]);
    w.u1(0);
    w.endSub(colr);
    size_t diff = w.beginSub("DIFF");
    w.i2(s.diffuse);
    w.endSub(diff);
    if (s.smoothAngle > 0) {
        size_t sman = w.beginSub("SMAN");
        w.f4(s.smoothAngle);
        w.endSub(sman);
    }
    if (!s.texture.empty()) {
        size_t ctex = w.beginSub("CTEX");
        w.s0(s.texture.c_str());
        w.endSub(ctex);
        size_t timg = w.beginSub("TIMG");
        w.s0(s.image.c_str());
        w.endSub(timg);
        size_t tflg = w.beginSub("TFLG");
        w.u2(1u << s.axis);
        w.endSub(tflg);
        floats3(w, "TSIZ", s.size);
        floats3(w, "TCTR", s.center);
    }
    w.endChunk(c);
}

std::vector<unsigned char> lwobObject(const std::vector<float>& xyz, const std::vector<int>& counts, const std::vector<int>& indices,
                                      const std::vector<int>& surfaceNumbers, const std::vector<LwobSurface>& surfaces)
{
    LwWriter w;
    size_t form = w.beginForm("LWOB");
    size_t pnts = w.beginChunk("PNTS");
    for (float v : xyz) w.f4(v);
    w.endChunk(pnts);
    std::vector<std::string> names;
    for (const LwobSurface& s : surfaces) names.push_back(s.name);
    lwobSurfaceNames(w, names);
    lwobPolygons(w, counts, indices, surfaceNumbers);
    for (const LwobSurface& s : surfaces) lwobSurface(w, s);
    w.endForm(form);
    return w.bytes;
}

std::vector<unsigned char> lwloObject(const std::vector<LwwLayer>& layers)
{
    LwWriter w;
    size_t form = w.beginForm("LWLO");
    lwobSurfaceNames(w, {"Default"});
    for (size_t i = 0; i < layers.size(); ++i) {
        const LwwLayer& l = layers[i];
        size_t c = w.beginChunk("LAYR");
        w.u2(unsigned(l.number >= 0 ? l.number : int(i) + 1));
        w.u2(0);
        w.s0(l.name.c_str());
        w.endChunk(c);
        c = w.beginChunk("PNTS");
        for (float v : l.points) w.f4(v);
        w.endChunk(c);
        std::vector<int> counts, indices;
        for (const std::vector<int>& p : l.polygons) {
            counts.push_back(int(p.size()));
            indices.insert(indices.end(), p.begin(), p.end());
        }
        lwobPolygons(w, counts, indices, std::vector<int>(counts.size(), 1));
    }
    w.endForm(form);
    return w.bytes;
}
