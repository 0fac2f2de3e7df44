// lwo-convert of a LightWave scene, the whole process as the shell runs it:
// 100 items loading the writer's cube, each moved by 9 channels of 100 TCB
// keys (angles within a radian of rest, repeated before, oscillating after),
// to a .glb written to disk. Wall time per run is the benchmark's time;
// `cpu_ms` is the child's own (user + system), `keys_read` the scene's keys
// and `keys_written` the animation keys the tool reports.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "benchenvelopes.h"
#include "lwwriter.h"

extern char** environ;

namespace {

const int items = 100, channels = 9, keys = 100;

// The scene and its object in a fresh folder; answers the scene's path.
std::string writeScene()
{
    char name[] = "/tmp/bench-sceneconvert-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    const std::string dir = name;
    LwWriter cube;
    cube.bytes = lwwCube(0.0f);
    if (!cube.save((dir + "/cube.lwo").c_str())) std::abort();
    std::srand(7);
    std::ostringstream s;
    double last = 0;
    for (int i = 0; i < items; ++i) {
        s << "LoadObject cube.lwo\nObjectMotion\nNumChannels " << channels << "\n";
        for (int c = 0; c < channels; ++c) {
            s << "Channel " << c << "\n{ Envelope\n  " << keys << "\n";
            double time = -benchUnit();
            for (int k = 0; k < keys; ++k) {
                time += 0.05 + 0.1 * benchUnit();
                const double value = c < 3 ? 20 * (benchUnit() - 0.5) : c < 6 ? 2 * (benchUnit() - 0.5) : 0.5 + benchUnit();
                s << "  Key " << value << " " << time << " 0 " << benchUnit() - 0.5 << " " << benchUnit() - 0.5 << " "
                  << benchUnit() - 0.5 << " 0 0 0\n";
            }
            last = std::max(last, time);
            s << "  Behaviors 1 4\n}\n";
        }
        s << "\n";
    }
    std::ofstream(dir + "/scene.lws") << "LWSC\n3\n\nFirstFrame 0\nLastFrame " << int(last * 30) + 1
                                      << "\nFramesPerSecond 30\n\n" << s.str();
    return dir + "/scene.lws";
}

const std::string& scene()
{
    static const std::string path = writeScene();
    return path;
}

void BM_ConvertScene(benchmark::State& state)
{
    const std::string& scene = ::scene();
    const std::string dir = scene.substr(0, scene.rfind('/')), glb = dir + "/scene.glb", out = dir + "/stdout";
    char* argv[] = {const_cast<char*>(LWO_CONVERT), const_cast<char*>(scene.c_str()), const_cast<char*>(glb.c_str()),
                    nullptr};
    double cpu = 0;
    for (auto _ : state) {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        rusage before, after;
        getrusage(RUSAGE_CHILDREN, &before);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid;
        int status = -1;
        if (posix_spawn(&pid, argv[0], &files, nullptr, argv, environ) == 0) waitpid(pid, &status, 0);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        getrusage(RUSAGE_CHILDREN, &after);
        posix_spawn_file_actions_destroy(&files);
        auto seconds = [](const timeval& t) { return double(t.tv_sec) + 1e-6 * double(t.tv_usec); };
        cpu += seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime);
        if (status != 0) {
            state.SkipWithError("lwo-convert failed");
            return;
        }
    }
    // "OUT: N item(s), ..., K animation key(s)"
    std::ifstream said(out);
    std::string line, word;
    std::getline(said, line);
    std::istringstream words(line);
    long long written = 0, number = 0;
    while (words >> word)
        if (word == "animation") written = number;
        else number = std::atoll(word.c_str());
    state.counters["cpu_ms"] = 1000.0 * cpu / double(state.iterations());
    state.counters["keys_read"] = items * channels * keys;
    state.counters["keys_written"] = double(written);
}
BENCHMARK(BM_ConvertScene)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // The folder of the scene, its object and what the runs wrote.
    for (const char* name : {"cube.lwo", "scene.lws", "scene.glb", "stdout"})
        std::remove((scene().substr(0, scene().rfind('/') + 1) + name).c_str());
    rmdir(scene().substr(0, scene().rfind('/')).c_str());
    return 0;
}
