// The XM writer, read back and played by libopenmpt.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>

#include "test_support.h"
#include "xm_modules.h"

namespace {

// Four channels, three patterns of different lengths, a 16-bit and an 8-bit instrument.
XmModule layoutModule()
{
    XmModule m;
    m.channels = 4;
    m.speed = 5;
    m.bpm = 140;
    m.patterns = {XmPattern(16, 4), XmPattern(32, 4), XmPattern(64, 4)};
    m.orders = {0, 2, 1, 2};
    XmInstrument a, b;
    a.samples.push_back(testWave(300, true));
    b.name = "eight";
    b.samples.push_back(testWave(300, false));
    b.samples[0].sixteenBit = false;
    m.instruments = {a, b};
    return m;
}

// One note of the sample at full volume, on a module with `instrument` as its only one.
XmModule oneNote(const XmInstrument& instrument)
{
    XmModule m;
    m.channels = 2;
    m.instruments.push_back(instrument);
    m.patterns.push_back(XmPattern(64, 2));
    m.orders = {0};
    setNote(m, 0, 0, 0, 49, 1, 64);
    return m;
}

// C-4 plays at 8363 Hz: rendered at that rate without interpolation, one
// output frame per sample frame.
std::vector<float> playSampleOnce(const XmSample& sample, size_t frames)
{
    XmInstrument in;
    in.samples.push_back(sample);
    std::vector<float> out(frames, 0.0f);
    openmpt_module* mod = openModule(encoded(oneNote(in)));
    if (!mod) return out;
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 1);
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, 0);
    openmpt_module_read_float_mono(mod, 8363, frames, out.data());
    openmpt_module_destroy(mod);
    return out;
}

// Largest difference between the output and the sample once both are scaled
// to the same size, as a fraction of the sample's range.
double shapeError(const std::vector<float>& out, const XmSample& sample)
{
    size_t peakAt = 0;
    for (size_t i = 0; i < sample.data.size(); ++i)
        if (std::abs(sample.data[i]) > std::abs(sample.data[peakAt])) peakAt = i;
    if (out[peakAt] == 0.0f) return 1.0;
    double gain = out[peakAt] / sample.data[peakAt], worst = 0;
    for (size_t i = 0; i < sample.data.size(); ++i)
        worst = std::fmax(worst, std::fabs(out[i] / gain - sample.data[i]) / 32768.0);
    return worst;
}

}  // namespace

// The layout module with cells of every packing, read back by libopenmpt and
// compared with cases/layout.txt: counts, speed, orders, rows, instrument
// names, duration and every cell that is not empty (libopenmpt numbers notes
// from an octave lower, so the XM note 61 shows as C-6).
TEST(XmWriter, LayoutAndCellsReadBackWhateverTheirPacking)
{
    XmModule m = layoutModule();
    *xmCell(m, 2, 10, 3) = XmCell{61, 2, 0x30, 0xF, 0x06};  // every field: stored unpacked
    *xmCell(m, 2, 11, 0) = XmCell{37, 0, 0, 0, 0};          // a note alone
    *xmCell(m, 2, 12, 1) = XmCell{XM_NOTE_OFF, 0, 0, 0, 0};
    *xmCell(m, 1, 31, 2) = XmCell{0, 0, 0, 0xA, 0x20};      // an effect alone, last row
    openmpt_module* mod = openModule(encoded(m));
    ASSERT_NE(mod, nullptr);
    std::ostringstream out;
    out << "channels " << openmpt_module_get_num_channels(mod) << " patterns " << openmpt_module_get_num_patterns(mod)
        << " instruments " << openmpt_module_get_num_instruments(mod) << " samples " << openmpt_module_get_num_samples(mod)
        << "\nspeed " << openmpt_module_get_current_speed(mod) << " tempo " << openmpt_module_get_current_tempo(mod)
        << "\norders";
    for (int o = 0; o < openmpt_module_get_num_orders(mod); ++o) out << " " << openmpt_module_get_order_pattern(mod, o);
    out << "\nrows";
    for (int p = 0; p < openmpt_module_get_num_patterns(mod); ++p) out << " " << openmpt_module_get_pattern_num_rows(mod, p);
    for (int i = 0; i < openmpt_module_get_num_instruments(mod); ++i) {
        const char* name = openmpt_module_get_instrument_name(mod, i);
        out << "\ninstrument " << i << " '" << name << "'";
        openmpt_free_string(name);
    }
    out << "\nseconds " << std::lround(openmpt_module_get_duration_seconds(mod) * 100) / 100.0;
    for (int p = 0; p < openmpt_module_get_num_patterns(mod); ++p)
        for (int r = 0; r < openmpt_module_get_pattern_num_rows(mod, p); ++r)
            for (int c = 0; c < openmpt_module_get_num_channels(mod); ++c) {
                const char* cell = openmpt_module_format_pattern_row_channel(mod, p, r, c, 0, 1);
                if (std::string(cell).find_first_not_of(". ") != std::string::npos)
                    out << "\n" << p << "/" << r << "/" << c << " " << cell;
                openmpt_free_string(cell);
            }
    openmpt_module_destroy(mod);
    EXPECT_EQ(out.str() + "\n", readWholeFile(TOOLS_CASES "/layout.txt"));
}

