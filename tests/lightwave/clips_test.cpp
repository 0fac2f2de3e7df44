// Clips and envelopes.
#include <gtest/gtest.h>

#include "lwtest.h"

static LwClip* clipOf(const LwWriter& w)
{
    std::vector<unsigned char> data = chunkData(w);
    MemFile m(data);
    return readClip(m.file, int32_t(data.size()));
}

static LwEnvelope* envelopeOf(const LwWriter& w)
{
    std::vector<unsigned char> data = chunkData(w);
    MemFile m(data);
    return readEnvelope(m.file, int32_t(data.size()));
}

TEST(LwClips, StillClipKeepsItsDefaults)
{
    LwWriter w;
    lwwStillClip(w, 7, "Images/a.jpg");
    LwClip* c = clipOf(w);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->index, 7);
    EXPECT_EQ(c->type, lwId('S', 'T', 'I', 'L'));
    EXPECT_STREQ(c->source.still.name, "Images/a.jpg");
    EXPECT_STREQ(lwClipFirstName(c), "Images/a.jpg");
    EXPECT_EQ(c->contrast.value, 1.0f);
    EXPECT_EQ(c->brightness.value, 1.0f);
    EXPECT_EQ(c->saturation.value, 1.0f);
    EXPECT_EQ(c->gamma.value, 1.0f);
    EXPECT_EQ(c->hue.value, 0.0f);
    freeClip(c);

    LwWriter empty;
    lwwStillClip(empty, 1, "");
    c = clipOf(empty);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(lwClipFirstName(c), nullptr);
    freeClip(c);
}

TEST(LwClips, FirstSubChunkNamesTheKind)
{
    LwWriter w;
    size_t c = w.beginChunk("CLIP");
    w.u4(2);
    size_t time = w.beginSub("TIME");  // first: becomes the kind, read as nothing
    w.f4(1);
    w.f4(2);
    w.f4(3);
    w.endSub(time);
    time = w.beginSub("TIME");
    w.f4(4);
    w.f4(5);
    w.f4(6);
    w.endSub(time);
    size_t stil = w.beginSub("STIL");  // not first: not a source
    w.s0("ignored");
    w.endSub(stil);
    size_t gamm = w.beginSub("GAMM");
    w.f4(2.2f);
    w.vx(3);
    w.endSub(gamm);
    for (const char* f : {"PFLT", "IFLT", "PFLT"}) {
        size_t s = w.beginSub(f);
        w.s0(f);
        w.u2(1);
        w.u2(0xABCD);
        w.endSub(s);
    }
    w.endChunk(c);
    LwClip* clip = clipOf(w);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->type, lwId('T', 'I', 'M', 'E'));
    EXPECT_EQ(clip->startTime, 4.0f);
    EXPECT_EQ(clip->frameRate, 6.0f);
    EXPECT_EQ(lwClipFirstName(clip), nullptr);
    EXPECT_EQ(clip->source.still.name, nullptr);
    EXPECT_EQ(clip->gamma.value, 2.2f);
    EXPECT_EQ(clip->gamma.envelope, 3);
    EXPECT_EQ(clip->imageFilterCount, 1);
    EXPECT_EQ(clip->pixelFilterCount, 2);
    ASSERT_EQ(clip->pixelFilters->dataSize, 2);
    EXPECT_EQ(clip->pixelFilters->data[0], 0xAB);
    EXPECT_EQ(clip->pixelFilters->flags, 1);
    freeClip(clip);
}

TEST(LwClips, OtherSourceKinds)
{
    LwObject* o = loadBytes(lwwSampleObject());
    ASSERT_NE(o, nullptr);
    ASSERT_EQ(o->clipCount, 2);
    LwClip* seq = findLwClip(o->clips, 2);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->type, lwId('I', 'S', 'E', 'Q'));
    EXPECT_EQ(seq->source.sequence.digits, 3);
    EXPECT_EQ(seq->source.sequence.end, 10);
    EXPECT_STREQ(seq->source.sequence.suffix, ".png");
    EXPECT_STREQ(lwClipFirstName(seq), "Images/seq");
    EXPECT_EQ(seq->imageFilterCount, 1);
    EXPECT_EQ(findLwClip(o->clips, 9), nullptr);
    freeLwObject(o);

    for (const char* kind : {"XREF", "STCC", "ANIM"}) {
        LwWriter w;
        size_t c = w.beginChunk("CLIP");
        w.u4(1);
        size_t s = w.beginSub(kind);
        if (kind[0] == 'X') {
            w.u4(5);
            w.s0("ref");
        } else if (kind[0] == 'S') {
            w.i2(-1);
            w.i2(4);
            w.s0("cyc");
        } else {
            w.s0("anim");
            w.s0("server");
            w.u2(77);
        }
        w.endSub(s);
        w.endChunk(c);
        LwClip* clip = clipOf(w);
        ASSERT_NE(clip, nullptr) << kind;
        if (kind[0] == 'X') {
            EXPECT_EQ(clip->source.reference.index, 5);
            EXPECT_STREQ(lwClipFirstName(clip), "ref");
        } else if (kind[0] == 'S') {
            EXPECT_EQ(clip->source.cycle.low, -1);
            EXPECT_EQ(clip->source.cycle.high, 4);
            EXPECT_STREQ(lwClipFirstName(clip), "cyc");
        } else {
            EXPECT_STREQ(clip->source.animation.server, "server");
            EXPECT_EQ(clip->source.animation.dataSize, 2);
            EXPECT_STREQ(lwClipFirstName(clip), "anim");
        }
        freeClip(clip);
    }
}

