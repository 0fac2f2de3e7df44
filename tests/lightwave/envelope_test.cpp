// Envelope values against closed forms worked out by hand. A span's cubic in
// its normalised time s has, at s = 1/2, the value (v0 + v1)/2 + (out - in)/8
// (out and in: tangents over the span); with four evenly spaced TCB keys and
// no parameters that is Catmull-Rom's (-v_prev + 9 v0 + 9 v1 - v_next)/16.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "lwtest.h"
#include "test_support.h"

namespace {
LwChannelKey key(double time, double value, LwSpanShape shape = lwSpanTcb, std::vector<float> p = {})
{
    LwChannelKey k{time, value, shape, {0, 0, 0, 0, 0, 0}};
    for (size_t i = 0; i < p.size() && i < 6; ++i) k.p[i] = p[i];
    return k;
}

struct Case {
    const char* what;
    std::vector<LwChannelKey> keys;
    LwBehaviour pre, post;
    double time, expected;
};

// Behaviours are checked on linear keys (1,1) (2,5) (3,3): period 2, change 2.
const std::vector<LwChannelKey> zigzag = {key(1, 1), key(2, 5, lwSpanLinear), key(3, 3, lwSpanLinear)};
const LwBehaviour C = lwBehaviourConstant;
const std::vector<LwChannelKey> moveX = {
    key(0, 0, lwSpanBezier2D, {0, 0, 0.22222f, 0.64163308f, 2.0144943f}),
    key(2 / 3.0, 1.924918483918713, lwSpanBezier2D, {-0.22222f, 0.012913537f, 0.44444f, -0.10330829f, -0.34866897f}),
    key(2, -0.52300345897674561, lwSpanBezier2D, {-0.44444f, 0.81596582f})};

const Case cases[] = {
    {"Catmull-Rom middle span", {key(1, 0), key(2, 1), key(3, 4), key(4, 2)}, C, C, 2.5, 43.0 / 16},
    // out = v1 - v0 = 1 (no key before); in = (1/2)(v2 - v0) = 2.
    {"TCB first span", {key(1, 0), key(2, 1), key(3, 4)}, C, C, 1.5, 0.5 + (1.0 - 2.0) / 8},
    // Tension 1 flattens both tangents: s = 1/4 weighs v1 by 3s^2 - 2s^3 = 5/32.
    {"TCB tension", {key(1, 0, lwSpanTcb, {1}), key(3, 8, lwSpanTcb, {1}), key(4, 2)}, C, C, 1.5, 8 * 5.0 / 32},
    // Uneven keys: out at the middle key = 2/(3.5-0.5) * (2 + 0); in at the last = 0.
    {"TCB uneven times", {key(0.5, 0), key(1.5, 2), key(3.5, 2)}, C, C, 2.5, 2 + (4.0 / 3) / 8},
    // Bias 1 at the middle key: out = (1/2)(2 (v1 - v0)) = 1; in at the last = 3.
    {"TCB bias", {key(1, 0), key(2, 1, lwSpanTcb, {0, 0, 1}), key(3, 4)}, C, C, 2.5, 2.5 + (1.0 - 3.0) / 8},
    // Continuity -1: out = (1/2)(2 (v2 - v1)) = 3 = in.
    {"TCB continuity", {key(1, 0), key(2, 1, lwSpanTcb, {0, -1}), key(3, 4)}, C, C, 2.5, 2.5},
    {"Hermite midpoint", {key(1, 0, lwSpanHermite, {0, 0, 0, 0, 2}), key(3, 1, lwSpanHermite, {0, 0, 0, -1})}, C, C, 2,
     0.5 + (2.0 + 1.0) / 8},
    // Controls 0, 2/3, 4/3, 1 at s = 1/4: 3(9/16)(1/4)(2/3) + 3(3/4)(1/16)(4/3) + 1/64.
    {"1-D Bezier quarter", {key(1, 0, lwSpanBezier1D, {0, 0, 0, 0, 2}), key(3, 1, lwSpanBezier1D, {0, 0, 0, -1})}, C, C,
     1.5, 31.0 / 64},
    {"linear", {key(1, 2), key(3, 6, lwSpanLinear)}, C, C, 2.5, 5},
    {"stepped before the key", {key(1, 2), key(3, 6, lwSpanStepped)}, C, C, 2.9, 2},
    {"stepped on the key", {key(1, 2), key(3, 6, lwSpanStepped), key(4, 0)}, C, C, 3, 6},
    // Handles with no time offset: time = 1 + 2(3u^2 - 2u^3), at u = 1/4 it is
    // 1.3125; value controls 0, 2, 2, 4 give (27*2 + 9*2 + 4)/64.
    {"2-D Bezier", {key(1, 0, lwSpanBezier2D, {0, 0, 0, 2}), key(3, 4, lwSpanBezier2D, {0, -2})}, C, C, 1.3125,
     76.0 / 64},

    {"reset before", zigzag, lwBehaviourReset, C, 0.5, 0},
    {"reset after", zigzag, C, lwBehaviourReset, 3.5, 0},
    {"constant before", zigzag, C, C, 0.5, 1},
    {"constant after", zigzag, C, C, 3.5, 3},
    {"repeat before", zigzag, lwBehaviourRepeat, C, 0.5, 4},
    {"repeat after", zigzag, C, lwBehaviourRepeat, 3.5, 3},
    {"oscillate before", zigzag, lwBehaviourOscillate, C, 0.5, 3},
    {"oscillate after", zigzag, C, lwBehaviourOscillate, 3.5, 4},
    {"oscillate two periods before", zigzag, lwBehaviourOscillate, C, -2.5, 3},
    {"offset repeat before", zigzag, lwBehaviourOffsetRepeat, C, 0.5, 4 - 2},
    {"offset repeat after", zigzag, C, lwBehaviourOffsetRepeat, 3.5, 3 + 2},
    {"offset repeat eleven periods after", zigzag, C, lwBehaviourOffsetRepeat, 23.5, 3 + 11 * 2},
    {"linear before", zigzag, lwBehaviourLinear, C, 0.5, 1 - 4 * 0.5},
    {"linear after", zigzag, C, lwBehaviourLinear, 3.5, 3 - 2 * 0.5},
    // A TCB end span: slope = tangent over span length = 4/2.
    {"linear before a TCB span", {key(1, 0), key(3, 4)}, lwBehaviourLinear, C, 0, -2},
    // move_xz_bezier.lws's x channel: a line leaves each end along its handle,
    // the last key's incoming (-0.44444, 0.81597), the first key's outgoing (0.22222, 0.64163).
    {"linear after a 2-D Bezier", moveX, C, lwBehaviourLinear, 3, moveX[2].value + double(0.81596582f) / -0.44444f},
    {"linear before a 2-D Bezier", moveX, lwBehaviourLinear, C, -1, -double(0.64163308f) / 0.22222f},
    {"one key is constant", {key(1, 7)}, lwBehaviourReset, lwBehaviourRepeat, 9, 7},
};

TEST(LwChannelEnvelope, ClosedForms)
{
    for (const Case& c : cases) {
        LwChannelEnvelope e = lwEnvelopeEmpty();
        for (const LwChannelKey& k : c.keys) ASSERT_TRUE(lwEnvelopeAddKey(&e, k));
        e.pre = c.pre;
        e.post = c.post;
        EXPECT_EQ(lwEnvelopeTidy(&e), 0u) << c.what;
        EXPECT_NEAR(lwEnvelopeValue(&e, c.time), c.expected, 1e-9) << c.what;
        freeLwEnvelope(&e);
    }
}

TEST(LwChannelEnvelope, TidyPutsRightWhatItCan)
{
    LwChannelEnvelope e = lwEnvelopeEmpty();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const LwChannelKey& k : {key(3, 6, lwSpanLinear), key(nan, 1), key(1, 2, static_cast<LwSpanShape>(9))})
        ASSERT_TRUE(lwEnvelopeAddKey(&e, k));
    e.post = static_cast<LwBehaviour>(-1);
    EXPECT_EQ(lwEnvelopeTidy(&e), unsigned(lwEnvelopeFixUnsorted | lwEnvelopeFixUnknownShape | lwEnvelopeFixBadBehaviour |
                                           lwEnvelopeFixNotFinite));
    ASSERT_EQ(e.count, 2);
    EXPECT_EQ(e.keys[0].shape, lwSpanTcb);
    EXPECT_NEAR(lwEnvelopeValue(&e, 2), 4, 1e-12);
    EXPECT_EQ(lwEnvelopeValue(&e, 5), 6);
    freeLwEnvelope(&e);
}

