// The demo's music, "Datas/Zik/under.xm": an eight-channel tracker module in
// A minor at 125 BPM, about three minutes long, composed here in code. Every
// instrument is synthesised below (additive waveforms for the tonal ones,
// sine sweeps and filtered noise for the drums), so the file is reproducible
// byte for byte: no clock, and the noise comes from a fixed-seed generator.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "datagen.h"
#include "xmwriter.h"

namespace {

// ---------------------------------------------------------------- samples

// Tonal samples hold whole cycles of 128 frames; with relative note +24 they
// play at 4 x 8363 Hz on C-4, which puts C-4 at 261.3 Hz (middle C, 2 cents flat).
const double kRate = 8363.0 * 4.0;
const int kCycle = 128;
const double kTwoPi = 6.283185307179586;

struct Noise {
    uint32_t state = 0x2545F491u;
    double next()  // -1..1
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return double(state) / 2147483647.5 - 1.0;
    }
};

std::vector<int16_t> toPcm(const std::vector<double>& wave, double peak = 0.95)
{
    double top = 1e-9;
    for (double v : wave) top = std::fmax(top, std::fabs(v));
    std::vector<int16_t> pcm(wave.size());
    for (size_t i = 0; i < wave.size(); ++i)
        pcm[i] = int16_t(std::lround(wave[i] / top * peak * 32767.0));
    return pcm;
}

XmSample oneShot(const char* name, const std::vector<double>& wave, uint8_t volume, uint8_t pan = 128)
{
    XmSample s;
    s.name = name;
    s.data = toPcm(wave);
    s.volume = volume;
    s.panning = pan;
    s.relativeNote = 24;
    return s;
}

// Harmonic tone of `frames` frames whose last `loopCycles` cycles loop. The
// amplitude of harmonic k at time t (seconds) comes from `amp`, so a brightness
// that falls over the attack settles into the steady looped cycle.
template <typename Amp>
XmSample harmonicTone(const char* name, int frames, int loopCycles, int harmonics, Amp amp, uint8_t volume)
{
    std::vector<double> wave(frames);
    for (int n = 0; n < frames; ++n) {
        double t = n / kRate, v = 0;
        for (int k = 1; k <= harmonics; ++k)
            v += amp(k, t) * std::sin(kTwoPi * k * n / kCycle);
        wave[n] = v;
    }
    XmSample s = oneShot(name, wave, volume);
    s.loop = XM_LOOP_FORWARD;
    s.loopLength = uint32_t(loopCycles * kCycle);
    s.loopStart = uint32_t(frames) - s.loopLength;
    return s;
}

// Sustained chord for the pads: root, third and fifth in just intonation,
// each from two slightly detuned band-limited saws. Every partial makes a whole
// number of cycles in the loop, so the loop is seamless and the chorus beats once per loop.
XmSample padChord(const char* name, bool minor)
{
    const int rootCycles = 160;  // the root's cycles per loop: loop = 160 x 128 frames
    const int frames = rootCycles * kCycle;
    const int tones[3] = {rootCycles, minor ? rootCycles * 6 / 5 : rootCycles * 5 / 4, rootCycles * 3 / 2};
    std::vector<double> wave(frames, 0.0);
    for (int tone : tones)
        for (int detune = 0; detune < 2; ++detune) {
            int cycles = tone + detune;
            double phase = detune * 1.3;
            for (int k = 1; k * cycles * kRate / frames < 3500.0; ++k) {
                double a = (1.0 / k) / (1.0 + (k / 6.0) * (k / 6.0));
                double step = kTwoPi * k * cycles / frames;
                for (int n = 0; n < frames; ++n) wave[n] += a * std::sin(step * n + phase * k);
            }
        }
    XmSample s = oneShot(name, wave, 64);
    s.loop = XM_LOOP_FORWARD;
    s.loopStart = 0;
    s.loopLength = uint32_t(frames);
    return s;
}

std::vector<double> kick()
{
    std::vector<double> w(int(0.38 * kRate));
    double phase = 0;
    Noise noise;
    for (size_t n = 0; n < w.size(); ++n) {
        double t = n / kRate;
        phase += kTwoPi * (46.0 + 120.0 * std::exp(-t / 0.028)) / kRate;
        double body = std::sin(phase) * std::exp(-t / 0.22) * std::fmin(1.0, t / 0.0015);
        double click = noise.next() * std::exp(-t / 0.002) * 0.5;
        w[n] = std::tanh(1.8 * (body + click));
    }
    return w;
}

