// Vertex colour maps named by VCOL: which map serves, and each corner's colour.
#include <gtest/gtest.h>

#include <cstring>

#include "lwtest.h"
#include "lwtext.h"

namespace {
TEST(LwVertexColors, MapsAndCorners)
{
    LwObject* o = loadBytes(lwtCases(LWT_DIR "/objects/vcolors.lwt").at(0).bytes);
    ASSERT_NE(o, nullptr);
    const LwLayer* layer = o->layers;
    const struct {
        const char* surface;
        int32_t status;
    } surfaces[] = {{"Tinted", lwVertexColorFound},
                    {"Missing", lwVertexColorMissing},
                    {"Flat", lwVertexColorWrongDimension},
                    {"Weight", lwVertexColorNotColor}};
    for (const auto& c : surfaces) {
        const LwSurface* s = o->surfaces;
        while (s && std::strcmp(s->name, c.surface) != 0) s = s->next;
        ASSERT_NE(s, nullptr) << c.surface;
        EXPECT_EQ(findLwVertexColorMaps(layer, s).status, c.status) << c.surface;
    }

    // The quad: the VMAD entry before the point's VMAP entry; point 3 has neither.
    const LwPolygonRec* quad = &layer->polygons.items[0];
    LwVertexColorMaps maps = findLwVertexColorMaps(layer, quad->surface);
    EXPECT_EQ(maps.channels, 3);
    const float expected[3][4] = {{1, 1, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    for (int32_t corner = 0; corner < 5; ++corner) {
        float rgba[4] = {-1, -1, -1, -1};
        bool found = lwCornerColor(layer, quad, corner, maps, rgba);
        EXPECT_EQ(found, corner < 3) << corner;  // corner 4 does not exist
        for (int k = 0; found && k < 4; ++k) EXPECT_EQ(rgba[k], expected[corner][k]) << corner;
    }
    // The missing map colours nothing, even where the quad's corners have entries of "paint".
    float rgba[4];
    EXPECT_FALSE(lwCornerColor(layer, quad, 0, findLwVertexColorMaps(layer, layer->polygons.items[1].surface), rgba));
    freeLwObject(o);
}
}  // namespace
