// Evaluating a scene's motion at one time: 1,000 items x 9 channels, each a
// 100-key TCB envelope with its own key times and parameters (so the keys
// are spread over memory as a loaded scene's are).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "benchenvelopes.h"
#include "lwenvelope.h"

namespace {
enum { items = 1000, channels = 9, keys = 100 };

std::vector<LwChannelEnvelope> makeEnvelopes()
{
    std::vector<LwChannelEnvelope> envelopes(items * channels, lwEnvelopeEmpty());
    std::srand(16);
    for (LwChannelEnvelope& e : envelopes) randomTcbEnvelope(&e, keys, 10);
    return envelopes;
}

// Every envelope at a time that `next` moves on each round.
void evaluateScene(benchmark::State& state, double (*next)(double))
{
    std::vector<LwChannelEnvelope> envelopes = makeEnvelopes();
    double time = 0.0;
    for (auto _ : state) {
        time = next(time);
        double sum = 0;
        for (LwChannelEnvelope& e : envelopes) sum += lwEnvelopeValue(&e, time);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * items * channels);
    for (LwChannelEnvelope& e : envelopes) freeLwEnvelope(&e);
}

// A new time each round, as the player's clock moves on.
double playing(double time) { return time + 0.0166 > 12 ? 0 : time + 0.0166; }
// The time jumping about (a seek): every envelope searches.
double seeking(double time) { return std::fmod(time + 3.71, 12.0); }

void BM_SceneAtOneTime(benchmark::State& state) { evaluateScene(state, playing); }
BENCHMARK(BM_SceneAtOneTime)->Unit(benchmark::kMicrosecond);
void BM_SceneSeeking(benchmark::State& state) { evaluateScene(state, seeking); }
BENCHMARK(BM_SceneSeeking)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
