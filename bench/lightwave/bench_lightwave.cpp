// Loading a large LWO2 object: a torus of 1000 x 1000 quads and a small
// sphere (about 47 MB), made by the writer in the set-up.
//
// Reported: the load's speed in bytes of file per second, the time of each
// completion step, a bare read of the same file, and the peak memory of a
// process that only loads the file (measured in a child, --peak FILE).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <string>
#include <vector>

#include "benchtorus.h"
#include "lightwave.h"

static long peakKb()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

static void BM_ReadLwObject(benchmark::State& state)
{
    const std::string& path = benchTorusFile().path;
    LwLoadTimes times, sum = {};
    setLwLoadTimes(&times);
    int loads = 0;
    for (auto _ : state) {
        if (!benchLoad(state, path)) break;
        sum.read += times.read;
        sum.boundingBox += times.boundingBox;
        sum.polygonNormals += times.polygonNormals;
        sum.pointPolygons += times.pointPolygons;
        sum.surfaces += times.surfaces;
        sum.vertexNormals += times.vertexNormals;
        sum.pointVMaps += times.pointVMaps;
        sum.cornerVMaps += times.cornerVMaps;
        sum.textureCoords += times.textureCoords;
        ++loads;
    }
    setLwLoadTimes(nullptr);
    state.SetBytesProcessed(int64_t(state.iterations()) * benchTorusFile().size);
    if (loads == 0) return;
    double ms = 1000.0 / loads;
    state.counters["read_ms"] = sum.read * ms;
    state.counters["bbox_ms"] = sum.boundingBox * ms;
    state.counters["polyNormals_ms"] = sum.polygonNormals * ms;
    state.counters["adjacency_ms"] = sum.pointPolygons * ms;
    state.counters["surfaces_ms"] = sum.surfaces * ms;
    state.counters["vertexNormals_ms"] = sum.vertexNormals * ms;
    state.counters["pointVMaps_ms"] = sum.pointVMaps * ms;
    state.counters["cornerVMaps_ms"] = sum.cornerVMaps * ms;
    state.counters["texCoords_ms"] = sum.textureCoords * ms;
    state.counters["fileMB"] = double(benchTorusFile().size) / 1e6;
}
BENCHMARK(BM_ReadLwObject)->Unit(benchmark::kMillisecond)->MinTime(3.0);

static void BM_BareRead(benchmark::State& state)
{
    const std::string& path = benchTorusFile().path;
    std::vector<unsigned char> buffer(static_cast<size_t>(benchTorusFile().size));
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
        std::fclose(f);
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * benchTorusFile().size);
}
BENCHMARK(BM_BareRead)->Unit(benchmark::kMillisecond);

// The same torus in the LWO3 form, its loads alternating with the LWO2 file's
// in one run: `lwo3_over_lwo2` is the LWO3 loads' CPU time over the LWO2 ones'
// (1.1 at most is wanted).
static void BM_ReadLwo3Object(benchmark::State& state)
{
    const std::string& lwo2 = benchTorusFile().path;
    const std::string& lwo3 = benchTorusLwo3File().path;
    double seconds[2] = {0, 0};
    for (auto _ : state) {
        for (int form = 0; form < 2; ++form) {
            timespec a, b;
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
            LwObject* o = readLwObject((form ? lwo3 : lwo2).c_str(), nullptr, nullptr);
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
            seconds[form] += double(b.tv_sec - a.tv_sec) + 1e-9 * double(b.tv_nsec - a.tv_nsec);
            if (!o) return state.SkipWithError("load failed");
            state.PauseTiming();
            freeLwObject(o);
            state.ResumeTiming();
        }
    }
    if (seconds[0] > 0) state.counters["lwo3_over_lwo2"] = seconds[1] / seconds[0];
}
BENCHMARK(BM_ReadLwo3Object)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Peak resident memory of a fresh process loading the file, less that of one
// that does not.
static void BM_PeakMemory(benchmark::State& state)
{
    const std::string& path = benchTorusFile().path;
    auto child = [&](const std::string& arg) {
        std::string cmd = "/proc/" + std::to_string(getpid()) + "/exe --peak " + arg;
        FILE* p = popen(cmd.c_str(), "r");
        long kb = -1;
        if (p && std::fscanf(p, "%ld", &kb) != 1) kb = -1;
        if (p) pclose(p);
        return kb;
    };
    long base = 0, loaded = 0;
    for (auto _ : state) {
        base = child("-");
        loaded = child(path);
    }
    if (base < 0 || loaded < 0) {
        state.SkipWithError("child failed");
        return;
    }
    state.counters["peakMB"] = double(loaded - base) / 1024.0;
    state.counters["fileMB"] = double(benchTorusFile().size) / 1e6;
    state.counters["peak_per_file"] = double(loaded - base) * 1024.0 / double(benchTorusFile().size);
}
BENCHMARK(BM_PeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    lwSetLog(lwLogNowhere, nullptr);
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0) {
        if (std::strcmp(argv[2], "-") != 0) {
            LwObject* o = readLwObject(argv[2], nullptr, nullptr);
            if (!o) return 1;
            freeLwObject(o);
        }
        std::printf("%ld\n", peakKb());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
