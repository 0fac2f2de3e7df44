// Surfaces, texture blocks, mappings and shaders.
#include <gtest/gtest.h>

#include "lwtest.h"

// Reads the one SURF chunk the writer holds.
static LwSurface* surfaceOf(const LwWriter& w)
{
    std::vector<unsigned char> data = chunkData(w);
    MemFile m(data);
    LwSurface* s = readSurface(m.file, int32_t(data.size()));
    if (s) {
        EXPECT_EQ(m.position(), long(data.size()));
    }
    return s;
}

static void sub(LwWriter& w, const char* id, std::initializer_list<float> values)
{
    size_t s = w.beginSub(id);
    for (float v : values) w.f4(v);
    w.endSub(s);
}

static void header(LwWriter& w, const char* type, const char* ordinal, const char* channel)
{
    size_t h = w.beginSub(type);
    w.s0(ordinal);
    size_t c = w.beginSub("CHAN");
    w.id(channel);
    w.endSub(c);
    w.endSub(h);
}

TEST(LwSurfaces, NameAndColourOnlyKeepsTheDefaults)
{
    LwWriter w;
    size_t c = w.beginChunk("SURF");
    w.s0("Plain");
    w.s0("Source");
    size_t colr = w.beginSub("COLR");
    w.f4(0.1f);
    w.f4(0.2f);
    w.f4(0.3f);
    w.vx(5);
    w.endSub(colr);
    w.endChunk(c);
    LwSurface* s = surfaceOf(w);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, "Plain");
    EXPECT_STREQ(s->sourceName, "Source");
    EXPECT_EQ(s->color.rgb[2], 0.3f);
    EXPECT_EQ(s->color.envelope, 5);
    EXPECT_EQ(s->diffuse.value, 1.0f);
    EXPECT_EQ(s->glossiness.value, 0.4f);
    EXPECT_EQ(s->bump.value, 1.0f);
    EXPECT_EQ(s->refractionIndex.value, 1.0f);
    EXPECT_EQ(s->sidedness, 1);
    EXPECT_EQ(s->specularity.value, 0.0f);
    freeSurface(s);
}

TEST(LwSurfaces, ChannelsOddSubChunksAndUnknownOnes)
{
    LwWriter w;
    size_t c = w.beginChunk("SURF");
    w.s0("S");
    w.s0("");
    size_t odd = w.beginSub("VCOL");  // unknown, odd size, padded
    w.raw("abc", 3);
    w.endSub(odd);
    size_t specular = w.beginSub(lwwSpecularityId);
    w.f4(0.75f);
    w.vx(0xFFFF);  // long VX form
    w.endSub(specular);
    sub(w, "SMAN", {1.25f});
    size_t side = w.beginSub("SIDE");
    w.u2(3);
    w.endSub(side);
    size_t alph = w.beginSub("ALPH");
    w.u2(2);
    w.f4(0.5f);
    w.endSub(alph);
    size_t refl = w.beginSub("RIMG");
    w.vx(4);
    w.endSub(refl);
    size_t line = w.beginSub("LINE");
    w.u2(9);
    w.endSub(line);
    w.endChunk(c);
    LwSurface* s = surfaceOf(w);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->specularity.value, 0.75f);
    EXPECT_EQ(s->specularity.envelope, 0xFFFF);
    EXPECT_EQ(s->smoothAngle, 1.25f);
    EXPECT_EQ(s->sidedness, 3);
    EXPECT_EQ(s->alphaMode, 2);
    EXPECT_EQ(s->alpha, 0.5f);
    EXPECT_EQ(s->reflection.clip, 4);
    EXPECT_EQ(s->line.enabled, 1);
    EXPECT_EQ(s->line.flags, 9);
    EXPECT_EQ(s->line.size.value, 0.0f);
    freeSurface(s);

    // LINE of 6 bytes also sets the size.
    LwWriter w6;
    c = w6.beginChunk("SURF");
    w6.s0("L");
    w6.s0("");
    line = w6.beginSub("LINE");
    w6.u2(1);
    w6.f4(2.5f);
    w6.endSub(line);
    w6.endChunk(c);
    s = surfaceOf(w6);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->line.size.value, 2.5f);
    EXPECT_EQ(s->line.size.envelope, 0);
    freeSurface(s);
}

