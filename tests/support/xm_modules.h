// Small modules made with the XM writer and libopenmpt helpers, for the
// tests of the writer, the music and the module player (header only: the
// programs that include it link libopenmpt and the writer).
#pragma once
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "xmwriter.h"

// A waveform with no simple period, so a misplaced or mis-decoded frame shows.
inline XmSample testWave(int frames, bool looped)
{
    XmSample s;
    s.name = "wave";
    for (int i = 0; i < frames; ++i) s.data.push_back(int16_t(12000 * std::sin(i * 0.05) + 8000 * std::sin(i * 0.31)));
    if (looped) {
        s.loop = XM_LOOP_FORWARD;
        s.loopStart = uint32_t(frames / 2);
        s.loopLength = uint32_t(frames - frames / 2);
    }
    return s;
}

inline void setNote(XmModule& m, int pattern, int row, int channel, int note, int instrument, int volume)
{
    XmCell* c = xmCell(m, pattern, row, channel);
    c->note = uint8_t(note);
    c->instrument = uint8_t(instrument);
    c->volume = uint8_t(0x10 + volume);
}

// Two channels, two 16-row patterns at speed 3: 1.92 s, a melody over a bass line.
inline XmModule tuneModule()
{
    XmModule m;
    m.channels = 2;
    m.speed = 3;
    XmInstrument in;
    in.samples.push_back(testWave(4000, true));
    m.instruments.push_back(in);
    m.patterns.assign(2, XmPattern(16, 2));
    static const int melody[2][4] = {{49, 53, 56, 61}, {51, 54, 58, 63}};
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < 4; ++i) setNote(m, p, i * 4, 0, melody[p][i], 1, 48);
        setNote(m, p, 0, 1, 25 + p * 5, 1, 40);
    }
    m.orders = {0, 1};
    return m;
}

inline std::vector<uint8_t> encoded(const XmModule& m)
{
    std::vector<uint8_t> bytes;
    encodeXm(m, bytes);
    return bytes;
}

template <typename Bytes>
openmpt_module* openModule(const Bytes& bytes)
{
    return openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                              openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
}

// libopenmpt's own rendering: `frames` frames of 16-bit audio, 1 or 2 channels,
// looped for ever unless `repeat` says otherwise.
inline std::vector<int16_t> renderModule(const std::vector<uint8_t>& bytes, int rate, int channels, size_t frames,
                                         int repeat = -1)
{
    std::vector<int16_t> out(frames * channels, 0);
    openmpt_module* mod = openModule(bytes);
    if (!mod) return out;
    openmpt_module_set_repeat_count(mod, repeat);
    openmpt_module_ctl_set_integer(mod, "dither", 0);
    for (size_t done = 0, n = 1; done < frames && n > 0; done += n)
        n = channels == 2 ? openmpt_module_read_interleaved_stereo(mod, rate, frames - done, &out[done * 2])
                          : openmpt_module_read_mono(mod, rate, frames - done, &out[done]);
    openmpt_module_destroy(mod);
    return out;
}

inline double rms(const int16_t* samples, size_t count)
{
    double sum = 0;
    for (size_t i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
    return count ? std::sqrt(sum / count) : 0.0;
}
