// SubPatch refinement through OpenSubdiv's uniform Catmull-Clark refinement:
// positions as vertex data, the reader's per-corner texture coordinates and
// vertex colours as face-varying data; each refined quad's control polygon
// is found through its parents. Only checked polygons reach OpenSubdiv: at
// least three corners, every point in range and none twice.
#include "lwsubdiv.h"

#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "lwalloc.h"
#include "lwread.h"

using namespace OpenSubdiv;

bool isLwSubPatch(const LwPolygonRec* polygon)
{
    return polygon->type == lwId('P', 'T', 'C', 'H') || polygon->type == lwId('S', 'U', 'B', 'D');
}

const char* lwSubdivisionProblemText(const LwSubdivision& r)
{
    switch (r.problem) {
    case lwSubdivisionFine: return nullptr;
    case lwSubdivisionLevelLowered: return "level lowered";
    case lwSubdivisionTooLarge: return "cage kept: too large";
    case lwSubdivisionRefused: return "cage kept: topology refused";
    case lwSubdivisionNoMemory:
        return r.level == 0 ? "cage kept: out of memory" : "out of memory: some refined corners unsmoothed or uncoloured";
    }
    return "unknown problem";
}

namespace {

template <int N>
struct Values {
    float v[N];
    void Clear(void* = nullptr)
    {
        for (float& x : v) x = 0;
    }
    void AddWithWeight(const Values& source, float weight)
    {
        for (int i = 0; i < N; ++i) v[i] += weight * source.v[i];
    }
};
using Position = Values<3>;
using TexCoord = Values<2>;
using Colour = Values<4>;

// The control polygons handed to OpenSubdiv, their points numbered densely.
struct Cage {
    std::vector<int32_t> polygons;    // layer index of each
    std::vector<int> sizes;           // corners of each
    std::vector<int> vertices;        // dense point of each corner
    std::vector<int32_t> layerPoint;  // layer point of each dense point
    bool textured = false;            // some polygon has texture coordinates
    bool coloured = false;            // some polygon has vertex colours
};

bool checkedControl(const LwPolygonRec* p, int32_t pointCount, std::vector<int32_t>& scratch)
{
    if (p->cornerCount < 3 || !p->corners) return false;
    scratch.resize(size_t(p->cornerCount));
    for (int32_t k = 0; k < p->cornerCount; ++k) {
        int32_t point = p->corners[k].point;
        if (point < 0 || point >= pointCount) return false;
        scratch[size_t(k)] = point;
    }
    std::sort(scratch.begin(), scratch.end());
    return std::adjacent_find(scratch.begin(), scratch.end()) == scratch.end();
}

// Edges of more than two polygons, or of two that run along them the same way.
int32_t nonManifoldEdges(const Cage& cage)
{
    std::vector<uint64_t> edges;  // low point << 33 | high point << 1 | direction
    edges.reserve(cage.vertices.size());
    size_t at = 0;
    for (int n : cage.sizes) {
        for (int k = 0; k < n; ++k) {
            uint64_t a = uint64_t(cage.vertices[at + size_t(k)]), b = uint64_t(cage.vertices[at + size_t((k + 1) % n)]);
            edges.push_back(std::min(a, b) << 33 | std::max(a, b) << 1 | (a < b ? 1 : 0));
        }
        at += size_t(n);
    }
    std::sort(edges.begin(), edges.end());
    int32_t count = 0;
    for (size_t i = 0; i < edges.size();) {
        size_t j = i + 1;
        while (j < edges.size() && edges[j] >> 1 == edges[i] >> 1) ++j;
        if (j - i > 2 || (j - i == 2 && edges[i] == edges[i + 1])) ++count;
        i = j;
    }
    return count;
}

// Finds and checks the control polygons and settles the level. False when
// there is nothing to refine (the result says why).
bool prepare(const LwLayer* layer, int32_t level, LwSubdivision* r, Cage* cage)
{
    *r = LwSubdivision{};
    const LwPolygonArray& polygons = layer->polygons;
    for (int32_t j = 0; j < polygons.count; ++j) r->controlPolygons += isLwSubPatch(&polygons.items[j]);
    r->subdividedPolygons = r->controlPolygons;
    if (level > lwSubdivisionMaxLevel) {
        level = lwSubdivisionMaxLevel;
        r->problem = lwSubdivisionLevelLowered;
    }
    if (r->controlPolygons == 0 || level <= 0) return false;

    std::vector<int32_t> dense(size_t(layer->points.count), -1), scratch;
    int64_t corners = 0;
    for (int32_t j = 0; j < polygons.count; ++j) {
        const LwPolygonRec* p = &polygons.items[j];
        if (!isLwSubPatch(p)) continue;
        if (!checkedControl(p, layer->points.count, scratch)) {
            ++r->degenerate;
            continue;
        }
        cage->polygons.push_back(j);
        cage->sizes.push_back(p->cornerCount);
        cage->textured = cage->textured || p->uv;
        corners += p->cornerCount;
        for (int32_t k = 0; k < p->cornerCount; ++k) {
            int32_t& d = dense[size_t(p->corners[k].point)];
            if (d < 0) {
                d = int32_t(cage->layerPoint.size());
                cage->layerPoint.push_back(p->corners[k].point);
            }
            cage->vertices.push_back(d);
        }
    }
    if (cage->polygons.empty()) return false;
    // The first level makes one quad per corner, each further level four of each.
    while (level > 0 && r->degenerate + (corners << (2 * (level - 1))) > lwSubdivisionMaxPolygons) {
        --level;
        r->problem = lwSubdivisionLevelLowered;
    }
    if (level == 0) {
        r->problem = lwSubdivisionTooLarge;
        return false;
    }
    r->level = level;
    r->subdividedPolygons = r->degenerate + int32_t(corners << (2 * (level - 1)));
    r->nonManifoldEdges = nonManifoldEdges(*cage);
    return true;
}

// OpenSubdiv reports through callbacks that print by default: the reader prints nothing.
void quietError(Far::ErrorType, const char*) {}
void quietWarning(const char*) {}

// Every corner has its own face-varying value: fvarIndices is 0, 1, 2 ...
Far::TopologyRefiner* makeRefiner(const Cage& cage, const std::vector<int>& fvarIndices)
{
    Far::SetErrorCallback(quietError);
    Far::SetWarningCallback(quietWarning);
    Far::TopologyDescriptor d;
    d.numVertices = int(cage.layerPoint.size());
    d.numFaces = int(cage.sizes.size());
    d.numVertsPerFace = cage.sizes.data();
    d.vertIndicesPerFace = cage.vertices.data();
    Far::TopologyDescriptor::FVarChannel channel;
    if (cage.textured || cage.coloured) {
        channel.numValues = int(fvarIndices.size());
        channel.valueIndices = fvarIndices.data();
        d.numFVarChannels = 1;
        d.fvarChannels = &channel;
    }
    // Open edges stay where the cage puts them; texture coordinates are bilinear
    // inside each control polygon, so that atlases and seams keep their places.
    Sdc::Options options;
    options.SetVtxBoundaryInterpolation(Sdc::Options::VTX_BOUNDARY_EDGE_ONLY);
    options.SetFVarLinearInterpolation(Sdc::Options::FVAR_LINEAR_ALL);
    using Factory = Far::TopologyRefinerFactory<Far::TopologyDescriptor>;
    return Factory::Create(d, Factory::Options(Sdc::SCHEME_CATMARK, options));
}

std::vector<int> iota(size_t n)
{
    std::vector<int> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = int(i);
    return v;
}

void keepCage(LwSubdivision* r, LwSubdivisionProblem problem)
{
    r->problem = problem;
    r->level = 0;
    r->subdividedPolygons = r->controlPolygons;
}

// A layer point as OpenSubdiv's destination: the last level's positions are
// written straight into the grown point array, with no copy in between.
struct PointPosition {
    float* p;
    void Clear(void* = nullptr) { p[0] = p[1] = p[2] = 0; }
    void AddWithWeight(const Position& source, float weight) { add(source.v, weight); }
    void AddWithWeight(const PointPosition& source, float weight) { add(source.p, weight); }
    void add(const float* source, float weight)
    {
        for (int i = 0; i < 3; ++i) p[i] += weight * source[i];
    }
};
struct LayerPoints {
    LwPointRec* items;
    PointPosition operator[](int i) const { return PointPosition{items[i].pos}; }
};

// Positions level by level; the last level goes to `out`. The levels between
// live in buffers that are written before they are read, so they are not cleared.
void refinePositions(const Far::TopologyRefiner& refiner, const LwLayer* layer, const Cage& cage, int levels,
                     LwPointRec* out)
{
    Far::PrimvarRefiner primvar(refiner);
    std::unique_ptr<Position[]> source(new Position[cage.layerPoint.size()]), target;
    for (size_t i = 0; i < cage.layerPoint.size(); ++i)
        std::memcpy(source[i].v, layer->points.items[cage.layerPoint[i]].pos, sizeof(float[3]));
    for (int l = 1; l < levels; ++l) {
        target.reset(new Position[size_t(refiner.GetLevel(l).GetNumVertices())]);
        Position* t = target.get();
        primvar.Interpolate(l, static_cast<const Position*>(source.get()), t);
        source.swap(target);
    }
    LayerPoints points{out};
    primvar.Interpolate(levels, static_cast<const Position*>(source.get()), points);
}

// Face-varying values, one per cage corner, level by level.
template <class T>
std::vector<T> refineFaceVarying(const Far::TopologyRefiner& refiner, std::vector<T> data, int levels)
{
    Far::PrimvarRefiner primvar(refiner);
    std::vector<T> next;
    for (int l = 1; l <= levels; ++l) {
        next.resize(size_t(refiner.GetLevel(l).GetNumFVarValues(0)));
        T* t = next.data();
        primvar.InterpolateFaceVarying(l, static_cast<const T*>(data.data()), t);
        data.swap(next);
    }
    return data;
}

std::vector<TexCoord> cageTexCoords(const LwLayer* layer, const Cage& cage)
{
    std::vector<TexCoord> data;
    data.reserve(cage.vertices.size());
    for (size_t i = 0; i < cage.polygons.size(); ++i) {
        const LwPolygonRec& p = layer->polygons.items[cage.polygons[i]];
        for (int32_t k = 0; k < p.cornerCount; ++k)
            data.push_back(p.uv ? TexCoord{{p.uv[2 * k], p.uv[2 * k + 1]}} : TexCoord{{0, 0}});
    }
    return data;
}

// The vertex colours of the cage: the colour maps of each control polygon's
// surface, and a colour for each corner. A control polygon with some corners
// coloured gives the others the mean of those, so that its quads blend
// without a made-up colour; one with none stays uncoloured.
struct CageColours {
    std::vector<LwVertexColorMaps> maps;  // the distinct maps found
    std::vector<int32_t> polygonMaps;     // of each cage polygon: its maps, or -1
    std::vector<Colour> corners;
};

CageColours cageColours(const LwLayer* layer, const Cage& cage)
{
    CageColours c;
    c.polygonMaps.assign(cage.polygons.size(), -1);
    std::vector<std::pair<const LwSurface*, int32_t>> surfaces;  // maps of each surface seen
    size_t at = 0;
    for (size_t i = 0; i < cage.polygons.size(); at += size_t(cage.sizes[i]), ++i) {
        const LwPolygonRec& p = layer->polygons.items[cage.polygons[i]];
        if (!p.surface || !p.surface->vertexColor.mapName) continue;
        auto seen = std::find_if(surfaces.begin(), surfaces.end(), [&](const auto& s) { return s.first == p.surface; });
        if (seen == surfaces.end()) {
            LwVertexColorMaps maps = findLwVertexColorMaps(layer, p.surface);
            int32_t index = -1;
            if (maps.status == lwVertexColorFound) {
                auto same = std::find_if(c.maps.begin(), c.maps.end(), [&](const LwVertexColorMaps& m) {
                    return m.points == maps.points && m.corners == maps.corners && m.channels == maps.channels;
                });
                index = int32_t(same - c.maps.begin());
                if (same == c.maps.end()) c.maps.push_back(maps);
            }
            seen = surfaces.insert(surfaces.end(), {p.surface, index});
        }
        if (seen->second < 0) continue;
        const LwVertexColorMaps& maps = c.maps[size_t(seen->second)];
        Colour sum = {};
        int known = 0;
        float rgba[4];
        for (int32_t k = 0; k < p.cornerCount; ++k) {
            if (!lwCornerColor(layer, &p, k, maps, rgba)) continue;
            sum.AddWithWeight(Colour{{rgba[0], rgba[1], rgba[2], rgba[3]}}, 1.0f);
            ++known;
        }
        if (known == 0) continue;
        c.polygonMaps[i] = seen->second;
        if (c.corners.empty()) c.corners.resize(cage.vertices.size());
        for (int32_t k = 0; k < p.cornerCount; ++k) {
            Colour& corner = c.corners[at + size_t(k)];
            if (lwCornerColor(layer, &p, k, maps, rgba)) corner = Colour{{rgba[0], rgba[1], rgba[2], rgba[3]}};
            else for (int j = 0; j < 4; ++j) corner.v[j] = sum.v[j] / float(known);
        }
    }
    return c;
}

// The refined corners' colours, kept as VMAD entries of each map, with the
// layer's corners linked anew. False when there was no room for them.
struct RefinedColour {
    int32_t point, polygon;
    Colour colour;
};

bool addRefinedColours(LwLayer* layer, const CageColours& c, const std::vector<std::vector<RefinedColour>>& colours)
{
    bool ok = true;
    for (size_t m = 0; m < c.maps.size(); ++m) {
        const std::vector<RefinedColour>& list = colours[m];
        int32_t first = 0;
        LwVMap* map = list.empty() ? nullptr : addLwCornerColors(layer, c.maps[m], int32_t(list.size()), &first);
        if (!map) {
            ok = ok && list.empty();
            continue;
        }
        const int32_t values = std::min(map->dimension, 4);
        for (size_t e = 0; e < list.size(); ++e) {
            map->pointIndex[first + int32_t(e)] = list[e].point;
            map->polygonIndex[first + int32_t(e)] = list[e].polygon;
            std::memcpy(map->values[first + int32_t(e)], list[e].colour.v, sizeof(float) * size_t(values));
        }
    }
    // Every corner's links again, the new entries with them.
    LwPolygonArray* polygons = &layer->polygons;
    lwFree(polygons->linkBlock);
    polygons->linkBlock = nullptr;
    for (int32_t k = 0; k < polygons->cornerCount; ++k) {
        polygons->cornerBlock[k].vmapCount = 0;
        polygons->cornerBlock[k].vmapLinks = nullptr;
    }
    return linkCornerVMaps(polygons, layer->vmaps) && ok;
}

// The cage polygon (its place in Cage::polygons) a face of the last level comes from.
int32_t controlOf(const Far::TopologyRefiner& refiner, int levels, int32_t face)
{
    for (int l = levels; l > 0; --l) face = refiner.GetLevel(l).GetFaceParentFace(face);
    return face;
}

// The last level's faces grouped by control polygon. OpenSubdiv numbers the
// children of a face together, in the order of their parents, so the faces
// usually come grouped already and no order is kept.
struct Groups {
    std::vector<int32_t> first;  // first slot of each control polygon's quads, and the end
    std::vector<int32_t> order;  // face of each slot; empty when it is the slot itself
    int32_t face(int32_t slot) const { return order.empty() ? slot : order[size_t(slot)]; }
};

Groups groupFaces(const Far::TopologyRefiner& refiner, int levels, size_t controls)
{
    Groups g;
    g.first.assign(controls + 1, 0);
    const int32_t faceCount = refiner.GetLevel(levels).GetNumFaces();
    bool grouped = true;
    int32_t previous = 0;
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t c = controlOf(refiner, levels, f);
        grouped = grouped && c >= previous;
        previous = c;
        ++g.first[size_t(c) + 1];
    }
    for (size_t i = 1; i < g.first.size(); ++i) g.first[i] += g.first[i - 1];
    if (grouped) return g;
    g.order.resize(size_t(faceCount));
    std::vector<int32_t> next(g.first.begin(), g.first.end() - 1);
    for (int32_t f = 0; f < faceCount; ++f) g.order[size_t(next[size_t(controlOf(refiner, levels, f))]++)] = f;
    return g;
}

