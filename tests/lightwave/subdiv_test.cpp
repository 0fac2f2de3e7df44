// SubPatch refinement: the cages of objects/subpatches.lwt at levels 1 and 2, and a real object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "lwsubdiv.h"
#include "lwtest.h"
#include "lwtext.h"
#include "test_support.h"

namespace {

LwObject* cages() { return loadBytes(lwtCases(LWT_DIR "/objects/subpatches.lwt").at(0).bytes); }

LwLayer* layerNamed(LwObject* o, const std::string& name)
{
    for (LwLayer* l = o->layers; l; l = l->next)
        if (l->name && name == l->name) return l;
    return nullptr;
}

// A polygon's corner positions, normals and texture coordinates.
std::vector<float> cornersOf(const LwLayer* l, const LwPolygonRec& p)
{
    std::vector<float> v;
    for (int32_t k = 0; k < p.cornerCount; ++k) {
        const float* x = l->points.items[p.corners[k].point].pos;
        v.insert(v.end(), x, x + 3);
        v.insert(v.end(), p.corners[k].normal, p.corners[k].normal + 3);
        if (p.uv) v.insert(v.end(), p.uv + 2 * k, p.uv + 2 * k + 2);
    }
    return v;
}

// The polygons a polygon becomes: one unless it is a patch of three distinct points or more.
int refinedCount(const LwPolygonRec& p, int level)
{
    std::vector<int32_t> points;
    for (int32_t k = 0; k < p.cornerCount; ++k) points.push_back(p.corners[k].point);
    std::sort(points.begin(), points.end());
    bool valid = isLwSubPatch(&p) && p.cornerCount >= 3 && std::unique(points.begin(), points.end()) == points.end();
    return valid ? p.cornerCount << (2 * (level - 1)) : 1;
}

// The rows of cases/cages.txt.
TEST(LwSubdivision, CagesBecomeTheirRefinement)
{
    for (const auto& c : readCases(LWT_DIR "/cases/cages.txt", 3)) {
        SCOPED_TRACE(c[0] + " level " + c[1]);
        LwObject* o = cages();
        LwLayer* l = o ? layerNamed(o, c[0]) : nullptr;
        ASSERT_NE(l, nullptr);
        const int level = std::stoi(c[1]);
        std::vector<std::vector<float>> others;     // the polygons left as they are, in order
        std::map<const LwSurface*, int> surfaces;  // polygons expected on each surface
        for (int32_t j = 0; j < l->polygons.count; ++j) {
            const LwPolygonRec& p = l->polygons.items[j];
            if (refinedCount(p, 1) == 1) others.push_back(cornersOf(l, p));
            surfaces[p.surface] += refinedCount(p, level);
        }
        LwSubdivision r;
        EXPECT_TRUE(subdivideLwLayer(l, level, &r));
        EXPECT_EQ(r.level, level);
        EXPECT_EQ(r.problem, lwSubdivisionFine);
        EXPECT_EQ(std::to_string(r.controlPolygons) + " " + std::to_string(l->polygons.count) + " " +
                      std::to_string(l->points.count) + " " + std::to_string(r.degenerate) + " " +
                      std::to_string(r.nonManifoldEdges),
                  c[2]);
        // The others first, as they were; quads after them on their control polygon's surface.
        std::map<const LwSurface*, int> now;
        int64_t listed = 0, corners = 0;
        for (int32_t j = 0; j < l->polygons.count; ++j) {
            const LwPolygonRec& p = l->polygons.items[j];
            if (size_t(j) < others.size()) EXPECT_EQ(cornersOf(l, p), others[size_t(j)]) << j;
            else EXPECT_EQ(p.cornerCount, 4) << j;
            ++now[p.surface];
            corners += p.cornerCount;
        }
        EXPECT_EQ(now, surfaces);
        for (int32_t i = 0; i < l->points.count; ++i) listed += l->points.items[i].polygonCount;
        EXPECT_EQ(listed, corners);  // the point lists follow
        freeLwObject(o);
    }
}

// The refined cube lies inside its cage, rounder, smoothly shaded, facing out; the plane
// keeps its facing and its texture's whole range, each quad inside its control polygon's.
TEST(LwSubdivision, ShapeShadingAndTextureCoordinates)
{
    LwObject* o = cages();
    ASSERT_NE(o, nullptr);
    LwLayer* cube = layerNamed(o, "cube");
    LwSubdivision r;
    ASSERT_TRUE(subdivideLwLayer(cube, 2, &r));
    float low = 1, high = 0;
    std::map<int32_t, std::vector<float>> normals;  // by point
    for (int32_t j = 0; j < cube->polygons.count; ++j)
        for (int32_t k = 0; k < 4; ++k) {
            const LwCorner& c = cube->polygons.items[j].corners[k];
            const float* x = cube->points.items[c.point].pos;
            low = std::min(low, float(std::sqrt(dot3(x, x)))), high = std::max(high, float(std::sqrt(dot3(x, x))));
            EXPECT_GT(dot3(x, c.normal), 0);
            auto known = normals.emplace(c.point, std::vector<float>(c.normal, c.normal + 3));
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(known.first->second[i], c.normal[i], 1e-5f);
        }
    EXPECT_GT(low, 0.3f);
    EXPECT_LT(high / low, 1.25f);  // the cage's: 0.5 to 0.87

    LwLayer* plane = layerNamed(o, "plane");
    std::vector<float> cageUv;
    for (int32_t j = 0; j < 4; ++j) cageUv.insert(cageUv.end(), plane->polygons.items[j].uv, plane->polygons.items[j].uv + 8);
    const float facing = plane->polygons.items[0].normal[2];
    ASSERT_TRUE(subdivideLwLayer(plane, 2, &r));
    float range[4] = {1, 1, 0, 0};
    for (int32_t j = 0; j < plane->polygons.count; ++j) {
        const LwPolygonRec& p = plane->polygons.items[j];
        EXPECT_EQ(p.normal[2], facing);
        ASSERT_NE(p.uv, nullptr);
        const float* parent = &cageUv[size_t(j / 16 * 8)];
        for (int32_t k = 0; k < 8; ++k) {
            const int i = k % 2;
            EXPECT_GE(p.uv[k], std::min({parent[i], parent[2 + i], parent[4 + i], parent[6 + i]}) - 1e-6f);
            EXPECT_LE(p.uv[k], std::max({parent[i], parent[2 + i], parent[4 + i], parent[6 + i]}) + 1e-6f);
            range[i] = std::min(range[i], p.uv[k]), range[2 + i] = std::max(range[2 + i], p.uv[k]);
        }
    }
    EXPECT_EQ(std::vector<float>(range, range + 4), std::vector<float>({0, 0, 1, 1}));
    freeLwObject(o);
}

// The tinted patch at level 1: each refined corner takes the colour bilinear within the
// patch (a cage corner's, an edge's mean, the centre's mean), point 3 the mean of the
// others; the face beside it keeps its corners' colours.
TEST(LwSubdivision, VertexColoursReachTheRefinedCorners)
{
    LwObject* o = loadBytes(lwtCases(LWT_DIR "/objects/subpatches.lwt").at(1).bytes);
    ASSERT_NE(o, nullptr);
    LwLayer* l = o->layers;
    auto colours = [l](const LwPolygonRec& p) {
        const LwVertexColorMaps maps = findLwVertexColorMaps(l, p.surface);
        std::vector<std::vector<float>> v;
        for (int32_t k = 0; k < p.cornerCount; ++k) {
            float rgba[4] = {-1, -1, -1, -1};
            lwCornerColor(l, &p, k, maps, rgba);
            v.emplace_back(rgba, rgba + 4);
        }
        return v;
    };
    const auto face = colours(l->polygons.items[1]);
    LwSubdivision r;
    ASSERT_TRUE(subdivideLwLayer(l, 1, &r));
    ASSERT_EQ(l->polygons.count, 5);
    EXPECT_EQ(colours(l->polygons.items[0]), face);

    const std::vector<float> cage[4] = {{.75f, 0, 0, 1}, {0, .75f, 0, 1}, {0, 0, .75f, 1}, {.25f, .25f, .25f, 1}};
    auto mean = [](const std::vector<float>& a, const std::vector<float>& b) {
        std::vector<float> m;
        for (size_t i = 0; i < a.size(); ++i) m.push_back((a[i] + b[i]) / 2);
        return m;
    };
    std::multiset<std::vector<float>> expected, got;
    for (int i = 0; i < 4; ++i) {
        expected.insert({cage[i], mean(cage[i], cage[(i + 1) % 4]), mean(cage[i], cage[(i + 1) % 4]),
                         {.25f, .25f, .25f, 1}});
    }
    std::map<int32_t, std::set<std::vector<float>>> byPoint;
    for (int32_t j = 1; j < 5; ++j) {
        const auto v = colours(l->polygons.items[j]);
        for (int32_t k = 0; k < 4; ++k) byPoint[l->polygons.items[j].corners[k].point].insert(v[size_t(k)]);
        got.insert(v.begin(), v.end());
    }
    EXPECT_EQ(got, expected);
    for (const auto& p : byPoint) EXPECT_EQ(p.second.size(), 1u) << "point " << p.first;  // one colour a point
    freeLwObject(o);
}

// A SubPatch object saved by LightWave: 24 control quads, closed.
TEST(LwSubdivision, RealObject)
{
    const char* file = "/usr/share/assimp/models/LWO/LWO2/Subdivision.lwo";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << file << " is not installed";
    LwObject* o = readLwObject(file, nullptr, nullptr);
    ASSERT_NE(o, nullptr);
    LwSubdivision r;
    ASSERT_TRUE(subdivideLwLayer(o->layers, 2, &r));
    EXPECT_EQ(std::vector<int>({r.controlPolygons, o->layers->polygons.count, r.degenerate, r.nonManifoldEdges}),
              std::vector<int>({24, 384, 0, 0}));
    freeLwObject(o);
}

}  // namespace
