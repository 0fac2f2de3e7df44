// SubPatch refinement at the default level of a 100 x 100 grid of patches
// (10,000 control quads, 160,000 quads out), the read of the cage excluded.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "lightwave.h"
#include "lwsubdiv.h"
#include "lwwriter.h"


static long minorFaults()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

static void BM_SubdivideGrid(benchmark::State& state)
{
    std::vector<unsigned char> bytes = lwwSubPatchGrid(100);
    LwSubdivision r = {};
    double faults = 0;  // page faults of the refinement alone
    for (auto _ : state) {
        state.PauseTiming();
        LwObject* o = readLwObjectStream(fmemopen(bytes.data(), bytes.size(), "rb"), "grid", nullptr, nullptr);
        const long before = minorFaults();
        state.ResumeTiming();
        const int done = o && subdivideLwLayer(o->layers, int32_t(state.range(0)), &r);
        faults += double(minorFaults() - before);
        if (!done) {
            state.SkipWithError("subdivision failed");
            freeLwObject(o);
            break;
        }
        state.PauseTiming();
        freeLwObject(o);
        state.ResumeTiming();
    }
    state.counters["control"] = r.controlPolygons;
    state.counters["polygons"] = r.subdividedPolygons;
    state.counters["faults"] = benchmark::Counter(faults, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SubdivideGrid)->Arg(lwSubdivisionDefaultLevel)->Arg(3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// BENCH_KEEP_MEMORY=1 keeps freed memory in the process between iterations, as a
// long-running viewer does; by default every iteration gets fresh pages from the
// kernel, as a first import does, and on a virtual machine their faults can cost
// more than the refinement itself (GLIBC_TUNABLES=glibc.malloc.hugetlb=1 gives
// malloc huge pages and most of that back).
int main(int argc, char** argv)
{
    lwSetLog(lwLogNowhere, nullptr);
    if (std::getenv("BENCH_KEEP_MEMORY")) {
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
