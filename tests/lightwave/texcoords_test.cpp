// Texture coordinates from planar, cylindrical, spherical and cubic maps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "lwtest.h"

// An image map with the given projection and axis, size and centre.
static LwTexture imageMap(int projection, int axis, float size = 1.0f)
{
    LwTexture t;
    std::memset(&t, 0, sizeof t);
    t.type = lwId('I', 'M', 'A', 'P');
    t.image.projection = projection;
    t.image.axis = axis;
    t.image.wrapWidth.value = 1.0f;
    t.image.wrapHeight.value = 1.0f;
    for (int i = 0; i < 3; ++i) t.mapping.size.value[i] = size;
    return t;
}

static void expectUv(const LwTexture& t, float x, float y, float z, float u, float v, const float* n = nullptr)
{
    static const float up[3] = {0, 0, 1};
    float p[3] = {x, y, z}, uv[2];
    mapTexturePoint(&t, p, n ? n : up, uv);
    EXPECT_NEAR(uv[0], u, 1e-6f) << x << "," << y << "," << z;
    EXPECT_NEAR(uv[1], v, 1e-6f) << x << "," << y << "," << z;
}

TEST(LwTexCoords, Planar)
{
    LwTexture z = imageMap(0, 2, 2.0f);
    expectUv(z, 1, 1, 0, 1.0f, 0.0f);
    expectUv(z, -1, -1, 0, 0.0f, 1.0f);
    LwTexture y = imageMap(0, 1);
    expectUv(y, 0.5f, 3, -0.5f, 1.0f, 1.0f);
    LwTexture x = imageMap(0, 0);
    expectUv(x, 9, 0.25f, -0.25f, 0.25f, 0.25f);
    // Centre moves the origin; front (4) and UV (5) projections map as planar.
    z.mapping.center.value[0] = 1;
    expectUv(z, 1, 0, 0, 0.5f, 0.5f);
    LwTexture front = imageMap(4, 2, 2.0f);
    expectUv(front, 1, 1, 0, 1.0f, 0.0f);
    LwTexture uvmap = imageMap(5, 2, 2.0f);
    expectUv(uvmap, -1, -1, 0, 0.0f, 1.0f);
    // Textures other than image maps are planar along the header's axis.
    LwTexture proc = imageMap(1, 1);
    proc.type = lwId('P', 'R', 'O', 'C');
    proc.axis = 0;
    expectUv(proc, 9, 0.25f, -0.25f, 0.25f, 0.25f);
}

TEST(LwTexCoords, Cylindrical)
{
    LwTexture t = imageMap(1, 1);
    expectUv(t, 0, 0, 1, 1.0f, 0.5f);
    expectUv(t, 1, 0, 0, 0.75f, 0.5f);
    expectUv(t, 0, 2, 1, 1.0f, 0.5f);   // v = -1.5 raised to 0.5
    expectUv(t, 0, -0.25f, 1, 1.0f, 0.75f);
    t.image.wrapWidth.value = 2.0f;
    expectUv(t, 1, 0, 0, 0.5f, 0.5f);   // 0.75 * 2 wrapped
    float a = float(2 * M_PI * 0.7);    // u = 0.3 before wrapping
    expectUv(t, std::sin(a), 0, std::cos(a), 0.6f, 0.5f);
    // X and Z axes.
    LwTexture x = imageMap(1, 0);
    expectUv(x, 0.25f, 0, -1, 1.0f - 0.25f, 0.25f);
    LwTexture z = imageMap(1, 2);
    expectUv(z, 0, -1, 0.25f, 1.0f, 0.25f);
}

TEST(LwTexCoords, MissingWrapAmountsCountAsOne)
{
    LwTexture t = imageMap(1, 1);
    t.image.wrapWidth.value = 0.0f;
    t.image.wrapHeight.value = 0.0f;
    expectUv(t, 1, 0, 0, 0.75f, 0.5f);
    LwTexture s = imageMap(2, 1);
    s.image.wrapWidth.value = 0.0f;
    s.image.wrapHeight.value = 0.0f;
    expectUv(s, 0, 0, 1, 1.0f, 0.5f);
}

TEST(LwTexCoords, CylinderOfZeroSizeStaysFinite)
{
    LwTexture t = imageMap(1, 1);
    t.mapping.size.value[1] = 0.0f;
    for (float y : {-1.0f, 0.0f, 1.0f}) {
        float p[3] = {1, y, 0}, n[3] = {0, 0, 1}, uv[2];
        mapTexturePoint(&t, p, n, uv);
        EXPECT_TRUE(std::isfinite(uv[1])) << y;
        EXPECT_GE(uv[1], 0.0f);
        EXPECT_LE(uv[1], 1.0f);
    }
    // A huge finite v ends too.
    t.mapping.size.value[1] = 1e-30f;
    expectUv(t, 1, 1, 0, 0.75f, 0.0f);
}