// Long envelopes of linear spans at uneven times, read at each span's middle
// and on each key, in an order that jumps about: the search over blocks of
// keys (kept beside the envelope up to 128 keys, in memory beyond) against
// the straight line between the two keys around the time.
TEST(LwChannelEnvelope, SearchFindsTheSpanInLongEnvelopes)
{
    for (int32_t n : {2, 7, 8, 9, 17, 128, 129, 300}) {
        auto timeOf = [](int32_t k) { return k + 0.25 * (k % 3); };
        LwChannelEnvelope e = lwEnvelopeEmpty();
        for (int32_t k = 0; k < n; ++k) ASSERT_TRUE(lwEnvelopeAddKey(&e, key(timeOf(k), double(k) * k, lwSpanLinear)));
        ASSERT_EQ(lwEnvelopeTidy(&e), 0u);
        for (int32_t step = 0; step < 2 * n; ++step) {
            const int32_t j = int32_t(step * 37L % (2 * n));  // 37 shares no factor with 2n
            const int32_t k = j / 2;
            if (j % 2 == 0 || k + 1 == n) {
                EXPECT_EQ(lwEnvelopeValue(&e, timeOf(k)), double(k) * k) << n << " keys, key " << k;
            } else {
                EXPECT_NEAR(lwEnvelopeValue(&e, 0.5 * (timeOf(k) + timeOf(k + 1))), k * k + k + 0.5, 1e-9)
                    << n << " keys, after key " << k;
            }
        }
        freeLwEnvelope(&e);
    }
}

