// The data generator's music, and the flare pictures it wrote for the build.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "datagen.h"
#include "test_support.h"
#include "toolkit.h"
#include "xm_modules.h"

namespace {

struct Music : testing::Test {
    static void SetUpTestSuite()
    {
        std::string dir = testFolder();
        ASSERT_TRUE(writeMusic(dir));
        bytes = readWholeFile(dir + "/Zik/under.xm");
    }
    void SetUp() override
    {
        module = openModule(bytes);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { openmpt_module_destroy(module); }

    static std::string bytes;
    openmpt_module* module = nullptr;
};
std::string Music::bytes;

}  // namespace

TEST_F(Music, IsAnEightChannelModuleOfAboutThreeMinutesThatKeepsChanging)
{
    EXPECT_EQ(openmpt_module_get_num_channels(module), 8);
    EXPECT_EQ(openmpt_module_get_num_instruments(module), 10);
    EXPECT_EQ(openmpt_module_get_current_speed(module), 6);
    EXPECT_EQ(openmpt_module_get_current_tempo(module), 125);
    double seconds = openmpt_module_get_duration_seconds(module);
    EXPECT_GE(seconds, 160.0);
    EXPECT_LE(seconds, 240.0);
    // No part plays more than three times; every channel and instrument plays,
    // bass, pads, arpeggio and leads through several pitches.
    std::vector<int> plays(openmpt_module_get_num_patterns(module), 0);
    std::vector<int> notes(8, 0);
    std::vector<std::set<int>> pitches(8);
    std::set<int> instruments;
    for (int o = 0; o < openmpt_module_get_num_orders(module); ++o) {
        int p = openmpt_module_get_order_pattern(module, o);
        ++plays[p];
        for (int r = 0; r < openmpt_module_get_pattern_num_rows(module, p); ++r)
            for (int c = 0; c < 8; ++c) {
                int note = openmpt_module_get_pattern_row_channel_command(module, p, r, c, OPENMPT_MODULE_COMMAND_NOTE);
                if (note == 0 || note > 120) continue;
                ++notes[c];
                pitches[c].insert(note);
                instruments.insert(openmpt_module_get_pattern_row_channel_command(module, p, r, c, OPENMPT_MODULE_COMMAND_INSTRUMENT));
            }
    }
    EXPECT_LE(*std::max_element(plays.begin(), plays.end()), 3);
    for (int c = 0; c < 8; ++c) EXPECT_GE(notes[c], 40) << "channel " << c;
    for (int c = 3; c < 8; ++c) EXPECT_GE(pitches[c].size(), 4u) << "channel " << c;
    EXPECT_EQ(instruments, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(Music, LevelsStayClearOfClippingAndSilence)
{
    const int rate = 22050;
    std::vector<int16_t> block(rate * 2);
    double sum = 0, quietest = 1e9;
    size_t count = 0;
    int peak = 0;
    while (openmpt_module_read_interleaved_stereo(module, rate, rate, block.data()) == size_t(rate)) {
        for (int16_t v : block) peak = std::max(peak, std::abs(int(v)));
        double level = rms(block.data(), block.size());
        quietest = std::min(quietest, level);
        sum += level * level * block.size();
        count += block.size();
    }
    EXPECT_LT(peak, 32000);  // no clipping
    EXPECT_GT(peak, 16000);  // and not timid
    double overallDb = 20 * std::log10(std::sqrt(sum / count) / 32768.0);
    EXPECT_GT(overallDb, -24.0);
    EXPECT_LT(overallDb, -10.0);
    EXPECT_GT(20 * std::log10(quietest / 32768.0), -45.0);  // no silent second anywhere
}

// The pictures the build wrote into its Datas folder.
TEST(FlarePictures, AreTwentyFourBitPowerOfTwoPictures)
{
    for (const char* name : {"Datas/Flares-Fond.jpg", "Datas/Flares1-Light.jpg", "Datas/Flares2-Light.jpg",
                             "Datas/Flares3-Light.jpg"}) {
        SDL_Surface* s = loadImageRgb(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->w & (s->w - 1), 0) << name;
        EXPECT_EQ(s->h & (s->h - 1), 0) << name;
        EXPECT_GE(s->w, 64) << name;
        SDL_FreeSurface(s);
    }
}
