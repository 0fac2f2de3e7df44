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

void BM_SceneAtOneTime(benchmark::State& state)
{
    std::vector<LwChannelEnvelope> envelopes = makeEnvelopes();
    double time = 0.0;
    for (auto _ : state) {
        // A new time each round, as the player's clock moves on.
        time += 0.0166;
        if (time > 12) time = 0;
        double sum = 0;
        for (LwChannelEnvelope& e : envelopes) sum += lwEnvelopeValue(&e, time);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * items * channels);
    for (LwChannelEnvelope& e : envelopes) freeLwEnvelope(&e);
}
BENCHMARK(BM_SceneAtOneTime)->Unit(benchmark::kMicrosecond);

// The same with the time jumping about (a seek): every envelope searches.
void BM_SceneSeeking(benchmark::State& state)
{
    std::vector<LwChannelEnvelope> envelopes = makeEnvelopes();
    double time = 0.0;
    for (auto _ : state) {
        time = std::fmod(time + 3.71, 12.0);
        double sum = 0;
        for (LwChannelEnvelope& e : envelopes) sum += lwEnvelopeValue(&e, time);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * items * channels);
    for (LwChannelEnvelope& e : envelopes) freeLwEnvelope(&e);
}
BENCHMARK(BM_SceneSeeking)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
