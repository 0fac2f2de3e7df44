// Smoothed corner normals must follow the plain rule exactly: a neighbour in the same
// smoothing group counts when the arc cosine of the clamped cosine between the two
// polygon normals, rounded to float, is at most the smoothing angle.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "lwalloc.h"
#include "lwtest.h"

static bool plainRule(const float* a, const float* b, float angle)
{
    double c = dot3(a, b);
    return float(std::acos(c > 1 ? 1 : c < -1 ? -1 : c)) <= angle;
}

TEST(LwNormals, BumpyGridFollowsThePlainRule)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> height(-0.06f, 0.06f), angle(0.0f, 3.2f);
    const int n = 24;
    std::vector<float> pts;
    std::vector<int> counts, indices;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) pts.insert(pts.end(), {float(x) * 0.1f, height(rng), float(y) * 0.1f});
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            int a = y * (n + 1) + x;
            counts.push_back(4);
            indices.insert(indices.end(), {a, a + 1, a + n + 2, a + n + 1});
        }
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
                    if (&h != &p && plainRule(p.normal, h.normal, s))
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

// Neighbours within float rounding of the smoothing angle, on both sides of it.
TEST(LwNormals, DecisionsAtTheSmoothingAngleItself)
{
    LwPointRec point = {};
    LwPointArray points = {1, 0, &point, nullptr, nullptr};
    LwCorner corners[2] = {};
    LwPolygonRec polys[2] = {};
    LwPolygonArray polygons = {2, 0, 2, 0, polys, corners, nullptr, nullptr};
    LwSurface surface = {};
    for (int i = 0; i < 2; ++i) polys[i].cornerCount = 1, polys[i].corners = &corners[i], polys[i].surface = &surface;
    ASSERT_EQ(buildPointPolygons(&points, &polygons), 1);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> angles(0.01f, 3.13f);
    int smoothed = 0, kept = 0;
    for (int round = 0; round < 2000; ++round) {
        float s = angles(rng);
        surface.smoothAngle = s;
        float a = std::nextafter(s, round % 2 ? 4.0f : 0.0f);
        for (int step = 0; step < round % 4; ++step) a = std::nextafter(a, round % 2 ? 4.0f : 0.0f);
        float n0[3] = {1, 0, 0}, n1[3] = {float(std::cos(a)), float(std::sin(a)), 0};
        std::memcpy(polys[0].normal, n0, sizeof n0);
        std::memcpy(polys[1].normal, n1, sizeof n1);
        computeVertexNormals(&points, &polygons);
        bool expect = plainRule(n0, n1, s);
        ASSERT_EQ(corners[0].normal[1] != 0.0f, expect) << "angle " << s << " neighbour at " << a;
        (expect ? smoothed : kept)++;
    }
    EXPECT_GT(smoothed, 100);
    EXPECT_GT(kept, 100);
    lwFree(points.polygonBlock);
    // Cosines past 1 in magnitude by rounding count as parallel or opposite.
    EXPECT_TRUE(withinSmoothAngle(1.0000001, 0.001f));
    EXPECT_FALSE(withinSmoothAngle(-1.0000001, 3.0f));
    EXPECT_TRUE(withinSmoothAngle(-1.0000001, 3.1415927f));
}
