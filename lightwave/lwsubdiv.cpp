// SubPatch refinement through OpenSubdiv's uniform Catmull-Clark refinement:
// positions as vertex data, the reader's per-corner texture coordinates as
// face-varying data, and the control polygon of every refined quad as
// face-uniform data. Only checked polygons reach OpenSubdiv: at least three
// corners, every point in range and none twice.
#include "lwsubdiv.h"

#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "lwalloc.h"
#include "lwread.h"

using namespace OpenSubdiv;

bool isLwSubPatch(const LwPolygonRec* polygon)
{
    return polygon->type == lwId('P', 'T', 'C', 'H') || polygon->type == lwId('S', 'U', 'B', 'D');
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

// The control polygons handed to OpenSubdiv, their points numbered densely.
struct Cage {
    std::vector<int32_t> polygons;    // layer index of each
    std::vector<int> sizes;           // corners of each
    std::vector<int> vertices;        // dense point of each corner
    std::vector<int32_t> layerPoint;  // layer point of each dense point
    bool textured = false;            // some polygon has texture coordinates
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
    if (cage.textured) {
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

// The refined data of the last level.
struct Refined {
    std::vector<Position> positions;
    std::vector<TexCoord> texCoords;  // face-varying values
    std::vector<int32_t> control;     // cage polygon of each face
};

template <class T, class Step>
void refineLevels(int levels, std::vector<T>& data, Step step)
{
    std::vector<T> next;
    for (int l = 1; l <= levels; ++l) {
        step(l, next, static_cast<const T*>(data.data()));
        data.swap(next);
    }
}

void refine(const Far::TopologyRefiner& refiner, const LwLayer* layer, const Cage& cage, int levels, Refined* out)
{
    Far::PrimvarRefiner primvar(refiner);
    out->positions.resize(cage.layerPoint.size());
    for (size_t i = 0; i < cage.layerPoint.size(); ++i)
        std::memcpy(out->positions[i].v, layer->points.items[cage.layerPoint[i]].pos, sizeof(float[3]));
    refineLevels(levels, out->positions, [&](int l, std::vector<Position>& next, const Position* s) {
        next.resize(size_t(refiner.GetLevel(l).GetNumVertices()));
        Position* t = next.data();
        primvar.Interpolate(l, s, t);
    });
    if (cage.textured) {
        for (size_t i = 0; i < cage.polygons.size(); ++i) {
            const LwPolygonRec& p = layer->polygons.items[cage.polygons[i]];
            for (int32_t k = 0; k < p.cornerCount; ++k)
                out->texCoords.push_back(p.uv ? TexCoord{{p.uv[2 * k], p.uv[2 * k + 1]}} : TexCoord{{0, 0}});
        }
        refineLevels(levels, out->texCoords, [&](int l, std::vector<TexCoord>& next, const TexCoord* s) {
            next.resize(size_t(refiner.GetLevel(l).GetNumFVarValues(0)));
            TexCoord* t = next.data();
            primvar.InterpolateFaceVarying(l, s, t);
        });
    }
    out->control.resize(cage.polygons.size());
    for (size_t i = 0; i < cage.polygons.size(); ++i) out->control[i] = int32_t(i);
    refineLevels(levels, out->control, [&](int l, std::vector<int32_t>& next, const int32_t* s) {
        next.resize(size_t(refiner.GetLevel(l).GetNumFaces()));
        int32_t* t = next.data();
        primvar.InterpolateFaceUniform(l, s, t);
    });
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
    Far::TopologyRefiner* refiner = makeRefiner(cage, iota(cage.vertices.size()));
    if (!refiner) {
        keepCage(result, lwSubdivisionRefused);
        return 0;
    }
    const int levels = result->level;
    refiner->RefineUniform(Far::TopologyRefiner::UniformOptions(levels));
    Refined refined;
    refine(*refiner, layer, cage, levels, &refined);
    const Far::TopologyLevel& last = refiner->GetLevel(levels);

    LwPolygonArray* polygons = &layer->polygons;
    LwPointArray* points = &layer->points;
    // Old polygon -> new index; control polygons first get their cage index.
    std::vector<int32_t> newIndex(size_t(polygons->count), -1);
    for (size_t i = 0; i < cage.polygons.size(); ++i) newIndex[size_t(cage.polygons[i])] = -2 - int32_t(i);

    // Refined faces grouped by control polygon: first slot of each group.
    const int32_t faceCount = last.GetNumFaces();
    std::vector<int32_t> first(cage.polygons.size() + 1, 0);
    std::vector<int32_t> order(static_cast<size_t>(faceCount));
    for (int32_t f = 0; f < faceCount; ++f) ++first[size_t(refined.control[size_t(f)]) + 1];
    for (size_t i = 1; i < first.size(); ++i) first[i] += first[i - 1];
    {
        std::vector<int32_t> next(first.begin(), first.end() - 1);
        for (int32_t f = 0; f < faceCount; ++f) order[size_t(next[size_t(refined.control[size_t(f)])]++)] = f;
    }

    int64_t kept = 0, corners = 0, uvCorners = 0;
    for (int32_t j = 0; j < polygons->count; ++j) {
        if (newIndex[size_t(j)] != -1) continue;
        const LwPolygonRec& p = polygons->items[j];
        newIndex[size_t(j)] = int32_t(kept++);
        corners += p.cornerCount;
        if (p.uv) uvCorners += p.cornerCount;
    }
    for (int32_t f = 0; f < faceCount; ++f) {
        int n = last.GetFaceVertices(f).size();
        corners += n;
        if (polygons->items[cage.polygons[size_t(refined.control[size_t(f)])]].uv) uvCorners += n;
    }
    const int64_t pointBase = points->count, pointTotal = pointBase + last.GetNumVertices();

    NewPolygons made;
    made.items = static_cast<LwPolygonRec*>(lwAlloc(size_t(kept + faceCount), sizeof(LwPolygonRec)));
    made.corners = static_cast<LwCorner*>(lwAlloc(size_t(corners), sizeof(LwCorner)));
    made.uvs = uvCorners ? static_cast<float*>(lwAlloc(size_t(2 * uvCorners), sizeof(float))) : nullptr;
    LwPointRec* grown = nullptr;
    if (made.items && made.corners && (made.uvs || !uvCorners) && pointTotal <= INT32_MAX)
        grown = static_cast<LwPointRec*>(lwGrow(points->items, size_t(pointBase), size_t(pointTotal), sizeof(LwPointRec)));
    if (!grown) {
        made.release();
        delete refiner;
        keepCage(result, lwSubdivisionNoMemory);
        return 0;
    }
    points->items = grown;
    points->count = int32_t(pointTotal);
    for (int32_t v = 0; v < last.GetNumVertices(); ++v)
        std::memcpy(points->items[pointBase + v].pos, refined.positions[size_t(v)].v, sizeof(float[3]));

    LwPolygonRec* item = made.items;
    LwCorner* corner = made.corners;
    float* uv = made.uvs;
    for (int32_t j = 0; j < polygons->count; ++j) {
        const LwPolygonRec& p = polygons->items[j];
        if (newIndex[size_t(j)] < 0) continue;
        *item = p;
        item->corners = corner;
        std::copy(p.corners, p.corners + p.cornerCount, corner);
        corner += p.cornerCount;
        if (p.uv) {
            item->uv = uv;
            std::copy(p.uv, p.uv + 2 * p.cornerCount, uv);
            uv += 2 * p.cornerCount;
        }
        ++item;
    }
    for (int32_t slot = 0; slot < faceCount; ++slot, ++item) {
        const int32_t f = order[size_t(slot)];
        const LwPolygonRec& parent = polygons->items[cage.polygons[size_t(refined.control[size_t(f)])]];
        item->surface = parent.surface;
        item->surfaceTag = parent.surfaceTag;
        item->part = parent.part;
        item->smoothingGroup = parent.smoothingGroup;
        item->flags = parent.flags;
        item->type = parent.type;
        Far::ConstIndexArray vertices = last.GetFaceVertices(f);
        item->cornerCount = vertices.size();
        item->corners = corner;
        for (int k = 0; k < vertices.size(); ++k) corner[k].point = int32_t(pointBase + vertices[k]);
        corner += vertices.size();
        if (parent.uv) {
            Far::ConstIndexArray values = last.GetFaceFVarValues(f, 0);
            item->uv = uv;
            for (int k = 0; k < values.size(); ++k, uv += 2) std::memcpy(uv, refined.texCoords[size_t(values[k])].v, sizeof(float[2]));
        }
    }
    delete refiner;

    // VMAD entries follow their polygon; a control polygon's go to its first quad.
    for (LwVMap* m = layer->vmaps; m; m = m->next) {
        if (!m->perPolygon) continue;
        for (int32_t e = 0; e < m->entryCount; ++e) {
            int32_t& p = m->polygonIndex[e];
            p = newIndex[size_t(p)] >= 0 ? newIndex[size_t(p)] : int32_t(kept) + first[size_t(-2 - newIndex[size_t(p)])];
        }
    }
    lwFree(polygons->items);
    lwFree(polygons->cornerBlock);
    lwFree(polygons->uvBlock);
    polygons->items = made.items;
    polygons->cornerBlock = made.corners;
    polygons->uvBlock = made.uvs;
    polygons->count = int32_t(kept + faceCount);
    polygons->cornerCount = int32_t(corners);

    // Normals of the refined quads alone (the other polygons keep theirs),
    // then the point-to-polygon lists of the whole layer.
    LwPolygonArray quads = {};
    quads.count = faceCount;
    quads.items = polygons->items + kept;
    auto clearPointPolygons = [&] {
        lwFree(points->polygonBlock);
        points->polygonBlock = nullptr;
        for (int32_t i = 0; i < points->count; ++i) {
            points->items[i].polygonCount = 0;
            points->items[i].polygons = nullptr;
        }
    };
    computePolygonNormals(points, &quads);
    clearPointPolygons();
    bool ok = buildPointPolygons(points, &quads);
    if (ok) computeVertexNormals(points, &quads);
    clearPointPolygons();
    ok = ok && buildPointPolygons(points, polygons);
    if (!ok) {
        // A failed build leaves counts without lists: the layer goes without.
        clearPointPolygons();
        result->problem = lwSubdivisionNoMemory;
    }
    return ok;
}
