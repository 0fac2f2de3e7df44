// Steps paced by the show's clock: the pacer's arithmetic, and the same clock
// times giving the same pictures (flares) and the same ring member (engine)
// whether frames come every 10 ms or every 60 ms.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine.h"
#include "flares.h"
#include "pacing.h"
#include "toolkit.h"

namespace {

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

const int kSize = 48;

void savePlain(const std::string& file, int w, int h, Uint8 r, Uint8 g, Uint8 b)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
    SDL_SaveBMP(s, file.c_str());
    SDL_FreeSurface(s);
}

std::vector<Uint8> readFrame()
{
    std::vector<Uint8> pixels(kSize * kSize * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// The three flare stages with short limits, frames every frameMs of a clock
// driven by hand; the pictures at every multiple of 60 ms.
std::vector<std::vector<Uint8>> flareShow(uint32_t frameMs, const std::string& sprite, const std::string& background)
{
    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 0.1f, 128.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float black[4] = {0, 0, 0, 0};
    glFogfv(GL_FOG_COLOR, black);
    glFogf(GL_FOG_DENSITY, 1.0f);
    glEnable(GL_FOG);

    std::srand(99);
    FlareLayer layers[3];
    layers[0].load(sprite.c_str(), background.c_str(), 0.0f, 0.2f, 0.0f);
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
            if (now % 60 == 0) pictures.push_back(readFrame());
        }
        show.finish(s.stage, s.limitMs);
    }
    glDisable(GL_FOG);
    return pictures;
}

TEST(Pacing, FlaresShowTheSamePicturesAtTheSameClockTimesAtAnyFrameRate)
{
    openDisplay(kSize, kSize, 0, 0, 1);
    char pattern[] = "/tmp/pacing_test.XXXXXX";
    std::string dir = mkdtemp(pattern);
    std::string sprite = dir + "/sprite.bmp", background = dir + "/fond.bmp";
    savePlain(sprite, 16, 16, 90, 200, 40);
    savePlain(background, 16, 16, 200, 100, 50);

    std::vector<std::vector<Uint8>> fast = flareShow(10, sprite, background);
    std::vector<std::vector<Uint8>> slow = flareShow(60, sprite, background);
    std::remove(sprite.c_str());
    std::remove(background.c_str());
    std::remove(dir.c_str());

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

// Which of a ring's two members shows at every multiple of 40 ms, with calls
// every callMs of a clock driven by hand.
std::vector<int> ringShow(uint32_t callMs)
{
    Scene scene;
    SceneObject* a = scene.createObject(nullptr);
    SceneObject* b = scene.createObject(nullptr);
    a->next = b;
    b->next = a;
    a->ringHead = b->ringHead = a;
    scene.hideObject(b);
    const float zero[3] = {0, 0, 0};
    a->player->resize(10);
    a->player->setKey(0, &scene, a, zero, zero);
    a->player->setKey(10, &scene, a, zero, zero);
    a->player->buildFrames();
    scene.reinitialise();

    std::vector<int> shown;
    for (uint32_t now = 0; now <= 6000; now += callMs) {
        tickTimer.elapsedMs.store(now);
        a->player->advance();
        if (now % 40 == 0) shown.push_back(a->visible == 1 ? 0 : b->visible == 1 ? 1 : -1);
    }
    return shown;
}

TEST(Pacing, RingsTurnEvery50StepsOfTheClockAtAnyCallRate)
{
    tickTimer.stop();  // the clock is driven by hand here
    std::vector<int> fast = ringShow(10), slow = ringShow(40);
    EXPECT_EQ(fast, slow);
    // The first turn on the 51st step (1000 ms), the next 51 steps later (2020 ms).
    ASSERT_EQ(fast.size(), 151u);
    EXPECT_EQ(fast[24], 0);  // 960 ms
    EXPECT_EQ(fast[25], 1);  // 1000 ms
    EXPECT_EQ(fast[50], 1);  // 2000 ms
    EXPECT_EQ(fast[51], 0);  // 2040 ms
}

}  // namespace
