// Loading a LightWave scene of about 10,000 keys in the newer layout through
// Scene::load: 10 objects x 9 channels x 111 keys, and one object whose nine
// channels hold 1,111 keys each. The files are written in a temporary folder
// first (the objects are the writer's cube). Needs a display: run it under
// scripts/headless.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "benchwindow.h"
#include "engine.h"
#include "lwwriter.h"
#include "scenefiles.h"
#include "toolkit.h"

namespace {
bool writeFile(const std::string& path, const void* bytes, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

char folder[] = "/tmp/bench_sceneload.XXXXXX";
bool folderMade = false;

// The scene file's path, written once per shape with its cube beside it.
std::string sceneFile(int objects, int keys)
{
    if (!folderMade) folderMade = mkdtemp(folder) != nullptr;
    if (!folderMade) return "";
    const std::string dir = folder;
    const std::vector<unsigned char> cube = lwwCube(0);
    if (!writeFile(dir + "/cube.lwo", cube.data(), cube.size())) return "";
    const double fps = 30;
    std::string text = "LWSC\n5\n\nFirstFrame 0\nLastFrame " + std::to_string(keys - 1) + "\nFramesPerSecond 30\n";
    char line[160];
    for (int o = 0; o < objects; ++o) {
        std::snprintf(line, sizeof line, "\nLoadObjectLayer 1 %08X %s/cube.lwo\nObjectMotion\nNumChannels 9\n", 0x10000000 + o,
                      dir.c_str());
        text += line;
        for (int c = 0; c < 9; ++c) {
            std::snprintf(line, sizeof line, "Channel %d\n{ Envelope\n  %d\n", c, keys);
            text += line;
            for (int k = 0; k < keys; ++k) {
                // Values as a scene's: six significant digits, a TCB span, some tension.
                std::snprintf(line, sizeof line, "  Key %.6g %.6g 0 %.3g 0 0 0 0 0\n", std::sin(0.1 * k + c + o) * (c < 6 ? 3 : 1),
                              k / fps, (k % 5) * 0.1);
                text += line;
            }
            text += "  Behaviors 1 1\n}\n";
        }
    }
    const std::string path = dir + "/scene" + std::to_string(objects) + "x" + std::to_string(keys) + ".lws";
    return writeFile(path, text.data(), text.size()) ? path : "";
}

void BM_LoadScene(benchmark::State& state)
{
    if (!openTinyWindow()) {
        state.SkipWithError("no OpenGL display (run under scripts/headless)");
        return;
    }
    const int objects = static_cast<int>(state.range(0)), keys = static_cast<int>(state.range(1));
    const std::string path = sceneFile(objects, keys);
    if (path.empty()) {
        state.SkipWithError("cannot write the scene file");
        return;
    }
    verbose = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Scene* scene = new Scene();
        std::string name = path;
        state.ResumeTiming();
        const bool loaded = scene->load(&name[0]);
        state.PauseTiming();
        if (!loaded || scene->objectCount < objects) state.SkipWithError("the scene did not load");
        delete scene;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * objects * 9 * keys);
}
BENCHMARK(BM_LoadScene)->ArgNames({"objects", "keys"})->Args({10, 111})->Args({1, 1111})->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    std::error_code ignored;
    if (folderMade) std::filesystem::remove_all(folder, ignored);
    return 0;
}
