// Flare layers: the ranges particles are seeded and re-emitted with, their
// motion, and what a layer puts on real pixels with the timeline's projection;
// the steps paced by the show's clock, the same clock times giving the same
// pictures whether frames come every 10 ms or every 60 ms.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "flares.h"
#include "pacing.h"
#include "test_support.h"
#include "toolkit.h"

namespace {

const int kSize = 64;

struct Flares : testing::Test {
    static void SetUpTestSuite()
    {
        openDisplay(kSize, kSize, 0, 0, 1);
        dir = testFolder();
        writeSolidBmp(dir + "/sprite.bmp", Rgb8{0, 200, 0});
        // Red above, blue below, as a picture file stores it: top row first.
        std::vector<Rgb8> halves(32 * 32, Rgb8{255, 0, 0});
        std::fill(halves.begin() + 16 * 32, halves.end(), Rgb8{0, 0, 255});
        writeBmp(dir + "/halves.bmp", 32, 32, halves);
    }
    void SetUp() override
    {
        // The GL state the timeline sets before loading the layers.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(90.0, 1.0, 0.1f, 128.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        flaresBackgroundOnly = 0;
    }
    void TearDown() override { flaresBackgroundOnly = 0; }
    void load(FlareLayer& layer, const char* background, float x = 0, float y = 0, float z = 0)
    {
        layer.load((dir + "/sprite.bmp").c_str(), background ? (dir + background).c_str() : nullptr, x, y, z);
    }
    static bool pixelIs(int x, int y, int r, int g, int b, int tolerance = 3)  // y from the bottom
    {
        Uint8 p[3];
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
        return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
    }
    static std::string dir;
};
std::string Flares::dir;

// Both ends of vx, vy and decay reached exactly: [-0.005, 0.0049] + drift x,
// [0.0026, 0.005] + drift y, [0.005, 0.0074].
struct Ranges {
    float low[3] = {1, 1, 1}, high[3] = {-1, -1, -1};
    void add(float vx, float vy, float decay)
    {
        const float v[3] = {vx, vy, decay};
        for (int i = 0; i < 3; ++i) low[i] = std::min(low[i], v[i]), high[i] = std::max(high[i], v[i]);
    }
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
    Ranges seeded, emitted;
    for (int loads = 0; loads < 100; ++loads) {
        FlareLayer layer;
        load(layer, nullptr, 0.5f, 0.2f, -0.1f);
        for (int i = 0; i < 32; ++i) {
            const FlareParticle& p = layer.particles[i];
            // Staggered lives, at the origin, not moving along z.
            ASSERT_TRUE(p.life == 1.0f - i / 32.0f && p.x == 0.5f && p.y == 0.2f && p.z == -0.1f && p.vz == 0.0f) << i;
            seeded.add(p.vx, p.vy, p.decay);
        }
    }
    seeded.expectEnds(0, 0);

