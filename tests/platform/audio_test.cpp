#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "datagen.h"
#include "modules.h"
#include "platform.h"

namespace {

const int kRate = 44100;
const uint32_t kStereoLowLatency = 0x50, kStereo = 0x10, kMonoLowLatency = 0x40, kLoop = 1;

std::string testName()
{
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

long fileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<int16_t> readSamples(const std::string& path)
{
    std::vector<int16_t> samples(size_t(std::max(0L, fileSize(path))) / 2);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    size_t n = std::fread(samples.data(), 2, samples.size(), f);
    std::fclose(f);
    samples.resize(n);
    return samples;
}

// Index of the first frame that is not silent.
size_t firstSound(const std::vector<int16_t>& s, int channels = 2)
{
    size_t i = 0;
    while (i < s.size() && s[i] == 0) ++i;
    return i - i % channels;
}

// Every test starts from a released player and leaves one, with SDL's dummy driver
// unless it asks for the disk driver, which writes what the device plays to a file.
class Audio : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = "audio_test_" + testName() + "_" + std::to_string(getpid());
        module = base + ".xm";
        capture = base + ".raw";
        bytes = encoded(tuneModule());
        ASSERT_TRUE(writeBytes(module, bytes));
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override
    {
        BASS_Free();
        std::remove(module.c_str());
        std::remove(capture.c_str());
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void useDiskDriver()
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "2", 1);  // faster than real time
    }
    // Waits until the device has written `bytes` more than it had at `from`.
    bool waitForCapture(long from, long more)
    {
        for (int waited = 0; waited < 20000; waited += 2) {
            if (fileSize(capture) >= from + more) return true;
            SDL_Delay(2);
        }
        return false;
    }
    // Plays the test module through the disk driver and captures `seconds` of it.
    std::vector<int16_t> capturePlayback(uint32_t initFlags, uint32_t loadFlags, double seconds, int channels)
    {
        useDiskDriver();
        if (!BASS_Init(-1, kRate, initFlags, nullptr)) return {};
        HMUSIC music = BASS_MusicLoad(0, module.c_str(), 0, 0, loadFlags);
        if (!music || !BASS_Start()) return {};
        long before = std::max(0L, fileSize(capture));
        if (!BASS_MusicPlay(music)) return {};
        // Margin for the device buffers and the writer's own buffering.
        bool filled = waitForCapture(before, long(seconds * kRate) * 2 * channels + 256 * 1024);
        BASS_Stop();
        BASS_Free();
        return filled ? readSamples(capture) : std::vector<int16_t>();
    }

    std::string base, module, capture;
    std::vector<uint8_t> bytes;
};

TEST_F(Audio, EveryCallFailsBeforeInit)
{
    EXPECT_EQ(BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop), 0u);
    EXPECT_EQ(BASS_Start(), 0);
    EXPECT_EQ(BASS_MusicPlay(1), 0);
    EXPECT_EQ(BASS_Stop(), 0);
    EXPECT_EQ(BASS_MusicFree(1), 0);
    EXPECT_EQ(BASS_Free(), 0);
}

