// The clock, the display and the event pump, the token reader and texts cut
// to fixed buffers. (The diagnostics are checked through the engine's
// prefixed forms of them.)
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "toolkit.h"

namespace {

// One small windowed display for the whole program; the clock is frozen so
// that the tests set the counter themselves.
struct Display : testing::Test {
    static void SetUpTestSuite()
    {
        if (!screen) openDisplay(64, 64, 0, 0, 0);
    }
    static void freezeClock(uint32_t elapsed)
    {
        if (tickTimer.timerId) SDL_RemoveTimer(tickTimer.timerId);
        tickTimer.timerId = nullptr;
        tickTimer.running = 0;
        tickTimer.elapsedMs = elapsed;
    }
    static int queued()
    {
        SDL_PumpEvents();
        SDL_Event e[16];
        return SDL_PeepEvents(e, 16, SDL_PEEKEVENT, SDL_ALLEVENTS);
    }
};

}  // namespace

// Each callback adds 10 ms and one tick; a second opening replaces the timer
// instead of adding another, so once it is removed the clock stands (but for
// a callback under way at that moment).
TEST_F(Display, ClockCountsTenMillisecondsPerTickAndAnOpeningReplacesItsTimer)
{
    openDisplay(64, 64, 0, 0, 0);
    ASSERT_EQ(tickTimer.running, 1);
    tickTimer.ticks = 0;
    uint32_t start = tickTimer.elapsedMs.load();
    for (int waited = 0; tickTimer.ticks.load() < 3 && waited < 10000; waited += 5) SDL_Delay(5);
    freezeClock(tickTimer.elapsedMs.load());
    uint32_t stopped = tickTimer.elapsedMs.load();
    int ticks = tickTimer.ticks.load();
    EXPECT_GE(ticks, 3);
    EXPECT_EQ((stopped - start) % 10, 0u);
    EXPECT_NEAR(static_cast<int>(stopped - start), 10 * ticks, 20);
    SDL_Delay(100);
    EXPECT_LE(tickTimer.elapsedMs.load() - stopped, 10u);
}

TEST_F(Display, PumpEvents)
{
    struct Case {
        const char* what;
        uint32_t clock;
        float limit;
        std::vector<std::pair<Uint8, SDLKey>> events;
        bool answer;
        unsigned char escape;
        int left;  // events still queued after the call
    };
    const Case cases[] = {
        {"limit is inclusive", 5000, 5000.0f, {}, true, 0, 0},
        {"past the limit", 5000, 4999.0f, {}, false, 0, 0},
        {"stopped clock", 0, 0.0f, {}, true, 0, 0},
        {"escape answers at once", 100000, 10.0f,
         {{SDL_KEYDOWN, SDLK_a}, {SDL_KEYDOWN, SDLK_ESCAPE}, {SDL_KEYDOWN, SDLK_b}, {SDL_QUIT, SDLK_UNKNOWN}}, true, 1, 2},
        {"then the rest by the clock", 100000, 10.0f, {}, false, 1, 0},
        {"window close and other keys", 1000, 999.0f,
         {{SDL_QUIT, SDLK_UNKNOWN}, {SDL_KEYDOWN, SDLK_SPACE}, {SDL_KEYUP, SDLK_ESCAPE}}, false, 0, 0},
    };
    for (SDL_Event e; SDL_PollEvent(&e);) {
    }
    escapePressed = 0;
    for (const Case& c : cases) {
        if (!c.events.empty()) escapePressed = 0;
        freezeClock(c.clock);
        for (const auto& e : c.events) {
            SDL_Event event{};
            event.type = e.first;
            event.key.keysym.sym = e.second;
            ASSERT_EQ(SDL_PushEvent(&event), 0);
        }
        EXPECT_EQ(pumpEvents(c.limit), c.answer) << c.what;
        EXPECT_EQ(escapePressed, c.escape) << c.what;
        EXPECT_EQ(queued(), c.left) << c.what;
    }
}

