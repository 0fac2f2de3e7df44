// The 1x1 GL window the benchmarks of the engine's calls draw in.
#pragma once
#include <SDL/SDL.h>

#include <cstdlib>

// Once per process; false when no display answers (run under scripts/headless).
inline bool openTinyWindow()
{
    static bool open = false;
    if (open) return true;
    setenv("SDL_VIDEODRIVER", "x11", 0);
    for (int tries = 0; SDL_Init(SDL_INIT_VIDEO) < 0; tries++) {
        if (tries == 20) return false;
        SDL_Delay(100);
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    open = SDL_SetVideoMode(1, 1, 0, SDL_OPENGL) != nullptr;
    return open;
}
