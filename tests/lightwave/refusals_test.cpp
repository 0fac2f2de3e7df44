// Files whose records, strings, indices or sizes reach outside their chunk,
// buffer or layer are refused: the chunk fails and so does the read.
#include <gtest/gtest.h>

#include "lwtest.h"

static const float quad[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};

// Loads and expects a failure in the chunk `id`.
template <class F> static void expectRefused(const char* id, F body)
{
    uint32_t failId = 0;
    int32_t failPos = -1;
    LwObject* o = loadBytes(lwo2(body), &failId, &failPos);
    EXPECT_EQ(o, nullptr);
    freeLwObject(o);
    EXPECT_EQ(idText(failId), id);
    EXPECT_GT(failPos, 12);
}

TEST(LwRefusals, PolygonRecordCrossingTheChunkEnd)
{
    expectRefused("POLS", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        size_t c = w.beginChunk("POLS");
        w.id("FACE");
        w.u2(4);  // four corners, three given
        w.vx(0);
        w.vx(1);
        w.vx(2);
        w.endChunk(c);
    });
    expectRefused("POLS", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        size_t c = w.beginChunk("POLS");
        w.id("FACE");
        w.u2(1);
        w.u1(0xFF);  // a long index cut short
        w.u1(0);
        w.endChunk(c);
    });
}

TEST(LwRefusals, CornerPointAtOrPastThePointCount)
{
    expectRefused("POLS", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        lwwPolygons(w, "FACE", {3}, {0, 1, 4});
    });
    // Indices count from the latest PNTS chunk.
    expectRefused("POLS", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        lwwPoints(w, quad, 2);
        lwwPolygons(w, "FACE", {3}, {0, 1, 2});
    });
    expectRefused("POLS", [](LwWriter& w) { lwwPolygons(w, "FACE", {1}, {0}); });
}

TEST(LwRefusals, PolygonTagsOutsideThePolygons)
{
    expectRefused("PTAG", [](LwWriter& w) {
        lwwTags(w, {"A"});
        lwwPoints(w, quad, 4);
        lwwPolygons(w, "FACE", {4}, {0, 1, 2, 3});
        lwwPolygonTags(w, "SURF", {1}, {0});
    });
    expectRefused("PTAG", [](LwWriter& w) {
        lwwTags(w, {"A"});
        lwwPoints(w, quad, 4);
        lwwPolygons(w, "FACE", {4}, {0, 1, 2, 3});
        size_t c = w.beginChunk("PTAG");
        w.id("SMGP");
        w.vx(0);  // polygon without its tag
        w.endChunk(c);
    });
    expectRefused("PTAG", [](LwWriter& w) {
        size_t c = w.beginChunk("PTAG");
        w.u2(0);  // shorter than its type
        w.endChunk(c);
    });
}

TEST(LwRefusals, TagStringsCrossingTheChunkEnd)
{
    expectRefused("TAGS", [](LwWriter& w) {
        size_t c = w.beginChunk("TAGS");
        w.s0("Good");
        w.raw("Bad!", 4);  // no NUL
        w.endChunk(c);
    });
}

// A map chunk whose entries are written by `entries`.
template <class F> static void mapChunk(LwWriter& w, const char* id, F entries)
{
    size_t c = w.beginChunk(id);
    w.id("TXUV");
    w.u2(2);
    w.s0("uv");
    entries(w);
    w.endChunk(c);
}

TEST(LwRefusals, VertexMapIndicesOutsideTheLayer)
{
    expectRefused("VMAP", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        mapChunk(w, "VMAP", [](LwWriter& m) {
            m.vx(4);
            m.f4(0);
            m.f4(0);
        });
    });
    expectRefused("VMAD", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        lwwPolygons(w, "FACE", {4}, {0, 1, 2, 3});
        mapChunk(w, "VMAD", [](LwWriter& m) {
            m.vx(0);
            m.vx(1);  // only polygon 0 exists
            m.f4(0);
            m.f4(0);
        });
    });
    expectRefused("VMAD", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        lwwPolygons(w, "FACE", {4}, {0, 1, 2, 3});
        mapChunk(w, "VMAD", [](LwWriter& m) {
            m.vx(9);
            m.vx(0);
            m.f4(0);
            m.f4(0);
        });
    });
}

TEST(LwRefusals, VertexMapEntryOrNameCrossingTheChunkEnd)
{
    expectRefused("VMAP", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        mapChunk(w, "VMAP", [](LwWriter& m) {
            m.vx(0);
            m.f4(0);  // one value of two
        });
    });
    expectRefused("VMAP", [](LwWriter& w) {
        lwwPoints(w, quad, 4);
        size_t c = w.beginChunk("VMAP");
        w.id("TXUV");
        w.u2(2);
        w.raw("unterminated", 12);
        w.endChunk(c);
    });
}

TEST(LwRefusals, SizesOverrunningTheirChunk)
{
    // A bounding box in a chunk too small for it.
    expectRefused("BBOX", [](LwWriter& w) {
        size_t c = w.beginChunk("BBOX");
        w.f4(1);
        w.f4(2);
        w.endChunk(c);
        lwwPoints(w, quad, 4);
    });
    // A layer header longer than its chunk.
    expectRefused("LAYR", [](LwWriter& w) {
        size_t c = w.beginChunk("LAYR");
        w.u2(1);
        w.u2(0);
        w.endChunk(c);
        lwwPoints(w, quad, 4);
    });
    // A POLS chunk shorter than its type: its data size would be negative.
    expectRefused("POLS", [](LwWriter& w) {
        size_t c = w.beginChunk("POLS");
        w.u2(0);
        w.endChunk(c);
        lwwPoints(w, quad, 4);
    });
    // A texture header claiming more than its block.
    expectRefused("SURF", [](LwWriter& w) {
        size_t c = w.beginChunk("SURF");
        w.s0("S");
        w.s0("");
        size_t blok = w.beginSub("BLOK");
        w.id("IMAP");
        w.u2(40);
        w.s0("\x80");
        w.endSub(blok);
        w.endChunk(c);
    });
    // A clip sub-chunk reaching past the clip.
    expectRefused("CLIP", [](LwWriter& w) {
        size_t c = w.beginChunk("CLIP");
        w.u4(1);
        w.id("STIL");
        w.u2(30);
        w.s0("x.jpg");
        w.endChunk(c);
        lwwPoints(w, quad, 4);
    });
    // A chunk size that cannot be counted in 31 bits.
    expectRefused("PNTS", [](LwWriter& w) {
        w.id("PNTS");
        w.u4(0xFFFFFFF0u);
        w.f4(0);
    });
}

TEST(LwRefusals, EveryPrefixOfAGoodFileFailsCleanly)
{
    std::vector<unsigned char> whole = lwwSampleObject();
    LwObject* o = loadBytes(whole);
    ASSERT_NE(o, nullptr);
    freeLwObject(o);
    int failures = 0;
    for (size_t n = 0; n < whole.size(); n += 3) {
        std::vector<unsigned char> cut(whole.begin(), whole.begin() + long(n));
        LwObject* part = loadBytes(cut);
        failures += part == nullptr;
        freeLwObject(part);
    }
    EXPECT_EQ(failures, int((whole.size() + 2) / 3));
}
