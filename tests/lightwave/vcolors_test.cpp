// Each corner's colour from the map a surface's VCOL names (which map serves
// is in the golden dump of vcolors.lwt).
#include <gtest/gtest.h>

#include "lwtest.h"
#include "lwtext.h"

namespace {
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
}  // namespace
