// The module player: its refusals, its handles, the SDL subsystems it leaves
// alone, and what the device plays, captured through SDL's disk driver.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform.h"
#include "test_support.h"
#include "xm_modules.h"

namespace {

const int kRate = 44100;
const uint32_t kStereoLowLatency = 0x50, kStereo = 0x10, kMonoLowLatency = 0x40, kLoop = 1;

long fileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

std::vector<int16_t> readSamples(const std::string& path)
{
    std::string bytes = readWholeFile(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::copy(bytes.data(), bytes.data() + samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    return samples;
}

// Index of the first frame that is not silent.
size_t firstSound(const std::vector<int16_t>& s, int channels = 2)
{
    size_t i = 0;
    while (i < s.size() && s[i] == 0) ++i;
    return i - i % channels;
}

// Every test starts from a released player and leaves one, on SDL's dummy
// driver unless it asks for the disk driver, which writes what the device plays.
struct Audio : testing::Test {
    void SetUp() override
    {
        module = testFolder() + "/tune.xm";
        capture = testFolder() + "/played.raw";
        bytes = encoded(tuneModule());
        ASSERT_TRUE(writeWholeFile(module, std::string(bytes.begin(), bytes.end())));
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override
    {
        BASS_Free();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void useDiskDriver()
    {
        std::remove(capture.c_str());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "2", 1);  // faster than real time
    }
    // Waits (up to 20 s) until the device has written `more` bytes past `from`.
    bool waitForCapture(long from, long more)
    {
        for (int waited = 0; waited < 20000 && fileSize(capture) < from + more; waited += 2) SDL_Delay(2);
        return fileSize(capture) >= from + more;
    }
    // Waits (up to 20 s) until the capture holds `samples` samples after its
    // first sound, however long the silence before it on a busy machine.
    bool waitForSound(size_t samples, int channels = 2)
    {
        for (int waited = 0; waited < 20000; waited += 20, SDL_Delay(20)) {
            std::vector<int16_t> s = readSamples(capture);
            if (s.size() - firstSound(s, channels) >= samples) return true;
        }
        return false;
    }
    // Plays the test module through the disk driver until the capture holds `samples` samples of it.
    std::vector<int16_t> capturePlayback(uint32_t initFlags, uint32_t loadFlags, size_t samples, int channels)
    {
        useDiskDriver();
        if (!BASS_Init(-1, kRate, initFlags, nullptr)) return {};
        HMUSIC music = BASS_MusicLoad(0, module.c_str(), 0, 0, loadFlags);
        if (!music || !BASS_Start() || !BASS_MusicPlay(music)) return {};
        bool filled = waitForSound(samples, channels);
        BASS_Free();
        return filled ? readSamples(capture) : std::vector<int16_t>();
    }

    std::string module, capture;
    std::vector<uint8_t> bytes;
};

}  // namespace

TEST_F(Audio, InitNeedsAnAudioDeviceAndSaneArgumentsAndEveryCallFailsWithout)
{
    EXPECT_EQ(BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop), 0u);
    EXPECT_EQ(BASS_Start(), 0);
    EXPECT_EQ(BASS_MusicPlay(1), 0);
    EXPECT_EQ(BASS_Stop(), 0);
    EXPECT_EQ(BASS_MusicFree(1), 0);
    EXPECT_EQ(BASS_Free(), 0);
    const struct {
        const char* driver;
        int device;
        uint32_t rate, flags;
        bool ok;
    } cases[] = {
        {"no-such-driver", -1, kRate, kStereoLowLatency, false}, {"no-such-driver", -1, kRate, kStereo, false},
        {"dummy", 7, kRate, kStereo, false},  // there is only the default device
        {"dummy", -1, 0, kStereo, false},     {"dummy", -1, 1000000, kStereo, false},
        {"dummy", -1, kRate, kStereoLowLatency, true}, {"dummy", 1, 8000, kMonoLowLatency, true},
    };
    for (const auto& c : cases) {
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        EXPECT_EQ(BASS_Init(c.device, c.rate, c.flags, GetForegroundWindow()) != 0, c.ok) << c.driver << " " << c.rate;
        EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO) != 0, c.ok);  // nothing left half open
        if (!c.ok) continue;
        EXPECT_EQ(BASS_Init(-1, kRate, kStereo, nullptr), 0);  // already running
        EXPECT_NE(BASS_Free(), 0);
        EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
        EXPECT_EQ(BASS_Free(), 0);
    }
}

