#include "xmwriter.h"

namespace {

struct Out {
    std::vector<uint8_t>& bytes;

    void u8(unsigned v) { bytes.push_back(uint8_t(v)); }
    void u16(unsigned v) { u8(v & 0xFF); u8((v >> 8) & 0xFF); }
    void u32(uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
    void zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    // Fixed-size text field: cut to size, padded with `pad`.
    void text(const std::string& s, size_t size, char pad = 0)
    {
        for (size_t i = 0; i < size; ++i)
            u8(i < s.size() ? uint8_t(s[i]) : uint8_t(pad));
    }
};

const size_t kSongHeaderSize = 276;      // counted from the header-size field on
const size_t kInstrumentHeaderSize = 263;
const size_t kSampleHeaderSize = 40;

bool validEnvelope(const XmEnvelope& e)
{
    int n = int(e.points.size());
    if (n > XM_MAX_ENVELOPE_POINTS) return false;
    for (int i = 0; i < n; ++i) {
        if (e.points[i].value > 64) return false;
        if (i > 0 && e.points[i].tick <= e.points[i - 1].tick) return false;
    }
    if (e.sustain >= n || e.loopStart >= n || e.loopEnd >= n) return false;
    if ((e.loopStart < 0) != (e.loopEnd < 0) || e.loopEnd < e.loopStart) return false;
    return true;
}

bool validSample(const XmSample& s)
{
    if (s.volume > 64 || s.data.size() > 0x3FFFFFFF) return false;
    if (s.loop != XM_LOOP_NONE) {
        if (s.loopLength == 0 || s.loopStart > s.data.size()) return false;
        if (s.loopLength > s.data.size() - s.loopStart) return false;
    }
    return true;
}

bool validInstrument(const XmInstrument& in)
{
    if (in.samples.size() > XM_MAX_SAMPLES) return false;
    for (uint8_t k : in.keymap)
        if (!in.samples.empty() && k >= in.samples.size()) return false;
    for (const XmSample& s : in.samples)
        if (!validSample(s)) return false;
    return validEnvelope(in.volumeEnvelope) && validEnvelope(in.panningEnvelope);
}

bool validModule(const XmModule& m)
{
    if (m.channels < 1 || m.channels > XM_MAX_CHANNELS) return false;
    if (m.speed < 1 || m.speed > 31 || m.bpm < 32 || m.bpm > 255) return false;
    if (m.orders.empty() || m.orders.size() > XM_MAX_ORDERS) return false;
    if (m.restart < 0 || m.restart >= int(m.orders.size())) return false;
    if (m.patterns.empty() || m.patterns.size() > XM_MAX_PATTERNS) return false;
    if (m.instruments.size() > XM_MAX_INSTRUMENTS) return false;
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size()) return false;
    for (const XmPattern& p : m.patterns) {
        if (p.rows < 1 || p.rows > XM_MAX_ROWS) return false;
        if (p.cells.size() != size_t(p.rows) * size_t(m.channels)) return false;
        for (const XmCell& c : p.cells)
            if (c.note > XM_NOTE_OFF || c.instrument > m.instruments.size()) return false;
    }
    for (const XmInstrument& in : m.instruments)
        if (!validInstrument(in)) return false;
    return true;
}

// A cell is a flag byte (bit 7 set) naming the fields that follow, or all
// five fields when every one is present (then the flag byte would cost more).
void packCell(Out& out, const XmCell& c)
{
    const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
    unsigned mask = 0;
    for (int i = 0; i < 5; ++i)
        if (fields[i]) mask |= 1u << i;
    if (mask != 0x1F) out.u8(0x80 | mask);
    for (int i = 0; i < 5; ++i)
        if (mask & (1u << i)) out.u8(fields[i]);
}

bool writePattern(Out& out, const XmPattern& p)
{
    std::vector<uint8_t> packed;
    Out data{packed};
    for (const XmCell& c : p.cells) packCell(data, c);
    if (packed.size() > 0xFFFF) return false;
    out.u32(9);
    out.u8(0);  // packing type
    out.u16(unsigned(p.rows));
    out.u16(unsigned(packed.size()));
    out.bytes.insert(out.bytes.end(), packed.begin(), packed.end());
    return true;
}

void writeEnvelopePoints(Out& out, const XmEnvelope& e)
{
    for (int i = 0; i < XM_MAX_ENVELOPE_POINTS; ++i) {
        bool used = i < int(e.points.size());
        out.u16(used ? e.points[i].tick : 0);
        out.u16(used ? e.points[i].value : 0);
    }
}

unsigned envelopeType(const XmEnvelope& e)
{
    if (e.points.empty()) return 0;
    return 1 | (e.sustain >= 0 ? 2 : 0) | (e.loopStart >= 0 ? 4 : 0);
}

// Sample data is stored as differences from the previous value.
void writeSampleData(Out& out, const XmSample& s)
{
    if (s.sixteenBit) {
        int16_t previous = 0;
        for (int16_t v : s.data) {
            out.u16(uint16_t(v - previous));
            previous = v;
        }
    } else {
        int8_t previous = 0;
        for (int16_t v : s.data) {
            int8_t b = int8_t(v >> 8);
            out.u8(uint8_t(b - previous));
            previous = b;
        }
    }
}

void writeInstrument(Out& out, const XmInstrument& in)
{
    size_t start = out.bytes.size();
    out.u32(kInstrumentHeaderSize);
    out.text(in.name, 22);
    out.u8(0);  // type
    out.u16(unsigned(in.samples.size()));
    out.u32(kSampleHeaderSize);
    for (uint8_t k : in.keymap) out.u8(k);
    writeEnvelopePoints(out, in.volumeEnvelope);
    writeEnvelopePoints(out, in.panningEnvelope);
    out.u8(unsigned(in.volumeEnvelope.points.size()));
    out.u8(unsigned(in.panningEnvelope.points.size()));
    for (const XmEnvelope* e : {&in.volumeEnvelope, &in.panningEnvelope}) {
        out.u8(e->sustain < 0 ? 0 : unsigned(e->sustain));
        out.u8(e->loopStart < 0 ? 0 : unsigned(e->loopStart));
        out.u8(e->loopEnd < 0 ? 0 : unsigned(e->loopEnd));
    }
    out.u8(envelopeType(in.volumeEnvelope));
    out.u8(envelopeType(in.panningEnvelope));
    out.u8(in.vibratoType);
    out.u8(in.vibratoSweep);
    out.u8(in.vibratoDepth);
    out.u8(in.vibratoRate);
    out.u16(in.fadeout);
    out.zeros(kInstrumentHeaderSize - (out.bytes.size() - start));  // reserved

    for (const XmSample& s : in.samples) {
        uint32_t width = s.sixteenBit ? 2 : 1;
        bool looped = s.loop != XM_LOOP_NONE;
        out.u32(uint32_t(s.data.size()) * width);
        out.u32(looped ? s.loopStart * width : 0);
        out.u32(looped ? s.loopLength * width : 0);
        out.u8(s.volume);
        out.u8(uint8_t(s.finetune));
        out.u8(unsigned(s.loop) | (s.sixteenBit ? 0x10 : 0));
        out.u8(s.panning);
        out.u8(uint8_t(s.relativeNote));
        out.u8(0);  // reserved
        out.text(s.name, 22);
    }
    for (const XmSample& s : in.samples) writeSampleData(out, s);
}

}  // namespace

