// The older LWOB form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <unistd.h>

#include "lwtest.h"

static LwTexture* textureNamed(const char* name)
{
    size_t n = std::strlen(name) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    std::memcpy(copy, name, n);
    return makeLwobTexture(copy);
}

TEST(LwLwob, SampleObjectReadsLikeAnLwo2One)
{
    LwObject* o = loadBytes(lwwLwobObject());
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->layerCount, 1);
    LwLayer* l = o->layers;
    EXPECT_EQ(l->points.count, 8);
    ASSERT_EQ(l->polygons.count, 7);
    const LwPolygonRec* p = l->polygons.items;
    EXPECT_EQ(p[0].surfaceTag, 1);  // -2: the lid
    EXPECT_EQ(p[1].cornerCount, 3);  // the detail polygon follows as an ordinary one
    EXPECT_EQ(p[1].corners[2].point, 7);
    EXPECT_EQ(p[1].surfaceTag, 1);
    EXPECT_EQ(p[2].surfaceTag, 0);
    EXPECT_EQ(p[2].type, lwId('F', 'A', 'C', 'E'));
    EXPECT_EQ(p[2].flags, 0);
    ASSERT_EQ(o->surfaceCount, 2);
    LwSurface* body = o->surfaces;
    LwSurface* lid = body->next;
    EXPECT_EQ(p[0].surface, lid);
    EXPECT_EQ(p[2].surface, body);

    EXPECT_FLOAT_EQ(body->color.rgb[0], 200.0f / 255.0f);
    EXPECT_FLOAT_EQ(body->color.rgb[1], 100.0f / 255.0f);
    EXPECT_EQ(body->color.rgb[2], 0.0f);
    EXPECT_EQ(body->diffuse.value, 0.5f);
    EXPECT_NEAR(body->glossiness.value, std::log(64.0) / 20.7944, 1e-6);
    EXPECT_EQ(body->smoothAngle, 1.56207f);
    EXPECT_EQ(body->sidedness, 3);
    EXPECT_EQ(body->sourceName, nullptr);

    LwTexture* t = body->color.textures;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->type, lwId('I', 'M', 'A', 'P'));
    EXPECT_EQ(t->image.projection, 0);
    EXPECT_EQ(t->axis, 2);
    EXPECT_EQ(t->image.axis, 2);
    EXPECT_EQ(t->mapping.size.value[1], 2.0f);
    EXPECT_EQ(t->image.clip, 1);
    EXPECT_EQ(t->image.amplitude.value, 1.0f);
    EXPECT_EQ(t->channel, 0u);
    LwClip* still = findLwClip(o->clips, 1);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->type, lwId('S', 'T', 'I', 'L'));
    EXPECT_STREQ(lwClipFirstName(still), "Images/body.jpg");
    EXPECT_EQ(still->gamma.value, 1.0f);

    // TVEL made three envelopes, the centre follows the first.
    ASSERT_EQ(o->envelopeCount, 3);
    EXPECT_EQ(t->mapping.center.envelope, 1);
    LwEnvelope* x = o->envelopes;
    EXPECT_STREQ(x->name, "Position.X");
    EXPECT_STREQ(x->next->next->name, "Position.Z");
    EXPECT_EQ(x->next->type, 0x0302);
    EXPECT_EQ(x->keyCount, 2);
    EXPECT_EQ(x->keys->next->time, 1.0f);
    EXPECT_EQ(x->keys->next->value, 30.0f);
    EXPECT_EQ(x->keys->shape, lwId('L', 'I', 'N', 'E'));
    EXPECT_EQ(x->postBehavior, 5);

    LwTexture* proc = body->diffuse.textures;
    ASSERT_NE(proc, nullptr);
    EXPECT_EQ(proc->type, lwId('P', 'R', 'O', 'C'));
    EXPECT_STREQ(proc->procedural.name, "Fractal Noise");
    EXPECT_EQ(proc->procedural.value[0], 0.25f);  // TVAL after TCLR
    EXPECT_FLOAT_EQ(proc->procedural.value[2], 0.2f);
    ASSERT_EQ(body->shaderCount, 1);
    EXPECT_STREQ(body->shaders->name, "Shader");
    EXPECT_EQ(body->shaders->dataSize, 4);

    // The reflection image is a sequence clip, the second clip made.
    EXPECT_EQ(body->reflection.clip, 2);
    EXPECT_EQ(body->reflection.options, 3);
    LwClip* seq = findLwClip(o->clips, 2);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->type, lwId('I', 'S', 'E', 'Q'));
    EXPECT_STREQ(seq->source.sequence.prefix, "Images/frame");
    EXPECT_EQ(seq->source.sequence.digits, 3);
    EXPECT_EQ(lid->color.textures->image.projection, 1);
    EXPECT_EQ(lid->color.textures->image.clip, 3);
    EXPECT_EQ(o->clipCount, 3);

    // Completed like LWO2: normals, texture coordinates.
    EXPECT_NEAR(p[2].normal[2], -1.0f, 1e-6f);
    ASSERT_NE(p[2].uv, nullptr);
    freeLwObject(o);
}