// The new polygon arrays of the layer, made before anything is changed.
struct NewPolygons {
    LwPolygonRec* items = nullptr;
    LwCorner* corners = nullptr;
    float* uvs = nullptr;
    void release()
    {
        lwFree(items);
        lwFree(corners);
        lwFree(uvs);
    }
};

// What the steps of one layer's refinement share.
struct Refinement {
    LwLayer* layer;
    const Cage& cage;
    const CageColours& colours;
    const Far::TopologyRefiner& refiner;
    int levels;
    Groups groups;
    // Old polygon -> new index; control polygons get -2 - their cage index.
    std::vector<int32_t> newIndex{};
    int64_t kept = 0, corners = 0, uvCorners = 0;  // polygons kept, and the corners of the new arrays
    int32_t faceCount = 0;                         // refined quads
    int64_t pointBase = 0, pointTotal = 0;
    NewPolygons made{};
    std::vector<TexCoord> texCoords{};   // of the last level's face-varying values
    std::vector<Colour> cornerColours{};  // the same
    std::vector<std::vector<RefinedColour>> refinedColours{};  // of each map
};

const LwPolygonRec& controlPolygon(const Refinement& r, int32_t face)
{
    return r.layer->polygons.items[r.cage.polygons[size_t(controlOf(r.refiner, r.levels, face))]];
}

