// One point mapped by planar, cylindrical, spherical and cubic projections.
#include <gtest/gtest.h>

#include <cmath>

#include "lwtest.h"

namespace {
struct MapCase {
    int projection;  // -1: a procedural texture, planar along the header's axis
    int axis;
    float size, wrapWidth, wrapHeight, centerX;
    float point[3];
    float normal[3];
    float u, v;
};

const float s07 = float(std::sin(2 * M_PI * 0.7)), c07 = float(std::cos(2 * M_PI * 0.7));

const MapCase mapCases[] = {
    {0, 2, 2, 1, 1, 0, {1, 1, 0}, {0, 0, 1}, 1.0f, 0.0f},  // planar Z
    {0, 2, 2, 1, 1, 0, {-1, -1, 0}, {0, 0, 1}, 0.0f, 1.0f},
    {0, 2, 2, 1, 1, 1, {1, 0, 0}, {0, 0, 1}, 0.5f, 0.5f},  // the centre moves the origin
    {0, 1, 1, 1, 1, 0, {0.5f, 3, -0.5f}, {0, 0, 1}, 1.0f, 1.0f},
    {0, 0, 1, 1, 1, 0, {9, 0.25f, -0.25f}, {0, 0, 1}, 0.25f, 0.25f},
    {4, 2, 2, 1, 1, 0, {1, 1, 0}, {0, 0, 1}, 1.0f, 0.0f},  // front and UV map as planar
    {5, 2, 2, 1, 1, 0, {-1, -1, 0}, {0, 0, 1}, 0.0f, 1.0f},
    {-1, 0, 1, 1, 1, 0, {9, 0.25f, -0.25f}, {0, 0, 1}, 0.25f, 0.25f},
    {1, 1, 1, 1, 1, 0, {0, 0, 1}, {0, 0, 1}, 1.0f, 0.5f},  // cylindrical Y
    {1, 1, 1, 1, 1, 0, {1, 0, 0}, {0, 0, 1}, 0.75f, 0.5f},
    {1, 1, 1, 1, 1, 0, {0, 2, 1}, {0, 0, 1}, 1.0f, 0.5f},  // v = -1.5 raised to 0.5
    {1, 1, 1, 1, 1, 0, {0, -0.25f, 1}, {0, 0, 1}, 1.0f, 0.75f},
    {1, 1, 1, 2, 1, 0, {1, 0, 0}, {0, 0, 1}, 0.5f, 0.5f},  // 0.75 x 2 wrapped
    {1, 1, 1, 2, 1, 0, {s07, 0, c07}, {0, 0, 1}, 0.6f, 0.5f},  // 0.3 x 2
    {1, 1, 1, 0, 0, 0, {1, 0, 0}, {0, 0, 1}, 0.75f, 0.5f},  // a missing wrap amount counts as one
    {1, 0, 1, 1, 1, 0, {0.25f, 0, -1}, {0, 0, 1}, 0.75f, 0.25f},
    {1, 2, 1, 1, 1, 0, {0, -1, 0.25f}, {0, 0, 1}, 1.0f, 0.25f},
    {1, 1, 0, 1, 1, 0, {1, -1, 0}, {0, 0, 1}, 0.75f, 0.5f},  // a zero size gives the middle
    {1, 1, 0, 1, 1, 0, {1, 0, 0}, {0, 0, 1}, 0.75f, 0.5f},
    {1, 1, 1e-30f, 1, 1, 0, {1, 1, 0}, {0, 0, 1}, 0.75f, 0.0f},  // a huge v ends too
    {2, 1, 1, 1, 1, 0, {0, 1, 0}, {0, 0, 1}, 1.0f, 0.0f},  // spherical Y, on the pole
    {2, 1, 1, 1, 1, 0, {0, -1, 0}, {0, 0, 1}, 1.0f, 1.0f},
    {2, 1, 1, 1, 1, 0, {0, 0, 1}, {0, 0, 1}, 1.0f, 0.5f},
    {2, 1, 1, 1, 1, 0, {1, 0, 0}, {0, 0, 1}, 0.75f, 0.5f},
    {2, 1, 1, 1, 1, 0, {0, 1, 1}, {0, 0, 1}, 1.0f, 0.25f},
    {2, 1, 1, 1, 3, 0, {0, 1, 1}, {0, 0, 1}, 1.0f, 0.75f},
    {2, 1, 1, 0, 0, 0, {0, 0, 1}, {0, 0, 1}, 1.0f, 0.5f},
    {2, 1, 1, 1, 1, 0, {0.5f, 0.5f, 0.5f}, {0, 0, 1}, 0.875f, 0.304087f},
    {2, 2, 1, 1, 1, 0, {0, 0, 1}, {0, 0, 1}, 1.0f, 0.0f},
    {2, 2, 1, 1, 1, 0, {0.5f, 0.5f, 0.5f}, {0, 0, 1}, 0.625f, 0.304087f},
    {2, 0, 1, 1, 1, 0, {1, 0, 0}, {0, 0, 1}, 1.0f, 0.0f},
    {2, 0, 1, 1, 1, 0, {0.5f, 0.5f, 0.5f}, {0, 0, 1}, 0.375f, 0.304087f},
    {3, 1, 2, 1, 1, 0, {1, 1, 0}, {0, 0.7f, 0.7f}, 1.0f, 0.0f},  // cubic: Y and Z tie, Z wins
    {3, 1, 2, 1, 1, 0, {0, 1, 1}, {0.6f, 0.6f, 0}, 1.0f, 0.0f},  // X and Y tie, X wins
    {3, 1, 2, 1, 1, 0, {1, 5, -1}, {0.1f, -0.9f, 0.2f}, 1.0f, 1.0f},
};
}  // namespace

TEST(LwTexCoords, MapsEachProjection)
{
    for (const MapCase& c : mapCases) {
        LwTexture t;
        std::memset(&t, 0, sizeof t);
        t.type = c.projection < 0 ? lwId('P', 'R', 'O', 'C') : lwId('I', 'M', 'A', 'P');
        t.image.projection = c.projection < 0 ? 1 : c.projection;
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