TEST(LwLwob, PathEntryPointsAndFormatLine)
{
    char path[] = "/tmp/lwobXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    LwWriter w;
    w.bytes = lwwLwobObject();
    ASSERT_TRUE(w.save(path));
    testing::internal::CaptureStdout();
    LwObject* o = readLwObject(path, nullptr, nullptr);
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(out, std::string("LwLoader[Info]:: Load ") + path + " \n LightWave 5.xx Format \n");
    freeLwObject(o);
    o = readLwobObject(path, nullptr, nullptr);
    EXPECT_NE(o, nullptr);
    freeLwObject(o);
    // readLwobObject takes LWOB only.
    w.bytes = lwwCube(0);
    ASSERT_TRUE(w.save(path));
    int32_t pos = 0;
    EXPECT_EQ(readLwobObject(path, nullptr, &pos), nullptr);
    EXPECT_EQ(pos, 12);
    std::remove(path);
}

TEST(LwLwob, TexturesFromNames)
{
    const char* names[] = {"Planar Image Map", "Cylindrical Image Map", "Spherical Image Map", "Cubic Image Map",
                           "Front Image Map", "Image Map"};
    for (int i = 0; i < 6; ++i) {
        LwTexture* t = textureNamed(names[i]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->type, lwId('I', 'M', 'A', 'P'));
        EXPECT_EQ(t->image.projection, i == 5 ? 0 : i) << names[i];
        EXPECT_EQ(t->mapping.size.value[2], 1.0f);
        EXPECT_EQ(t->enabled, 1);
        freeTexture(t);
    }
}

TEST(LwLwob, ClipsFromImageNames)
{
    LwObject o;
    std::memset(&o, 0, sizeof o);
    auto clip = [&](const char* name) {
        size_t n = std::strlen(name) + 1;
        char* copy = static_cast<char*>(std::malloc(n));
        std::memcpy(copy, name, n);
        return addLwobClip(copy, &o);
    };
    EXPECT_EQ(clip("a.jpg"), 1);
    EXPECT_EQ(clip("walk (sequence)"), 2);
    EXPECT_EQ(clip("(sequence)"), 3);
    EXPECT_EQ(o.clipCount, 3);
    LwClip* c = o.clips;
    EXPECT_STREQ(c->source.still.name, "a.jpg");
    EXPECT_STREQ(c->next->source.sequence.prefix, "walk");
    EXPECT_EQ(c->next->next->source.sequence.prefix, nullptr);
    EXPECT_EQ(c->next->next->type, lwId('I', 'S', 'E', 'Q'));
    freeLwObject(static_cast<LwObject*>(std::memcpy(std::calloc(1, sizeof o), &o, sizeof o)));
}

TEST(LwLwob, RefusalsAndSurfaceNumberZero)
{
    auto lwob = [](auto body) {
        LwWriter w;
        size_t form = w.beginForm("LWOB");
        body(w);
        w.endForm(form);
        return w.bytes;
    };
    static const float tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    uint32_t id = 0;
    int32_t pos = -1;
    // A corner past the points.
    EXPECT_EQ(loadBytes(lwob([](LwWriter& w) {
                  lwwPoints(w, tri, 3);
                  size_t c = w.beginChunk("POLS");
                  w.u2(3);
                  w.u2(0);
                  w.u2(1);
                  w.u2(3);
                  w.i2(1);
                  w.endChunk(c);
              }),
              &id, &pos),
              nullptr);
    EXPECT_EQ(idText(id), "POLS");
    // A record crossing the chunk end.
    EXPECT_EQ(loadBytes(lwob([](LwWriter& w) {
                  lwwPoints(w, tri, 3);
                  size_t c = w.beginChunk("POLS");
                  w.u2(3);
                  w.u2(0);
                  w.u2(1);
                  w.u2(2);
                  w.endChunk(c);
              }),
              &id, &pos),
              nullptr);
    EXPECT_EQ(idText(id), "POLS");
    // Surface number 0 names no tag: the completion fails.
    id = 0;
    EXPECT_EQ(loadBytes(lwob([](LwWriter& w) {
                  size_t c = w.beginChunk("SRFS");
                  w.s0("A");
                  w.endChunk(c);
                  lwwPoints(w, tri, 3);
                  c = w.beginChunk("POLS");
                  w.u2(3);
                  w.u2(0);
                  w.u2(1);
                  w.u2(2);
                  w.i2(0);
                  w.endChunk(c);
              }),
              &id, &pos),
              nullptr);
    EXPECT_EQ(idText(id), "POLS");
    // A surface sub-chunk overrunning the chunk.
    EXPECT_EQ(loadBytes(lwob([](LwWriter& w) {
                  size_t c = w.beginChunk("SURF");
                  w.s0("A");
                  w.id("COLR");
                  w.u2(40);
                  w.u4(0);
                  w.endChunk(c);
              }),
              &id, &pos),
              nullptr);
    EXPECT_EQ(idText(id), "SURF");
}
