// Polygon normals, adjacency and smoothed corner normals.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "lwalloc.h"
#include "lwtest.h"

static void expectVector(const float* v, float x, float y, float z, float eps = 1e-6f)
{
    EXPECT_NEAR(v[0], x, eps);
    EXPECT_NEAR(v[1], y, eps);
    EXPECT_NEAR(v[2], z, eps);
}

TEST(LwNormals, CubeJustBelowARightAngleKeepsFaceNormals)
{
    LwObject* o = loadBytes(lwwCube(1.56207f));
    ASSERT_NE(o, nullptr);
    const LwPolygonArray& polys = o->layers->polygons;
    expectVector(polys.items[0].normal, 0, 0, 1);
    expectVector(polys.items[1].normal, 0, 0, -1);
    expectVector(polys.items[2].normal, 1, 0, 0);
    expectVector(polys.items[5].normal, 0, -1, 0);
    for (int32_t j = 0; j < polys.count; ++j)
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < 3; ++i) EXPECT_EQ(polys.items[j].corners[k].normal[i], polys.items[j].normal[i]);
    freeLwObject(o);
}

TEST(LwNormals, CubeAboveARightAngleAveragesTheThreeFaces)
{
    LwObject* o = loadBytes(lwwCube(1.6f));
    ASSERT_NE(o, nullptr);
    const LwLayer* l = o->layers;
    float k = 1.0f / std::sqrt(3.0f);
    for (int32_t j = 0; j < l->polygons.count; ++j) {
        for (int c = 0; c < 4; ++c) {
            const LwCorner& corner = l->polygons.items[j].corners[c];
            const float* pos = l->points.items[corner.point].pos;
            // Each point of the unit cube: the corner normal points along it.
            expectVector(corner.normal, pos[0] > 0 ? k : -k, pos[1] > 0 ? k : -k, pos[2] > 0 ? k : -k, 1e-6f);
        }
    }
    freeLwObject(o);
}

TEST(LwNormals, ZeroAngleKeepsPolygonNormals)
{
    LwObject* o = loadBytes(lwwCube(0.0f));
    ASSERT_NE(o, nullptr);
    const LwPolygonRec& p = o->layers->polygons.items[4];
    expectVector(p.normal, 0, 1, 0);
    for (int c = 0; c < 4; ++c) expectVector(p.corners[c].normal, 0, 1, 0, 0);
    freeLwObject(o);
}

// Two quads folded along a shared edge at 90 degrees, and the given groups.
static std::vector<unsigned char> fold(int groupA, int groupB, float angle)
{
    return lwo2([&](LwWriter& w) {
        static const float pts[18] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1};
        lwwTags(w, {"S", "G1", "G2"});
        lwwPoints(w, pts, 6);
        lwwPolygons(w, "FACE", {4, 4}, {0, 1, 2, 3, 0, 3, 5, 4});
        lwwPolygonTags(w, "SMGP", {0, 1}, {groupA, groupB});
        LwwSurface s;
        s.name = "S";
        s.smoothAngle = angle;
        lwwSurface(w, s);
    });
}

TEST(LwNormals, SmoothingGroupsSeparatePolygons)
{
    LwObject* o = loadBytes(fold(1, 2, 3.0f));
    ASSERT_NE(o, nullptr);
    const LwPolygonRec* p = o->layers->polygons.items;
    expectVector(p[0].normal, 0, 0, 1);
    expectVector(p[1].normal, 1, 0, 0);
    expectVector(p[0].corners[0].normal, 0, 0, 1, 0);
    expectVector(p[1].corners[0].normal, 1, 0, 0, 0);
    freeLwObject(o);

    o = loadBytes(fold(1, 1, 3.0f));
    ASSERT_NE(o, nullptr);
    p = o->layers->polygons.items;
    float k = 1.0f / std::sqrt(2.0f);
    expectVector(p[0].corners[0].normal, k, 0, k);  // shared point 0
    expectVector(p[0].corners[1].normal, 0, 0, 1);  // point 1 is its own
    expectVector(p[1].corners[1].normal, k, 0, k);  // shared point 3
    expectVector(p[1].corners[3].normal, 1, 0, 0);  // point 4 is its own
    freeLwObject(o);
}

TEST(LwNormals, DegeneratePolygons)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        static const float pts[15] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 5, 5, 5};
        lwwTags(w, {"S"});
        lwwPoints(w, pts, 5);
        // A quad, a line on its edge, a triangle collapsed onto point 4.
        lwwPolygons(w, "FACE", {4, 2, 3}, {0, 1, 2, 3, 0, 1, 4, 4, 4});
        LwwSurface s;
        s.name = "S";
        s.smoothAngle = 1.5708f;  // at least the right angle of a zero normal
        lwwSurface(w, s);
    }));
    ASSERT_NE(o, nullptr);
    const LwPolygonRec* p = o->layers->polygons.items;
    expectVector(p[1].normal, 0, 0, 0, 0);
    expectVector(p[2].normal, 0, 0, 0, 0);
    expectVector(p[1].corners[0].normal, 0, 0, 1);  // takes the quad's
    expectVector(p[0].corners[0].normal, 0, 0, 1);  // the line adds nothing
    for (int c = 0; c < 3; ++c) expectVector(p[2].corners[c].normal, 0, 0, 0, 0);
    // Point 4 lists the collapsed triangle three times.
    const LwPointRec& point = o->layers->points.items[4];
    ASSERT_EQ(point.polygonCount, 3);
    EXPECT_EQ(point.polygons[0], 2);
    EXPECT_EQ(point.polygons[2], 2);
    const LwPointRec& first = o->layers->points.items[0];
    ASSERT_EQ(first.polygonCount, 2);
    EXPECT_EQ(first.polygons[0], 0);
    EXPECT_EQ(first.polygons[1], 1);
    freeLwObject(o);
}