TEST(LwSurfaces, ImageMapBlockFillsItsParameters)
{
    LwWriter w;
    size_t c = w.beginChunk("SURF");
    w.s0("T");
    w.s0("");
    LwwImageMap m;
    m.clip = 3;
    m.projection = 2;
    m.axis = 1;
    m.size[1] = 4;
    m.center[0] = -2;
    m.rotation[2] = 0.5f;
    m.wrapWidth = 3;
    m.wrapHeight = 0.5f;
    lwwImageBlock(w, m);
    w.endChunk(c);
    LwSurface* s = surfaceOf(w);
    ASSERT_NE(s, nullptr);
    LwTexture* t = s->color.textures;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->next, nullptr);
    EXPECT_EQ(t->type, lwId('I', 'M', 'A', 'P'));
    EXPECT_EQ(t->channel, lwId('C', 'O', 'L', 'R'));
    EXPECT_EQ(t->enabled, 1);
    EXPECT_EQ(t->opacity.value, 1.0f);
    EXPECT_EQ(t->axis, 0);  // the header had no AXIS
    EXPECT_EQ(t->image.axis, 1);
    EXPECT_EQ(t->image.clip, 3);
    EXPECT_EQ(t->image.projection, 2);
    EXPECT_EQ(t->image.wrapWidthType, 1);
    EXPECT_EQ(t->image.wrapWidth.value, 3.0f);
    EXPECT_EQ(t->image.wrapHeight.value, 0.5f);
    EXPECT_EQ(t->mapping.size.value[0], 1.0f);
    EXPECT_EQ(t->mapping.size.value[1], 4.0f);
    EXPECT_EQ(t->mapping.center.value[0], -2.0f);
    EXPECT_EQ(t->mapping.rotation.value[2], 0.5f);
    freeSurface(s);
}

TEST(LwSurfaces, TexturesSortByOrdinalAndUnknownChannelsAreDropped)
{
    LwWriter w;
    size_t c = w.beginChunk("SURF");
    w.s0("T");
    w.s0("");
    const char* ordinals[] = {"\x90", "\x80", "\x90", "\x85"};
    for (int i = 0; i < 4; ++i) {
        LwwImageMap m;
        m.ordinal = ordinals[i];
        m.clip = i + 1;
        lwwImageBlock(w, m);
    }
    LwwImageMap strange;
    strange.channel = "XXXX";
    lwwImageBlock(w, strange);
    size_t blok = w.beginSub("BLOK");  // a block kind we do not read
    header(w, "NOPE", "\x80", "COLR");
    w.endSub(blok);
    w.endChunk(c);
    LwSurface* s = surfaceOf(w);
    ASSERT_NE(s, nullptr);
    int expectClips[] = {2, 4, 1, 3};
    LwTexture* t = s->color.textures;
    for (int i = 0; i < 4; ++i, t = t->next) {
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->image.clip, expectClips[i]) << i;
    }
    EXPECT_EQ(t, nullptr);
    freeSurface(s);
}

