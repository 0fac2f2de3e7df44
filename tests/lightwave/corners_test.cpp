// What a corner carries besides its point: texture coordinates of one point mapped by planar,
// cylindrical, spherical and cubic projections (cases/projections.txt), polygons joined across
// the wrap line (cases/seams.txt); each corner's colour from the map a surface's VCOL names
// (which map serves is in the golden dump of vcolors.lwt). Then smoothed corner normals, which
// must follow the plain rule exactly: a neighbour in the same smoothing group counts when the
// arc cosine of the clamped cosine between the two polygon normals, rounded to float, is at
// most the smoothing angle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

#include "lwalloc.h"
#include "lwtest.h"
#include "lwtext.h"
#include "test_support.h"

TEST(LwTexCoords, MapsEachProjection)
{
    const std::vector<std::string> projections = {"planar", "cylindrical", "spherical", "cubic", "front", "uv"};
    for (const auto& row : readCases(LWT_DIR "/cases/projections.txt", 4)) {
        SCOPED_TRACE(row[0] + " | " + row[1]);
        std::istringstream in(row[0] + " " + row[1] + " " + row[2] + " " + row[3]);
        std::string projection;
        float point[3], normal[3], uv[2], u, v;
        LwTexture t;
        std::memset(&t, 0, sizeof t);
        in >> projection >> t.image.axis;
        // A procedural texture maps planar along its header's axis.
        const bool procedural = projection == "procedural";
        t.type = procedural ? lwId('P', 'R', 'O', 'C') : lwId('I', 'M', 'A', 'P');
        auto named = std::find(projections.begin(), projections.end(), projection);
        t.image.projection = procedural ? lwCylindrical : LwProjection(named - projections.begin());
        if (procedural) t.axis = int16_t(t.image.axis), t.image.axis = 1;
        in >> t.mapping.size.value[0] >> t.image.wrapWidth.value >> t.image.wrapHeight.value >> t.mapping.center.value[0];
        t.mapping.size.value[1] = t.mapping.size.value[2] = t.mapping.size.value[0];
        in >> point[0] >> point[1] >> point[2] >> normal[0] >> normal[1] >> normal[2] >> u >> v;
        ASSERT_TRUE(in) << "a malformed row";
        mapTexturePoint(&t, point, normal, uv);
        EXPECT_NEAR(uv[0], u, 1e-6f);
        EXPECT_NEAR(uv[1], v, 1e-6f);
    }
}

TEST(LwTexCoords, JoinsSeamsAndPoles)
{
    for (const auto& row : readCases(LWT_DIR "/cases/seams.txt", 2)) {
        std::vector<float> uv, after = numbersIn(row[1]);
        for (float u : numbersIn(row[0])) uv.insert(uv.end(), {u, 0.5f});
        joinSeam(uv.data(), int32_t(uv.size() / 2));
        ASSERT_EQ(after.size(), uv.size() / 2) << row[0];
        for (size_t k = 0; k < after.size(); ++k) {
            EXPECT_NEAR(uv[2 * k], after[k], 1e-6f) << row[0] << ", corner " << k;
            EXPECT_EQ(uv[2 * k + 1], 0.5f);
        }
    }
}

TEST(LwVertexColors, PolygonEntryBeforePointEntry)
{
    LwObject* o = loadBytes(lwtCases(LWT_DIR "/objects/vcolors.lwt").at(0).bytes);
    ASSERT_NE(o, nullptr);
    const LwLayer* layer = o->layers;
    const LwPolygonRec* quad = &layer->polygons.items[0];
    LwVertexColorMaps maps = findLwVertexColorMaps(layer, quad->surface);
    // The VMAD entry, two VMAP entries, a point without one, a corner the quad has not got.
    const float expected[5][4] = {{1, 1, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {-1, -1, -1, -1}, {-1, -1, -1, -1}};
    for (int32_t corner = 0; corner < 5; ++corner) {
        float rgba[4] = {-1, -1, -1, -1};
        EXPECT_EQ(lwCornerColor(layer, quad, corner, maps, rgba), corner < 3) << corner;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(rgba[k], expected[corner][k]) << corner;
    }
    freeLwObject(o);
}

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