// The new numbering, the other polygons first in their order, and the sizes of the new arrays.
void planPolygons(Refinement* r)
{
    const LwPolygonArray& polygons = r->layer->polygons;
    r->newIndex.assign(size_t(polygons.count), -1);
    for (size_t i = 0; i < r->cage.polygons.size(); ++i) r->newIndex[size_t(r->cage.polygons[i])] = -2 - int32_t(i);
    for (int32_t j = 0; j < polygons.count; ++j) {
        if (r->newIndex[size_t(j)] != -1) continue;
        const LwPolygonRec& p = polygons.items[j];
        r->newIndex[size_t(j)] = int32_t(r->kept++);
        r->corners += p.cornerCount;
        if (p.uv) r->uvCorners += p.cornerCount;
    }
    const Far::TopologyLevel& last = r->refiner.GetLevel(r->levels);
    r->faceCount = last.GetNumFaces();
    for (int32_t f = 0; f < r->faceCount; ++f) {
        int n = last.GetFaceVertices(f).size();
        r->corners += n;
        if (controlPolygon(*r, f).uv) r->uvCorners += n;
    }
    r->pointBase = r->layer->points.count;
    r->pointTotal = r->pointBase + last.GetNumVertices();
}

// Every array is made before the layer changes, so that a failure leaves the
// cage: the new polygons, and the points grown for the refined ones.
bool makeArrays(Refinement* r)
{
    NewPolygons& made = r->made;
    made.items = static_cast<LwPolygonRec*>(lwAlloc(size_t(r->kept + r->faceCount), sizeof(LwPolygonRec)));
    made.corners = static_cast<LwCorner*>(lwAlloc(size_t(r->corners), sizeof(LwCorner)));
    made.uvs = r->uvCorners ? static_cast<float*>(lwAlloc(size_t(2 * r->uvCorners), sizeof(float))) : nullptr;
    LwPointArray* points = &r->layer->points;
    LwPointRec* grown = nullptr;
    if (made.items && made.corners && (made.uvs || !r->uvCorners) && r->pointTotal <= INT32_MAX)
        grown = static_cast<LwPointRec*>(lwGrow(points->items, size_t(r->pointBase), size_t(r->pointTotal), sizeof(LwPointRec)));
    if (!grown) {
        made.release();
        return false;
    }
    points->items = grown;
    points->count = int32_t(r->pointTotal);
    return true;
}