XmCell* xmCell(XmModule& module, int pattern, int row, int channel)
{
    if (pattern < 0 || pattern >= int(module.patterns.size())) return nullptr;
    XmPattern& p = module.patterns[pattern];
    if (row < 0 || row >= p.rows || channel < 0 || channel >= module.channels) return nullptr;
    size_t at = size_t(row) * module.channels + channel;
    return at < p.cells.size() ? &p.cells[at] : nullptr;
}

bool encodeXm(const XmModule& m, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (!validModule(m)) return false;
    Out out{bytes};
    out.text("Extended Module: ", 17);
    out.text(m.name, 20);
    out.u8(0x1A);
    out.text(m.tracker, 20, ' ');
    out.u16(0x0104);
    out.u32(kSongHeaderSize);
    out.u16(unsigned(m.orders.size()));
    out.u16(unsigned(m.restart));
    out.u16(unsigned(m.channels));
    out.u16(unsigned(m.patterns.size()));
    out.u16(unsigned(m.instruments.size()));
    out.u16(m.linearFrequencies ? 1 : 0);
    out.u16(unsigned(m.speed));
    out.u16(unsigned(m.bpm));
    for (size_t i = 0; i < 256; ++i) out.u8(i < m.orders.size() ? m.orders[i] : 0);

    for (const XmPattern& p : m.patterns)
        if (!writePattern(out, p)) {
            bytes.clear();
            return false;
        }
    for (const XmInstrument& in : m.instruments) writeInstrument(out, in);
    return true;
}
