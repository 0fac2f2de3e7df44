// Builds extended tracker modules (.xm, format version 0x0104) in memory:
// song header, packed patterns, instruments with envelopes, delta-coded samples.
// The caller fills an XmModule; encodeXm checks it against the format's limits
// and answers false (leaving out empty) instead of writing a file players reject.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum {
    XM_NOTE_OFF = 97,      // key off; notes 1..96 are C-0..B-7
    XM_MAX_CHANNELS = 32,
    XM_MAX_ROWS = 256,
    XM_MAX_PATTERNS = 256,
    XM_MAX_ORDERS = 256,
    XM_MAX_INSTRUMENTS = 128,
    XM_MAX_SAMPLES = 16,   // per instrument
    XM_MAX_ENVELOPE_POINTS = 12,
};

// One pattern cell; 0 in a field means "nothing there".
struct XmCell {
    uint8_t note = 0;        // 1..96, or XM_NOTE_OFF
    uint8_t instrument = 0;  // 1..128
    uint8_t volume = 0;      // volume column: 0x10..0x50 sets volume 0..64, higher values are its effects
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells;  // rows * channels, row after row

    XmPattern() = default;
    XmPattern(int rowCount, int channels)
        : rows(rowCount), cells(rowCount > 0 && channels > 0 ? size_t(rowCount) * size_t(channels) : 0) {}
};

struct XmEnvelopePoint {
    uint16_t tick;
    uint16_t value;  // 0..64
};

struct XmEnvelope {
    std::vector<XmEnvelopePoint> points;  // none: envelope off
    int sustain = -1;                     // point index, or -1
    int loopStart = -1, loopEnd = -1;     // point indices, or -1
};

enum XmLoop { XM_LOOP_NONE = 0, XM_LOOP_FORWARD = 1, XM_LOOP_PINGPONG = 2 };

struct XmSample {
    std::string name;
    std::vector<int16_t> data;  // frames
    bool sixteenBit = true;     // false: stored as 8 bits (data >> 8)
    XmLoop loop = XM_LOOP_NONE;
    uint32_t loopStart = 0, loopLength = 0;  // in frames
    uint8_t volume = 64;
    int8_t finetune = 0;       // 1/128 semitone
    uint8_t panning = 128;
    int8_t relativeNote = 0;   // semitones added to the played note
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;
    uint8_t keymap[96] = {};   // sample index per note
    XmEnvelope volumeEnvelope, panningEnvelope;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;      // volume taken off per tick after key off, of 32768
};

struct XmModule {
    std::string name;
    std::string tracker = "xmwriter";
    int channels = 8;
    int speed = 6;             // ticks per row
    int bpm = 125;
    bool linearFrequencies = true;
    int restart = 0;           // order the song goes back to at its end
    std::vector<uint8_t> orders;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// Cell of a pattern, or null outside it.
XmCell* xmCell(XmModule& module, int pattern, int row, int channel);

bool encodeXm(const XmModule& module, std::vector<uint8_t>& out);
