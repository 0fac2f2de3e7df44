// Envelopes: their evaluation, and the object's ENVL chunks read into them
// (at the end). The tangents of the curved spans are measured as the
// change of value over the whole span (the unit the files store p4 and p5 in),
// so each span is a cubic in its own normalised time s = 0..1. Tidying works
// each cubic out once: a value is then a search over the keys' times and a
// polynomial, touching a few cache lines whatever the time did.
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
#include <limits>

#include "lwread.h"

LwChannelEnvelope lwEnvelopeEmpty()
{
    return LwChannelEnvelope{nullptr, nullptr, 0, 0, lwBehaviourConstant, lwBehaviourConstant, 0, nullptr, 0, 0, 0.0, 0.0, 0.0, 0.0, {}};
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
    std::free(envelope->index);
    *envelope = lwEnvelopeEmpty();
}

static bool keyFinite(const LwChannelKey& key)
{
    if (!std::isfinite(key.time) || !std::isfinite(key.value)) return false;
    for (float p : key.p)
        if (!std::isfinite(p)) return false;
    return true;
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
    // The handle lies p[0] (< 0) seconds and p[1] before the key: the curve
    // arrives with slope p[1] / p[0].
    case lwSpanBezier2D: return k.p[0] < 0 ? k.p[1] * s.length() / k.p[0] : 0.0;
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

// The span's value as c[0] + c[1] s + c[2] s^2 + c[3] s^3. The TCB, Hermite
// and 1-D Bezier spans are one Hermite cubic (the last has its control
// values at a third of each tangent); 2-D Bezier spans are not a cubic in
// time and are left at zero here.
void spanCubic(const Span& s, double* c)
{
    const double v0 = s.k0().value, v1 = s.k1().value, d = v1 - v0;
    c[0] = v0;
    c[1] = c[2] = c[3] = 0.0;
    if (!(s.length() > 0)) {
        c[0] = v1;
        return;
    }
    switch (s.k1().shape) {
    case lwSpanLinear: c[1] = d; break;
    case lwSpanStepped:
    case lwSpanBezier2D: break;
    default: {
        const double out = outTangent(s), in = inTangent(s);
        c[1] = out;
        c[2] = 3.0 * d - 2.0 * out - in;
        c[3] = out + in - 2.0 * d;
    }
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

// The index: the first time of each block (padded with +inf to a whole cache
// line), then the blocks, each 5 cache lines: the times of 8 keys (+inf past
// the last) and the cubics of the spans starting at those keys.
enum { blockKeys = 8, blockStride = blockKeys * 5 };

double& timeAt(const LwChannelEnvelope* e, int32_t i) { return e->blocks[i / blockKeys * blockStride + i % blockKeys]; }

double* cubicFrom(const LwChannelEnvelope* e, int32_t i)
{
    return e->blocks + i / blockKeys * blockStride + blockKeys + 4 * (i % blockKeys);
}

bool makeIndex(LwChannelEnvelope* e)
{
    std::free(e->index);
    e->index = e->blocks = nullptr;
    e->blockCount = e->bezier2D = 0;
    e->firstTime = e->lastTime = e->spanStart = e->spanEnd = 0.0;
    const int32_t n = e->count;
    if (n == 0) return true;
    const size_t blocks = (static_cast<size_t>(n) + blockKeys - 1) / blockKeys;
    const size_t firstsSize = (blocks + 7) / 8 * 8;
    double* index = static_cast<double*>(std::aligned_alloc(64, sizeof(double) * (firstsSize + blocks * blockStride)));
    if (!index) return false;
    e->index = index;
    e->blocks = index + firstsSize;
    e->blockCount = static_cast<int32_t>(blocks);
    e->firstTime = e->keys[0].time;
    e->lastTime = e->keys[n - 1].time;
    const double inf = std::numeric_limits<double>::infinity();
    for (size_t b = 0; b < firstsSize; ++b) index[b] = b < blocks ? e->keys[b * blockKeys].time : inf;
    for (size_t b = 0; b < lwEnvelopeNearBlocks; ++b) e->nearFirsts[b] = b < blocks ? index[b] : inf;
    for (int32_t i = 0; i < e->blockCount * blockKeys; ++i) {
        timeAt(e, i) = i < n ? e->keys[i].time : inf;
        double* c = cubicFrom(e, i);
        c[0] = c[1] = c[2] = c[3] = 0.0;
        if (i + 1 < n) spanCubic(Span{e->keys, n, i + 1}, c);
        if (i < n && e->keys[i].shape == lwSpanBezier2D) e->bezier2D = 1;
    }
    return true;
}

}  // namespace

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
    if (!makeIndex(envelope)) envelope->count = 0;  // out of memory: evaluates as no keys
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

// How many of the n sorted values are at or before `time`, by branch-free
// halving: few instructions and no mispredicted jumps, so the processor can
// start on the next envelope's memory reads while this one waits for its own.
int32_t countUpTo(const double* values, int32_t n, double time)
{
    int32_t count = 0;
    while (n > 1) {
        const int32_t half = n / 2;
        count = values[count + half - 1] <= time ? count + half : count;
        n -= half;
    }
    return count + (values[count] <= time);
}

double inside(LwChannelEnvelope* e, double time)
{
    // A clock moving on mostly stays in the span it was in: its times are
    // kept beside lastSpan, so trying it reads no other memory.
    int32_t i = e->lastSpan;
    if (!(time >= e->spanStart && time < e->spanEnd)) {
        // The block holding the last time at or before `time`, then the
        // first key after it (the padding is +inf). The span's cubic is in
        // that block: its lines are fetched while the times are searched.
        const bool near = e->blockCount <= lwEnvelopeNearBlocks;
        const double* firsts = near ? e->nearFirsts : e->index;
        const int32_t block = countUpTo(firsts, near ? int32_t(lwEnvelopeNearBlocks) : e->blockCount, time) - 1;
        if (block < 0) return e->keys[0].value;
        const double* times = e->blocks + block * blockStride;
        for (int line = 1; line < 5; ++line) __builtin_prefetch(times + 8 * line);
        const int32_t k = countUpTo(times, blockKeys, time);
        i = block * blockKeys + k;
        if (i >= e->count) return e->keys[e->count - 1].value;
        // The span starts in this block; it may end on the next one's first key.
        e->lastSpan = i;
        e->spanStart = times[k - 1];
        e->spanEnd = *(k < blockKeys ? times + k : firsts + block + 1);
    }
    if (e->bezier2D && e->keys[i].shape == lwSpanBezier2D) return bezier2D(Span{e->keys, e->count, i}, time);
    const double u = (time - e->spanStart) / (e->spanEnd - e->spanStart);
    const double* c = cubicFrom(e, i - 1);
    return c[0] + u * (c[1] + u * (c[2] + u * c[3]));
}

}  // namespace

double lwEnvelopeValue(LwChannelEnvelope* e, double time)
{
    if (!e || e->count < 1) return 0.0;
    if (e->count == 1 || !std::isfinite(time)) return e->keys[0].value;
    if (time >= e->firstTime && time <= e->lastTime) return inside(e, time);
    const LwChannelKey& first = e->keys[0];
    const LwChannelKey& last = e->keys[e->count - 1];

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
        if (behaviour == lwBehaviourOscillate && n != 2.0 * std::floor(0.5 * n)) t = first.time + last.time - t;
        double value = inside(e, t);
        if (behaviour == lwBehaviourOffsetRepeat) value += n * (last.value - first.value);
        return value;
    }
    default: break;
    }
    return before ? first.value : last.value;
}

