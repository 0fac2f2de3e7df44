#include "fuzz_common.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "scenefiles.h"
#include "toolkit.h"

static char inputPath[256];

// A 1x1 window is enough for a GL context; the scene reserves textures and
// lists. SDL is not shut down at exit, so that the GL driver stays loaded and
// its own leftovers can be told apart from ours (scripts/fuzz-smoke gives
// LeakSanitizer the suppressions). Without a display the readers still run:
// with no current context the GL dispatch does nothing, and no display list
// is made. (Without an X display SDL would pick a text-mode driver and draw
// on the terminal.)
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(1, 1, 0, SDL_OPENGL))
        std::fprintf(stderr, "fuzz: no GL context, going on without one\n");
    verbose = 0;
    std::snprintf(inputPath, sizeof inputPath, "/tmp/fuzz-scene-%d.txt", static_cast<int>(getpid()));
    return 0;
}

void fuzzScene(const char* header, const uint8_t* data, size_t size, void (*read)(Scene* scene, char* path))
{
    std::string text(reinterpret_cast<const char*>(data), size);
    for (const char* banned : {"/dev", "/proc", "/sys", "/run"})
        if (text.find(banned) != std::string::npos) return;
    FILE* f = std::fopen(inputPath, "wb");
    if (!f) return;
    std::fputs(header, f);
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    sceneFileVersion = 0;
    pendingKeyLines = 0;
    Scene* scene = new Scene();
    read(scene, inputPath);
    // A version 3 record leaves the file open for a next call that never comes.
    if (sceneFile) std::fclose(sceneFile);
    sceneFile = nullptr;
    scene->recordPending = 0;
    delete scene;
}
