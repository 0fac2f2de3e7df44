// Flare layers: the ranges particles are seeded and re-emitted with, their
// motion, and what a layer puts on real pixels with the timeline's projection.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "flares.h"
#include "test_support.h"
#include "toolkit.h"

namespace {

const int kSize = 64;

struct Flares : testing::Test {
    static void SetUpTestSuite()
    {
        openDisplay(kSize, kSize, 0, 0, 1);
        dir = testFolder();
        sprite = dir + "/sprite.bmp";
        background = dir + "/halves.bmp";
        writeSolidBmp(sprite, Rgb8{0, 200, 0});
        // Red above, blue below, as a picture file stores it: top row first.
        std::vector<Rgb8> halves(32 * 32, Rgb8{255, 0, 0});
        std::fill(halves.begin() + 16 * 32, halves.end(), Rgb8{0, 0, 255});
        writeBmp(background, 32, 32, halves);
    }
    void SetUp() override
    {
        // The GL state the timeline sets before loading the layers.
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(90.0, 1.0, 0.1f, 128.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_FOG);
        flaresBackgroundOnly = 0;
    }
    void TearDown() override { flaresBackgroundOnly = 0; }

    static void clear(float r, float g, float b)
    {
        glClearColor(r, g, b, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    static Rgb8 pixel(int x, int y)  // y from the bottom
    {
        Uint8 p[3];
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
        return Rgb8{p[0], p[1], p[2]};
    }
    static std::string dir, sprite, background;
};
std::string Flares::dir, Flares::sprite, Flares::background;

bool near(Rgb8 a, int r, int g, int b, int tolerance = 3)
{
    return std::abs(a.r - r) <= tolerance && std::abs(a.g - g) <= tolerance && std::abs(a.b - b) <= tolerance;
}

// Smallest and largest vx, vy and decay seen.
struct Ranges {
    float low[3] = {1, 1, 1}, high[3] = {-1, -1, -1};
    void add(float vx, float vy, float decay)
    {
        const float v[3] = {vx, vy, decay};
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], v[i]);
            high[i] = std::max(high[i], v[i]);
        }
    }
    // Both ends reached exactly: vx in [-0.005, 0.0049], vy in [0.0026, 0.005], decay in [0.005, 0.0074].
    void expectEnds(float driftX, float driftY)
    {
        const float ends[3][2] = {{-0.005f + driftX, 0.0049f + driftX}, {0.0026f + driftY, 0.005f + driftY}, {0.005f, 0.0074f}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(low[i], ends[i][0], 2e-7f) << i;
            EXPECT_NEAR(high[i], ends[i][1], 2e-7f) << i;
        }
    }
};

}  // namespace

TEST_F(Flares, SeedsAndReEmissionsCoverTheirWholeRanges)
{
    std::srand(4242);
    Ranges seeded;
    for (int load = 0; load < 100; ++load) {
        FlareLayer layer;
        layer.load(sprite.c_str(), nullptr, 0.5f, 0.2f, -0.1f);
        for (int i = 0; i < 32; ++i) {
            const FlareParticle& p = layer.particles[i];
            EXPECT_FLOAT_EQ(p.life, 1.0f - i / 32.0f);  // staggered lives, at the origin, not moving along z
            ASSERT_TRUE(p.x == 0.5f && p.y == 0.2f && p.z == -0.1f && p.vz == 0.0f) << i;
            seeded.add(p.vx, p.vy, p.decay);
        }
    }
    seeded.expectEnds(0, 0);

    // With none due, a draw calls rand not at all; made due, every one is re-emitted.
    FlareLayer layer;
    layer.load(sprite.c_str(), nullptr, 0, 0, 0);
    std::srand(9);
    int expectedRand = std::rand();
    std::srand(9);
    layer.draw(5, 5, 5, 1, 1, 1);
    EXPECT_EQ(std::rand(), expectedRand);
    Ranges emitted;
    for (int frame = 0; frame < 100; ++frame) {
        for (FlareParticle& p : layer.particles) p.life = -0.001f;
        layer.draw(0.3f, -0.2f, 0.1f, 0.002f, 0.001f, 0.0025f);
        for (const FlareParticle& p : layer.particles) {
            // Emitted at this call's origin with life 1, then moved one step:
            // life less decay, vy less decay / 100, the position by the velocity times the new life.
            ASSERT_FLOAT_EQ(p.life, 1.0f - p.decay);
            ASSERT_FLOAT_EQ(p.vz, 0.0025f);
            ASSERT_FLOAT_EQ(p.x, 0.3f + p.vx * p.life);
            ASSERT_FLOAT_EQ(p.y, -0.2f + p.vy * p.life);
            ASSERT_FLOAT_EQ(p.z, 0.1f + 0.0025f * p.life);
            emitted.add(p.vx, p.vy + p.decay / 100.0f, p.decay);
        }
    }
    emitted.expectEnds(0.002f, 0.001f);
}

