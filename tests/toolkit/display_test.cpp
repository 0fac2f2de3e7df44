#include <gtest/gtest.h>

#include "toolkit.h"

namespace {

// One small windowed display for the whole program; the clock it starts is
// stopped here so that the tests can set the counters themselves.
class Display : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!screen) openDisplay(64, 64, 0, 0, 0);
    }
    void SetUp() override
    {
        escapePressed = 0;
        drain();
    }
    static void drain()
    {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
    static void push(Uint8 type, SDLKey key = SDLK_UNKNOWN)
    {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
            e.key.type = type;
            e.key.keysym.sym = key;
        }
        ASSERT_EQ(SDL_PushEvent(&e), 0);
    }
    static int queued()
    {
        SDL_PumpEvents();
        SDL_Event e[16];
        return SDL_PeepEvents(e, 16, SDL_PEEKEVENT, SDL_ALLEVENTS);
    }
    static void freezeClock(uint32_t elapsed)
    {
        if (tickTimer.timerId) SDL_RemoveTimer(tickTimer.timerId);
        tickTimer.timerId = nullptr;
        tickTimer.running = 0;
        tickTimer.elapsedMs = elapsed;
    }
};

TEST(Clock, OnTickAddsThePeriodAndOneTick)
{
    TickTimer t;
    EXPECT_EQ(t.running, 0);
    EXPECT_EQ(onTick(10, &t), 10u);
    EXPECT_EQ(onTick(10, &t), 10u);
    EXPECT_EQ(t.elapsedMs.load(), 20u);
    EXPECT_EQ(t.ticks.load(), 2);
}

TEST_F(Display, ClockRunsAtOneHundredHertzAfterOpening)
{
    openDisplay(64, 64, 0, 0, 0);
    ASSERT_EQ(tickTimer.running, 1);
    uint32_t e0 = tickTimer.elapsedMs.load();
    tickTimer.ticks = 0;
    Uint32 t0 = SDL_GetTicks();
    SDL_Delay(400);
    uint32_t advanced = tickTimer.elapsedMs.load() - e0;
    Uint32 real = SDL_GetTicks() - t0;
    int ticks = tickTimer.ticks.load();
    EXPECT_GT(advanced, 0u);
    EXPECT_EQ(advanced % 10, 0u);
    EXPECT_NEAR(static_cast<int>(advanced), ticks * 10, 10);
    // A second opening replaced the first timer instead of adding another:
    // two callbacks would run the clock at twice the real rate.
    EXPECT_LE(advanced, real * 3 / 2 + 20);
}

TEST_F(Display, LimitIsInclusive)
{
    freezeClock(5000);
    EXPECT_TRUE(pumpEvents(5000.0f));
    EXPECT_FALSE(pumpEvents(4999.0f));
    EXPECT_TRUE(pumpEvents(200000.0f));
    freezeClock(0);
    EXPECT_TRUE(pumpEvents(0.0f));
}

TEST_F(Display, EscapeReturnsAtOnceAndLeavesLaterEventsQueued)
{
    freezeClock(100000);
    push(SDL_KEYDOWN, SDLK_a);
    push(SDL_KEYDOWN, SDLK_ESCAPE);
    push(SDL_KEYDOWN, SDLK_b);
    push(SDL_QUIT);
    // The limit has passed, yet Escape makes this call answer true.
    EXPECT_TRUE(pumpEvents(10.0f));
    EXPECT_EQ(escapePressed, 1);
    EXPECT_EQ(queued(), 2);
    // The next call handles the rest and answers by the clock again.
    EXPECT_FALSE(pumpEvents(10.0f));
    EXPECT_EQ(queued(), 0);
    EXPECT_EQ(escapePressed, 1);  // never cleared
}

TEST_F(Display, WindowCloseAndOtherKeysChangeNothing)
{
    freezeClock(1000);
    push(SDL_QUIT);
    push(SDL_KEYDOWN, SDLK_SPACE);
    push(SDL_KEYUP, SDLK_ESCAPE);  // a release is not a press
    EXPECT_TRUE(pumpEvents(1000.0f));
    EXPECT_EQ(escapePressed, 0);
    EXPECT_EQ(queued(), 0);
}

TEST_F(Display, CloseDisplayForgetsTheSurface)
{
    SDL_Surface* s = openDisplay(64, 64, 0, 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s, screen);
    EXPECT_EQ(s->w, 64);
    EXPECT_FALSE(s->flags & SDL_FULLSCREEN);
    closeDisplay();
    EXPECT_EQ(screen, nullptr);
    openDisplay(64, 64, 0, 0, 0);  // leave one open for the other tests
}

}  // namespace