TEST_F(Audio, InitNeedsAnAudioDeviceAndSaneArguments)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);
    EXPECT_EQ(BASS_Init(-1, kRate, kStereo, nullptr), 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);  // nothing left half open

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(BASS_Init(7, kRate, kStereo, nullptr), 0);  // there is only the default device
    EXPECT_EQ(BASS_Init(-1, 0, kStereo, nullptr), 0);
    EXPECT_EQ(BASS_Init(-1, 1000000, kStereo, nullptr), 0);

    EXPECT_NE(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    EXPECT_EQ(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);  // already running
    EXPECT_NE(BASS_Free(), 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    EXPECT_EQ(BASS_Free(), 0);
    EXPECT_NE(BASS_Init(1, kRate, kStereo, GetForegroundWindow()), 0);  // again after a release
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
    std::vector<uint8_t> wrapped(100 + bytes.size() + 50, 0x55);
    std::copy(bytes.begin(), bytes.end(), wrapped.begin() + 100);
    std::string wrappedPath = base + ".bin";
    ASSERT_TRUE(writeBytes(wrappedPath, wrapped));
    EXPECT_NE(BASS_MusicLoad(0, wrappedPath.c_str(), 100, uint32_t(bytes.size()), 0), 0u);
    EXPECT_NE(BASS_MusicLoad(1, wrapped.data(), 100, uint32_t(bytes.size()), 0), 0u);
    EXPECT_EQ(BASS_MusicLoad(0, wrappedPath.c_str(), wrapped.size() + 1, 0, 0), 0u);        // offset past the end
    EXPECT_EQ(BASS_MusicLoad(0, wrappedPath.c_str(), 100, uint32_t(wrapped.size()), 0), 0u);  // length past the end

    std::string textPath = base + ".txt";
    ASSERT_TRUE(writeBytes(textPath, std::vector<uint8_t>(4000, 'x')));
    EXPECT_EQ(BASS_MusicLoad(0, textPath.c_str(), 0, 0, kLoop), 0u);  // not a module
    EXPECT_EQ(BASS_MusicLoad(0, (base + ".missing").c_str(), 0, 0, kLoop), 0u);
    EXPECT_EQ(BASS_MusicLoad(0, nullptr, 0, 0, kLoop), 0u);
    EXPECT_EQ(BASS_MusicLoad(1, bytes.data(), 0, 0, kLoop), 0u);  // a block needs its length
    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + 40);
    EXPECT_EQ(BASS_MusicLoad(1, truncated.data(), 0, uint32_t(truncated.size()), kLoop), 0u);
    std::remove(wrappedPath.c_str());
    std::remove(textPath.c_str());
}

TEST_F(Audio, PlayAndFreeOnlyKnownHandles)
{
    ASSERT_NE(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);
    EXPECT_EQ(BASS_MusicPlay(0), 0);  // play before any load
    EXPECT_EQ(BASS_MusicPlay(12345), 0);
    HMUSIC music = BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop);
    ASSERT_NE(music, 0u);
    EXPECT_NE(BASS_Start(), 0);
    EXPECT_NE(BASS_MusicPlay(music), 0);
    EXPECT_EQ(BASS_MusicFree(music + 1), 0);
    EXPECT_NE(BASS_Stop(), 0);
    EXPECT_NE(BASS_MusicFree(music), 0);
    EXPECT_EQ(BASS_MusicFree(music), 0);
    EXPECT_EQ(BASS_MusicPlay(music), 0);
    // A new load never hands back the freed handle.
    HMUSIC next = BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop);
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, music);
    EXPECT_NE(BASS_Free(), 0);
    EXPECT_EQ(BASS_MusicPlay(next), 0);  // released with the player
}

TEST_F(Audio, LeavesTheOtherSdlSubsystemsAlone)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_NE(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO), 0);  // what the display does next
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    HMUSIC music = BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop);
    EXPECT_NE(BASS_MusicPlay(music), 0);
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

// What the device plays is the module, sample for sample, as libopenmpt renders it.
TEST_F(Audio, PlaysTheModulesOwnSamples)
{
    struct Mode {
        uint32_t flags;
        int channels;
    };
    for (Mode mode : {Mode{kStereoLowLatency, 2}, Mode{kMonoLowLatency, 1}, Mode{kStereo, 2}}) {
        std::vector<int16_t> played = capturePlayback(mode.flags, kLoop, 1.0, mode.channels);
        ASSERT_FALSE(played.empty()) << "flags " << mode.flags;
        std::vector<int16_t> expected = renderModule(bytes, kRate, mode.channels, kRate, -1);
        size_t at = firstSound(played, mode.channels), from = firstSound(expected, mode.channels);
        ASSERT_GE(played.size() - at, expected.size() - from);
        size_t mismatches = 0;
        for (size_t i = 0; from + i < expected.size(); ++i) mismatches += played[at + i] != expected[from + i];
        EXPECT_EQ(mismatches, 0u) << "flags " << mode.flags;
        EXPECT_GT(rms(&expected[from], expected.size() - from), 500.0);
        std::remove(capture.c_str());
    }
}

