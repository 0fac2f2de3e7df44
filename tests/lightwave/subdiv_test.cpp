// SubPatch refinement: the cages of objects/subpatches.lwt at levels 1 and 2, and a real object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>

#include "lwsubdiv.h"
#include "lwtest.h"
#include "lwtext.h"

namespace {

struct CageCase {
    const char* layer;
    int level;
    int control, polygons, points, degenerate, nonManifold;
};

// 24 + 96 quads of a cube (26 and 98 points), 4 x 4 and 4 x 16 of the plane (25 and 81
// points), one quad per patch corner (11) beside two faces, two patches left alone.
const CageCase cageCases[] = {
    {"cube", 1, 6, 24, 8 + 26, 0, 0},      {"cube", 2, 6, 96, 8 + 98, 0, 0},
    {"plane", 1, 4, 16, 9 + 25, 0, 0},     {"plane", 2, 4, 64, 9 + 81, 0, 0},
    {"mixed", 1, 3, 2 + 11, -1, 0, 0},     {"mixed", 2, 3, 2 + 44, -1, 0, 0},
    {"degenerate", 1, 5, 2 + 12, -1, 2, 1}, {"degenerate", 2, 5, 2 + 48, -1, 2, 1},
};

LwObject* cages() { return loadBytes(lwtCases(LWT_DIR "/objects/subpatches.lwt").at(0).bytes); }

LwLayer* layerNamed(LwObject* o, const char* name)
{
    for (LwLayer* l = o->layers; l; l = l->next)
        if (l->name && std::string(l->name) == name) return l;
    return nullptr;
}

const float* pos(const LwLayer* l, const LwCorner& c) { return l->points.items[c.point].pos; }

// The polygons a polygon becomes at a level: one unless it is a patch of distinct points.
int refinedCount(const LwPolygonRec& p, int level)
{
    std::vector<int32_t> points;
    for (int32_t k = 0; k < p.cornerCount; ++k) points.push_back(p.corners[k].point);
    std::sort(points.begin(), points.end());
    bool valid = isLwSubPatch(&p) && p.cornerCount >= 3 && std::unique(points.begin(), points.end()) == points.end();
    return valid ? p.cornerCount << (2 * (level - 1)) : 1;
}

TEST(LwSubdivision, CagesBecomeTheirRefinement)
{
    for (const CageCase& c : cageCases) {
        SCOPED_TRACE(std::string(c.layer) + " level " + std::to_string(c.level));
        LwObject* o = cages();
        ASSERT_NE(o, nullptr);
        LwLayer* l = layerNamed(o, c.layer);
        ASSERT_NE(l, nullptr);
        std::vector<LwPolygonRec> before(l->polygons.items, l->polygons.items + l->polygons.count);
        std::vector<std::vector<float>> ordinary;  // corner positions, normals and uvs of the other polygons
        for (const LwPolygonRec& p : before) {
            if (refinedCount(p, 1) > 1) continue;
            ordinary.emplace_back();
            for (int32_t k = 0; k < p.cornerCount; ++k) {
                ordinary.back().insert(ordinary.back().end(), pos(l, p.corners[k]), pos(l, p.corners[k]) + 3);
                ordinary.back().insert(ordinary.back().end(), p.corners[k].normal, p.corners[k].normal + 3);
                if (p.uv) ordinary.back().insert(ordinary.back().end(), p.uv + 2 * k, p.uv + 2 * k + 2);
            }
        }
        std::map<const LwSurface*, int> surfaces;  // polygons each control surface should have
        for (const LwPolygonRec& p : before) surfaces[p.surface] += refinedCount(p, c.level);

        LwSubdivision measured, r;
        EXPECT_TRUE(measureLwSubdivision(l, c.level, &measured));
        EXPECT_TRUE(subdivideLwLayer(l, c.level, &r));
        EXPECT_EQ(std::memcmp(&measured, &r, sizeof r), 0);
        EXPECT_EQ(r.level, c.level);
        EXPECT_EQ(r.controlPolygons, c.control);
        EXPECT_EQ(r.subdividedPolygons + std::count_if(before.begin(), before.end(), [](const LwPolygonRec& p) {
                      return !isLwSubPatch(&p);
                  }), c.polygons);
        EXPECT_EQ(l->polygons.count, c.polygons);
        EXPECT_EQ(r.degenerate, c.degenerate);
        EXPECT_EQ(r.nonManifoldEdges, c.nonManifold);
        EXPECT_EQ(r.problem, lwSubdivisionFine);
        if (c.points >= 0) {
            EXPECT_EQ(l->points.count, c.points);
        }

        // The other polygons come first, as they were.
        for (size_t j = 0; j < ordinary.size(); ++j) {
            const LwPolygonRec& p = l->polygons.items[j];
            std::vector<float> now;
            for (int32_t k = 0; k < p.cornerCount; ++k) {
                now.insert(now.end(), pos(l, p.corners[k]), pos(l, p.corners[k]) + 3);
                now.insert(now.end(), p.corners[k].normal, p.corners[k].normal + 3);
                if (p.uv) now.insert(now.end(), p.uv + 2 * k, p.uv + 2 * k + 2);
            }
            EXPECT_EQ(now, ordinary[j]) << "polygon " << j;
        }
        // Quads after them, on their control polygon's surface; the point lists follow.
        std::map<const LwSurface*, int> now;
        for (int32_t j = 0; j < l->polygons.count; ++j) ++now[l->polygons.items[j].surface];
        EXPECT_EQ(now, surfaces);
        int64_t listed = 0, corners = 0;
        for (int32_t i = 0; i < l->points.count; ++i) listed += l->points.items[i].polygonCount;
        for (int32_t j = ordinary.size(); j < l->polygons.count; ++j) EXPECT_EQ(l->polygons.items[j].cornerCount, 4);
        for (int32_t j = 0; j < l->polygons.count; ++j) corners += l->polygons.items[j].cornerCount;
        EXPECT_EQ(listed, corners);
        freeLwObject(o);
    }
}

// The refined cube lies inside its cage, rounder, smoothly shaded; the plane keeps its
// facing and its texture's whole range, each quad inside its control polygon's.
TEST(LwSubdivision, ShapeShadingAndTextureCoordinates)
{
    LwObject* o = cages();
    ASSERT_NE(o, nullptr);
    LwLayer* cube = layerNamed(o, "cube");
    LwSubdivision r;
    ASSERT_TRUE(subdivideLwLayer(cube, 2, &r));
    float low = 1, high = 0;
    std::map<int32_t, std::vector<float>> normals;  // by point
    for (int32_t j = 0; j < cube->polygons.count; ++j) {
        const LwPolygonRec& p = cube->polygons.items[j];
        for (int32_t k = 0; k < p.cornerCount; ++k) {
            const float* x = pos(cube, p.corners[k]);
            float radius = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
            low = std::min(low, radius), high = std::max(high, radius);
            EXPECT_GT(dot3(x, p.corners[k].normal), 0) << "outward";
            std::vector<float>& n = normals[p.corners[k].point];
            if (n.empty()) n.assign(p.corners[k].normal, p.corners[k].normal + 3);
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(n[i], p.corners[k].normal[i], 1e-5f);
        }
    }
    EXPECT_GT(low, 0.3f);
    EXPECT_LT(high / low, 1.25f);  // the cage: 0.5 to 0.87

    LwLayer* plane = layerNamed(o, "plane");
    std::vector<std::vector<float>> cageUv;
    for (int32_t j = 0; j < plane->polygons.count; ++j)
        cageUv.emplace_back(plane->polygons.items[j].uv, plane->polygons.items[j].uv + 8);
    const float facing = plane->polygons.items[0].normal[2];
    ASSERT_TRUE(subdivideLwLayer(plane, 2, &r));
    float uvLow[2] = {1, 1}, uvHigh[2] = {0, 0};
    for (int32_t j = 0; j < plane->polygons.count; ++j) {
        const LwPolygonRec& p = plane->polygons.items[j];
        EXPECT_NEAR(p.normal[2], facing, 1e-6f);
        EXPECT_NEAR(std::fabs(facing), 1, 1e-6f);
        ASSERT_NE(p.uv, nullptr);
        const std::vector<float>& parent = cageUv[size_t(j / 16)];
        for (int32_t k = 0; k < 4; ++k)
            for (int i = 0; i < 2; ++i) {
                float u = p.uv[2 * k + i];
                EXPECT_GE(u, std::min({parent[i], parent[2 + i], parent[4 + i], parent[6 + i]}) - 1e-6f);
                EXPECT_LE(u, std::max({parent[i], parent[2 + i], parent[4 + i], parent[6 + i]}) + 1e-6f);
                uvLow[i] = std::min(uvLow[i], u), uvHigh[i] = std::max(uvHigh[i], u);
            }
    }
    EXPECT_EQ(std::vector<float>({uvLow[0], uvLow[1], uvHigh[0], uvHigh[1]}), std::vector<float>({0, 0, 1, 1}));
    freeLwObject(o);
}

// Levels beyond the maximum or the polygon budget are lowered; 0 keeps the cage.
TEST(LwSubdivision, LevelsAreBounded)
{
    LwObject* o = loadBytes(lwwSubPatchGrid(100));
    ASSERT_NE(o, nullptr);
    LwSubdivision r;
    const struct {
        int asked, level, polygons;
        LwSubdivisionProblem problem;
    } levels[] = {{0, 0, 10000, lwSubdivisionFine},
                  {-3, 0, 10000, lwSubdivisionFine},
                  {3, 3, 640000, lwSubdivisionFine},
                  {4, 3, 640000, lwSubdivisionLevelLowered},  // 2.56 million is beyond the budget
                  {1000000, 3, 640000, lwSubdivisionLevelLowered}};
    for (const auto& c : levels) {
        EXPECT_TRUE(measureLwSubdivision(o->layers, c.asked, &r));
        EXPECT_EQ(r.level, c.level) << c.asked;
        EXPECT_EQ(r.subdividedPolygons, c.polygons) << c.asked;
        EXPECT_EQ(r.problem, c.problem) << c.asked;
    }
    int32_t polygons = o->layers->polygons.count;
    EXPECT_TRUE(subdivideLwLayer(o->layers, 0, &r));
    EXPECT_EQ(o->layers->polygons.count, polygons);
    freeLwObject(o);
}

// A SubPatch object saved by LightWave: 24 control quads.
TEST(LwSubdivision, RealObject)
{
    const char* file = "/usr/share/assimp/models/LWO/LWO2/Subdivision.lwo";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << file << " is not installed";
    LwObject* o = readLwObject(file, nullptr, nullptr);
    ASSERT_NE(o, nullptr);
    LwSubdivision r;
    ASSERT_TRUE(subdivideLwLayer(o->layers, 2, &r));
    EXPECT_EQ(r.controlPolygons, 24);
    EXPECT_EQ(o->layers->polygons.count, 384);
    EXPECT_EQ(r.degenerate + r.nonManifoldEdges, 0);
    const float* box = o->layers->bbox;
    for (int32_t i = 0; i < o->layers->points.count; ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(o->layers->points.items[i].pos[k], box[k]);
            EXPECT_LE(o->layers->points.items[i].pos[k], box[k + 3]);
        }
    freeLwObject(o);
}

}  // namespace
