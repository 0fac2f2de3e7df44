// Envelopes of random TCB keys, spread over memory as a loaded scene's are,
// for the benchmarks of envelope evaluation.
#pragma once
#include <cstdlib>

#include "lwenvelope.h"

inline double benchUnit() { return std::rand() / double(RAND_MAX); }

// `keys` TCB keys from a time just before 0, 0.05 to 0.15 s apart, values
// within `range` of 0 and random tension, continuity and bias; repeated
// before, oscillating after. Draws from std::rand (seed it first).
inline void randomTcbEnvelope(LwChannelEnvelope* e, int keys, double range)
{
    double time = -benchUnit();
    for (int k = 0; k < keys; ++k) {
        time += 0.05 + 0.1 * benchUnit();
        const double value = range * (benchUnit() - 0.5);
        const float tension = float(benchUnit() - 0.5), continuity = float(benchUnit() - 0.5), bias = float(benchUnit() - 0.5);
        LwChannelKey key{time, value, lwSpanTcb, {tension, continuity, bias, 0, 0, 0}};
        if (!lwEnvelopeAddKey(e, key)) std::abort();
    }
    e->pre = lwBehaviourRepeat;
    e->post = lwBehaviourOscillate;
    lwEnvelopeTidy(e);
}
