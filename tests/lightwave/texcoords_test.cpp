// One point mapped by planar, cylindrical, spherical and cubic projections.
#include <gtest/gtest.h>

#include <cmath>

#include "lwtest.h"

namespace {
struct MapCase {
    int32_t projection;  // an LwProjection, or -1: a procedural texture, planar along the header's axis
    int axis;
    float size, wrapWidth, wrapHeight, centerX;
    float point[3];
    float normal[3];
    float u, v;
};

const float s07 = float(std::sin(2 * M_PI * 0.7)), c07 = float(std::cos(2 * M_PI * 0.7));

const MapCase mapCases[] = {
    {lwPlanar, 2, 2, 1, 1, 0, {1, 1, 0}, {0, 0, 1}, 1.0f, 0.0f},  // planar Z
    {lwPlanar, 2, 2, 1, 1, 0, {-1, -1, 0}, {0, 0, 1}, 0.0f, 1.0f},
    {lwPlanar, 2, 2, 1, 1, 1, {1, 0, 0}, {0, 0, 1}, 0.5f, 0.5f},  // the centre moves the origin
    {lwPlanar, 1, 1, 1, 1, 0, {0.5f, 3, -0.5f}, {0, 0, 1}, 1.0f, 1.0f},
    {lwPlanar, 0, 1, 1, 1, 0, {9, 0.25f, -0.25f}, {0, 0, 1}, 0.25f, 0.25f},
    {lwFront, 2, 2, 1, 1, 0, {1, 1, 0}, {0, 0, 1}, 1.0f, 0.0f},  // front and UV map as planar
    {lwUv, 2, 2, 1, 1, 0, {-1, -1, 0}, {0, 0, 1}, 0.0f, 1.0f},
    {-1, 0, 1, 1, 1, 0, {9, 0.25f, -0.25f}, {0, 0, 1}, 0.25f, 0.25f},
    {lwCylindrical, 1, 1, 1, 1, 0, {0, 0, 1}, {0, 0, 1}, 1.0f, 0.5f},  // cylindrical Y
    {lwCylindrical, 1, 1, 1, 1, 0, {1, 0, 0}, {0, 0, 1}, 0.75f, 0.5f},
    {lwCylindrical, 1, 1, 1, 1, 0, {0, 2, 1}, {0, 0, 1}, 1.0f, 0.5f},  // v = -1.5 raised to 0.5
    {lwCylindrical, 1, 1, 1, 1, 0, {0, -0.25f, 1}, {0, 0, 1}, 1.0f, 0.75f},
    {lwCylindrical, 1, 1, 2, 1, 0, {1, 0, 0}, {0, 0, 1}, 0.5f, 0.5f},  // 0.75 x 2 wrapped
    {lwCylindrical, 1, 1, 2, 1, 0, {s07, 0, c07}, {0, 0, 1}, 0.6f, 0.5f},  // 0.3 x 2
    {lwCylindrical, 1, 1, 0, 0, 0, {1, 0, 0}, {0, 0, 1}, 0.75f, 0.5f},  // a missing wrap amount counts as one
    {lwCylindrical, 0, 1, 1, 1, 0, {0.25f, 0, -1}, {0, 0, 1}, 0.75f, 0.25f},
    {lwCylindrical, 2, 1, 1, 1, 0, {0, -1, 0.25f}, {0, 0, 1}, 1.0f, 0.25f},
    {lwCylindrical, 1, 0, 1, 1, 0, {1, -1, 0}, {0, 0, 1}, 0.75f, 0.5f},  // a zero size gives the middle
    {lwCylindrical, 1, 0, 1, 1, 0, {1, 0, 0}, {0, 0, 1}, 0.75f, 0.5f},
    {lwCylindrical, 1, 1e-30f, 1, 1, 0, {1, 1, 0}, {0, 0, 1}, 0.75f, 0.0f},  // a huge v ends too
    {lwSpherical, 1, 1, 1, 1, 0, {0, 1, 0}, {0, 0, 1}, 1.0f, 0.0f},  // spherical Y, on the pole
    {lwSpherical, 1, 1, 1, 1, 0, {0, -1, 0}, {0, 0, 1}, 1.0f, 1.0f},
    {lwSpherical, 1, 1, 1, 1, 0, {0, 0, 1}, {0, 0, 1}, 1.0f, 0.5f},
    {lwSpherical, 1, 1, 1, 1, 0, {1, 0, 0}, {0, 0, 1}, 0.75f, 0.5f},
    {lwSpherical, 1, 1, 1, 1, 0, {0, 1, 1}, {0, 0, 1}, 1.0f, 0.25f},
    {lwSpherical, 1, 1, 1, 3, 0, {0, 1, 1}, {0, 0, 1}, 1.0f, 0.75f},
    {lwSpherical, 1, 1, 0, 0, 0, {0, 0, 1}, {0, 0, 1}, 1.0f, 0.5f},
    {lwSpherical, 1, 1, 1, 1, 0, {0.5f, 0.5f, 0.5f}, {0, 0, 1}, 0.875f, 0.304087f},
    {lwSpherical, 2, 1, 1, 1, 0, {0, 0, 1}, {0, 0, 1}, 1.0f, 0.0f},
    {lwSpherical, 2, 1, 1, 1, 0, {0.5f, 0.5f, 0.5f}, {0, 0, 1}, 0.625f, 0.304087f},
    {lwSpherical, 0, 1, 1, 1, 0, {1, 0, 0}, {0, 0, 1}, 1.0f, 0.0f},
    {lwSpherical, 0, 1, 1, 1, 0, {0.5f, 0.5f, 0.5f}, {0, 0, 1}, 0.375f, 0.304087f},
    {lwCubic, 1, 2, 1, 1, 0, {1, 1, 0}, {0, 0.7f, 0.7f}, 1.0f, 0.0f},  // cubic: Y and Z tie, Z wins
    {lwCubic, 1, 2, 1, 1, 0, {0, 1, 1}, {0.6f, 0.6f, 0}, 1.0f, 0.0f},  // X and Y tie, X wins
    {lwCubic, 1, 2, 1, 1, 0, {1, 5, -1}, {0.1f, -0.9f, 0.2f}, 1.0f, 1.0f},
};
}  // namespace

