// lwo-convert's glTF and OBJ output read back and compared, corner by corner,
// with what the reader made of the object; and its triangulation.
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "convert.h"
#include "lwwriter.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Corner = std::array<float, 12>;  // position, normal, uv, rgba

LwObject* load(const Bytes& bytes)
{
    FILE* f = fmemopen(const_cast<unsigned char*>(bytes.data()), bytes.size(), "rb");
    return f ? readLwObjectStream(f, "test", nullptr, nullptr) : nullptr;
}

// Element k of an accessor, packed or interleaved.
const float* element(const tinygltf::Model& m, int accessor, size_t k)
{
    const tinygltf::Accessor& a = m.accessors[size_t(accessor)];
    const tinygltf::BufferView& v = m.bufferViews[size_t(a.bufferView)];
    size_t stride = size_t(a.ByteStride(v));
    return reinterpret_cast<const float*>(m.buffers[size_t(v.buffer)].data.data() + v.byteOffset + a.byteOffset +
                                          k * stride);
}

struct ReadBack {
    tinygltf::Model model;
    ConvertResult result;
};

bool convertAndRead(LwObject* o, ReadBack* back)
{
    if (!convertToGltf(o, nullptr, true, ConvertOptions(), &back->result)) return false;
    tinygltf::TinyGLTF loader;
    // Pictures are kept as their bytes, not decoded.
    loader.SetImageLoader([](tinygltf::Image*, int, std::string*, std::string*, int, int, const unsigned char*, int,
                             void*) { return true; }, nullptr);
    std::string err, warn;
    const std::string& glb = back->result.bytes;
    return loader.LoadBinaryFromMemory(&back->model, &err, &warn, reinterpret_cast<const unsigned char*>(glb.data()),
                                       unsigned(glb.size()));
}

// The corners the reader made for the layer's faces, in glTF's axes; the
// count of triangles they make.
std::set<Corner> readerCorners(const LwLayer* layer, size_t* triangles)
{
    std::set<Corner> out;
    *triangles = 0;
    for (int32_t j = 0; j < layer->polygons.count; ++j) {
        const LwPolygonRec& p = layer->polygons.items[j];
        if (p.cornerCount < 3) continue;
        *triangles += size_t(p.cornerCount - 2);
        LwVertexColorMaps maps = findLwVertexColorMaps(layer, p.surface);
        float k = p.surface ? p.surface->vertexColor.intensity.value : 0.0f;
        for (int32_t c = 0; c < p.cornerCount; ++c) {
            const float* at = layer->points.items[p.corners[c].point].pos;
            // Degenerate polygons have no normal: glTF's must be unit long,
            // the polygon's or else straight up.
            static const float up[3] = {0, 1, 0};
            const float* n = p.corners[c].normal;
            if (std::fabs(n[0] * n[0] + n[1] * n[1] + n[2] * n[2] - 1.0f) > 0.02f) n = p.normal;
            if (std::fabs(n[0] * n[0] + n[1] * n[1] + n[2] * n[2] - 1.0f) > 0.02f) n = up;
            // From the layer's pivot, as the node is placed there.
            Corner v = {at[0] - layer->pivot[0], at[1] - layer->pivot[1], -(at[2] - layer->pivot[2]),
                        n[0], n[1], -n[2], 0, 0, 1, 1, 1, 1};
            if (p.uv) v[6] = p.uv[2 * c], v[7] = p.uv[2 * c + 1];
            float rgba[4];
            if (maps.status == lwVertexColorFound && lwCornerColor(layer, &p, c, maps, rgba))
                for (int i = 0; i < 4; ++i) v[8 + size_t(i)] = 1.0f + k * (rgba[i] - 1.0f);
            out.insert(v);
        }
    }
    return out;
}

