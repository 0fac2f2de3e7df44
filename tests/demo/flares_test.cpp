// Flare layers: particle seeding and motion against a replay of rand, and
// what a layer puts on real pixels with the timeline's projection.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "flares.h"
#include "toolkit.h"

namespace {

const int kSize = 64;

struct RandomParts {
    int vx, vy, decay;  // the three raw rand() results of one emission
};

RandomParts nextParts()
{
    RandomParts r;
    r.vx = std::rand();
    r.vy = std::rand();
    r.decay = std::rand();
    return r;
}

class Flares : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        openDisplay(kSize, kSize, 0, 0, 1);
        char pattern[] = "/tmp/flares_test.XXXXXX";
        dir = mkdtemp(pattern);
        sprite = dir + "/sprite.bmp";
        background = dir + "/fond.bmp";
        savePlain(sprite, 16, 16, 0, 200, 0);
        savePlain(background, 32, 32, 200, 100, 50);
        // Red above, blue below, as a picture file stores it: top row first.
        halves = dir + "/halves.bmp";
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
        SDL_Rect top = {0, 0, 32, 16}, bottom = {0, 16, 32, 16};
        SDL_FillRect(s, &top, SDL_MapRGB(s->format, 255, 0, 0));
        SDL_FillRect(s, &bottom, SDL_MapRGB(s->format, 0, 0, 255));
        SDL_SaveBMP(s, halves.c_str());
        SDL_FreeSurface(s);
    }
    static void TearDownTestSuite()
    {
        std::remove(sprite.c_str());
        std::remove(background.c_str());
        std::remove(halves.c_str());
        std::remove(dir.c_str());
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
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glDisable(GL_FOG);
        flaresBackgroundOnly = 0;
    }
    void TearDown() override { flaresBackgroundOnly = 0; }

    static void savePlain(const std::string& file, int w, int h, Uint8 r, Uint8 g, Uint8 b)
    {
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
        SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
        SDL_SaveBMP(s, file.c_str());
        SDL_FreeSurface(s);
    }

    static std::vector<Uint8> frame()
    {
        std::vector<Uint8> pixels(kSize * kSize * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    static const Uint8* at(const std::vector<Uint8>& f, int x, int y) { return &f[(y * kSize + x) * 3]; }

    static std::string dir, sprite, background, halves;
};

std::string Flares::dir, Flares::sprite, Flares::background, Flares::halves;

void expectPixel(const Uint8* p, int r, int g, int b, int tolerance, const char* where)
{
    EXPECT_NEAR(p[0], r, tolerance) << where;
    EXPECT_NEAR(p[1], g, tolerance) << where;
    EXPECT_NEAR(p[2], b, tolerance) << where;
}

// ---- Particles ---------------------------------------------------------------

TEST_F(Flares, LoadSeedsStaggeredLivesAtTheOriginInRandOrder)
{
    FlareLayer layer;
    std::srand(4242);
    layer.load(sprite.c_str(), nullptr, 0.5f, 0.2f, -0.1f);
    std::srand(4242);
    for (int i = 0; i < 32; ++i) {
        SCOPED_TRACE(i);
        const FlareParticle& p = layer.particles[i];
        RandomParts r = nextParts();
        EXPECT_FLOAT_EQ(p.life, 1.0f - i / 32.0f);
        EXPECT_EQ(p.x, 0.5f);
        EXPECT_EQ(p.y, 0.2f);
        EXPECT_EQ(p.z, -0.1f);
        EXPECT_FLOAT_EQ(p.vx, (r.vx % 100 - 50) / 10000.0f);
        EXPECT_FLOAT_EQ(p.vy, (50 - r.vy % 25) / 10000.0f);
        EXPECT_FLOAT_EQ(p.decay, (r.decay % 25 + 50) / 10000.0f);
        EXPECT_EQ(p.vz, 0.0f);
        EXPECT_GE(p.vx, -0.005f);
        EXPECT_LE(p.vx, 0.0049f + 1e-7f);
        EXPECT_GE(p.vy, 0.0026f - 1e-7f);
        EXPECT_LE(p.vy, 0.005f);
        EXPECT_GE(p.decay, 0.005f);
        EXPECT_LE(p.decay, 0.0074f + 1e-7f);
    }
    EXPECT_EQ(layer.hasBackground, 0);
    EXPECT_EQ(layer.backgroundImage, nullptr);
    EXPECT_NE(layer.spriteImage, nullptr);
}

TEST_F(Flares, EachDrawMovesEveryParticleOneStepScaledByItsNewLife)
{
    FlareLayer layer;
    layer.load(sprite.c_str(), nullptr, 0, 0, 0);
    for (FlareParticle& p : layer.particles) p = FlareParticle{0, 0, 0, 0, 0, 0, 0.9f, 0.001f};
    layer.particles[3] = FlareParticle{0.1f, 0.2f, 0.3f, 0.02f, 0.03f, 0.04f, 0.5f, 0.01f};

    std::srand(9);
    int expectedRand = std::rand();
    std::srand(9);
    layer.draw(5, 5, 5, 1, 1, 1);  // no particle is due: origin and drift unused
    EXPECT_EQ(std::rand(), expectedRand) << "no particle was re-emitted, so rand was not called";

    const FlareParticle& p = layer.particles[3];
    EXPECT_FLOAT_EQ(p.life, 0.49f);
    EXPECT_FLOAT_EQ(p.vy, 0.03f - 0.0001f);
    EXPECT_FLOAT_EQ(p.x, 0.1f + 0.02f * 0.49f);
    EXPECT_FLOAT_EQ(p.y, 0.2f + 0.0299f * 0.49f);
    EXPECT_FLOAT_EQ(p.z, 0.3f + 0.04f * 0.49f);
    EXPECT_FLOAT_EQ(p.vx, 0.02f);
    EXPECT_FLOAT_EQ(p.decay, 0.01f);
    EXPECT_FLOAT_EQ(layer.particles[0].life, 0.899f);
}

TEST_F(Flares, ADeadParticleIsReEmittedAtThisDrawsOriginWithTheDrift)
{
    FlareLayer layer;
    layer.load(sprite.c_str(), nullptr, 0, 0.2f, 0);
    for (FlareParticle& p : layer.particles) p.life = 0.9f;
    layer.particles[7].life = -0.001f;

    std::srand(31);
    layer.draw(0.3f, -0.2f, 0.1f, 0.002f, 0.001f, 0.0025f);
    std::srand(31);
    RandomParts r = nextParts();
    float vx = (r.vx % 100 - 50) / 10000.0f + 0.002f;
    float vy = (50 - r.vy % 25) / 10000.0f + 0.001f;
    float decay = (r.decay % 25 + 50) / 10000.0f;
    EXPECT_GE(vy, 0.0036f - 1e-7f);
    EXPECT_LE(vy, 0.006f + 1e-7f);

    const FlareParticle& p = layer.particles[7];
    float life = 1.0f - decay;
    EXPECT_FLOAT_EQ(p.life, life);
    EXPECT_FLOAT_EQ(p.decay, decay);
    EXPECT_FLOAT_EQ(p.vx, vx);
    EXPECT_FLOAT_EQ(p.vy, vy - decay / 100.0f);
    EXPECT_FLOAT_EQ(p.vz, 0.0025f);
    EXPECT_FLOAT_EQ(p.x, 0.3f + vx * life);
    EXPECT_FLOAT_EQ(p.y, -0.2f + (vy - decay / 100.0f) * life);
    EXPECT_FLOAT_EQ(p.z, 0.1f + 0.0025f * life);
}

TEST_F(Flares, BackgroundOnlyLeavesTheParticlesFrozen)
{
    FlareLayer layer;
    layer.load(sprite.c_str(), background.c_str(), 0, 0, 0);
    layer.particles[5].life = -0.5f;  // due for re-emission, yet must stay
    FlareParticle before[32];
    std::memcpy(before, layer.particles, sizeof before);

    flaresBackgroundOnly = 1;
    std::srand(77);
    int expectedRand = std::rand();
    std::srand(77);
    for (int i = 0; i < 3; ++i) layer.draw(0.4f, 0.4f, 0.4f, 0.1f, 0.1f, 0.1f);
    EXPECT_EQ(std::memcmp(before, layer.particles, sizeof before), 0);
    EXPECT_EQ(std::rand(), expectedRand);
}

TEST_F(Flares, LastParticleDiesInItsFifthToSeventhFrameAndComesBackNext)
{
    for (unsigned seed : {1u, 2u, 3u, 99u}) {
        SCOPED_TRACE(seed);
        std::srand(seed);
        FlareLayer layer;
        layer.load(sprite.c_str(), nullptr, 0, 0.2f, 0);
        EXPECT_FLOAT_EQ(layer.particles[31].life, 0.03125f);
        int frames = 0;
        while (layer.particles[31].life >= 0.0f && frames < 20) {
            layer.draw(0, 0.2f, 0, 0, 0.001f, 0.0025f);
            ++frames;
        }
        EXPECT_GE(frames, 5);
        EXPECT_LE(frames, 7);
        layer.draw(-0.25f, 0.2f, 0, 0, 0.001f, 0.0025f);  // the sway has moved the origin
        const FlareParticle& p = layer.particles[31];
        EXPECT_GT(p.life, 0.99f);
        EXPECT_NEAR(p.x, -0.25f, 0.0055f);
        EXPECT_EQ(p.vz, 0.0025f);
    }
}

// ---- Pixels ----------------------------------------------------------------

TEST_F(Flares, BackgroundFillsTheWholeView)
{
    FlareLayer layer;
    layer.load(sprite.c_str(), background.c_str(), 0, 0.2f, 0);
    ASSERT_EQ(layer.hasBackground, 1);
    flaresBackgroundOnly = 1;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer.draw(0, 0, 0, 0, 0, 0);
    std::vector<Uint8> f = frame();
    expectPixel(at(f, 0, 0), 200, 100, 50, 3, "bottom left");
    expectPixel(at(f, kSize - 1, 0), 200, 100, 50, 3, "bottom right");
    expectPixel(at(f, 0, kSize - 1), 200, 100, 50, 3, "top left");
    expectPixel(at(f, kSize - 1, kSize - 1), 200, 100, 50, 3, "top right");
    expectPixel(at(f, kSize / 2, kSize / 2), 200, 100, 50, 3, "centre");
}

TEST_F(Flares, BackgroundShowsThePictureUpright)
{
    FlareLayer layer;
    layer.load(sprite.c_str(), halves.c_str(), 0, 0, 0);
    flaresBackgroundOnly = 1;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer.draw(0, 0, 0, 0, 0, 0);
    std::vector<Uint8> f = frame();  // glReadPixels rows start at the bottom
    expectPixel(at(f, 3, kSize - 4), 255, 0, 0, 2, "top of the screen");
    expectPixel(at(f, kSize - 4, 3), 0, 0, 255, 2, "bottom of the screen");
}

TEST_F(Flares, SpritesAddTheirLightToWhatIsThere)
{
    FlareLayer layer;
    layer.load(sprite.c_str(), nullptr, 0, 0, 0);
    glClearColor(0.4f, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer.draw(0, 0, 0, 0, 0.001f, 0.0025f);
    std::vector<Uint8> f = frame();
    const Uint8* centre = at(f, kSize / 2, kSize / 2);
    EXPECT_NEAR(centre[0], 102, 2) << "the red underneath stays: blending adds";
    EXPECT_GT(centre[1], 150) << "the sprite's green is added, brightest where many overlap";
    EXPECT_EQ(centre[2], 0);
    expectPixel(at(f, 0, 0), 102, 0, 0, 2, "corner, away from the fountain");
    expectPixel(at(f, kSize - 1, kSize - 1), 102, 0, 0, 2, "corner, away from the fountain");
}

TEST_F(Flares, LayerWithoutBackgroundDrawsNothingInBackgroundOnlyMode)
{
    FlareLayer none, failed;
    none.load(sprite.c_str(), nullptr, 0, 0, 0);
    failed.load(sprite.c_str(), (dir + "/absent.jpg").c_str(), 0, 0, 0);
    EXPECT_EQ(failed.hasBackground, 0);
    EXPECT_EQ(failed.backgroundImage, nullptr);

    flaresBackgroundOnly = 1;
    glClearColor(0.1f, 0.2f, 0.3f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    none.draw(0, 0, 0, 0, 0, 0);
    failed.draw(0, 0, 0, 0, 0, 0);
    std::vector<Uint8> f = frame();
    int changed = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const Uint8* p = at(f, x, y);
            if (std::abs(p[0] - 26) > 1 || std::abs(p[1] - 51) > 1 || std::abs(p[2] - 77) > 1) ++changed;
        }
    EXPECT_EQ(changed, 0);
}

// ---- Fog steps ---------------------------------------------------------------

float appliedDensity()
{
    float d = -1;
    glGetFloatv(GL_FOG_DENSITY, &d);
    return d;
}

TEST_F(Flares, FogStepsDownThenBackUp)
{
    glFogf(GL_FOG_DENSITY, 1.0f);
    float density = 1.0f;
    int applied = 0;
    float last = 0;
    for (int frame = 0; frame < 150; ++frame) {
        float before = density;
        fogStepDown(density);
        if (density != before) {
            ++applied;
            EXPECT_EQ(appliedDensity(), before);
            last = before;
        }
    }
    EXPECT_EQ(applied, 101);
    EXPECT_GT(last, 0.0f);
    EXPECT_LT(last, 1e-5f);
    EXPECT_NEAR(density, -0.01f, 1e-4f);

    // The first step up finds the variable below 0: nothing is applied.
    fogStepUp(density);
    EXPECT_EQ(appliedDensity(), last);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    int frames = 1;
    float highest = 0;
    for (int frame = 0; frame < 150; ++frame) {
        float before = density;
        fogStepUp(density);
        if (density == before) break;
        ++frames;
        EXPECT_EQ(appliedDensity(), before);
        highest = before;
    }
    EXPECT_EQ(frames, 101);
    EXPECT_NEAR(highest, 0.99f, 1e-5f);
    EXPECT_GE(density, 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---- Release and failure -------------------------------------------------------

TEST_F(Flares, ReleaseGivesBackPicturesAndNamesOnce)
{
    FlareLayer never;
    never.release();
    EXPECT_EQ(never.textureNames[0], 0u);

    FlareLayer layer;
    layer.load(sprite.c_str(), background.c_str(), 0, 0, 0);
    GLuint names[2] = {layer.textureNames[0], layer.textureNames[1]};
    ASSERT_TRUE(glIsTexture(names[0]));
    ASSERT_TRUE(glIsTexture(names[1]));
    layer.release();
    EXPECT_EQ(layer.spriteImage, nullptr);
    EXPECT_EQ(layer.backgroundImage, nullptr);
    EXPECT_FALSE(glIsTexture(names[0]));
    EXPECT_FALSE(glIsTexture(names[1]));
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
        ::testing::ExitedWithCode(255), "Impossible de charger la pic de Flares");
}

}  // namespace