TEST(XmWriter, SamplesPlayAsWrittenLoopAndFollowTheEnvelope)
{
    XmSample sixteen = testWave(2000, false), eight = sixteen;
    eight.sixteenBit = false;  // stored as the top byte: within 1/128 of the 16-bit wave
    EXPECT_LT(shapeError(playSampleOnce(sixteen, 2000), sixteen), 1e-4);
    double eightError = shapeError(playSampleOnce(eight, 2000), eight);
    EXPECT_LT(eightError, 1.0 / 100);
    EXPECT_GT(eightError, 1e-5);

    XmSample looped = testWave(2000, true);  // loops over its second half
    std::vector<float> a = playSampleOnce(sixteen, 6000), b = playSampleOnce(looped, 6000);
    auto energy = [](const std::vector<float>& v, size_t from, size_t to) {
        double e = 0;
        for (size_t i = from; i < to; ++i) e += v[i] * v[i];
        return e;
    };
    EXPECT_EQ(energy(a, 5000, 6000), 0.0);  // a cut-off sample settles to zero
    EXPECT_NEAR(energy(b, 5000, 6000), energy(b, 1000, 2000), energy(b, 1000, 2000) * 1e-4);
    for (size_t i = 2000; i < 2100; ++i) EXPECT_FLOAT_EQ(b[i], b[i - 1000]) << i;  // the loop replays 1000..1999

    // A volume envelope that closes after 10 ticks (0.2 s at 125 BPM) silences the looped note.
    XmInstrument in;
    in.samples.push_back(looped);
    in.volumeEnvelope.points = {{0, 64}, {10, 0}};
    std::vector<int16_t> out = renderModule(encoded(oneNote(in)), 44100, 1, 44100, 0);
    EXPECT_GT(rms(&out[0], 4410), 100.0);
    EXPECT_EQ(rms(&out[22050], 22050), 0.0);
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold)
{
    const struct {
        const char* what;
        void (*spoil)(XmModule&);
    } cases[] = {
        {"no channel", [](XmModule& m) { m.channels = 0; }},
        {"33 channels", [](XmModule& m) { m.channels = 33; }},
        {"no order", [](XmModule& m) { m.orders.clear(); }},
        {"order past the patterns", [](XmModule& m) { m.orders.push_back(3); }},
        {"restart past the orders", [](XmModule& m) { m.restart = 4; }},
        {"pattern of 257 rows", [](XmModule& m) { m.patterns[0] = XmPattern(257, 4); }},
        {"cells not matching the rows", [](XmModule& m) { m.patterns[1].cells.pop_back(); }},
        {"note past key off", [](XmModule& m) { xmCell(m, 0, 0, 0)->note = 98; }},
        {"unknown instrument", [](XmModule& m) { xmCell(m, 0, 0, 0)->instrument = 3; }},
        {"sample volume 65", [](XmModule& m) { m.instruments[0].samples[0].volume = 65; }},
        {"loop past the end", [](XmModule& m) { m.instruments[0].samples[0].loopLength = 200; }},
        {"keymap to a missing sample", [](XmModule& m) { m.instruments[0].keymap[40] = 1; }},
        {"13 envelope points", [](XmModule& m) {
             for (uint16_t i = 0; i < 13; ++i) m.instruments[0].volumeEnvelope.points.push_back({uint16_t(i * 2), 32});
         }},
        {"envelope ticks going back", [](XmModule& m) { m.instruments[0].volumeEnvelope.points = {{0, 64}, {10, 32}, {5, 0}}; }},
        {"envelope value 65", [](XmModule& m) { m.instruments[0].volumeEnvelope.points = {{0, 65}}; }},
        {"sustain past the points", [](XmModule& m) {
             m.instruments[0].volumeEnvelope.points = {{0, 64}};
             m.instruments[0].volumeEnvelope.sustain = 1;
         }},
        {"17 samples", [](XmModule& m) { m.instruments[0].samples.resize(17); }},
    };
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodeXm(layoutModule(), bytes));
    for (const auto& c : cases) {
        XmModule m = layoutModule();
        c.spoil(m);
        bytes.assign(10, 1);
        EXPECT_FALSE(encodeXm(m, bytes)) << c.what;
        EXPECT_TRUE(bytes.empty()) << c.what;
    }
}

TEST(XmWriter, CellLookupStaysInsideThePatterns)
{
    XmModule m = layoutModule();
    m.patterns[1].cells.resize(10);  // a pattern shorter than its rows say
    EXPECT_NE(xmCell(m, 2, 63, 3), nullptr);
    for (auto at : {std::array<int, 3>{0, 16, 0}, {0, -1, 0}, {0, 0, 4}, {3, 0, 0}, {-1, 0, 0}, {1, 5, 0}})
        EXPECT_EQ(xmCell(m, at[0], at[1], at[2]), nullptr) << at[0] << "/" << at[1] << "/" << at[2];
}