TEST_F(Audio, LoadsFromFileOrMemoryAndRefusesTheRest)
{
    ASSERT_NE(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);
    HMUSIC fromFile = BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop);
    HMUSIC fromMemory = BASS_MusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), kLoop);
    EXPECT_NE(fromFile, 0u);
    EXPECT_NE(fromMemory, 0u);
    EXPECT_NE(fromFile, fromMemory);
    // A module stored inside a larger file or block, found by offset and length.
    std::string wrapped = std::string(100, 'U') + std::string(bytes.begin(), bytes.end()) + std::string(50, 'U');
    std::string wrappedPath = testFolder() + "/wrapped.bin", textPath = testFolder() + "/text.txt";
    ASSERT_TRUE(writeWholeFile(wrappedPath, wrapped));
    ASSERT_TRUE(writeWholeFile(textPath, std::string(4000, 'x')));
    EXPECT_NE(BASS_MusicLoad(0, wrappedPath.c_str(), 100, uint32_t(bytes.size()), 0), 0u);
    EXPECT_NE(BASS_MusicLoad(1, wrapped.data(), 100, uint32_t(bytes.size()), 0), 0u);
    EXPECT_EQ(BASS_MusicLoad(0, wrappedPath.c_str(), wrapped.size() + 1, 0, 0), 0u);        // offset past the end
    EXPECT_EQ(BASS_MusicLoad(0, wrappedPath.c_str(), 100, uint32_t(wrapped.size()), 0), 0u);  // length past the end
    EXPECT_EQ(BASS_MusicLoad(0, textPath.c_str(), 0, 0, kLoop), 0u);                          // not a module
    EXPECT_EQ(BASS_MusicLoad(0, (module + ".missing").c_str(), 0, 0, kLoop), 0u);
    EXPECT_EQ(BASS_MusicLoad(0, nullptr, 0, 0, kLoop), 0u);
    EXPECT_EQ(BASS_MusicLoad(1, bytes.data(), 0, 0, kLoop), 0u);  // a block needs its length
    EXPECT_EQ(BASS_MusicLoad(1, bytes.data(), 0, 40, kLoop), 0u);  // cut short

    // Handles: only known ones play and free, a freed one is never handed out again.
    EXPECT_EQ(BASS_MusicPlay(0), 0);
    EXPECT_EQ(BASS_MusicPlay(12345), 0);
    EXPECT_EQ(BASS_MusicFree(fromMemory + 100), 0);
    EXPECT_NE(BASS_MusicPlay(fromFile), 0);
    EXPECT_NE(BASS_MusicFree(fromFile), 0);
    EXPECT_EQ(BASS_MusicFree(fromFile), 0);
    EXPECT_EQ(BASS_MusicPlay(fromFile), 0);
    HMUSIC next = BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop);
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, fromFile);
    EXPECT_NE(BASS_Free(), 0);
    EXPECT_EQ(BASS_MusicPlay(next), 0);  // released with the player
}

TEST_F(Audio, LeavesTheOtherSdlSubsystemsAlone)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_NE(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO), 0);  // what the display does next
    EXPECT_NE(BASS_MusicPlay(BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop)), 0);
    EXPECT_NE(BASS_Free(), 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_TIMER | SDL_INIT_VIDEO), Uint32(SDL_INIT_TIMER | SDL_INIT_VIDEO));
    SDL_Quit();
    // Audio opened by someone else stays open after the release.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0);
    ASSERT_NE(BASS_Init(-1, kRate, kStereo, nullptr), 0);
    EXPECT_NE(BASS_Free(), 0);
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    SDL_Quit();
}

// What the device plays is the module as libopenmpt renders it: sample for
// sample on the first pass, within 2 steps after a loop (libopenmpt rounds a
// little differently there, depending on where its reads end), and silence
// after the end without the loop flag.
TEST_F(Audio, PlaysTheModulesOwnSamplesLoopedOrOnce)
{
    const size_t pass = size_t(1.92 * kRate);  // two patterns of 16 rows of 3 ticks
    const struct {
        uint32_t init, load;
        int channels;
    } modes[] = {{kStereoLowLatency, kLoop, 2}, {kMonoLowLatency, kLoop, 1}, {kStereo, 0, 2}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.init);
        std::vector<int16_t> expected = renderModule(bytes, kRate, m.channels, pass * 5 / 2, m.load ? -1 : 0);
        size_t from = firstSound(expected, m.channels);
        std::vector<int16_t> played = capturePlayback(m.init, m.load, expected.size(), m.channels);
        size_t at = firstSound(played, m.channels), firstPassMismatches = 0;
        ASSERT_GE(played.size() - at, expected.size() - from);
        int worst = 0;
        for (size_t i = from; i < expected.size(); ++i) {
            int difference = std::abs(played[at + i - from] - expected[i]);
            if (i < pass * m.channels) firstPassMismatches += difference != 0;
            worst = std::max(worst, difference);
        }
        EXPECT_EQ(firstPassMismatches, 0u);
        EXPECT_LE(worst, 2);
        EXPECT_GT(rms(&played[at], pass * m.channels), 500.0);
        double third = rms(&played[at + 2 * pass * m.channels], pass / 2 * m.channels);
        EXPECT_TRUE(m.load ? third > 500.0 : third == 0.0) << third;  // the third pass, or silence
    }
}

TEST_F(Audio, StopSilencesAndStartResumes)
{
    useDiskDriver();
    ASSERT_NE(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);
    ASSERT_NE(BASS_MusicPlay(BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop)), 0);
    const long second = kRate * 4;
    ASSERT_TRUE(waitForSound(size_t(second) / 4));
    EXPECT_NE(BASS_Stop(), 0);
    long stoppedAt = fileSize(capture);
    ASSERT_TRUE(waitForCapture(stoppedAt, second + 128 * 1024));
    EXPECT_NE(BASS_Start(), 0);
    long resumedAt = fileSize(capture);
    ASSERT_TRUE(waitForCapture(resumedAt, second / 2 + 128 * 1024));
    EXPECT_NE(BASS_Free(), 0);

    std::vector<int16_t> s = readSamples(capture);
    // Device buffers and the writer's buffering lag the calls by up to 128 KiB.
    size_t margin = 64 * 1024;
    size_t silentFrom = size_t(stoppedAt) / 2 + margin, silentTo = silentFrom + size_t(second) / 2 - margin;
    size_t resumed = size_t(resumedAt) / 2 + margin;
    ASSERT_LT(silentTo, s.size());
    EXPECT_GT(rms(&s[firstSound(s)], 8820), 500.0);
    EXPECT_EQ(rms(&s[silentFrom], silentTo - silentFrom), 0.0);
    EXPECT_GT(rms(&s[resumed], s.size() - resumed), 500.0);
}
