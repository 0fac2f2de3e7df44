// lwo-convert's cost against the reader's: the 47 MB torus (1000 x 1000
// quads and a sphere, made by the writer) loaded alone, and loaded and
// converted to a .glb written to disk as lwo-convert does it. The
// conversion's counters give the load's share and `ratio`, the whole
// conversion over the load alone, both in CPU time.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "benchtorus.h"
#include "convert.h"

// The process's CPU time, the kernel's share (page faults, the file write)
// included: on a shared machine, wall time mostly measures the neighbours.
static double cpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

static void BM_Load(benchmark::State& state)
{
    const std::string& path = benchTorusFile().path;
    for (auto _ : state)
        if (!benchLoad(state, path)) break;
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(3.0);

static void BM_ConvertToGlb(benchmark::State& state)
{
    const std::string& path = benchTorusFile().path;
    const std::string glb = path + ".glb";
    double load = 0.0, total = 0.0;
    size_t bytes = 0;
    for (auto _ : state) {
        double start = cpuSeconds();
        LwObject* o = readLwObject(path.c_str(), nullptr, nullptr);
        if (!o) {
            state.SkipWithError("load failed");
            break;
        }
        load += cpuSeconds() - start;
        // As lwo-convert does it: the object freed before the model is written.
        ConvertOptions options;
        ConvertResult r;
        subdivideForConversion(o, options, &r);
        GltfModel* model = buildGltf(o, path.c_str(), true, options, &r);
        freeLwObject(o);
        FILE* f = std::fopen(glb.c_str(), "wb");
        bool ok = f && writeGltf(model, &r, f);
        if (f) {
            bytes = size_t(std::ftell(f));
            std::fclose(f);
        } else {
            writeGltf(model, &r);  // frees it
        }
        total += cpuSeconds() - start;
        if (!ok) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    std::remove(glb.c_str());
    if (load > 0.0) {
        state.counters["load_ms"] = 1000.0 * load / double(state.iterations());
        state.counters["ratio"] = total / load;
        state.counters["glbMB"] = double(bytes) / 1e6;
    }
}
BENCHMARK(BM_ConvertToGlb)->Unit(benchmark::kMillisecond)->MinTime(3.0);

int main(int argc, char** argv)
{
    lwSetLog(lwLogNowhere, nullptr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
