// Layers, points, polygons, the chunk loop and its failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "lwtest.h"

static const float tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};

TEST(LwGeometry, ObjectWithoutLayerChunkHasOneLayer)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwPoints(w, tri, 3);
        lwwPolygons(w, "FACE", {3}, {0, 1, 2});
    }));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->layerCount, 1);
    ASSERT_NE(o->layers, nullptr);
    EXPECT_EQ(o->layers->next, nullptr);
    EXPECT_EQ(o->layers->name, nullptr);
    EXPECT_EQ(o->layers->number, 0);
    EXPECT_EQ(o->layers->points.count, 3);
    EXPECT_EQ(o->layers->polygons.count, 1);
    EXPECT_EQ(o->layers->polygons.items[0].surface, nullptr);  // no tags at all
    EXPECT_EQ(o->layers->polygons.items[0].uv, nullptr);
    freeLwObject(o);
}

TEST(LwGeometry, SecondLayerTakesLaterGeometryObjectChunksStayShared)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwLayer(w, 3, "one");
        lwwPoints(w, tri, 3);
        lwwTags(w, {"A"});
        lwwLayer(w, 7, "two", 3);
        lwwPoints(w, tri, 2);
        lwwPolygons(w, "FACE", {2}, {0, 1});
        lwwStillClip(w, 4, "x.jpg");
        lwwEnvelope(w, 1, "e", {0, 1});
        LwwSurface s;
        s.name = "A";
        lwwSurface(w, s);
    }));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->layerCount, 2);
    LwLayer* one = o->layers;
    LwLayer* two = one->next;
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->prev, one);
    EXPECT_STREQ(one->name, "one");
    EXPECT_EQ(one->number, 3);
    EXPECT_EQ(one->parent, 0);  // no parent field
    EXPECT_EQ(one->points.count, 3);
    EXPECT_EQ(one->polygons.count, 0);
    EXPECT_STREQ(two->name, "two");
    EXPECT_EQ(two->number, 7);
    EXPECT_EQ(two->parent, 3);
    EXPECT_EQ(two->points.count, 2);
    EXPECT_EQ(two->polygons.count, 1);
    EXPECT_EQ(o->tags.count, 1);
    EXPECT_EQ(o->clipCount, 1);
    EXPECT_EQ(o->envelopeCount, 1);
    EXPECT_EQ(o->surfaceCount, 1);
    EXPECT_EQ(two->polygons.items[0].surface, o->surfaces);
    freeLwObject(o);
}

TEST(LwGeometry, PointAndPolygonOffsetsFollowTheLatestChunks)
{
    static const float more[6] = {5, 5, 5, 6, 6, 6};
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwPoints(w, tri, 3);
        lwwPolygons(w, "FACE", {3}, {0, 1, 2});
        lwwPoints(w, more, 2);
        lwwPolygons(w, "FACE", {2, 0x0403}, {0, 1, 0, 1, 0});
        lwwPolygons(w, "CURV", {2}, {1, 0});
    }));
    ASSERT_NE(o, nullptr);
    LwLayer* l = o->layers;
    EXPECT_EQ(l->points.count, 5);
    EXPECT_EQ(l->points.offset, 3);
    EXPECT_EQ(l->points.items[4].pos[0], 6.0f);
    ASSERT_EQ(l->polygons.count, 4);
    EXPECT_EQ(l->polygons.offset, 3);
    EXPECT_EQ(l->polygons.cornerCount, 10);
    EXPECT_EQ(l->polygons.cornerOffset, 8);
    const LwPolygonRec* p = l->polygons.items;
    EXPECT_EQ(p[1].corners[0].point, 3);
    EXPECT_EQ(p[1].corners[1].point, 4);
    EXPECT_EQ(p[2].cornerCount, 3);
    EXPECT_EQ(p[2].flags, 0x0400);
    EXPECT_EQ(p[2].type, lwId('F', 'A', 'C', 'E'));
    EXPECT_EQ(p[3].type, lwId('C', 'U', 'R', 'V'));
    EXPECT_EQ(p[3].corners[0].point, 4);
    // The runs follow one another in the shared block after both growths.
    EXPECT_EQ(p[0].corners, l->polygons.cornerBlock);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(p[i].corners, p[i - 1].corners + p[i - 1].cornerCount);
    EXPECT_EQ(p[0].corners[2].point, 2);
    freeLwObject(o);
}

TEST(LwGeometry, PointsChunkIgnoresBytesAfterTheLastTriple)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        size_t c = w.beginChunk("PNTS");
        for (int i = 0; i < 7; ++i) w.f4(float(i));
        w.u2(0);
        w.endChunk(c);
    }));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->layers->points.count, 2);
    EXPECT_EQ(o->layers->points.items[1].pos[2], 5.0f);
    freeLwObject(o);
}

TEST(LwGeometry, UnknownAndOddSizedChunksAreSkippedWithTheirPad)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        size_t c = w.beginChunk("ZZZZ");
        w.raw("abcde", 5);
        w.endChunk(c);  // pad byte after 5
        lwwPoints(w, tri, 3);
        c = w.beginChunk("DESC");
        w.raw("x", 1);
        w.endChunk(c);
        lwwPolygons(w, "FACE", {3}, {2, 1, 0});
    }));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->layers->points.count, 3);
    EXPECT_EQ(o->layers->polygons.count, 1);
    freeLwObject(o);
}