TEST(LwClips, FindReturnsTheEarliestOfEqualIndices)
{
    LwObject* o = loadBytes(lwo2([](LwWriter& w) {
        lwwStillClip(w, 3, "first");
        lwwStillClip(w, 3, "second");
    }));
    ASSERT_NE(o, nullptr);
    EXPECT_STREQ(lwClipFirstName(findLwClip(o->clips, 3)), "first");
    freeLwObject(o);
}

static void key(LwWriter& w, float time, float value)
{
    size_t k = w.beginSub("KEY ");
    w.f4(time);
    w.f4(value);
    w.endSub(k);
}

static void span(LwWriter& w, const char* shape, int values)
{
    size_t s = w.beginSub("SPAN");
    w.id(shape);
    for (int i = 0; i < values; ++i) w.f4(float(i + 1));
    w.endSub(s);
}

TEST(LwEnvelopes, KeysSortByTimeAndSpansShapeTheCurrentKey)
{
    LwWriter w;
    size_t c = w.beginChunk("ENVL");
    w.vx(4);
    key(w, 2, 20);
    span(w, "BEZ2", 5);  // only four are read
    key(w, 1, 10);
    span(w, "TCB ", 3);
    key(w, 3, 30);
    span(w, "STEP", 2);
    key(w, 3, 31);
    span(w, "TCB ", 1);
    size_t n = w.beginSub("NAME");
    w.s0("Env");
    w.endSub(n);
    size_t ch = w.beginSub("CHAN");
    w.s0("Noise");
    w.u2(2);
    w.endSub(ch);
    w.endChunk(c);
    LwEnvelope* e = envelopeOf(w);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->index, 4);
    EXPECT_STREQ(e->name, "Env");
    ASSERT_EQ(e->keyCount, 4);
    float times[] = {1, 2, 3, 3};
    float values[] = {10, 20, 30, 31};
    LwEnvelopeKey* k = e->keys;
    for (int i = 0; i < 4; ++i, k = k->next) {
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k->time, times[i]);
        EXPECT_EQ(k->value, values[i]);
    }
    k = e->keys;
    EXPECT_EQ(k->shape, lwId('T', 'C', 'B', ' '));
    EXPECT_EQ(k->tension, 1.0f);
    EXPECT_EQ(k->bias, 3.0f);
    k = k->next;
    EXPECT_EQ(k->shape, lwId('B', 'E', 'Z', '2'));
    EXPECT_EQ(k->param[3], 4.0f);
    EXPECT_EQ(k->tension, 0.0f);
    k = k->next;
    EXPECT_EQ(k->shape, lwId('S', 'T', 'E', 'P'));
    EXPECT_EQ(k->param[0], 0.0f);
    k = k->next;
    EXPECT_EQ(k->tension, 1.0f);
    EXPECT_EQ(k->continuity, 0.0f);
    EXPECT_EQ(e->channelFilterCount, 1);
    EXPECT_STREQ(e->channelFilters->name, "Noise");
    freeEnvelope(e);
}

TEST(LwEnvelopes, SpanBeforeAnyKeyFailsTheObject)
{
    uint32_t id = 0;
    int32_t pos = 0;
    EXPECT_EQ(loadBytes(lwo2([](LwWriter& w) {
                  size_t c = w.beginChunk("ENVL");
                  w.vx(1);
                  span(w, "TCB ", 3);
                  key(w, 0, 1);
                  w.endChunk(c);
              }),
              &id, &pos),
              nullptr);
    EXPECT_EQ(idText(id), "ENVL");
    EXPECT_GT(pos, 12);
}

TEST(LwEnvelopes, SubChunksOverrunningTheChunkFail)
{
    LwWriter w;
    size_t c = w.beginChunk("ENVL");
    w.vx(1);
    key(w, 0, 1);
    w.endChunk(c);
    std::vector<unsigned char> data = chunkData(w);
    MemFile m(data);
    // Told the chunk ends in the middle of the key.
    EXPECT_EQ(readEnvelope(m.file, int32_t(data.size() - 4)), nullptr);
}