std::vector<double> snare()
{
    std::vector<double> w(int(0.3 * kRate));
    Noise noise;
    double previous = 0, low = 0;
    for (size_t n = 0; n < w.size(); ++n) {
        double t = n / kRate;
        double tone = (std::sin(kTwoPi * 185.0 * t) + 0.5 * std::sin(kTwoPi * 330.0 * t)) * std::exp(-t / 0.045);
        double x = noise.next();
        low += 0.25 * (x - low);            // soften the very top
        double bright = low - previous;     // and drop the lows
        previous = low;
        w[n] = 0.8 * tone + 2.2 * bright * std::exp(-t / 0.1);
    }
    return w;
}

// Hats and cymbal: twice-differentiated noise (bright, no body) with a decay.
std::vector<double> metal(double seconds, double decay, uint32_t seed)
{
    std::vector<double> w(int(seconds * kRate));
    Noise noise;
    noise.state ^= seed;
    double a = 0, b = 0;
    for (size_t n = 0; n < w.size(); ++n) {
        double t = n / kRate;
        double x = noise.next();
        double d1 = x - a;
        a = x;
        double d2 = d1 - b;
        b = d1;
        double ring = 0.3 * std::sin(kTwoPi * 6120.0 * t) * std::sin(kTwoPi * 8730.0 * t);
        w[n] = (d2 + ring) * std::exp(-t / decay) * std::fmin(1.0, t / 0.0005);
    }
    return w;
}

XmInstrument instrument(const char* name, XmSample sample)
{
    XmInstrument in;
    in.name = name;
    in.samples.push_back(sample);
    return in;
}

void envelope(XmEnvelope& e, std::initializer_list<XmEnvelopePoint> points, int sustain)
{
    e.points = points;
    e.sustain = sustain;
}

enum { KICK = 1, SNARE, HAT, OPENHAT, CRASH, BASS, PADMINOR, PADMAJOR, LEAD, PLUCK };

std::vector<XmInstrument> makeInstruments()
{
    std::vector<XmInstrument> list;
    list.push_back(instrument("kick", oneShot("kick", kick(), 64)));
    list.push_back(instrument("snare", oneShot("snare", snare(), 50, 120)));
    list.push_back(instrument("closed hat", oneShot("closed hat", metal(0.08, 0.018, 1), 30, 168)));
    list.push_back(instrument("open hat", oneShot("open hat", metal(0.45, 0.13, 2), 26, 150)));
    list.push_back(instrument("crash", oneShot("crash", metal(2.2, 0.7, 3), 34, 100)));

    XmInstrument bass = instrument("bass", harmonicTone("bass", kCycle * 40, 1, 40, [](int k, double t) {
        double cutoff = 3.0 + 14.0 * std::exp(-t / 0.05);  // a quick filter sweep down
        double a = 1.0 / k / (1.0 + std::pow(k / cutoff, 3.0));
        return k == 1 ? a * 1.6 : a;
    }, 50));
    envelope(bass.volumeEnvelope, {{0, 64}, {5, 50}, {24, 40}}, 2);
    bass.fadeout = 3000;
    list.push_back(bass);

    for (int minor = 1; minor >= 0; --minor) {
        XmInstrument pad = instrument(minor ? "pad minor" : "pad major", padChord("pad", minor));
        envelope(pad.volumeEnvelope, {{0, 20}, {8, 64}, {60, 46}}, 2);
        pad.fadeout = 700;
        list.push_back(pad);
    }

    XmInstrument lead = instrument("lead", harmonicTone("lead", kCycle * 24, 1, 30, [](int k, double t) {
        double a = (k % 2 ? 1.0 : 0.45) / k;  // a pulse-like mix of odd and even harmonics
        double cutoff = 8.0 + 10.0 * std::exp(-t / 0.04);
        return a / (1.0 + std::pow(k / cutoff, 2.0));
    }, 44));
    envelope(lead.volumeEnvelope, {{0, 30}, {2, 64}, {14, 50}}, 2);
    lead.fadeout = 1800;
    lead.vibratoType = 0;
    lead.vibratoSweep = 40;
    lead.vibratoDepth = 3;
    lead.vibratoRate = 9;
    list.push_back(lead);

    XmInstrument pluck = instrument("pluck", harmonicTone("pluck", kCycle * 30, 1, 24, [](int k, double t) {
        double bell = k == 1 ? 1.0 : k == 2 ? 0.5 : k == 4 ? 0.35 : 0.12 / k;
        return bell * std::exp(-t * k * 6.0) + (k == 1 ? 0.2 : 0.0);
    }, 52));
    envelope(pluck.volumeEnvelope, {{0, 64}, {6, 36}, {22, 14}, {60, 0}}, -1);
    pluck.fadeout = 4000;
    pluck.samples[0].panning = 84;
    list.push_back(pluck);
    return list;
}

