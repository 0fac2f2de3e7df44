// The data generator's music.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "datagen.h"
#include "test_support.h"
#include "xm_modules.h"

// Eight channels at speed 6 and 125 BPM, about three minutes that keep
// changing (no part plays more than three times), every channel and
// instrument playing, bass, pads, arpeggio and leads through several
// pitches; loud enough without clipping, and no silent second anywhere.
TEST(Music, IsAnEightChannelModuleOfAboutThreeMinutesThatKeepsChanging)
{
    std::string dir = testFolder();
    ASSERT_TRUE(writeMusic(dir));
    openmpt_module* module = openModule(readWholeFile(dir + "/Zik/under.xm"));
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(openmpt_module_get_num_channels(module), 8);
    EXPECT_EQ(openmpt_module_get_current_speed(module), 6);
    EXPECT_EQ(openmpt_module_get_current_tempo(module), 125);
    double seconds = openmpt_module_get_duration_seconds(module);
    EXPECT_TRUE(seconds >= 160.0 && seconds <= 240.0) << seconds;
    std::vector<int> plays(openmpt_module_get_num_patterns(module), 0), notes(8, 0);
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
    for (int c = 0; c < 8; ++c) EXPECT_TRUE(notes[c] >= 40 && (c < 3 || pitches[c].size() >= 4)) << "channel " << c;
    EXPECT_EQ(instruments, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

    const int rate = 22050;
    std::vector<int16_t> block(rate * 2);
    double sum = 0, quietest = 1e9;
    int peak = 0, blocks = 0;
    for (; openmpt_module_read_interleaved_stereo(module, rate, rate, block.data()) == size_t(rate); ++blocks) {
        for (int16_t v : block) peak = std::max(peak, std::abs(int(v)));
        double level = rms(block.data(), block.size());
        quietest = std::min(quietest, level);
        sum += level * level;
    }
    openmpt_module_destroy(module);
    double overallDb = 20 * std::log10(std::sqrt(sum / blocks) / 32768.0);
    EXPECT_TRUE(peak > 16000 && peak < 32000) << peak;
    EXPECT_TRUE(overallDb > -24.0 && overallDb < -10.0) << overallDb;
    EXPECT_GT(20 * std::log10(quietest / 32768.0), -45.0);
}