TEST(LwTexCoords, MapsEachProjection)
{
    for (const MapCase& c : mapCases) {
        LwTexture t;
        std::memset(&t, 0, sizeof t);
        t.type = c.projection < 0 ? lwId('P', 'R', 'O', 'C') : lwId('I', 'M', 'A', 'P');
        t.image.projection = c.projection < 0 ? lwCylindrical : c.projection;
        t.image.axis = c.projection < 0 ? 1 : c.axis;
        t.axis = int16_t(c.projection < 0 ? c.axis : 0);
        t.image.wrapWidth.value = c.wrapWidth;
        t.image.wrapHeight.value = c.wrapHeight;
        t.mapping.center.value[0] = c.centerX;
        for (float& s : t.mapping.size.value) s = c.size;
        float uv[2];
        mapTexturePoint(&t, c.point, c.normal, uv);
        std::string at = std::to_string(c.projection) + " " + std::to_string(c.axis) + " (" +
                         std::to_string(c.point[0]) + ", " + std::to_string(c.point[1]) + ", " +
                         std::to_string(c.point[2]) + ")";
        EXPECT_NEAR(uv[0], c.u, 1e-6f) << at;
        EXPECT_NEAR(uv[1], c.v, 1e-6f) << at;
    }
}

namespace {
// u of each corner before and after its polygon's seam is joined; -1 marks a pole.
struct SeamCase {
    std::vector<float> before, after;
};

const SeamCase seamCases[] = {
    {{0.2f, 0.3f, 0.4f}, {0.2f, 0.3f, 0.4f}},                   // away from the line: unchanged
    {{0.95f, 0.05f, 0.1f, 0.9f}, {0.95f, 1.05f, 1.1f, 0.9f}},   // across it: the low side moves up a wrap
    {{0.1f, 0.4f, 0.95f}, {1.1f, 1.4f, 0.95f}},                 // more than half a wrap below the highest
    {{0.2f, 0.7f}, {0.2f, 0.7f}},                               // exactly half: stays
    {{-1, 0.25f, 0.5f}, {0.375f, 0.25f, 0.5f}},                 // a pole takes the others' mean
    {{0.9f, -1, 0.1f}, {0.9f, 1.0f, 1.1f}},                     // ... after they are joined
    {{-1, -1}, {0.5f, 0.5f}},                                   // nothing else: the middle
};
}  // namespace

TEST(LwTexCoords, JoinsSeamsAndPoles)
{
    for (const SeamCase& c : seamCases) {
        std::vector<float> uv;
        for (float u : c.before) uv.insert(uv.end(), {u, 0.5f});
        joinSeam(uv.data(), int32_t(c.before.size()));
        for (size_t k = 0; k < c.after.size(); ++k) {
            EXPECT_NEAR(uv[2 * k], c.after[k], 1e-6f) << "case starting " << c.before[0] << ", corner " << k;
            EXPECT_EQ(uv[2 * k + 1], 0.5f);
        }
    }
}