    // With none due, a draw calls rand not at all; made due, every one is re-emitted.
    FlareLayer layer;
    load(layer, nullptr);
    std::srand(9);
    int expectedRand = std::rand();
    std::srand(9);
    layer.draw(5, 5, 5, 1, 1, 1);
    EXPECT_EQ(std::rand(), expectedRand);
    for (int frame = 0; frame < 100; ++frame) {
        for (FlareParticle& p : layer.particles) p.life = -0.001f;
        layer.draw(0.3f, -0.2f, 0.1f, 0.002f, 0.001f, 0.0025f);
        for (const FlareParticle& p : layer.particles) {
            // At this call's origin with life 1, then moved one step: life less
            // decay, vy less decay / 100, the position by velocity times the new life.
            ASSERT_FLOAT_EQ(p.life, 1.0f - p.decay);
            ASSERT_FLOAT_EQ(p.x, 0.3f + p.vx * p.life);
            ASSERT_FLOAT_EQ(p.y, -0.2f + p.vy * p.life);
            ASSERT_FLOAT_EQ(p.z, 0.1f + 0.0025f * p.life);
            emitted.add(p.vx, p.vy + p.decay / 100.0f, p.decay);
        }
    }
    emitted.expectEnds(0.002f, 0.001f);
}

TEST_F(Flares, BackgroundOnlyDrawsThePictureUprightOverTheViewAndFreezesTheParticles)
{
    FlareLayer layer, none, failed;
    load(layer, "/halves.bmp");
    load(none, nullptr);
    load(failed, "/absent.jpg");
    EXPECT_EQ(failed.hasBackground, 0);
    layer.particles[5].life = -0.5f;  // due for re-emission, yet must stay
    FlareParticle before[32];
    std::memcpy(before, layer.particles, sizeof before);

    flaresBackgroundOnly = 1;
    glClearColor(0.1f, 0.2f, 0.3f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    none.draw(0, 0, 0, 0, 0, 0);  // no background: nothing at all
    failed.draw(0, 0, 0, 0, 0, 0);
    for (int i = 0; i < kSize * kSize; i += 7) ASSERT_TRUE(pixelIs(i % kSize, i / kSize, 26, 51, 77, 1)) << i;
    for (int i = 0; i < 3; ++i) layer.draw(0.4f, 0.4f, 0.4f, 0.1f, 0.1f, 0.1f);
    EXPECT_EQ(std::memcmp(before, layer.particles, sizeof before), 0);
    for (int x : {0, kSize - 1}) EXPECT_TRUE(pixelIs(x, kSize - 1, 255, 0, 0) && pixelIs(x, 0, 0, 0, 255)) << x;
}

TEST_F(Flares, SpritesAddTheirLightToWhatIsThere)
{
    FlareLayer layer;
    load(layer, nullptr);
    glClearColor(0.4f, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer.draw(0, 0, 0, 0, 0.001f, 0.0025f);
    // The red underneath stays, the sprites' green is added where many overlap.
    Uint8 centre[3];
    glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, centre);
    EXPECT_NEAR(centre[0], 102, 2);
    EXPECT_GT(centre[1], 150);
    EXPECT_EQ(centre[2], 0);
    EXPECT_TRUE(pixelIs(0, 0, 102, 0, 0, 2) && pixelIs(kSize - 1, kSize - 1, 102, 0, 0, 2));
}

// Each step applies the density, then moves it by 0.01; below 0 it is never applied.
TEST_F(Flares, FogStepsDownThenBackUp)
{
    auto applied = [] {
        float d = -1;
        glGetFloatv(GL_FOG_DENSITY, &d);
        return d;
    };
    auto steps = [&](void (*step)(float&), float& density) {
        int count = 0;
        for (float before = density; count < 150; ++count, before = density) {
            step(density);
            if (density == before) break;
            EXPECT_TRUE(before < 0 || applied() == before) << before;
        }
        return count;
    };
    float density = 1.0f;
    EXPECT_EQ(steps(fogStepDown, density), 101);
    EXPECT_NEAR(density, -0.01f, 1e-4f);
    float last = applied();
    EXPECT_TRUE(last > 0 && last < 1e-5f);
    fogStepUp(density);  // below 0: moved, not applied
    EXPECT_EQ(applied(), last);
    EXPECT_EQ(steps(fogStepUp, density), 100);
    EXPECT_NEAR(applied(), 0.99f, 1e-5f);
}

TEST_F(Flares, ReleaseGivesBackPicturesAndNamesOnce)
{
    FlareLayer never, layer;
    never.release();
    load(layer, "/halves.bmp");
    GLuint names[2] = {layer.textureNames[0], layer.textureNames[1]};
    ASSERT_TRUE(glIsTexture(names[0]) && glIsTexture(names[1]));
    layer.release();
    EXPECT_TRUE(layer.spriteImage == nullptr && layer.backgroundImage == nullptr);
    EXPECT_FALSE(glIsTexture(names[0]) || glIsTexture(names[1]));
    layer.release();  // and the destructor after it: nothing freed twice
}

TEST(StepPacer, StepsFallDueEvery20MsOfTheClock)
{
    struct Call {
        uint32_t nowMs, due;
    };
    const struct {
        uint32_t startMs;
        std::vector<Call> calls;
    } cases[] = {
        {0, {{0, 1}, {10, 0}, {20, 1}, {25, 0}, {60, 2}, {100, 2}, {100, 0}}},
        {130, {{120, 0}, {130, 1}, {149, 0}, {150, 1}, {1130, 49}}},
        {10, {{5000, 250}, {4000, 0}, {5020, 1}}},  // a clock read late, then early
        {0xFFFFFF00u, {{0xFFFFFF00u, 1}, {0xFFFFFFFFu, 12}}},
    };
    for (const auto& c : cases) {
        StepPacer pacer;
        EXPECT_EQ(pacer.due(c.startMs + 100), 0u) << "not started";
        pacer.start(c.startMs);
        for (const Call& call : c.calls) EXPECT_EQ(pacer.due(call.nowMs), call.due) << c.startMs << " at " << call.nowMs;
    }
}

namespace {

// The three flare stages with short limits, frames every frameMs of a clock
// driven by hand; the pictures at every multiple of 60 ms.
std::vector<std::vector<Uint8>> flareShow(uint32_t frameMs, const std::string& dir)
{
    const float black[4] = {0, 0, 0, 0};
    glFogfv(GL_FOG_COLOR, black);
    glFogf(GL_FOG_DENSITY, 1.0f);
    glEnable(GL_FOG);
    std::srand(99);
    std::string sprite = dir + "/sprite.bmp";
    FlareLayer layers[3];
    layers[0].load(sprite.c_str(), (dir + "/halves.bmp").c_str(), 0.0f, 0.2f, 0.0f);
    layers[1].load(sprite.c_str(), nullptr, 0.0f, 0.0f, 0.0f);
    layers[2].load(sprite.c_str(), nullptr, 0.0f, -0.25f, 0.0f);
    FlareShow show(layers);
    // Limits that fall between the slow run's frames, so that its stages end
    // owing steps.
    const struct {
        FlareShow::Stage stage;
        uint32_t limitMs;
    } stages[] = {{FlareShow::FadeIn, 330}, {FlareShow::Fountains, 1450}, {FlareShow::FadeOut, 1790}};
    std::vector<std::vector<Uint8>> pictures;
    uint32_t now = 0;
    for (const auto& s : stages) {
        for (; now <= s.limitMs; now += frameMs) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            show.frame(s.stage, now);
            if (now % 60 != 0) continue;
            pictures.emplace_back(kSize * kSize * 3);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, pictures.back().data());
        }
        show.finish(s.stage, s.limitMs);
    }
    glDisable(GL_FOG);
    return pictures;
}

}  // namespace

TEST_F(Flares, ShowTheSamePicturesAtTheSameClockTimesAtAnyFrameRate)
{
    std::vector<std::vector<Uint8>> fast = flareShow(10, dir), slow = flareShow(60, dir);
    ASSERT_EQ(fast.size(), 30u);
    ASSERT_EQ(slow.size(), fast.size());
    int changes = 0;
    for (size_t i = 0; i < fast.size(); ++i) {
        EXPECT_TRUE(fast[i] == slow[i]) << "picture at " << i * 60 << " ms";
        if (i > 0 && fast[i] != fast[i - 1]) changes++;
    }
    // The fog fades and the fountains move: nearly every picture is new.
    EXPECT_GE(changes, 25);
}