// The refined points' positions, and the face-varying values of the last level.
void interpolate(Refinement* r)
{
    refinePositions(r->refiner, r->layer, r->cage, r->levels, r->layer->points.items + r->pointBase);
    if (r->cage.textured) r->texCoords = refineFaceVarying(r->refiner, cageTexCoords(r->layer, r->cage), r->levels);
    if (r->cage.coloured) r->cornerColours = refineFaceVarying(r->refiner, r->colours.corners, r->levels);
    r->refinedColours.resize(r->colours.maps.size());
}

// Where the next polygon of the new arrays goes.
struct Cursor {
    LwPolygonRec* item;
    LwCorner* corner;
    float* uv;
};

// The other polygons as they are, corners and texture coordinates copied.
void copyKept(const Refinement& r, Cursor* at)
{
    const LwPolygonArray& polygons = r.layer->polygons;
    for (int32_t j = 0; j < polygons.count; ++j) {
        const LwPolygonRec& p = polygons.items[j];
        if (r.newIndex[size_t(j)] < 0) continue;
        *at->item = p;
        at->item->corners = at->corner;
        std::copy(p.corners, p.corners + p.cornerCount, at->corner);
        at->corner += p.cornerCount;
        if (p.uv) {
            at->item->uv = at->uv;
            std::copy(p.uv, p.uv + 2 * p.cornerCount, at->uv);
            at->uv += 2 * p.cornerCount;
        }
        ++at->item;
    }
}

