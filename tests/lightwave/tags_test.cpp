// Tags, polygon tags and the surfaces they resolve to.
#include <gtest/gtest.h>

#include "lwtest.h"

static const float quad[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};

static void twoQuads(LwWriter& w)
{
    lwwPoints(w, quad, 4);
    lwwPolygons(w, "FACE", {4, 4}, {0, 1, 2, 3, 3, 2, 1, 0});
}

TEST(LwTags, UnnamedTagsGetDefaultSurfacesAfterTheReadOnes)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwTags(w, {"T0", "T1"});
        twoQuads(w);
        lwwPolygonTags(w, "SURF", {1}, {1});  // polygon 0 keeps tag 0
        lwwPolygonTags(w, "COLR", {0}, {1});  // not a tag kind we keep
        LwwSurface s;
        s.name = "T1";
        s.color[0] = 0.1f;
        lwwSurface(w, s);
    }));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->surfaceCount, 2);
    LwSurface* t1 = o->surfaces;
    LwSurface* t0 = t1->next;
    ASSERT_NE(t0, nullptr);
    EXPECT_STREQ(t1->name, "T1");
    EXPECT_STREQ(t0->name, "T0");
    EXPECT_EQ(t0->color.rgb[0], 0.78431f);
    EXPECT_EQ(t0->diffuse.value, 1.0f);
    EXPECT_EQ(t0->glossiness.value, 0.4f);
    EXPECT_EQ(t0->sidedness, 1);
    const LwPolygonRec* p = o->layers->polygons.items;
    EXPECT_EQ(p[0].surface, t0);
    EXPECT_EQ(p[1].surface, t1);
    EXPECT_EQ(p[0].surfaceTag, 0);
    EXPECT_EQ(p[1].surfaceTag, 1);
    freeLwObject(o);
}

TEST(LwTags, LaterLayersFindDefaultSurfacesByName)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwTags(w, {"Only", ""});
        lwwLayer(w, 1, "a");
        twoQuads(w);
        lwwPolygonTags(w, "SURF", {1}, {1});
        lwwLayer(w, 2, "b");
        twoQuads(w);
    }));
    ASSERT_NE(o, nullptr);
    ASSERT_EQ(o->layerCount, 2);
    EXPECT_EQ(o->tags.count, 2);
    EXPECT_EQ(o->tags.strings[1], nullptr);  // empty tag
    EXPECT_EQ(o->surfaceCount, 2);
    LwSurface* only = o->surfaces;
    LwSurface* unnamed = only->next;
    EXPECT_STREQ(only->name, "Only");
    EXPECT_EQ(unnamed->name, nullptr);
    const LwPolygonRec* second = o->layers->next->polygons.items;
    EXPECT_EQ(second[0].surface, only);
    EXPECT_EQ(second[1].surface, only);
    EXPECT_EQ(o->layers->polygons.items[1].surface, unnamed);
    freeLwObject(o);
}

TEST(LwTags, PartAndSmoothingGroupTagsAndTagOffsets)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwTags(w, {"A"});
        twoQuads(w);
        lwwTags(w, {"B", "C"});  // PTAG indices now count from B
        lwwPolygonTags(w, "SURF", {0, 1}, {1, 0});
        lwwPolygonTags(w, "PART", {1}, {0});
        lwwPolygonTags(w, "SMGP", {0}, {1});
    }));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->tags.count, 3);
    EXPECT_EQ(o->tags.offset, 1);
    const LwPolygonRec* p = o->layers->polygons.items;
    EXPECT_STREQ(p[0].surface->name, "C");
    EXPECT_STREQ(p[1].surface->name, "B");
    EXPECT_EQ(p[1].part, 1);
    EXPECT_EQ(p[0].part, 0);
    EXPECT_EQ(p[0].smoothingGroup, 2);
    EXPECT_EQ(p[1].smoothingGroup, 0);
    freeLwObject(o);
}

TEST(LwTags, TagIndexAtTheTagCountFailsTheRead)
{
    uint32_t id = 0;
    int32_t pos = -5;
    EXPECT_EQ(loadBytes(lwo2([](LwWriter& w) {
                  lwwTags(w, {"A", "B"});
                  twoQuads(w);
                  lwwPolygonTags(w, "SURF", {0}, {2});
                  w.id("ZZZZ");  // the last chunk read
                  w.u4(0);
              }),
              &id, &pos),
              nullptr);
    EXPECT_EQ(idText(id), "ZZZZ");
    EXPECT_EQ(pos, -5);  // the file was already closed
}
