// The benchmarks' large object: a torus of 1000 x 1000 quads and a small
// sphere (lwwTorusObject, about 47 MB), written to a temporary file on first
// use and removed at exit; and its timed load.
#pragma once
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "lightwave.h"
#include "lwwriter.h"

struct BenchFile {
    std::string path;
    long size = 0;  // bytes
};

inline const BenchFile& benchTorusFile()
{
    static BenchFile file;
    if (!file.path.empty()) return file;
    char path[] = "/tmp/lwbenchXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) std::abort();
    close(fd);
    LwWriter w;
    w.bytes = lwwTorusObject(1000, 1000);
    if (!w.save(path)) std::abort();
    file.path = path;
    file.size = long(w.bytes.size());
    std::atexit([] { std::remove(file.path.c_str()); });
    return file;
}

// One timed load of the file, the object freed with the timing paused;
// false, the benchmark told, when the load fails.
inline bool benchLoad(benchmark::State& state, const std::string& path)
{
    LwObject* o = readLwObject(path.c_str(), nullptr, nullptr);
    if (!o) {
        state.SkipWithError("load failed");
        return false;
    }
    state.PauseTiming();
    freeLwObject(o);
    state.ResumeTiming();
    return true;
}