// The demo's own sequence of calls, on the demo's own music.
TEST_F(Audio, DemoSequencePlaysTheGeneratedMusic)
{
    std::string dir = base + "_datas", path = dir + "/Zik/under.xm";
    ASSERT_TRUE(writeMusic(dir));
    useDiskDriver();
    int ok = BASS_Init(-1, kRate, 0x50, GetForegroundWindow());
    if (!ok) ok = BASS_Init(-1, kRate, 0x10, GetForegroundWindow());
    ASSERT_NE(ok, 0);
    HMUSIC music = BASS_MusicLoad(0, path.c_str(), 0, 0, 1);
    ASSERT_NE(music, 0u);
    BASS_Start();
    ASSERT_NE(BASS_MusicPlay(music), 0);
    ASSERT_TRUE(waitForCapture(0, kRate * 4 * 2));
    BASS_Stop();
    BASS_MusicFree(music);
    BASS_Free();

    std::vector<uint8_t> song = readAll(path);
    ASSERT_FALSE(song.empty());
    std::vector<int16_t> played = readSamples(capture), expected = renderModule(song, kRate, 2, kRate, -1);
    size_t at = firstSound(played), from = firstSound(expected);
    ASSERT_GE(played.size() - at, expected.size() - from);
    EXPECT_GT(rms(&expected[from], expected.size() - from), 100.0);
    EXPECT_TRUE(std::equal(expected.begin() + from, expected.end(), played.begin() + at));
    std::remove(path.c_str());
    std::remove((dir + "/Zik").c_str());
    std::remove(dir.c_str());
}

TEST_F(Audio, LoopedModulePlaysOnPastItsEnd)
{
    openmpt_module* mod = openModule(bytes);
    ASSERT_NE(mod, nullptr);
    double length = openmpt_module_get_duration_seconds(mod);
    openmpt_module_destroy(mod);
    ASSERT_GT(length, 1.5);
    ASSERT_LT(length, 2.5);
    const double seconds = 2.5 * length;
    size_t frames = size_t(seconds * kRate);

    std::vector<int16_t> looped = capturePlayback(kStereoLowLatency, kLoop, seconds, 2);
    ASSERT_FALSE(looped.empty());
    size_t at = firstSound(looped);
    ASSERT_GE(looped.size() - at, frames * 2);
    // Past the end the tune starts over: the third pass sounds like the first.
    size_t period = size_t(length * kRate) * 2, window = kRate / 2 * 2;
    const int16_t* first = &looped[at];
    const int16_t* third = &looped[at + 2 * period];
    EXPECT_GT(rms(third, window), 500.0);
    EXPECT_NEAR(rms(third, window), rms(first, window), rms(first, window) * 0.05);
    // libopenmpt rounds a little differently after a loop depending on where its
    // reads end, so past the first pass the samples agree to within 2 steps.
    std::vector<int16_t> expected = renderModule(bytes, kRate, 2, frames, -1);
    size_t from = firstSound(expected), firstPassMismatches = 0;
    int worst = 0;
    for (size_t i = from; i < expected.size(); ++i) {
        int difference = std::abs(looped[at + i - from] - expected[i]);
        if (i < period) firstPassMismatches += difference != 0;
        worst = std::max(worst, difference);
    }
    EXPECT_EQ(firstPassMismatches, 0u);
    EXPECT_LE(worst, 2);
    std::remove(capture.c_str());

    // Without the loop flag the module plays once and the device falls silent.
    std::vector<int16_t> once = capturePlayback(kStereoLowLatency, 0, seconds, 2);
    ASSERT_GE(once.size(), firstSound(once) + frames * 2);
    EXPECT_GT(rms(&once[firstSound(once)], window), 500.0);
    EXPECT_EQ(rms(&once[firstSound(once) + period + window], frames * 2 - period - window), 0.0);
}

TEST_F(Audio, StopSilencesAndStartResumes)
{
    useDiskDriver();
    ASSERT_NE(BASS_Init(-1, kRate, kStereoLowLatency, nullptr), 0);
    HMUSIC music = BASS_MusicLoad(0, module.c_str(), 0, 0, kLoop);
    ASSERT_NE(BASS_MusicPlay(music), 0);
    const long second = kRate * 4;
    ASSERT_TRUE(waitForCapture(0, second / 2));
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
    ASSERT_LT(silentTo, s.size());
    EXPECT_GT(rms(&s[firstSound(s)], 8820), 500.0);
    EXPECT_EQ(rms(&s[silentFrom], silentTo - silentFrom), 0.0);
    size_t resumed = size_t(resumedAt) / 2 + margin;
    EXPECT_GT(rms(&s[resumed], s.size() - resumed), 500.0);
}

}  // namespace