// ---- the object's envelopes (ENVL) ------------------------------------------------
//
// An ENVL chunk holds the same curve as a scene channel. Each KEY is a key and
// the SPAN after it shapes the span that ends at that key (the one between
// "the most recent KEY and the KEY immediately before it in time"), so keys
// may come in any order: tidying sorts them. LightWave's documents leave the
// SPAN's values to its sample code: TCB tension, continuity and bias; HERM
// and BEZI the incoming then the outgoing tangent; BEZ2 the incoming handle
// (time, value) then the outgoing one. They go where a scene key keeps them.

namespace {

// In LwSpanShape order; a SPAN's values go to p[first] on.
struct SpanForm {
    uint32_t id;
    int first, count;
};
const SpanForm spanForms[lwSpanShapeCount] = {
    {lwId('T', 'C', 'B', ' '), 0, 3}, {lwId('H', 'E', 'R', 'M'), 3, 2}, {lwId('B', 'E', 'Z', 'I'), 3, 2},
    {lwId('L', 'I', 'N', 'E'), 0, 0}, {lwId('S', 'T', 'E', 'P'), 0, 0}, {lwId('B', 'E', 'Z', '2'), 0, 4},
};

int readSpan(FILE* file, int32_t size, LwChannelKey* key)
{
    const uint32_t id = readU4(file);
    int32_t shape = 0;
    while (shape < lwSpanShapeCount && spanForms[shape].id != id) ++shape;
    key->shape = LwSpanShape(shape);  // lwSpanShapeCount when unknown: tidying makes it TCB
    std::fill(key->p, key->p + 6, 0.0f);
    const int count = shape < lwSpanShapeCount ? std::min(spanForms[shape].count, (size - 4) / 4) : 0;
    for (int i = 0; i < count; ++i) key->p[spanForms[shape].first + i] = readF4(file);
    return 1;
}

int envelopeField(FILE* file, uint32_t id, int32_t size, void* record)
{
    LwEnvelope* e = static_cast<LwEnvelope*>(record);
    LwChannelEnvelope* curve = &e->curve;
    switch (id) {
    case lwId('T', 'Y', 'P', 'E'): e->type = int32_t(readU2(file)); break;
    case lwId('P', 'R', 'E', ' '): curve->pre = LwBehaviour(readU2(file)); break;
    case lwId('P', 'O', 'S', 'T'): curve->post = LwBehaviour(readU2(file)); break;
    case lwId('K', 'E', 'Y', ' '): {
        LwChannelKey key = {};
        key.time = readF4(file);
        key.value = readF4(file);
        if (lwEnvelopeAddKey(curve, key)) break;
        return refuse(curve->count < lwEnvelopeMaxKeys ? LW_NO_MEMORY : "more keys than an envelope holds");
    }
    case lwId('S', 'P', 'A', 'N'):
        if (curve->count == 0) return refuse("SPAN before any key");
        return readSpan(file, size, &curve->keys[curve->count - 1]);
    case lwId('C', 'H', 'A', 'N'): {
        LwPluginRef* p = readFilter(file, size);
        if (!p) return 0;
        listAppend(&e->channelFilters, p);
        ++e->channelFilterCount;
        break;
    }
    case lwId('N', 'A', 'M', 'E'):
        std::free(e->name);
        e->name = readS0(file);
        break;
    }
    return 1;
}

}  // namespace

