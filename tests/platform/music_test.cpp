#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

#include "datagen.h"
#include "modules.h"

namespace {

class Music : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = std::string("music_test_") + std::to_string(getpid());
        ASSERT_TRUE(writeMusic(dir));
        bytes = readAll(dir + "/Zik/under.xm");
    }
    static void TearDownTestSuite()
    {
        std::remove((dir + "/Zik/under.xm").c_str());
        std::remove((dir + "/Zik").c_str());
        std::remove(dir.c_str());
    }
    static std::string dir;
    static std::vector<uint8_t> bytes;
};
std::string Music::dir;
std::vector<uint8_t> Music::bytes;

TEST_F(Music, IsAnEightChannelModuleOfAtLeastTwoAndAHalfMinutes)
{
    openmpt_module* mod = openModule(bytes);
    ASSERT_NE(mod, nullptr);
    EXPECT_EQ(openmpt_module_get_num_channels(mod), 8);
    EXPECT_GE(openmpt_module_get_num_patterns(mod), 8);
    EXPECT_EQ(openmpt_module_get_num_instruments(mod), 10);
    EXPECT_EQ(openmpt_module_get_current_speed(mod), 6);
    EXPECT_EQ(openmpt_module_get_current_tempo(mod), 125);
    double seconds = openmpt_module_get_duration_seconds(mod);
    EXPECT_GE(seconds, 160.0);
    EXPECT_LE(seconds, 240.0);
    // The order list keeps changing pattern: no part plays more than three times.
    int orders = openmpt_module_get_num_orders(mod);
    std::vector<int> plays(openmpt_module_get_num_patterns(mod), 0);
    for (int o = 0; o < orders; ++o) ++plays[openmpt_module_get_order_pattern(mod, o)];
    for (int count : plays) EXPECT_LE(count, 3);
    openmpt_module_destroy(mod);
}

TEST_F(Music, IsWrittenTheSameEveryTime)
{
    std::string again = dir + "_again";
    ASSERT_TRUE(writeMusic(again));
    EXPECT_EQ(readAll(again + "/Zik/under.xm"), bytes);
    std::remove((again + "/Zik/under.xm").c_str());
    std::remove((again + "/Zik").c_str());
    std::remove(again.c_str());
}

TEST_F(Music, EveryChannelAndInstrumentIsPlayed)
{
    openmpt_module* mod = openModule(bytes);
    ASSERT_NE(mod, nullptr);
    int channels = openmpt_module_get_num_channels(mod);
    std::vector<int> notes(channels, 0);
    std::set<int> instruments;
    std::vector<std::set<int>> pitches(channels);
    for (int o = 0; o < openmpt_module_get_num_orders(mod); ++o) {
        int p = openmpt_module_get_order_pattern(mod, o);
        for (int r = 0; r < openmpt_module_get_pattern_num_rows(mod, p); ++r)
            for (int c = 0; c < channels; ++c) {
                int note = openmpt_module_get_pattern_row_channel_command(mod, p, r, c, OPENMPT_MODULE_COMMAND_NOTE);
                if (note == 0 || note > 120) continue;
                ++notes[c];
                pitches[c].insert(note);
                instruments.insert(openmpt_module_get_pattern_row_channel_command(mod, p, r, c, OPENMPT_MODULE_COMMAND_INSTRUMENT));
            }
    }
    for (int c = 0; c < channels; ++c) EXPECT_GE(notes[c], 40) << "channel " << c;
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(instruments.count(i), 1u) << "instrument " << i;
    // Bass, pads, arpeggio and the two lead channels move through several pitches.
    for (int c = 3; c < channels; ++c) EXPECT_GE(pitches[c].size(), 4u) << "channel " << c;
    openmpt_module_destroy(mod);
}

TEST_F(Music, LevelsStayClearOfClippingAndSilence)
{
    openmpt_module* mod = openModule(bytes);
    ASSERT_NE(mod, nullptr);
    const int rate = 22050;
    std::vector<int16_t> block(rate * 2);
    double sum = 0;
    size_t count = 0;
    int peak = 0;
    double quietest = 1e9;
    size_t n;
    while ((n = openmpt_module_read_interleaved_stereo(mod, rate, rate, block.data())) == size_t(rate)) {
        for (int16_t v : block) peak = std::max(peak, std::abs(int(v)));
        double level = rms(block.data(), block.size());
        quietest = std::min(quietest, level);
        sum += level * level * block.size();
        count += block.size();
    }
    openmpt_module_destroy(mod);
    double overallDb = 20 * std::log10(std::sqrt(sum / count) / 32768.0);
    EXPECT_LT(peak, 32000);  // no clipping
    EXPECT_GT(peak, 16000);  // and not timid
    EXPECT_GT(overallDb, -24.0);
    EXPECT_LT(overallDb, -10.0);
    EXPECT_GT(20 * std::log10(quietest / 32768.0), -45.0);  // no silent second anywhere
}

}  // namespace
