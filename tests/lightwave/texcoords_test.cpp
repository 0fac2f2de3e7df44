// What a corner carries besides its point: texture coordinates of one point mapped by planar,
// cylindrical, spherical and cubic projections (cases/projections.txt), polygons joined across
// the wrap line (cases/seams.txt); each corner's colour from the map a surface's VCOL names
// (which map serves is in the golden dump of vcolors.lwt).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

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