TEST_F(Display, CloseDisplayForgetsTheSurface)
{
    SDL_Surface* s = openDisplay(64, 64, 0, 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s, screen);
    EXPECT_FALSE(s->flags & SDL_FULLSCREEN);
    closeDisplay();
    EXPECT_EQ(screen, nullptr);
    openDisplay(64, 64, 0, 0, 0);  // leave one open for the other tests
}

TEST(ReadDelimitedToken, Tokens)
{
    const std::string longName(20000, 'n');
    const struct {
        std::string text;
        char delimiter;
        std::vector<std::string> tokens;
    } cases[] = {
        // A tag before any quote is a token of its own; the end answers "<eof>" for ever.
        {"<load_object> 'Objets/a.lwo' 'Objets/b c.lwo'\n</load_object>\n", '\'',
         {"load_object", "Objets/a.lwo", "Objets/b c.lwo", "/load_object", "<eof>", "<eof>"}},
        // Mixed ends; what was collected before the end of the file is dropped.
        {"x 'from quote to bracket> <from bracket to quote' 'never closed", '\'',
         {"from quote to bracket", "from bracket to quote", "<eof>"}},
        {"'" + longName + "' 'next'", '\'', {longName.substr(0, 10239), "next"}},
        {"\"caf\xE9\xFF\" \"\"", '"', {"caf\xE9\xFF", "", "<eof>"}},
    };
    for (const auto& c : cases) {
        FILE* f = std::tmpfile();
        std::fwrite(c.text.data(), 1, c.text.size(), f);
        std::rewind(f);
        for (const std::string& token : c.tokens) EXPECT_EQ(readDelimitedToken(f, c.delimiter), token);
        std::fclose(f);
    }
}

namespace {

// copyText and formatText into an 8-byte buffer filled with 'x': the text
// kept (cut to 7 characters, always terminated) and what lies after it.
TEST(FixedText, CutAndTerminated)
{
    const std::pair<const char*, const char*> cases[] = {  // the text, what is kept
        {"", ""}, {"abc", "abc"}, {"abcdefg", "abcdefg"}, {"abcdefgh", "abcdefg"}, {"abcdefghijklmnop", "abcdefg"}};
    for (const auto& c : cases) {
        char copied[10] = "xxxxxxxxx", formatted[10] = "xxxxxxxxx";
        EXPECT_EQ(copyText(copied, 8, c.first), copied);
        EXPECT_STREQ(copied, c.second) << c.first;
        formatText(formatted, 8, "%s", c.first);
        EXPECT_STREQ(formatted, c.second) << c.first;
        EXPECT_EQ(copied[8], 'x');  // nothing written past the size
        EXPECT_EQ(formatted[8], 'x');
    }
    char buffer[8] = "abc";
    EXPECT_STREQ(copyText(buffer, sizeof buffer, buffer), "abc");  // onto itself
    EXPECT_STREQ(copyText(buffer, sizeof buffer, buffer + 1), "bc");  // overlapping
    EXPECT_STREQ(copyText(buffer, sizeof buffer, nullptr), "");
    EXPECT_STREQ(formatText(buffer, sizeof buffer, "%d-%s", 42, "abcdef"), "42-abcd");
    copyText(buffer, 0, "never");  // no room: nothing written
    EXPECT_STREQ(buffer, "42-abcd");
}

std::string reported;

TEST(FixedText, ReportsAreCutOrWhole)
{
    auto keep = [](const char* message) { reported = message; };
    reportFormatted(keep, 8, "%s-%d", "abcdef", 42);
    EXPECT_EQ(reported, "abcdef-");
    reportFormatted(keep, 0, "%s-%d", std::string(2000, 'a').c_str(), 42);
    EXPECT_EQ(reported, std::string(2000, 'a') + "-42");
}

}  // namespace
