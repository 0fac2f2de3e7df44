// Envelope evaluation. The tangents of the curved spans are measured as the
// change of value over the whole span (the unit the files store p4 and p5 in),
// so each span is a cubic in its own normalised time s = 0..1.
//
// Where LightWave's documents leave it open, this reading:
// - a span takes the shape of the key at its end;
// - the first key's outgoing TCB tangent is (1-t)(1-c)(1-b) times the first
//   span's change, the last key's incoming one (1-t)(1-c)(1+b) times the last's;
// - oscillate mirrors within the keys' range (time -> first + last - time),
//   offset repeat adds the change over the range once per period;
// - linear continues with the end span's slope: its chord when linear, flat
//   when stepped, its tangent over its length otherwise;
// - one key is constant for every behaviour, reset included;
// - 2-D Bezier handle times are kept within their span; a neighbour that is
//   not a 2-D Bezier key gives a handle a third of the way along its tangent.
#include "lwenvelope.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

LwChannelEnvelope lwEnvelopeEmpty()
{
    return LwChannelEnvelope{nullptr, nullptr, 0, 0, lwBehaviourConstant, lwBehaviourConstant, 0};
}

bool lwEnvelopeAddKey(LwChannelEnvelope* envelope, const LwChannelKey& key)
{
    if (envelope->count >= lwEnvelopeMaxKeys) return false;
    if (envelope->count == envelope->capacity) {
        int32_t capacity = envelope->capacity ? envelope->capacity * 2 : 4;
        if (capacity > lwEnvelopeMaxKeys) capacity = lwEnvelopeMaxKeys;
        void* grown = std::realloc(envelope->keys, sizeof(LwChannelKey) * static_cast<size_t>(capacity));
        if (!grown) return false;
        envelope->keys = static_cast<LwChannelKey*>(grown);
        envelope->capacity = capacity;
    }
    envelope->keys[envelope->count++] = key;
    return true;
}

void freeLwEnvelope(LwChannelEnvelope* envelope)
{
    std::free(envelope->keys);
    std::free(envelope->times);
    *envelope = lwEnvelopeEmpty();
}

static bool keyFinite(const LwChannelKey& key)
{
    if (!std::isfinite(key.time) || !std::isfinite(key.value)) return false;
    for (float p : key.p)
        if (!std::isfinite(p)) return false;
    return true;
}

uint32_t lwEnvelopeTidy(LwChannelEnvelope* envelope)
{
    uint32_t fixes = 0;
    int32_t kept = 0;
    for (int32_t i = 0; i < envelope->count; ++i) {
        LwChannelKey key = envelope->keys[i];
        if (!keyFinite(key)) {
            fixes |= lwEnvelopeFixNotFinite;
            continue;
        }
        if (key.shape < 0 || key.shape >= lwSpanShapeCount) {
            key.shape = lwSpanTcb;
            fixes |= lwEnvelopeFixUnknownShape;
        }
        envelope->keys[kept++] = key;
    }
    envelope->count = kept;
    auto earlier = [](const LwChannelKey& a, const LwChannelKey& b) { return a.time < b.time; };
    if (!std::is_sorted(envelope->keys, envelope->keys + kept, earlier)) {
        std::stable_sort(envelope->keys, envelope->keys + kept, earlier);
        fixes |= lwEnvelopeFixUnsorted;
    }
    std::free(envelope->times);
    envelope->times = kept ? static_cast<double*>(std::malloc(sizeof(double) * static_cast<size_t>(kept))) : nullptr;
    if (!envelope->times) envelope->count = 0;  // out of memory: evaluates as no keys
    for (int32_t i = 0; i < envelope->count; ++i) envelope->times[i] = envelope->keys[i].time;
    envelope->lastSpan = 0;
    for (LwBehaviour* b : {&envelope->pre, &envelope->post}) {
        if (*b < 0 || *b >= lwBehaviourCount) {
            *b = lwBehaviourConstant;
            fixes |= lwEnvelopeFixBadBehaviour;
        }
    }
    return fixes;
}