// The refined quads grouped by control polygon, each with its control
// polygon's surface, tags, flags and type; the colours of their corners are
// gathered for the maps.
void writeQuads(Refinement* r, Cursor* at)
{
    const Far::TopologyLevel& last = r->refiner.GetLevel(r->levels);
    for (int32_t slot = 0; slot < r->faceCount; ++slot, ++at->item) {
        const int32_t f = r->groups.face(slot);
        const int32_t control = controlOf(r->refiner, r->levels, f);
        const LwPolygonRec& parent = r->layer->polygons.items[r->cage.polygons[size_t(control)]];
        LwPolygonRec* item = at->item;
        item->surface = parent.surface;
        item->surfaceTag = parent.surfaceTag;
        item->part = parent.part;
        item->smoothingGroup = parent.smoothingGroup;
        item->flags = parent.flags;
        item->type = parent.type;
        Far::ConstIndexArray vertices = last.GetFaceVertices(f);
        item->cornerCount = vertices.size();
        item->corners = at->corner;
        for (int k = 0; k < vertices.size(); ++k) at->corner[k].point = int32_t(r->pointBase + vertices[k]);
        at->corner += vertices.size();
        if (parent.uv) {
            Far::ConstIndexArray values = last.GetFaceFVarValues(f, 0);
            item->uv = at->uv;
            for (int k = 0; k < values.size(); ++k, at->uv += 2)
                std::memcpy(at->uv, r->texCoords[size_t(values[k])].v, sizeof(float[2]));
        }
        const int32_t map = r->cage.coloured ? r->colours.polygonMaps[size_t(control)] : -1;
        if (map < 0) continue;
        Far::ConstIndexArray values = last.GetFaceFVarValues(f, 0);
        for (int k = 0; k < values.size(); ++k)
            r->refinedColours[size_t(map)].push_back(
                {int32_t(r->pointBase + vertices[k]), int32_t(r->kept + slot), r->cornerColours[size_t(values[k])]});
    }
}