// ---------------------------------------------------------------- score

enum { CH_KICK, CH_SNARE, CH_HATS, CH_BASS, CH_PAD, CH_ARP, CH_LEAD, CH_ECHO, CHANNELS };
const int kRows = 64, kBar = 16;

// XM note number: C-0 is 1.
int note(int octave, int semitone) { return 1 + octave * 12 + semitone; }

enum { C = 0, D = 2, E = 4, F = 5, G = 7, A = 9, B = 11 };

struct Chord {
    int root;    // semitone 0..11
    bool minor;
};
typedef Chord Progression[4];  // one chord per bar

const Progression kMain = {{A, true}, {F, false}, {C, false}, {G, false}};
const Progression kTurn = {{D, true}, {A, true}, {F, false}, {E, false}};
const Progression kBreak = {{F, false}, {G, false}, {E, true}, {A, true}};

int third(const Chord& c) { return c.minor ? 3 : 4; }
int padNote(const Chord& c) { return note(3, c.root) + (c.root < E ? 12 : 0); }  // E-3..D#4
int bassNote(const Chord& c) { return note(1, c.root) + (c.root < E ? 12 : 0); }  // E-1..D#2

struct Score {
    XmModule& m;
    int pattern;

    void put(int row, int channel, int n, int ins, int volume = -1, int fx = 0, int param = 0)
    {
        XmCell* c = xmCell(m, pattern, row, channel);
        if (!c) return;
        c->note = uint8_t(n);
        c->instrument = uint8_t(ins);
        c->volume = volume < 0 ? 0 : uint8_t(0x10 + (volume > 64 ? 64 : volume));
        c->effect = uint8_t(fx);
        c->param = uint8_t(param);
    }
    void off(int row, int channel) { put(row, channel, XM_NOTE_OFF, 0); }
};

// Drums, by intensity: 0 hats only, 1 kick and hats, 2 full groove,
// 3 build (kick doubling up, snare roll), 4 half-time.
void drums(Score& s, int style, bool crash, bool fill)
{
    for (int row = 0; row < kRows; ++row) {
        int beat = row % 4, bar = row / kBar;
        bool kickHere = beat == 0;
        if (style == 3) kickHere = bar < 2 ? beat == 0 : bar == 2 ? beat % 2 == 0 : true;
        if (style == 4) kickHere = row % kBar == 0 || row % kBar == 10;
        if (style >= 1 && kickHere) s.put(row, CH_KICK, note(4, C), KICK, style == 3 && bar == 3 ? 40 + row % 16 : 64);

        if (style == 2 && row % 8 == 4) s.put(row, CH_SNARE, note(4, C), SNARE, 56);
        if (style == 4 && row % 16 == 8) s.put(row, CH_SNARE, note(4, C), SNARE, 58);
        if (style == 3 && (bar >= 2 ? row % 2 == 0 : row % 8 == 4)) s.put(row, CH_SNARE, note(4, C), SNARE, 18 + row * 40 / kRows);

        if (beat == 2) s.put(row, CH_HATS, note(4, C), style == 0 ? HAT : OPENHAT, style == 0 ? 24 : 34);
        else if (style >= 1 && style != 4) s.put(row, CH_HATS, note(4, C), HAT, beat == 0 ? 30 : 16);
        else if (style == 4 && beat == 0) s.put(row, CH_HATS, note(4, C), HAT, 24);
    }
    if (crash) s.put(0, CH_HATS, note(4, C), CRASH, 48);
    if (fill)
        for (int row = 56; row < kRows; ++row)
            s.put(row, CH_SNARE, note(4, row < 60 ? C : G), SNARE, 30 + (row - 56) * 4);
}

// Bass, by style: 0 held roots, 1 driving groove, 2 octave bounce.
void bass(Score& s, const Progression& p, int style)
{
    static const int groove[16] = {1, 0, 0, 1, 0, 0, 2, 0, 1, 0, 0, 1, 0, 0, 3, 0};  // 1 root, 2 octave, 3 fifth
    for (int bar = 0; bar < 4; ++bar) {
        int root = bassNote(p[bar]);
        int base = bar * kBar;
        if (style == 0) {
            s.put(base, CH_BASS, root, BASS, 50);
            continue;
        }
        for (int i = 0; i < kBar; ++i) {
            int kind = style == 1 ? groove[i] : (i % 4 == 2 ? 2 : i % 4 == 0 ? 1 : 0);
            if (!kind) continue;
            int n = kind == 1 ? root : kind == 2 ? root + 12 : root + 7;
            s.put(base + i, CH_BASS, n, BASS, kind == 1 ? 52 : 42);
            if (style == 2 || i % 4 != 0) s.off(base + i + 2, CH_BASS);
        }
    }
}