TEST(LwSurfaces, ProceduralGradientAndShaderBlocks)
{
    LwWriter w;
    w.bytes = lwwSampleObject();
    LwObject* o = loadBytes(w.bytes);
    ASSERT_NE(o, nullptr);
    LwSurface* blue = o->surfaces->next;
    ASSERT_NE(blue, nullptr);
    ASSERT_STREQ(blue->name, "Blue");
    LwTexture* proc = blue->diffuse.textures;
    ASSERT_NE(proc, nullptr);
    EXPECT_EQ(proc->type, lwId('P', 'R', 'O', 'C'));
    EXPECT_EQ(proc->procedural.value[0], 0.25f);
    EXPECT_EQ(proc->procedural.value[1], 0.5f);
    EXPECT_EQ(proc->procedural.value[2], 0.0f);
    EXPECT_STREQ(proc->procedural.name, "Turbulence");
    ASSERT_EQ(proc->procedural.dataSize, 4);
    EXPECT_EQ(proc->procedural.data[3], 4);
    LwTexture* grad = blue->transparency.channel.textures;
    ASSERT_NE(grad, nullptr);
    ASSERT_EQ(grad->gradient.keyCount, 2);
    EXPECT_EQ(grad->gradient.keys[1].position, 1.0f);
    EXPECT_EQ(grad->gradient.keys[1].rgba[3], 5.0f);
    EXPECT_EQ(grad->gradient.repeat, 1);
    ASSERT_EQ(blue->shaderCount, 1);
    EXPECT_STREQ(blue->shaders->name, "Shader");
    EXPECT_EQ(blue->shaders->flags, 1);
    EXPECT_EQ(blue->shaders->dataSize, 2);
    EXPECT_EQ(blue->line.size.value, 2.0f);
    freeLwObject(o);
}

TEST(LwSurfaces, ShortValuesAndShadersSortedByOrdinal)
{
    LwWriter w;
    size_t c = w.beginChunk("SURF");
    w.s0("P");
    w.s0("");
    size_t blok = w.beginSub("BLOK");
    header(w, "PROC", "\x80", "COLR");
    sub(w, "VALU", {0.5f});
    w.endSub(blok);
    for (const char* ord : {"\x82", "\x81"}) {
        blok = w.beginSub("BLOK");
        size_t h = w.beginSub("SHDR");
        w.s0(ord);
        w.endSub(h);
        size_t f = w.beginSub("FUNC");
        w.s0(ord[0] == '\x82' ? "second" : "first");
        w.endSub(f);
        w.endSub(blok);
    }
    w.endChunk(c);
    LwSurface* s = surfaceOf(w);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->color.textures->procedural.value[0], 0.5f);
    EXPECT_EQ(s->color.textures->procedural.value[1], 0.0f);
    ASSERT_EQ(s->shaderCount, 2);
    EXPECT_STREQ(s->shaders->name, "first");
    EXPECT_STREQ(s->shaders->next->name, "second");
    EXPECT_EQ(s->shaders->next->prev, s->shaders);
    freeSurface(s);
}

TEST(LwSurfaces, OverrunningFieldsFailTheSurfaceAndTheObject)
{
    // A texture header sub-chunk whose fields exceed its size.
    std::vector<unsigned char> bytes = lwo2([](LwWriter& w) {
        size_t c = w.beginChunk("SURF");
        w.s0("Bad");
        w.s0("");
        size_t blok = w.beginSub("BLOK");
        size_t h = w.beginSub("IMAP");
        w.s0("\x80");
        w.id("OPAC");
        w.u2(2);  // holds 8 bytes
        w.u2(0);
        w.f4(1);
        w.u2(0);
        w.endSub(h);
        w.endSub(blok);
        w.endChunk(c);
    });
    uint32_t id = 0;
    int32_t pos = 0;
    EXPECT_EQ(loadBytes(bytes, &id, &pos), nullptr);
    EXPECT_EQ(idText(id), "SURF");
    EXPECT_GT(pos, 12);

    // A sub-chunk whose size reaches past the SURF chunk.
    LwWriter w;
    size_t c = w.beginChunk("SURF");
    w.s0("Long");
    w.s0("");
    w.id("DIFF");
    w.u2(20);
    w.f4(1);
    w.vx(0);
    w.endChunk(c);
    w.id("ZZZZ");
    w.u4(16);
    for (int i = 0; i < 4; ++i) w.f4(0);
    std::vector<unsigned char> data(w.bytes.begin() + 8, w.bytes.end());
    MemFile m(data);
    EXPECT_EQ(readSurface(m.file, int32_t(w.bytes.size() - 8 - 24)), nullptr);
}