// The new polygons in the layer's place, the old released. VMAD entries
// follow their polygon; a control polygon's go to its first quad.
void replacePolygons(Refinement* r)
{
    for (LwVMap* m = r->layer->vmaps; m; m = m->next) {
        if (!m->perPolygon) continue;
        for (int32_t e = 0; e < m->entryCount; ++e) {
            int32_t& p = m->polygonIndex[e];
            p = r->newIndex[size_t(p)] >= 0 ? r->newIndex[size_t(p)]
                                             : int32_t(r->kept) + r->groups.first[size_t(-2 - r->newIndex[size_t(p)])];
        }
    }
    LwPolygonArray* polygons = &r->layer->polygons;
    lwFree(polygons->items);
    lwFree(polygons->cornerBlock);
    lwFree(polygons->uvBlock);
    polygons->items = r->made.items;
    polygons->cornerBlock = r->made.corners;
    polygons->uvBlock = r->made.uvs;
    polygons->count = int32_t(r->kept + r->faceCount);
    polygons->cornerCount = int32_t(r->corners);
}

void clearPointPolygons(LwPointArray* points)
{
    lwFree(points->polygonBlock);
    points->polygonBlock = nullptr;
    for (int32_t i = 0; i < points->count; ++i) {
        points->items[i].polygonCount = 0;
        points->items[i].polygons = nullptr;
    }
}