TEST(LwNormals, VectorHelpers)
{
    float a[3] = {1, 0, 0}, b[3] = {0, 1, 0}, r[3];
    cross3(a, b, r);
    expectVector(r, 0, 0, 1, 0);
    float v[3] = {3, 0, 4};
    normalize3(v);
    expectVector(v, 0.6f, 0, 0.8f);
    float z[3] = {0, 0, 0};
    normalize3(z);
    expectVector(z, 0, 0, 0, 0);
    EXPECT_EQ(dot3(a, v), double(0.6f));
    // A cosine just past 1 by rounding counts as parallel.
    EXPECT_TRUE(withinSmoothAngle(1.0000001, 0.001f));
    EXPECT_FALSE(withinSmoothAngle(-1.0000001, 3.0f));
    EXPECT_TRUE(withinSmoothAngle(-1.0000001, 3.1415927f));
}

// The corner normals must be exactly those of the plain rule: the arc cosine
// of every neighbour's clamped cosine compared with the smoothing angle.
TEST(LwNormals, SmoothingMatchesTheArcCosineRuleExactly)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> height(-0.6f, 0.6f);
    const int n = 24;
    std::vector<float> pts;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) {
            pts.push_back(float(x) * 0.1f);
            pts.push_back(height(rng) * 0.1f);
            pts.push_back(float(y) * 0.1f);
        }
    std::vector<int> counts, indices;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            counts.push_back(4);
            int a = y * (n + 1) + x;
            indices.insert(indices.end(), {a, a + 1, a + n + 2, a + n + 1});
        }
    std::uniform_real_distribution<float> angle(0.0f, 3.2f);
    for (int round = 0; round < 12; ++round) {
        float s = round == 0 ? 3.1415927f : round == 1 ? 1e-7f : angle(rng);
        LwObject* o = loadBytes(lwo2([&](LwWriter& w) {
            lwwTags(w, {"S"});
            lwwPoints(w, pts.data(), pts.size() / 3);
            lwwPolygons(w, "FACE", counts, indices);
            LwwSurface surf;
            surf.name = "S";
            surf.smoothAngle = s;
            lwwSurface(w, surf);
        }));
        ASSERT_NE(o, nullptr);
        const LwLayer* l = o->layers;
        int mismatches = 0;
        for (int32_t j = 0; j < l->polygons.count; ++j) {
            const LwPolygonRec& p = l->polygons.items[j];
            for (int k = 0; k < p.cornerCount; ++k) {
                const LwPointRec& point = l->points.items[p.corners[k].point];
                float e[3] = {p.normal[0], p.normal[1], p.normal[2]};
                for (int32_t i = 0; i < point.polygonCount; ++i) {
                    const LwPolygonRec& h = l->polygons.items[point.polygons[i]];
                    if (&h == &p) continue;
                    double c = dot3(p.normal, h.normal);
                    c = c > 1 ? 1 : c < -1 ? -1 : c;
                    if (float(std::acos(c)) <= s)
                        for (int a = 0; a < 3; ++a) e[a] += h.normal[a];
                }
                normalize3(e);
                for (int a = 0; a < 3; ++a) mismatches += e[a] != p.corners[k].normal[a];
            }
        }
        EXPECT_EQ(mismatches, 0) << "angle " << s;
        freeLwObject(o);
    }
}

// Neighbours whose angle lies within float rounding of the smoothing angle:
// the decision must still be that of the arc cosine.
TEST(LwNormals, DecisionsAtTheSmoothingAngleItself)
{
    LwPointRec point = {};
    LwPointArray points = {1, 0, &point, nullptr, nullptr};
    LwCorner corners[2] = {};
    LwPolygonRec polys[2] = {};
    LwPolygonArray polygons = {2, 0, 2, 0, polys, corners, nullptr, nullptr};
    LwSurface surface = {};
    for (int i = 0; i < 2; ++i) {
        polys[i].cornerCount = 1;
        polys[i].corners = &corners[i];
        polys[i].surface = &surface;
    }
    ASSERT_EQ(buildPointPolygons(&points, &polygons), 1);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> angles(0.01f, 3.13f);
    int smoothed = 0, kept = 0;
    for (int round = 0; round < 2000; ++round) {
        float s = angles(rng);
        surface.smoothAngle = s;
        // Rotate the second normal to the smoothing angle, give or take a few ulps.
        float a = std::nextafter(s, round % 2 ? 4.0f : 0.0f);
        for (int step = 0; step < round % 4; ++step) a = std::nextafter(a, round % 2 ? 4.0f : 0.0f);
        float n0[3] = {1, 0, 0}, n1[3] = {float(std::cos(a)), float(std::sin(a)), 0};
        std::memcpy(polys[0].normal, n0, sizeof n0);
        std::memcpy(polys[1].normal, n1, sizeof n1);
        computeVertexNormals(&points, &polygons);
        double c = dot3(n0, n1);
        bool expect = float(std::acos(c > 1 ? 1 : c < -1 ? -1 : c)) <= s;
        bool got = corners[0].normal[1] != 0.0f;
        ASSERT_EQ(got, expect) << "angle " << s << " neighbour at " << a;
        (expect ? smoothed : kept)++;
    }
    // Both sides of the boundary were met.
    EXPECT_GT(smoothed, 100);
    EXPECT_GT(kept, 100);
    lwFree(points.polygonBlock);
}