namespace {

// The span from keys[i - 1] to keys[i] of an envelope with count keys.
struct Span {
    const LwChannelKey* keys;
    int32_t count, i;
    const LwChannelKey& k0() const { return keys[i - 1]; }
    const LwChannelKey& k1() const { return keys[i]; }
    double length() const { return k1().time - k0().time; }
};

double ratio(double part, double whole) { return whole > 0 ? part / whole : 0.5; }

// Kochanek-Bartels outgoing tangent at k0. Without a key before it the
// incoming side counts as nothing, as a fresh start of the motion.
double tcbOut(const Span& s, float tension, float continuity, float bias)
{
    const double a = (1.0 - tension) * (1.0 + continuity) * (1.0 + bias);
    const double b = (1.0 - tension) * (1.0 - continuity) * (1.0 - bias);
    const double d = s.k1().value - s.k0().value;
    if (s.i < 2) return b * d;
    const LwChannelKey& before = s.keys[s.i - 2];
    return ratio(s.length(), s.k1().time - before.time) * (a * (s.k0().value - before.value) + b * d);
}

// Kochanek-Bartels incoming tangent at k1, the mirror of tcbOut.
double tcbIn(const Span& s, float tension, float continuity, float bias)
{
    const double a = (1.0 - tension) * (1.0 - continuity) * (1.0 + bias);
    const double b = (1.0 - tension) * (1.0 + continuity) * (1.0 - bias);
    const double d = s.k1().value - s.k0().value;
    if (s.i + 1 >= s.count) return a * d;
    const LwChannelKey& after = s.keys[s.i + 1];
    return ratio(s.length(), after.time - s.k0().time) * (b * (after.value - s.k1().value) + a * d);
}

// The outgoing tangent at k0 as k0's own shape makes it: its parameters for
// TCB, Hermite and Bezier keys, its handle for 2-D Bezier keys; linear and
// stepped keys are smoothed as TCB keys without parameters.
double outTangent(const Span& s)
{
    const LwChannelKey& k = s.k0();
    switch (k.shape) {
    case lwSpanTcb: return tcbOut(s, k.p[0], k.p[1], k.p[2]);
    case lwSpanHermite:
    case lwSpanBezier1D: return k.p[4];
    case lwSpanBezier2D: return k.p[2] > 0 ? k.p[3] * s.length() / k.p[2] : 0.0;
    default: return tcbOut(s, 0, 0, 0);
    }
}

double inTangent(const Span& s)
{
    const LwChannelKey& k = s.k1();
    switch (k.shape) {
    case lwSpanHermite:
    case lwSpanBezier1D: return k.p[3];
    case lwSpanBezier2D: return k.p[0] < 0 ? k.p[1] * s.length() / -k.p[0] : 0.0;
    case lwSpanTcb: return tcbIn(s, k.p[0], k.p[1], k.p[2]);
    default: return tcbIn(s, 0, 0, 0);
    }
}

double bezier(double a, double b, double c, double d, double u)
{
    const double v = 1.0 - u;
    return v * v * v * a + 3.0 * v * v * u * b + 3.0 * v * u * u * c + u * u * u * d;
}

// The 2-D Bezier span: its handles' times are kept within the span, which
// keeps time rising along the curve, so bisection finds the one parameter.
double bezier2D(const Span& s, double time)
{
    const LwChannelKey& k0 = s.k0();
    const LwChannelKey& k1 = s.k1();
    const double r = s.length();
    double outTime, outValue;
    if (k0.shape == lwSpanBezier2D) {
        outTime = k0.time + std::min(std::max(static_cast<double>(k0.p[2]), 0.0), r);
        outValue = k0.value + k0.p[3];
    } else {
        outTime = k0.time + r / 3.0;
        outValue = k0.value + outTangent(s) / 3.0;
    }
    const double inTime = k1.time + std::min(std::max(static_cast<double>(k1.p[0]), -r), 0.0);
    const double inValue = k1.value + k1.p[1];
    double lo = 0.0, hi = 1.0;
    for (int step = 0; step < 48; ++step) {
        const double mid = 0.5 * (lo + hi);
        if (bezier(k0.time, outTime, inTime, k1.time, mid) < time) lo = mid;
        else hi = mid;
    }
    return bezier(k0.value, outValue, inValue, k1.value, 0.5 * (lo + hi));
}

double spanValue(const Span& s, double time)
{
    const LwChannelKey& k0 = s.k0();
    const LwChannelKey& k1 = s.k1();
    const double r = s.length();
    if (!(r > 0)) return k1.value;
    const double u = (time - k0.time) / r;
    switch (k1.shape) {
    case lwSpanLinear: return k0.value + u * (k1.value - k0.value);
    case lwSpanStepped: return k0.value;
    case lwSpanBezier2D: return bezier2D(s, time);
    default:
        // Hermite form of the TCB, Hermite and 1-D Bezier spans (the last
        // has its control values at a third of each tangent: the same cubic).
        return bezier(k0.value, k0.value + outTangent(s) / 3.0, k1.value - inTangent(s) / 3.0, k1.value, u);
    }
}

// Slope (value per second) at the first key going out (first = true) or at
// the last key coming in, for the linear behaviour.
double endSlope(const LwChannelEnvelope* e, bool first)
{
    const Span s{e->keys, e->count, first ? 1 : e->count - 1};
    const double r = s.length();
    if (!(r > 0)) return 0.0;
    switch (s.k1().shape) {
    case lwSpanLinear: return (s.k1().value - s.k0().value) / r;
    case lwSpanStepped: return 0.0;
    default: return (first ? outTangent(s) : inTangent(s)) / r;
    }
}

// Whether keys[i] is the first key after `time`.
bool spanHolds(const LwChannelEnvelope* e, int32_t i, double time)
{
    return i > 0 && i < e->count && e->keys[i - 1].time <= time && time < e->keys[i].time;
}

double inside(LwChannelEnvelope* e, double time)
{
    const LwChannelKey* keys = e->keys;
    // A clock moving on mostly stays in the span it was in or enters the
    // next: those two are tried before searching.
    int32_t i = e->lastSpan;
    if (!spanHolds(e, i, time) && !spanHolds(e, ++i, time)) {
        // Branch-free halving over the times alone: fewer cache lines and
        // no mispredicted jumps. Ends on the first key after `time`.
        const double* times = e->times;
        int32_t base = 0, n = e->count;
        while (n > 1) {
            const int32_t half = n / 2;
            base = times[base + half - 1] <= time ? base + half : base;
            n -= half;
        }
        i = base + (times[base] <= time);
        if (i == 0) return keys[0].value;
        if (i == e->count) return keys[e->count - 1].value;
    }
    e->lastSpan = i;
    return spanValue(Span{keys, e->count, i}, time);
}

}  // namespace