// Normals of the refined quads alone: the other polygons keep theirs. The
// quads share no point with them, so the layer's point lists give each
// refined point exactly its quads. False when the lists could not be made.
bool smoothQuads(LwLayer* layer, int64_t kept, int32_t faceCount)
{
    LwPointArray* points = &layer->points;
    LwPolygonArray quads = {};
    quads.count = faceCount;
    quads.items = layer->polygons.items + kept;
    computePolygonNormals(points, &quads);
    clearPointPolygons(points);
    if (buildPointPolygons(points, &layer->polygons)) {
        computeVertexNormals(points, &layer->polygons, int32_t(kept));
        return true;
    }
    // A failed build leaves counts without lists: the layer goes without.
    clearPointPolygons(points);
    return false;
}

}  // namespace

int measureLwSubdivision(const LwLayer* layer, int32_t level, LwSubdivision* result)
{
    LwSubdivision unused;
    if (!result) result = &unused;
    Cage cage;
    if (!prepare(layer, level, result, &cage)) return result->problem < lwSubdivisionTooLarge;
    Far::TopologyRefiner* refiner = makeRefiner(cage, iota(cage.vertices.size()));
    if (!refiner) keepCage(result, lwSubdivisionRefused);
    delete refiner;
    return refiner != nullptr;
}

int subdivideLwLayer(LwLayer* layer, int32_t level, LwSubdivision* result)
{
    LwSubdivision unused;
    if (!result) result = &unused;
    Cage cage;
    if (!prepare(layer, level, result, &cage)) return result->problem < lwSubdivisionTooLarge;
    const CageColours colours = cageColours(layer, cage);
    cage.coloured = !colours.corners.empty();
    std::unique_ptr<Far::TopologyRefiner> refiner(makeRefiner(cage, iota(cage.vertices.size())));
    if (!refiner) {
        keepCage(result, lwSubdivisionRefused);
        return 0;
    }
    const int levels = result->level;
    refiner->RefineUniform(Far::TopologyRefiner::UniformOptions(levels));
    Refinement r{layer, cage, colours, *refiner, levels, groupFaces(*refiner, levels, cage.polygons.size())};
    planPolygons(&r);
    if (!makeArrays(&r)) {
        keepCage(result, lwSubdivisionNoMemory);
        return 0;
    }
    interpolate(&r);
    Cursor at = {r.made.items, r.made.corners, r.made.uvs};
    copyKept(r, &at);
    writeQuads(&r, &at);
    refiner.reset();  // its levels are no longer needed: the memory serves what follows
    replacePolygons(&r);
    const bool coloursAdded = !cage.coloured || addRefinedColours(layer, colours, r.refinedColours);
    const bool ok = smoothQuads(layer, r.kept, r.faceCount);
    if (!ok || !coloursAdded) result->problem = lwSubdivisionNoMemory;  // unsmoothed, or the quads uncoloured
    return ok;
}
