// Placing a LightWave scene's items at one time: 1,000 items x 9 channels of
// 100-key TCB envelopes, each item the child of the one before (the deepest
// hierarchy), into world matrices.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "benchenvelopes.h"
#include "lwscene.h"

namespace {
enum { itemCount = 1000, channels = 9, keys = 100 };

LwScene* makeScene()
{
    LwScene* scene = static_cast<LwScene*>(std::calloc(1, sizeof(LwScene)));
    scene->items = static_cast<LwSceneItem*>(std::calloc(itemCount, sizeof(LwSceneItem)));
    scene->itemCount = itemCount;
    std::srand(16);
    for (int i = 0; i < itemCount; ++i) {
        LwSceneItem* item = &scene->items[i];
        item->parent = i - 1;
        item->angleScale = 1;
        for (LwChannelEnvelope& e : item->channels) e = lwEnvelopeEmpty(), randomTcbEnvelope(&e, keys, 1);
    }
    return scene;
}

void BM_ItemsWorldAtOneTime(benchmark::State& state)
{
    LwScene* scene = makeScene();
    std::vector<double> world(12 * itemCount);
    std::vector<int32_t> scratch(2 * itemCount);
    double time = 0.0;
    for (auto _ : state) {
        // A new time each round, as the clock moves on.
        time += 0.0166;
        if (time > 12) time = 0;
        lwSceneWorld(scene, time, world.data(), scratch.data());
        benchmark::DoNotOptimize(world.data());
    }
    state.SetItemsProcessed(state.iterations() * itemCount);
    freeLwScene(scene);
}
BENCHMARK(BM_ItemsWorldAtOneTime)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