double lwEnvelopeValue(LwChannelEnvelope* e, double time)
{
    if (!e || e->count < 1) return 0.0;
    const LwChannelKey& first = e->keys[0];
    const LwChannelKey& last = e->keys[e->count - 1];
    if (e->count == 1 || !std::isfinite(time)) return first.value;
    if (time >= first.time && time <= last.time) return inside(e, time);

    const bool before = time < first.time;
    const LwBehaviour behaviour = before ? e->pre : e->post;
    const double period = last.time - first.time;
    switch (behaviour) {
    case lwBehaviourReset: return 0.0;
    case lwBehaviourLinear:
        return before ? first.value + endSlope(e, true) * (time - first.time)
                      : last.value + endSlope(e, false) * (time - last.time);
    case lwBehaviourRepeat:
    case lwBehaviourOscillate:
    case lwBehaviourOffsetRepeat: {
        if (!(period > 0)) break;
        const double n = std::floor((time - first.time) / period);
        double t = std::min(std::max(time - n * period, first.time), last.time);
        if (behaviour == lwBehaviourOscillate && std::fmod(n, 2.0) != 0.0) t = first.time + last.time - t;
        double value = inside(e, t);
        if (behaviour == lwBehaviourOffsetRepeat) value += n * (last.value - first.value);
        return value;
    }
    default: break;
    }
    return before ? first.value : last.value;
}