TEST_F(Flares, LastParticleDiesInItsFifthToSeventhFrameAndComesBackAtTheNewOrigin)
{
    for (unsigned seed : {1u, 2u, 3u, 99u}) {
        std::srand(seed);
        FlareLayer layer;
        layer.load(sprite.c_str(), nullptr, 0, 0.2f, 0);
        int frames = 0;
        for (; layer.particles[31].life >= 0.0f && frames < 20; ++frames) layer.draw(0, 0.2f, 0, 0, 0.001f, 0.0025f);
        EXPECT_GE(frames, 5) << seed;
        EXPECT_LE(frames, 7) << seed;
        layer.draw(-0.25f, 0.2f, 0, 0, 0.001f, 0.0025f);  // the sway has moved the origin
        EXPECT_GT(layer.particles[31].life, 0.99f);
        EXPECT_NEAR(layer.particles[31].x, -0.25f, 0.0055f);
    }
}

TEST_F(Flares, BackgroundOnlyDrawsThePictureUprightOverTheViewAndFreezesTheParticles)
{
    FlareLayer layer, none, failed;
    layer.load(sprite.c_str(), background.c_str(), 0, 0, 0);
    none.load(sprite.c_str(), nullptr, 0, 0, 0);
    failed.load(sprite.c_str(), (dir + "/absent.jpg").c_str(), 0, 0, 0);
    EXPECT_EQ(failed.hasBackground, 0);
    layer.particles[5].life = -0.5f;  // due for re-emission, yet must stay
    FlareParticle before[32];
    std::memcpy(before, layer.particles, sizeof before);

    flaresBackgroundOnly = 1;
    clear(0.1f, 0.2f, 0.3f);
    none.draw(0, 0, 0, 0, 0, 0);  // no background: nothing at all
    failed.draw(0, 0, 0, 0, 0, 0);
    for (int i = 0; i < kSize * kSize; i += 7) ASSERT_TRUE(near(pixel(i % kSize, i / kSize), 26, 51, 77, 1)) << i;
    for (int i = 0; i < 3; ++i) layer.draw(0.4f, 0.4f, 0.4f, 0.1f, 0.1f, 0.1f);
    EXPECT_EQ(std::memcmp(before, layer.particles, sizeof before), 0);
    for (int x : {0, kSize - 1}) {
        EXPECT_TRUE(near(pixel(x, kSize - 1), 255, 0, 0)) << "top";
        EXPECT_TRUE(near(pixel(x, 0), 0, 0, 255)) << "bottom";
    }
}

TEST_F(Flares, SpritesAddTheirLightToWhatIsThere)
{
    FlareLayer layer;
    layer.load(sprite.c_str(), nullptr, 0, 0, 0);
    clear(0.4f, 0, 0);
    layer.draw(0, 0, 0, 0, 0.001f, 0.0025f);
    Rgb8 centre = pixel(kSize / 2, kSize / 2);
    EXPECT_NEAR(centre.r, 102, 2) << "the red underneath stays: blending adds";
    EXPECT_GT(centre.g, 150) << "the sprite's green is added, brightest where many overlap";
    EXPECT_EQ(centre.b, 0);
    EXPECT_TRUE(near(pixel(0, 0), 102, 0, 0, 2));
    EXPECT_TRUE(near(pixel(kSize - 1, kSize - 1), 102, 0, 0, 2));
}

// Each step applies the density, then moves it by 0.01; below 0 it is never applied.
TEST_F(Flares, FogStepsDownThenBackUp)
{
    auto applied = [] {
        float d = -1;
        glGetFloatv(GL_FOG_DENSITY, &d);
        return d;
    };
    glFogf(GL_FOG_DENSITY, 1.0f);
    float density = 1.0f;
    int steps = 0;
    for (float before = density; steps < 150; ++steps, before = density) {
        fogStepDown(density);
        if (density == before) break;
        EXPECT_EQ(applied(), before);
    }
    EXPECT_EQ(steps, 101);
    EXPECT_NEAR(density, -0.01f, 1e-4f);
    float last = applied();
    EXPECT_GT(last, 0.0f);
    EXPECT_LT(last, 1e-5f);
    fogStepUp(density);  // below 0: moved, not applied
    EXPECT_EQ(applied(), last);
    for (steps = 1; steps < 150; ++steps) {
        float before = density;
        fogStepUp(density);
        if (density == before) break;
        EXPECT_EQ(applied(), before);
    }
    EXPECT_EQ(steps, 101);
    EXPECT_NEAR(applied(), 0.99f, 1e-5f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Flares, ReleaseGivesBackPicturesAndNamesOnce)
{
    FlareLayer never;
    never.release();
    FlareLayer layer;
    layer.load(sprite.c_str(), background.c_str(), 0, 0, 0);
    GLuint names[2] = {layer.textureNames[0], layer.textureNames[1]};
    ASSERT_TRUE(glIsTexture(names[0]) && glIsTexture(names[1]));
    layer.release();
    EXPECT_TRUE(layer.spriteImage == nullptr && layer.backgroundImage == nullptr);
    EXPECT_FALSE(glIsTexture(names[0]) || glIsTexture(names[1]));
    layer.release();  // and the destructor after it: nothing freed twice
}

TEST(FlaresDeathTest, MissingSpriteIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FlareLayer layer;
            layer.load("Datas/no-such-sprite.jpg", nullptr, 0, 0, 0);
        },
        testing::ExitedWithCode(255), "Impossible de charger la pic de Flares");
}
