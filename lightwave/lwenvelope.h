// LightWave envelopes: one channel's keys, the shape of each span and what
// happens before the first key and after the last, evaluated at a time in
// seconds. Plain records; the keys are one malloc'd array.
#pragma once
#include <cstdint>

// The shape of the span that ends at a key (the first key's shape only says
// how its outgoing tangent is made).
enum LwSpanShape : int32_t {
    lwSpanTcb = 0,       // Kochanek-Bartels: p1 tension, p2 continuity, p3 bias
    lwSpanHermite = 1,   // p4 incoming, p5 outgoing tangent (value change over a span)
    lwSpanBezier1D = 2,  // the same tangents, as Bezier control values a third of the way in
    lwSpanLinear = 3,
    lwSpanStepped = 4,   // the earlier key's value until the later key
    lwSpanBezier2D = 5,  // p1, p2 incoming handle (time, value offsets); p3, p4 outgoing
    lwSpanShapeCount
};

enum LwBehaviour : int32_t {
    lwBehaviourReset = 0,     // 0
    lwBehaviourConstant = 1,  // the end key's value
    lwBehaviourRepeat = 2,
    lwBehaviourOscillate = 3,    // repeat, every other period backwards
    lwBehaviourOffsetRepeat = 4, // repeat, shifted by the change over one period each time
    lwBehaviourLinear = 5,       // the straight line of the end key's slope
    lwBehaviourCount
};

enum { lwEnvelopeMaxKeys = 1 << 20, lwEnvelopeNearBlocks = 16 };

struct LwChannelKey {
    double time;   // seconds
    double value;
    LwSpanShape shape;
    float p[6];    // the file's six span parameters
};

struct LwChannelEnvelope {
    LwChannelKey* keys;  // sorted by time once tidied
    // Made by lwEnvelopeTidy for evaluation, one allocation (see lwenvelope.cpp).
    double* index;
    int32_t count;
    int32_t capacity;
    LwBehaviour pre, post;
    int32_t lastSpan;     // where the last evaluation fell: the span ending at that key,
                          // from spanStart to spanEnd (both 0 when there is none)
    double* blocks;       // within index
    int32_t blockCount;
    int32_t bezier2D;     // 1 when some span is a 2-D Bezier, which is evaluated from its keys
    double firstTime, lastTime;  // the keys' range, kept here to be told apart without reading the keys
    double spanStart, spanEnd;
    // The first time of each block of 8 keys when there are at most
    // lwEnvelopeNearBlocks (+inf after them): the search's first step reads
    // no other memory.
    double nearFirsts[lwEnvelopeNearBlocks];
};

// What lwEnvelopeTidy had to put right.
enum LwEnvelopeFix : uint32_t {
    lwEnvelopeFixUnsorted = 1,       // keys sorted by time (keys of equal time keep their order)
    lwEnvelopeFixUnknownShape = 2,   // such spans made TCB
    lwEnvelopeFixBadBehaviour = 4,   // unknown behaviours made constant
    lwEnvelopeFixNotFinite = 8,      // keys with an infinite or NaN time, value or parameter dropped
};

// An envelope without keys, constant both ways.
LwChannelEnvelope lwEnvelopeEmpty();

// Appends a key, growing the array (lwEnvelopeTidy must follow before evaluation). Answers false (the envelope unchanged)
// when lwEnvelopeMaxKeys is reached or memory runs out.
bool lwEnvelopeAddKey(LwChannelEnvelope* envelope, const LwChannelKey& key);

// Makes the envelope fit for evaluation; answers the LwEnvelopeFix bits of
// what it changed (0 when nothing).
uint32_t lwEnvelopeTidy(LwChannelEnvelope* envelope);

void freeLwEnvelope(LwChannelEnvelope* envelope);

// The value at `time` (seconds) of a tidied envelope: 0 without keys, the
// key's value with one key. Notes in lastSpan where `time` fell.
double lwEnvelopeValue(LwChannelEnvelope* envelope, double time);