uint32_t lwSpanShapeId(int32_t shape) { return shape >= 0 && shape < lwSpanShapeCount ? spanForms[shape].id : 0; }

void freeEnvelope(LwEnvelope* e)
{
    if (!e) return;
    std::free(e->name);
    freeLwEnvelope(&e->curve);
    listFree(e->channelFilters, freePlugin);
    std::free(e);
}

LwEnvelope* readEnvelope(FILE* file, int32_t size)
{
    LwEnvelope* e = static_cast<LwEnvelope*>(std::calloc(1, sizeof(LwEnvelope)));
    if (!e) return refuse(LW_NO_MEMORY), nullptr;
    e->curve = lwEnvelopeEmpty();
    long start = std::ftell(file);
    setReadCount(0);
    e->index = int32_t(readVX(file));
    if (readCount() < 0 || !readSubChunks(file, start, size, envelopeField, e)) {
        freeEnvelope(e);
        return nullptr;
    }
    // Keys out of time order are the format's own; the rest changes what the file says.
    const uint32_t fixes = lwEnvelopeTidy(&e->curve);
    const struct {
        uint32_t fix;
        const char* text;
    } told[] = {{lwEnvelopeFixUnknownShape, "spans of an unknown shape taken as TCB"},
                {lwEnvelopeFixBadBehaviour, "an unknown behaviour taken as constant"},
                {lwEnvelopeFixNotFinite, "keys that are not finite dropped"}};
    for (const auto& t : told)
        if (fixes & t.fix) lwLog(lwLogWarning, "LwLoader[Warning]:: envelope %d: %s ", e->index, t.text);
    return e;
}
