// The benchmarks' large object: a torus of 1000 x 1000 quads and a small
// sphere (lwwTorusObject, about 47 MB), as LWO2 and as LWO3, each written to
// a temporary file on first use and removed at exit; and its timed load.
#pragma once
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lightwave.h"
#include "lwwriter.h"

struct BenchFile {
    std::string path;
    long size = 0;  // bytes
};

// The bytes in a temporary file removed at exit (the record kept in `file`).
inline const BenchFile& benchFile(BenchFile& file, const std::vector<unsigned char>& bytes)
{
    char path[] = "/tmp/lwbenchXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) std::abort();
    close(fd);
    LwWriter w;
    w.bytes = bytes;
    if (!w.save(path)) std::abort();
    file.path = path;
    file.size = long(w.bytes.size());
    return file;
}

inline const BenchFile& benchTorusFile()
{
    static BenchFile file;
    if (file.path.empty()) {
        benchFile(file, lwwTorusObject(1000, 1000));
        std::atexit([] { std::remove(file.path.c_str()); });
    }
    return file;
}

// The same torus in the LWO3 form.
inline const BenchFile& benchTorusLwo3File()
{
    static BenchFile file;
    if (file.path.empty()) {
        benchFile(file, lwwToLwo3(lwwTorusObject(1000, 1000)));
        std::atexit([] { std::remove(file.path.c_str()); });
    }
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