// Pads: one chord per bar; `from`..`to` fades the volume over the pattern.
void pads(Score& s, const Progression& p, int from = 40, int to = 40)
{
    for (int bar = 0; bar < 4; ++bar)
        s.put(bar * kBar, CH_PAD, padNote(p[bar]), p[bar].minor ? PADMINOR : PADMAJOR, (from + (to - from) * bar / 3) * 3 / 2);
}

// Arpeggio in sixteenths over the chord tones.
void arpeggio(Score& s, const Progression& p, int octave, int volume, int every = 1)
{
    for (int bar = 0; bar < 4; ++bar) {
        const Chord& c = p[bar];
        const int steps[8] = {0, 7, 12, third(c) + 12, 7, 12, 19, third(c) + 12};
        for (int i = 0; i < kBar; i += every) {
            int accent = i % 4 == 0 ? 8 : 0;
            s.put(bar * kBar + i, CH_ARP, note(octave, c.root) + steps[i % 8], PLUCK, (volume + accent) * 4 / 3);
        }
    }
}

// A phrase of 64 rows written one token per row: a note such as "A4" or
// "C#5", "." to let the previous one ring, "-" for a key off.
void melody(Score& s, int channel, const char* text, int volume, int delay = 0, int transpose = 0, int pan = -1)
{
    int row = 0;
    for (const char* p = text; *p && row < kRows; ++row) {
        while (*p == ' ' || *p == '|') ++p;
        if (!*p) break;
        int r = row + delay;
        if (*p == '.') {
            ++p;
            continue;
        }
        if (*p == '-') {
            ++p;
            s.off(r, channel);
            continue;
        }
        static const int letters[7] = {A, B, C, D, E, F, G};
        int semitone = letters[(*p++ - 'A') % 7];
        if (*p == '#') { ++semitone; ++p; }
        int octave = *p++ - '0';
        int n = note(octave, semitone) + transpose;
        if (pan >= 0) s.put(r, channel, n, LEAD, volume, 0x8, pan);
        else s.put(r, channel, n, LEAD, volume);
    }
}

const char* kThemeA =
    "E5 . . E5 . . A4 . . . C5 . B4 . A4 . |"
    "C5 . . C5 . . F4 . . . A4 . G4 . F4 . |"
    "G4 . . G4 . . C5 . . . E5 . D5 . C5 . |"
    "D5 . . . B4 . . . G4 . . . - . . . ";
const char* kThemeB =
    "A4 . . . . . . . B4 . C5 . . . E5 . |"
    "F5 . . . . . E5 . . . C5 . . . A4 . |"
    "G4 . . . . . E4 . . . G4 . C5 . . . |"
    "B4 . . . . . . . D5 . . . B4 . G4 . ";
const char* kThemeC =
    "D5 . . F5 . . A5 . . . G5 . F5 . E5 . |"
    "C5 . . E5 . . A5 . . . . . G5 . E5 . |"
    "F5 . . E5 . . C5 . . . A4 . C5 . F5 . |"
    "E5 . . . G#4 . . . B4 . . . E5 . D5 . ";
const char* kThemeD =
    "A5 . E5 . C5 . E5 . A5 . . . B5 . C6 . |"
    "A5 . F5 . C5 . F5 . A5 . . . C6 . A5 . |"
    "G5 . E5 . C5 . E5 . G5 . . . C6 . B5 . |"
    "B5 . . . D6 . . . B5 . . . G5 . - . ";
const char* kBreakLine =
    "C5 . . . . . . . . . . . A4 . . . |"
    "B4 . . . . . . . . . . . D5 . . . |"
    "B4 . . . . . . . G4 . . . . . . . |"
    "A4 . . . . . . . . . . . - . . . ";

enum Part { INTRO, RISE, GROOVE, GROOVE_ARP, THEME_A, THEME_B, BREAK, BUILD, THEME_C, THEME_D, HALFTIME, OUTRO, THEME_A_HIGH, GROOVE_TURN, PARTS };

