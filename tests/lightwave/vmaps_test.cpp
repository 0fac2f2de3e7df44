// Vertex maps and their links to points and polygon corners.
#include <gtest/gtest.h>

#include "lwtest.h"

static const float quad[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};

// A map chunk: entries of (point[, polygon], values...).
static void vmap(LwWriter& w, const char* id, const char* type, int dimension, const char* name,
                 const std::vector<std::vector<float>>& entries)
{
    size_t c = w.beginChunk(id);
    w.id(type);
    w.u2(unsigned(dimension));
    w.s0(name);
    bool perPolygon = id[3] == 'D';
    for (const std::vector<float>& e : entries) {
        w.vx(uint32_t(e[0]));
        if (perPolygon) w.vx(uint32_t(e[1]));
        for (size_t i = perPolygon ? 2 : 1; i < e.size(); ++i) w.f4(e[i]);
    }
    w.endChunk(c);
}

TEST(LwVMaps, PointMapsLinkInMapAndEntryOrder)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwPoints(w, quad, 2);
        lwwPoints(w, quad + 6, 2);  // entries below count from point 2
        vmap(w, "VMAP", "TXUV", 2, "uv", {{1, 0.5f, 0.25f}, {0, 1, 1}});
        vmap(w, "VMAP", "PICK", 0, "sel", {{1}});
        vmap(w, "VMAP", "WGHT", 1, "weight", {{0, 0.75f}});
    }));
    ASSERT_NE(o, nullptr);
    LwLayer* l = o->layers;
    EXPECT_EQ(l->vmapCount, 3);
    LwVMap* uv = l->vmaps;
    LwVMap* sel = uv->next;
    LwVMap* weight = sel->next;
    EXPECT_STREQ(uv->name, "uv");
    EXPECT_EQ(uv->type, lwId('T', 'X', 'U', 'V'));
    EXPECT_EQ(uv->dimension, 2);
    EXPECT_EQ(uv->perPolygon, 0);
    ASSERT_EQ(uv->entryCount, 2);
    EXPECT_EQ(uv->pointIndex[0], 3);
    EXPECT_EQ(uv->pointIndex[1], 2);
    EXPECT_EQ(uv->values[0][1], 0.25f);
    EXPECT_EQ(uv->values[1], uv->values[0] + 2);
    EXPECT_EQ(sel->values, nullptr);
    EXPECT_EQ(sel->entryCount, 1);

    const LwPointRec* p = l->points.items;
    EXPECT_EQ(p[0].vmapCount, 0);
    EXPECT_EQ(p[0].vmapLinks, nullptr);
    ASSERT_EQ(p[3].vmapCount, 2);
    EXPECT_EQ(p[3].vmapLinks[0].map, uv);
    EXPECT_EQ(p[3].vmapLinks[0].entry, 0);
    EXPECT_EQ(p[3].vmapLinks[1].map, sel);
    ASSERT_EQ(p[2].vmapCount, 2);
    EXPECT_EQ(p[2].vmapLinks[0].entry, 1);
    EXPECT_EQ(p[2].vmapLinks[1].map, weight);
    freeLwObject(o);
}

TEST(LwVMaps, PolygonMapsLinkToTheFirstMatchingCorner)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwPoints(w, quad, 4);
        lwwPolygons(w, "FACE", {3, 4}, {0, 1, 2, 0, 2, 2, 3});
        vmap(w, "VMAD", "TXUV", 2, "uv",
             {{2, 1, 0.1f, 0.2f},    // polygon 1 has point 2 twice: first corner
              {3, 0, 0.3f, 0.4f},    // point 3 is not in polygon 0: kept, not linked
              {0, 0, 0.5f, 0.6f}});
    }));
    ASSERT_NE(o, nullptr);
    LwLayer* l = o->layers;
    LwVMap* m = l->vmaps;
    ASSERT_EQ(m->entryCount, 3);
    EXPECT_EQ(m->perPolygon, 1);
    EXPECT_EQ(m->polygonIndex[0], 1);
    EXPECT_EQ(m->values[1][1], 0.4f);
    const LwPolygonRec* p = l->polygons.items;
    ASSERT_EQ(p[1].corners[1].vmapCount, 1);
    EXPECT_EQ(p[1].corners[1].vmapLinks[0].map, m);
    EXPECT_EQ(p[1].corners[1].vmapLinks[0].entry, 0);
    EXPECT_EQ(p[1].corners[2].vmapCount, 0);
    ASSERT_EQ(p[0].corners[0].vmapCount, 1);
    EXPECT_EQ(p[0].corners[0].vmapLinks[0].entry, 2);
    int linked = 0;
    for (int32_t c = 0; c < l->polygons.cornerCount; ++c) linked += l->polygons.cornerBlock[c].vmapCount;
    EXPECT_EQ(linked, 2);
    // Per-polygon maps do not link to points.
    for (int32_t i = 0; i < l->points.count; ++i) EXPECT_EQ(l->points.items[i].vmapCount, 0);
    freeLwObject(o);
}

TEST(LwVMaps, SampleTorusSeamsCarryCornerValues)
{
    LwObject* o = loadBytes(lwwTorusObject(6, 4));
    ASSERT_NE(o, nullptr);
    LwLayer* torus = o->layers;
    ASSERT_EQ(torus->vmapCount, 2);
    EXPECT_EQ(torus->vmaps->entryCount, 24);
    EXPECT_EQ(torus->vmaps->next->entryCount, 6 * 2 + 4 * 2);
    // The last polygon of ring 0 wraps to side 0: its corners 1 and 2 take u = 1.
    const LwPolygonRec* p = &torus->polygons.items[3];
    ASSERT_EQ(p->corners[1].vmapCount, 1);
    const LwVMapLink& link = p->corners[1].vmapLinks[0];
    EXPECT_EQ(link.map->values[link.entry][0], 1.0f);
    EXPECT_EQ(p->corners[0].vmapCount, 0);
    // Every point has its TXUV value.
    for (int32_t i = 0; i < torus->points.count; ++i) EXPECT_EQ(torus->points.items[i].vmapCount, 1);
    freeLwObject(o);
}