TEST(LwGeometry, ShortFormSizeEndsTheReadAfterTheChunkReachingIt)
{
    LwWriter w;
    w.beginForm("LWO2");
    lwwPoints(w, tri, 3);
    size_t formSize = w.bytes.size() - 8;
    lwwPolygons(w, "FACE", {3}, {0, 1, 7});  // would be refused if read
    w.bytes[4] = 0;
    w.bytes[5] = 0;
    w.bytes[6] = uint8_t(formSize >> 8);
    w.bytes[7] = uint8_t(formSize - 10);  // inside the PNTS chunk
    LwObject* o = loadBytes(w.bytes);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->layers->points.count, 3);
    EXPECT_EQ(o->layers->polygons.count, 0);
    freeLwObject(o);
}

TEST(LwGeometry, BoundingBoxComputedUnlessGiven)
{
    static const float pts[6] = {-1, 2, 3, 4, -5, 6};
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwLayer(w, 1, "computed");
        size_t c = w.beginChunk("BBOX");
        for (int i = 0; i < 6; ++i) w.f4(0);
        w.endChunk(c);
        lwwPoints(w, pts, 2);
        lwwLayer(w, 2, "given");
        c = w.beginChunk("BBOX");
        for (int i = 0; i < 6; ++i) w.f4(i == 4 ? 9.0f : 0.0f);
        w.endChunk(c);
        lwwPoints(w, pts, 2);
        lwwLayer(w, 3, "empty");
    }));
    ASSERT_NE(o, nullptr);
    const float* b = o->layers->bbox;
    float expect[6] = {-1, -5, 3, 4, 2, 6};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b[i], expect[i]) << i;
    b = o->layers->next->bbox;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b[i], i == 4 ? 9.0f : 0.0f) << i;
    b = o->layers->next->next->bbox;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b[i], 0.0f);
    freeLwObject(o);
}

TEST(LwGeometry, HeaderFailures)
{
    uint32_t id = 77;
    int32_t pos = 77;
    // Shorter than a header: nothing written.
    std::vector<unsigned char> shortHeader = {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'L', 'W'};
    EXPECT_EQ(loadBytes(shortHeader, &id, &pos), nullptr);
    EXPECT_EQ(id, 77u);
    EXPECT_EQ(pos, 77);
    // Not a FORM, or another form type: position 12, ID untouched.
    LwWriter w;
    w.beginForm("LWO2");
    lwwPoints(w, tri, 3);
    std::vector<unsigned char> notForm = w.bytes;
    notForm[0] = 'X';
    EXPECT_EQ(loadBytes(notForm, &id, &pos), nullptr);
    EXPECT_EQ(pos, 12);
    EXPECT_EQ(id, 77u);
    pos = 0;
    std::vector<unsigned char> otherType = w.bytes;
    otherType[11] = '3';
    EXPECT_EQ(loadBytes(otherType, &id, &pos), nullptr);
    EXPECT_EQ(pos, 12);
    EXPECT_EQ(id, 77u);
    // A missing file.
    EXPECT_EQ(readLwObject("/nonexistent/thing.lwo", &id, &pos), nullptr);
    EXPECT_EQ(pos, 12);
}

TEST(LwGeometry, TruncatedFilesReportTheChunkAndPosition)
{
    std::vector<unsigned char> whole = lwo2([](LwWriter& w) {
        lwwPoints(w, tri, 3);                      // 12..56
        lwwPolygons(w, "FACE", {3}, {0, 1, 2});    // 56..76
    });
    ASSERT_EQ(whole.size(), 76u);
    uint32_t id = 0;
    int32_t pos = 0;
    // Cut inside the POLS data: its block read comes short, at the end.
    std::vector<unsigned char> cut(whole.begin(), whole.begin() + 72);
    EXPECT_EQ(loadBytes(cut, &id, &pos), nullptr);
    EXPECT_EQ(idText(id), "POLS");
    EXPECT_EQ(pos, 72);
    // Cut inside the second chunk header: the ID was read, the size not.
    cut.assign(whole.begin(), whole.begin() + 62);
    EXPECT_EQ(loadBytes(cut, &id, &pos), nullptr);
    EXPECT_EQ(idText(id), "POLS");
    EXPECT_EQ(pos, 62);
    // Cut right after the first chunk while the form size says more.
    cut.assign(whole.begin(), whole.begin() + 56);
    EXPECT_EQ(loadBytes(cut, &id, &pos), nullptr);
    EXPECT_EQ(idText(id), "PNTS");
    EXPECT_EQ(pos, 56);
    // An unknown chunk claiming more than the file holds.
    std::vector<unsigned char> skip = lwo2([](LwWriter& w) {
        w.id("ZZZZ");
        w.u4(1000);
        w.u4(0);
    });
    EXPECT_EQ(loadBytes(skip, &id, &pos), nullptr);
    EXPECT_EQ(idText(id), "ZZZZ");
    EXPECT_EQ(pos, int32_t(skip.size()));
}

TEST(LwGeometry, ReadsFromAPathAndPrintsTheLoadLines)
{
    char path[] = "/tmp/lwgeomXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    LwWriter w;
    w.bytes = lwwCube(0.0f);
    ASSERT_TRUE(w.save(path));
    testing::internal::CaptureStdout();
    LwObject* o = readLwObject(path, nullptr, nullptr);
    std::string out = testing::internal::GetCapturedStdout();
    std::remove(path);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(out, std::string("LwLoader[Info]:: Load ") + path + " \n LightWave 6.xx Format \n");
    EXPECT_EQ(o->layers->polygons.count, 6);
    freeLwObject(o);
}
