// Placing a LightWave scene's items at one time: 1,000 items x 9 channels of
// 100-key TCB envelopes, each item the child of the one before (the deepest
// hierarchy), into world matrices.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "benchenvelopes.h"
#include "lwitems.h"

namespace {
enum { itemCount = 1000, channels = 9, keys = 100 };

LwSceneItems* makeItems()
{
    LwSceneItems* items = new LwSceneItems;
    std::srand(16);
    for (int i = 0; i < itemCount; ++i) {
        items->items.emplace_back(new LwSceneItem);
        LwSceneItem* item = items->items.back().get();
        item->parent = i - 1;
        for (LwChannelEnvelope& e : item->motion.channels) randomTcbEnvelope(&e, keys, 1);
    }
    return items;
}

void BM_ItemsWorldAtOneTime(benchmark::State& state)
{
    LwSceneItems* items = makeItems();
    double time = 0.0;
    for (auto _ : state) {
        // A new time each round, as the clock moves on.
        time += 0.0166;
        if (time > 12) time = 0;
        lwItemsWorld(items, time);
        benchmark::DoNotOptimize(items->world.data());
    }
    state.SetItemsProcessed(state.iterations() * itemCount);
    delete items;
}
BENCHMARK(BM_ItemsWorldAtOneTime)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