// The triangles of a mesh's primitives; every triangle must face the way its
// corner normals do (the winding was reversed with z).
std::set<Corner> gltfCorners(const tinygltf::Model& m, const tinygltf::Mesh& mesh, size_t* triangles)
{
    std::set<Corner> out;
    *triangles = 0;
    for (const tinygltf::Primitive& p : mesh.primitives) {
        if (p.mode != TINYGLTF_MODE_TRIANGLES) continue;
        auto get = [&](const char* name) {
            auto a = p.attributes.find(name);
            int accessor = a == p.attributes.end() ? -1 : a->second;
            return [&m, accessor](size_t k) { return accessor < 0 ? nullptr : element(m, accessor, k); };
        };
        auto pos = get("POSITION"), nrm = get("NORMAL"), uv = get("TEXCOORD_0"), rgba = get("COLOR_0");
        const tinygltf::Accessor& ia = m.accessors[size_t(p.indices)];
        const uint32_t* idx = reinterpret_cast<const uint32_t*>(element(m, p.indices, 0));
        EXPECT_EQ(ia.componentType, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT);
        *triangles += ia.count / 3;
        for (size_t t = 0; t < ia.count; t += 3) {
            const float *a = pos(idx[t]), *b = pos(idx[t + 1]), *c = pos(idx[t + 2]);
            float e[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, f[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            float g[3] = {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
            const float* n = nrm(idx[t]);
            if (g[0] * g[0] + g[1] * g[1] + g[2] * g[2] < 1e-12f) continue;  // a pole's sliver
            EXPECT_GT(g[0] * n[0] + g[1] * n[1] + g[2] * n[2], 0.0f) << "triangle " << t / 3 << " faces away";
        }
        for (size_t i = 0; i < ia.count; ++i) {
            const float *at = pos(idx[i]), *n = nrm(idx[i]), *t = uv(idx[i]), *c = rgba(idx[i]);
            Corner v = {at[0], at[1], at[2], n[0], n[1], n[2], 0, 0, 1, 1, 1, 1};
            if (t) v[6] = t[0], v[7] = t[1];
            if (c)
                for (size_t j = 0; j < 4; ++j) v[8 + j] = c[j];
            out.insert(v);
        }
    }
    return out;
}

// Every corner of `a` is one of `b`: the same position, coordinates and
// colour, and a normal within the converter's tolerance (the reader's normals
// of one smooth point differ in the last place from polygon to polygon).
bool cornersAmong(const std::set<Corner>& a, const std::set<Corner>& b)
{
    for (const Corner& x : a) {
        bool found = false;
        for (auto y = b.begin(); y != b.end() && !found; ++y) {
            found = true;
            for (size_t k = 0; k < x.size() && found; ++k)
                found = k >= 3 && k < 6 ? std::fabs(x[k] - (*y)[k]) <= 1e-5f : x[k] == (*y)[k];
        }
        if (!found) return false;
    }
    return true;
}

// A bumpy grid of 4 x 4 quads smoothed all round, its quads in a
// checkerboard of two surfaces: each inner point's four normals are sums of
// the same tilted normals in four orders.
Bytes bumpyGrid()
{
    LwwSurface a, b;
    a.name = "A";
    b.name = "B";
    a.smoothAngle = b.smoothAngle = 1.6f;
    LwwLayer grid;
    for (int z = 0; z <= 4; ++z)
        for (int x = 0; x <= 4; ++x)
            grid.points.insert(grid.points.end(), {float(x), 0.3f * std::sin(1.3f * x + 0.7f * z), float(z)});
    for (int z = 0; z < 4; ++z)
        for (int x = 0; x < 4; ++x) {
            int i = 5 * z + x;
            grid.polygons.push_back({i, i + 5, i + 6, i + 1});
            grid.surfaces.push_back((x + z) % 2);
        }
    return lwwObject({a, b}, {grid});
}

TEST(Convert, CornersReadBackAsTheReaderMadeThem)
{
    struct Case {
        const char* name;
        Bytes bytes;
        bool texCoords;
        size_t primitives, materials;
        size_t vertices;  // 0: not counted
    } cases[] = {
        // Flat faces: a vertex per corner. Smooth: a vertex per point, also
        // where two surfaces meet.
        {"planar", lwwCube(0.0f, true, 0), true, 1, 1, 24},
        {"cylindrical", lwwCube(0.0f, true, 1), true, 1, 1, 24},
        {"spherical", lwwCube(0.0f, true, 2), true, 1, 1, 24},
        {"cubic", lwwCube(0.5f, true, 3), true, 1, 1, 24},
        {"uv map", lwwCube(0.0f, true, 5), true, 1, 1, 24},
        {"smooth, untextured", lwwCube(1.6f), false, 1, 1, 8},
        {"smooth, two surfaces", bumpyGrid(), false, 2, 2, 25},
        {"torus: uv, cylindrical, spherical", lwwTorusObject(8, 6), true, 3, 3, 0},
        {"vertex colours", lwwVertexColorCube(), false, 3, 3, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LwObject* o = load(c.bytes);
        ASSERT_NE(o, nullptr);
        ReadBack back;
        ASSERT_TRUE(convertAndRead(o, &back));
        const tinygltf::Model& m = back.model;
        EXPECT_EQ(m.materials.size(), c.materials);
        EXPECT_EQ(size_t(back.result.primitives), c.primitives);
        ASSERT_EQ(m.nodes.size(), size_t(o->layerCount));
        size_t layer = 0, primitives = 0, vertices = 0;
        for (const LwLayer* l = o->layers; l; l = l->next, ++layer) {
            const tinygltf::Node& node = m.nodes[layer];
            if (l->polygons.count == 0) continue;
            ASSERT_GE(node.mesh, 0);
            const tinygltf::Mesh& mesh = m.meshes[size_t(node.mesh)];
            primitives += mesh.primitives.size();
            for (const tinygltf::Primitive& p : mesh.primitives)
                EXPECT_EQ(p.attributes.count("TEXCOORD_0"), c.texCoords ? 1u : 0u);
            size_t expectedTriangles, triangles;
            std::set<Corner> expected = readerCorners(l, &expectedTriangles);
            std::set<Corner> got = gltfCorners(m, mesh, &triangles);
            EXPECT_EQ(triangles, expectedTriangles);
            EXPECT_TRUE(cornersAmong(got, expected) && cornersAmong(expected, got))
                << "layer " << l->number << ": " << got.size() << " corners read back, " << expected.size()
                << " made by the reader";
            std::set<int> positions;
            for (const tinygltf::Primitive& p : mesh.primitives) positions.insert(p.attributes.at("POSITION"));
            for (int a : positions) vertices += m.accessors[size_t(a)].count;
        }
        EXPECT_EQ(primitives, c.primitives);
        EXPECT_TRUE(!c.vertices || vertices == c.vertices) << vertices << " vertices";
        freeLwObject(o);
    }
}

// Layers become nodes under their parent, at their pivot (a layer whose LAYR
// names no parent at the root: the reader's tests have the other cases);
// points and lines their own primitives. Names in Latin-1 and in UTF-8 both
// come out as UTF-8 (the text rule's cases: cli_test.cpp).
TEST(Convert, LayersPivotsPointsAndLines)
{
    LwwSurface s;
    s.name = "S\xE9";
    Bytes bytes = lwwObject({s}, {{"base", {0, 0, 0, 1, 0, 0, 1, 1, 0}, {{0, 1, 2}, {0}, {1, 2}}, {0, 0, 0}},
                                 {"top\xC3\xA9", {2, 0, 0, 3, 0, 0, 3, 1, 0}, {{0, 1, 2}}, {0}, 0},
                                 {"loose", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {{0, 1, 2}}, {0}}});
    LwObject* o = load(bytes);
    ASSERT_NE(o, nullptr);
    LwLayer* top = o->layers->next;
    o->layers->pivot[2] = 1.0f;
    top->pivot[0] = 2.0f;
    top->pivot[2] = 1.5f;
    ReadBack back;
    ASSERT_TRUE(convertAndRead(o, &back));
    const tinygltf::Model& m = back.model;
    ASSERT_EQ(m.nodes.size(), 3u);
    EXPECT_EQ(m.scenes[0].nodes, (std::vector<int>{0, 2}));
    EXPECT_EQ(m.nodes[0].children, std::vector<int>{1});
    EXPECT_EQ(m.nodes[0].translation, (std::vector<double>{0, 0, -1}));
    EXPECT_EQ(m.nodes[1].translation, (std::vector<double>{2, 0, -0.5}));
    EXPECT_EQ(m.nodes[1].name, "top\xC3\xA9");
    EXPECT_EQ(m.materials[0].name, "S\xC3\xA9");
    std::vector<int> modes;
    for (const tinygltf::Primitive& p : m.meshes[size_t(m.nodes[0].mesh)].primitives) modes.push_back(p.mode);
    EXPECT_EQ(modes, (std::vector<int>{TINYGLTF_MODE_TRIANGLES, TINYGLTF_MODE_POINTS, TINYGLTF_MODE_LINE}));
    const tinygltf::Primitive& t = m.meshes[size_t(m.nodes[1].mesh)].primitives[0];
    EXPECT_EQ(element(m, t.attributes.at("POSITION"), 0)[0], 0.0f);  // point (2, 0, 0) from the pivot
    freeLwObject(o);
}

// An OBJ's v, vt and vn lines, and each face's corners as (v, vt, vn)
// numbers from 1 (vt 0: none), checked to name lines that exist.
struct ObjRead {
    std::vector<std::array<float, 3>> v, vt, vn;
    std::vector<std::vector<std::array<long, 3>>> faces;
};

ObjRead readObj(const std::string& text)
{
    ObjRead r;
    std::istringstream obj(text);
    for (std::string line, kind; std::getline(obj, line);) {
        std::istringstream in(line);
        std::array<float, 3> a = {0, 0, 0};
        in >> kind >> a[0] >> a[1] >> a[2];
        if (kind == "v" || kind == "vt" || kind == "vn") (kind == "v" ? r.v : kind == "vt" ? r.vt : r.vn).push_back(a);
        if (kind != "f") continue;
        r.faces.emplace_back();
        in.clear();
        in.seekg(1);
        for (std::string token; in >> token;) {
            std::array<long, 3> c = {0, 0, 0};
            EXPECT_TRUE(std::sscanf(token.c_str(), "%ld//%ld", &c[0], &c[2]) == 2 ||
                        std::sscanf(token.c_str(), "%ld/%ld/%ld", &c[0], &c[1], &c[2]) == 3)
                << token;
            EXPECT_TRUE(c[0] >= 1 && size_t(c[0]) <= r.v.size() && c[2] >= 1 && size_t(c[2]) <= r.vn.size() &&
                        c[1] >= 0 && size_t(c[1]) <= r.vt.size())
                << line;
            r.faces.back().push_back(c);
        }
    }
    return r;
}

// The OBJ read back: every face one of the reader's polygons with its corners
// in reverse (the z flip mirrors it), each corner the reader's point, normal
// and texture coordinates (z negated; v from the bottom row, as the
// reader's count from the top; TextureOriginsFollowEachFormat checks them
// against the files' own values). (map_Kd: lwo-convert-check.sh.)
TEST(Convert, ObjCornersReadBackAsTheReaderMadeThem)
{
    for (Bytes bytes : {lwwCube(0.0f, true, 0), lwwCube(0.0f, true, 5), lwwTorusObject(8, 6)}) {
        LwObject* o = load(bytes);
        ASSERT_NE(o, nullptr);
        ConvertResult r;
        ASSERT_TRUE(convertToObj(o, nullptr, "x.mtl", ConvertOptions(), &r));
        // The v lines' points in layer order; the polygons by their points.
        std::vector<std::pair<const LwLayer*, int32_t>> points;
        std::map<std::vector<int32_t>, const LwPolygonRec*> polygonOf;
        auto key = [&](const LwLayer* l, std::vector<int32_t> k) {
            std::sort(k.begin(), k.end());
            k.push_back(l->number);
            return k;
        };
        for (const LwLayer* l = o->layers; l; l = l->next) {
            for (int32_t i = 0; i < l->points.count; ++i) points.push_back({l, i});
            for (int32_t j = 0; j < l->polygons.count; ++j) {
                const LwPolygonRec& p = l->polygons.items[j];
                std::vector<int32_t> k;
                for (int32_t c = 0; c < p.cornerCount; ++c) k.push_back(p.corners[c].point);
                polygonOf[key(l, k)] = &p;
            }
        }
        ObjRead obj = readObj(r.bytes);
        ASSERT_EQ(obj.v.size(), points.size());
        for (const auto& corners : obj.faces) {
            std::vector<int32_t> k;
            for (const auto& c : corners) k.push_back(points[size_t(c[0] - 1)].second);
            const LwLayer* layer = points[size_t(corners.at(0)[0] - 1)].first;
            auto found = polygonOf.find(key(layer, k));
            ASSERT_NE(found, polygonOf.end()) << "face " << &corners - &obj.faces[0];
            const LwPolygonRec& p = *found->second;
            size_t n = corners.size();
            ASSERT_EQ(n, size_t(p.cornerCount));
            for (size_t i = 0; i < n; ++i) {
                size_t c = (n - i) % n;
                const LwCorner& corner = p.corners[c];
                const std::array<long, 3>& at = corners[i];
                EXPECT_EQ(points[size_t(at[0] - 1)].second, corner.point) << "not in reverse";
                const float* pos = layer->points.items[corner.point].pos;
                EXPECT_EQ(obj.v[size_t(at[0] - 1)], (std::array<float, 3>{pos[0], pos[1], -pos[2]}));
                for (size_t j = 0; j < 3; ++j)
                    EXPECT_NEAR(obj.vn[size_t(at[2] - 1)][j], j == 2 ? -corner.normal[j] : corner.normal[j], 1e-6f);
                ASSERT_EQ(at[1] != 0, p.uv != nullptr);
                for (size_t j = 0; p.uv && j < 2; ++j)
                    EXPECT_NEAR(obj.vt[size_t(at[1] - 1)][j], j ? 1.0f - p.uv[2 * c + j] : p.uv[2 * c], 1e-6f);
            }
        }
        EXPECT_EQ(obj.faces.size(), polygonOf.size());
        freeLwObject(o);
    }
}

// Texture coordinates as LightWave counts them (v up from the picture's
// bottom row), the UV map's as written or worked out by hand for each
// projection, to a thousandth: an OBJ keeps them (its origin is LightWave's),
// a glTF takes 1 - v (its origin is the top-left corner). u -1: not compared.
// (A real UV-mapped object: lwo-convert-check.sh.)
TEST(Convert, TextureOriginsFollowEachFormat)
{
    // One triangle, 2 wide on each axis: latitudes 45, 0 and -45 degrees about z; its normal mostly x.
    const std::vector<float> tri = {0.3f, 0.4f, 0.5f, 0.4f, -0.3f, 0, -0.4f, 0.3f, -0.5f};
    const std::pair<int, std::array<long, 6>> cases[] = {  // projection, u and v per point
        {0, {650, 700, 700, 350, 300, 650}},  // planar: x / 2 + 1/2, y / 2 + 1/2
        {1, {-1, 750, -1, 500, -1, 250}},     // cylindrical: v = z / 2 + 1/2
        {2, {-1, 750, -1, 500, -1, 250}},     // spherical: v = 1/2 + latitude / pi
        {3, {-1, 700, -1, 350, -1, 650}},     // cubic, along x: v = y / 2 + 1/2
        {5, {100, 200, 800, 300, 500, 900}},  // the UV map below
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        LwwSurface s;
        s.name = "S";
        s.textured = true;
        s.image.projection = c.first;
        s.image.axis = 2;
        s.image.vmap = "uv";
        s.image.wrapTypes[0] = c.first == 5 ? 2 : 1, s.image.wrapTypes[1] = c.first == 5 ? 3 : 0;
        for (float& size : s.image.size) size = 2;
        const std::vector<LwwClip> picture = {{1, PICTURE}};
        LwObject* o = load(lwwWithVMap(lwwObject({s}, {{"", tri, {{0, 1, 2}}, {0}}}, picture), "TXUV", "uv", 2,
                                       {0.1f, 0.2f, 0.8f, 0.3f, 0.5f, 0.9f}));
        ReadBack back;
        ConvertResult r;
        ASSERT_TRUE(o && convertAndRead(o, &back) && convertToObj(o, nullptr, "x.mtl", ConvertOptions(), &r));
        freeLwObject(o);
        // By position (LightWave's axes).
        std::map<std::array<float, 3>, std::array<long, 2>> expected, gltf, obj;
        for (size_t i = 0; i < 3; ++i)
            expected[{tri[3 * i], tri[3 * i + 1], tri[3 * i + 2]}] = {c.second[2 * i], c.second[2 * i + 1]};
        auto put = [&](auto* to, float x, float y, float z, float u, float v) {
            (*to)[{x, y, z}] = {c.second[0] < 0 ? -1 : std::lround(1000 * u), std::lround(1000 * v)};
        };
        size_t triangles;
        for (const Corner& k : gltfCorners(back.model, back.model.meshes.at(0), &triangles))
            put(&gltf, k[0], k[1], -k[2], k[6], 1.0f - k[7]);  // v back from the top row
        ObjRead read = readObj(r.bytes);
        for (const auto& k : read.faces.at(0)) {
            const auto &v = read.v[size_t(k[0] - 1)], &vt = read.vt.at(size_t(k[1] - 1));
            put(&obj, v[0], v[1], -v[2], vt[0], vt[1]);
        }
        EXPECT_EQ(obj, expected) << "OBJ";
        EXPECT_EQ(gltf, expected) << "glTF";
        // The block's WRAP: mirror and edge kept, reset and repeat repeat.
        const tinygltf::Sampler& sampler = back.model.samplers.at(size_t(back.model.textures.at(0).sampler));
        EXPECT_EQ(sampler.wrapS, c.first == 5 ? TINYGLTF_TEXTURE_WRAP_MIRRORED_REPEAT : TINYGLTF_TEXTURE_WRAP_REPEAT);
        EXPECT_EQ(sampler.wrapT, c.first == 5 ? TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE : TINYGLTF_TEXTURE_WRAP_REPEAT);
    }
}

// A subdivision warning names its cause: memory running out is not a cage too large.
TEST(Convert, SubdivisionWarningsNameTheirCause)
{
    LwSubdivision kept = {0, 9, 0, 0, 0, lwSubdivisionTooLarge}, refined = {2, 9, 144, 0, 0, lwSubdivisionNoMemory};
    EXPECT_EQ(subdivisionWarning(3, kept), "layer 3 SubPatches: cage kept: too large");
    kept.problem = lwSubdivisionNoMemory;
    EXPECT_EQ(subdivisionWarning(3, kept), "layer 3 SubPatches: cage kept: out of memory");
    EXPECT_EQ(subdivisionWarning(3, refined), "layer 3 SubPatches: out of memory: some refined corners unsmoothed or uncoloured");
}

// Ear clipping: n - 2 triangles, all turning the polygon's way, covering its area.
TEST(Convert, TriangulationCoversConcavePolygons)
{
    struct Case {
        const char* name;
        std::vector<float> xy;
    } cases[] = {
        {"convex hexagon", {2, 0, 1, 1.7f, -1, 1.7f, -2, 0, -1, -1.7f, 1, -1.7f}},
        {"dart", {0, 0, 2, 1, 0, 3, 0.5f, 1}},
        {"L", {0, 0, 2, 0, 2, 1, 1, 1, 1, 3, 0, 3}},
        {"L clockwise", {0, 3, 1, 3, 1, 1, 2, 1, 2, 0, 0, 0}},
        {"star", {0, 3, 0.7f, 1, 2.9f, 0.9f, 1.1f, -0.4f, 1.8f, -2.4f, 0, -1.2f, -1.8f, -2.4f, -1.1f, -0.4f, -2.9f, 0.9f,
                  -0.7f, 1}},
        {"comb", {0, 0, 5, 0, 5, 3, 4, 1, 3, 3, 2, 1, 1, 3, 0, 1}},
    };
    auto area = [](const float* a, const float* b, const float* c) {
        return ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) / 2.0;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int n = int(c.xy.size() / 2);
        std::vector<float> xyz;
        double whole = 0.0;
        for (int i = 0; i < n; ++i) {
            xyz.insert(xyz.end(), {c.xy[size_t(2 * i)], 5.0f, c.xy[size_t(2 * i + 1)]});  // in the y plane
            int j = (i + 1) % n;
            whole += (c.xy[size_t(2 * i)] * c.xy[size_t(2 * j + 1)] - c.xy[size_t(2 * j)] * c.xy[size_t(2 * i + 1)]) / 2.0;
        }
        const float up[3] = {0, 1, 0};
        std::vector<int> t;
        triangulatePolygon(xyz.data(), n, up, &t);
        ASSERT_EQ(t.size(), size_t(3 * (n - 2)));
        double sum = 0.0;
        for (size_t k = 0; k < t.size(); k += 3) {
            double a = area(&c.xy[size_t(2 * t[k])], &c.xy[size_t(2 * t[k + 1])], &c.xy[size_t(2 * t[k + 2])]);
            EXPECT_GT(a * whole, 0.0) << "triangle " << k / 3 << " turns the other way";
            sum += a;
        }
        EXPECT_NEAR(sum, whole, 1e-4);
    }
}

}  // namespace