void writePart(XmModule& m, int part)
{
    Score s{m, part};
    switch (part) {
    case INTRO:
        pads(s, kMain, 24, 40);
        arpeggio(s, kMain, 4, 14, 2);
        drums(s, 0, false, false);
        break;
    case RISE:
        pads(s, kMain);
        arpeggio(s, kMain, 4, 18);
        bass(s, kMain, 0);
        drums(s, 1, false, true);
        break;
    case GROOVE:
        pads(s, kMain, 34, 34);
        bass(s, kMain, 1);
        drums(s, 2, true, false);
        break;
    case GROOVE_ARP:
        pads(s, kMain, 34, 34);
        bass(s, kMain, 1);
        arpeggio(s, kMain, 4, 20);
        drums(s, 2, false, true);
        break;
    case THEME_A:
    case THEME_A_HIGH:
        pads(s, kMain, 30, 30);
        bass(s, kMain, 1);
        arpeggio(s, kMain, 4, 14, 2);
        drums(s, 2, true, false);
        melody(s, CH_LEAD, kThemeA, 50, 0, part == THEME_A_HIGH ? 12 : 0);
        if (part == THEME_A_HIGH) melody(s, CH_ECHO, kThemeA, 22, 3, 0, 200);
        break;
    case THEME_B:
        pads(s, kMain, 30, 30);
        bass(s, kMain, 1);
        arpeggio(s, kMain, 4, 14, 2);
        drums(s, 2, false, true);
        melody(s, CH_LEAD, kThemeB, 50);
        melody(s, CH_ECHO, kThemeB, 20, 3, 0, 60);
        break;
    case BREAK:
        pads(s, kBreak, 44, 36);
        bass(s, kBreak, 0);
        arpeggio(s, kBreak, 5, 16);
        drums(s, 0, true, false);
        melody(s, CH_LEAD, kBreakLine, 36);
        melody(s, CH_ECHO, kBreakLine, 16, 6, 12, 220);
        break;
    case BUILD:
        pads(s, kTurn, 30, 44);
        bass(s, kTurn, 2);
        arpeggio(s, kTurn, 4, 16);
        drums(s, 3, false, false);
        break;
    case THEME_C:
        pads(s, kTurn, 30, 30);
        bass(s, kTurn, 1);
        drums(s, 2, true, true);
        melody(s, CH_LEAD, kThemeC, 50);
        melody(s, CH_ECHO, kThemeC, 20, 3, -12, 190);
        break;
    case THEME_D:
        pads(s, kMain, 30, 30);
        bass(s, kMain, 2);
        arpeggio(s, kMain, 3, 14, 2);
        drums(s, 2, false, true);
        melody(s, CH_LEAD, kThemeD, 44);
        melody(s, CH_ECHO, kThemeD, 18, 3, 0, 64);
        break;
    case HALFTIME:
        pads(s, kMain, 36, 36);
        bass(s, kMain, 2);
        arpeggio(s, kMain, 5, 16);
        drums(s, 4, true, false);
        break;
    case OUTRO:
        pads(s, kMain, 40, 12);
        arpeggio(s, kMain, 4, 16, 2);
        bass(s, kMain, 0);
        drums(s, 0, false, false);
        break;
    case GROOVE_TURN:
        pads(s, kTurn, 34, 34);
        bass(s, kTurn, 1);
        arpeggio(s, kTurn, 5, 14, 2);
        drums(s, 2, true, true);
        break;
    }
}

bool encodeMusic(std::vector<uint8_t>& out)
{
    XmModule m;
    m.name = "under";
    m.tracker = "make-datas";
    m.channels = CHANNELS;
    m.speed = 6;   // 6 ticks a row at 125 BPM: a row is a sixteenth note
    m.bpm = 125;
    m.instruments = makeInstruments();
    for (int part = 0; part < PARTS; ++part) {
        m.patterns.push_back(XmPattern(kRows, CHANNELS));
        writePart(m, part);
    }
    static const uint8_t order[] = {
        INTRO, RISE, GROOVE, GROOVE_ARP, THEME_A, THEME_B, HALFTIME, BREAK,
        BUILD, THEME_C, THEME_D, GROOVE_TURN, GROOVE_ARP, THEME_A_HIGH, THEME_B, BREAK,
        BUILD, THEME_C, THEME_D, HALFTIME, THEME_A, THEME_A_HIGH, GROOVE, OUTRO,
    };
    m.orders.assign(order, order + sizeof order);
    m.restart = 0;
    return encodeXm(m, out);
}

}  // namespace

bool writeMusic(const std::string& datasDir)
{
    std::vector<uint8_t> bytes;
    return encodeMusic(bytes) && writeFile(datasDir + "/Zik/under.xm", bytes.data(), bytes.size());
}