TEST(LwTexCoords, Spherical)
{
    LwTexture t = imageMap(2, 1);
    expectUv(t, 0, 1, 0, 1.0f, 0.0f);
    expectUv(t, 0, -1, 0, 1.0f, 1.0f);
    expectUv(t, 0, 0, 1, 1.0f, 0.5f);
    expectUv(t, 1, 0, 0, 0.75f, 0.5f);
    expectUv(t, 0, 1, 1, 1.0f, 0.25f);
    t.image.wrapHeight.value = 3.0f;
    expectUv(t, 0, 1, 1, 1.0f, 0.75f);
    LwTexture z = imageMap(2, 2);
    expectUv(z, 0, 0, 1, 1.0f, 0.0f);
    LwTexture x = imageMap(2, 0);
    expectUv(x, 1, 0, 0, 1.0f, 0.0f);
}

TEST(LwTexCoords, CubicFollowsTheDominantAxis)
{
    const float yz[3] = {0, 0.7f, 0.7f}, xy[3] = {0.6f, 0.6f, 0}, y[3] = {0.1f, -0.9f, 0.2f};
    EXPECT_EQ(dominantAxis(yz), 2);
    EXPECT_EQ(dominantAxis(xy), 0);
    EXPECT_EQ(dominantAxis(y), 1);
    LwTexture t = imageMap(3, 1, 2.0f);
    expectUv(t, 1, 1, 0, 1.0f, 0.0f, yz);      // along Z
    expectUv(t, 0, 1, 1, 1.0f, 0.0f, xy);      // along X: u from z, v from y
    expectUv(t, 1, 5, -1, 1.0f, 1.0f, y);      // along Y
}

TEST(LwTexCoords, Helpers)
{
    EXPECT_EQ(wrapUnit(0.25), 0.25f);
    EXPECT_EQ(wrapUnit(1.0), 1.0f);
    EXPECT_EQ(wrapUnit(1.5), 0.5f);
    EXPECT_EQ(wrapUnit(-0.25), 0.75f);
    EXPECT_EQ(cylinderAngle(0, 0), 0.0);
    EXPECT_EQ(cylinderAngle(1, 0), 6.2831854 - 1.57079635);
    EXPECT_EQ(cylinderAngle(-1, 0), 1.57079635);
    EXPECT_EQ(cylinderAngle(0, -1), 6.2831854 - M_PI);  // the turn constant, not 2 pi
    double lon, lat;
    sphereAngles(0, -2, 0, &lon, &lat);
    EXPECT_EQ(lon, 0.0);
    EXPECT_EQ(lat, -1.57079635);
    sphereAngles(1, 1, 0, &lon, &lat);
    EXPECT_NEAR(lat, M_PI / 4, 1e-7);
}

TEST(LwTexCoords, PerCornerArraysFromTheFirstColourTexture)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        static const float pts[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
        lwwTags(w, {"Tex", "Plain"});
        lwwPoints(w, pts, 4);
        lwwPolygons(w, "FACE", {4, 3, 4}, {0, 1, 2, 3, 0, 1, 2, 3, 2, 1, 0});
        lwwPolygonTags(w, "SURF", {1}, {1});
        lwwStillClip(w, 1, "t.jpg");
        LwwSurface tex;
        tex.name = "Tex";
        tex.textured = true;
        tex.image.axis = 2;
        tex.image.size[0] = tex.image.size[1] = 2.0f;
        lwwSurface(w, tex);
        LwwSurface plain;
        plain.name = "Plain";
        lwwSurface(w, plain);
    }));
    ASSERT_NE(o, nullptr);
    const LwPolygonRec* p = o->layers->polygons.items;
    EXPECT_EQ(p[1].uv, nullptr);
    ASSERT_NE(p[0].uv, nullptr);
    ASSERT_NE(p[2].uv, nullptr);
    EXPECT_EQ(p[2].uv, p[0].uv + 8);
    float expect[8] = {0.5f, 0.5f, 1.0f, 0.5f, 1.0f, 0.0f, 0.5f, 0.0f};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p[0].uv[i], expect[i]) << i;
    // Same points in reverse order give the same values per point.
    EXPECT_EQ(p[2].uv[0], 0.5f);
    EXPECT_EQ(p[2].uv[1], 0.0f);
    EXPECT_EQ(p[2].uv[6], 0.5f);
    EXPECT_EQ(p[2].uv[7], 0.5f);
    freeLwObject(o);
}

TEST(LwTexCoords, CubicCubeUsesEachFaceNormal)
{
    LwObject* o = loadBytes(lwwCube(0.0f, true, 3));
    ASSERT_NE(o, nullptr);
    const LwLayer* l = o->layers;
    for (int32_t j = 0; j < l->polygons.count; ++j) {
        const LwPolygonRec& p = l->polygons.items[j];
        ASSERT_NE(p.uv, nullptr);
        int axis = dominantAxis(p.normal);
        for (int k = 0; k < 4; ++k) {
            const float* pos = l->points.items[p.corners[k].point].pos;
            float u = axis == 0 ? pos[2] + 0.5f : pos[0] + 0.5f;
            float v = axis == 1 ? 0.5f - pos[2] : 0.5f - pos[1];
            EXPECT_EQ(p.uv[2 * k], u);
            EXPECT_EQ(p.uv[2 * k + 1], v);
        }
    }
    freeLwObject(o);
}