// An object's ENVL is the same curve: a SPAN shapes the span ending at the KEY
// just before it in the file (here the HERM key at 4 comes first) and its
// values land where the evaluator reads them. By hand, keys (0,0) (1,2) (2,6) (3,4) (4,8) (5,9) (6,3):
// TCB out at 1 (tension 1/2) = (1/4)(2) + (1/4)(4) = 3/2, in at 2 (continuity
// -1/2, bias 1/2) = (9/8)(4) + (1/8)(-2) = 17/4; Hermite out 3 at key 3, in 2 at 4.
TEST(LwChannelEnvelope, ObjectEnvelopeEvaluates)
{
    LwObject* o = nullptr;
    const std::string said = captureVerbose([&] {
        o = loadBytes(lwo2([](LwWriter& w) {
            lwwEnvelope(w, 1, "Mixed", {4, 8, 0, 0, 1, 2, 2, 6, 3, 4, 5, 9, 6, 3},
                        {{"HERM", {2, 0}}, {"TCB ", {}}, {"TCB ", {0.5f}}, {"TCB ", {0, -0.5f, 0.5f}},
                         {"HERM", {-1, 3}}, {"LINE", {}}, {"STEP", {}}});
            lwwEnvelope(w, 2, "Odd", {0, 0, 1, 4}, {{"TCB ", {}}, {"ODD!", {7}}});
        }));
    });
    ASSERT_TRUE(o && o->envelopes && o->envelopes->next);
    const double times[] = {1.5, 3.5, 4.25, 5.5}, values[] = {4 + (1.5 - 4.25) / 8, 6 + (3.0 - 2) / 8, 8.25, 9};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(lwEnvelopeValue(&o->envelopes->curve, times[i]), values[i], 1e-12) << times[i];
    // An unknown shape is told and made TCB: without parameters, two keys make a straight line.
    EXPECT_NE(said.find("envelope 2: spans of an unknown shape taken as TCB"), std::string::npos) << said;
    EXPECT_EQ(lwEnvelopeValue(&o->envelopes->next->curve, 0.25), 1);
    freeLwObject(o);
}
}  // namespace
