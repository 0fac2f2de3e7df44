#include "toolkit.h"

#include <cstdlib>

#include "platform.h"

SDL_Surface* screen = nullptr;
unsigned char sdlInitialised = 0;
unsigned char escapePressed = 0;

static SDL_Event event;

static void stopTickTimerAtExit()
{
    tickTimer.stop();
}

TickTimer::TickTimer() : running(0), elapsedMs(0), ticks(0), timerId(nullptr)
{
    std::atexit(stopTickTimerAtExit);
}

// The global clock is made before main runs, and its stop registered then,
// so that it runs after the display library has been shut down at exit.
TickTimer tickTimer;

Uint32 onTick(Uint32 periodMs, void* timer)
{
    TickTimer* t = static_cast<TickTimer*>(timer);
    t->elapsedMs.fetch_add(periodMs);
    t->ticks.fetch_add(1);
    return periodMs;
}

bool TickTimer::start(int rateHz)
{
    if (rateHz <= 0) rateHz = 100;
    // A second start must not leave the first callback running as well.
    if (running == 1 && timerId) {
        SDL_RemoveTimer(timerId);
        timerId = nullptr;
    }
    timerId = SDL_AddTimer(1000 / rateHz, onTick, this);
    if (!timerId) fatalError("Impossible de Demarrer le Timer SDL");
    running = 1;
    return true;
}

void TickTimer::stop()
{
    if (running != 1) return;
    if (!SDL_RemoveTimer(timerId)) warning("Echec lors de la Fermeture du Timer SDL!");
}

unsigned char swapControl = 1;

SDL_Surface* tryDisplayMode(int width, int height, int depth, unsigned char fullScreen, unsigned char openGl)
{
    if (!sdlInitialised) {
        if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) fatalError("Init Librairie SDL Impossible");
        sdlInitialised = 1;
        std::atexit(SDL_Quit);
    }
    tickTimer.start(100);
    if (screen) SDL_FreeSurface(screen);
    Uint32 flags = SDL_DOUBLEBUF;
    if (fullScreen == 1) flags |= SDL_FULLSCREEN;
    if (openGl == 1) {
        flags |= SDL_OPENGL;
        // Swaps wait for the screen's refresh where the driver offers it;
        // everything that moves follows the clock, so nothing depends on it.
        SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, swapControl);
    }
    screen = SDL_SetVideoMode(width, height, depth, flags);
    if (!screen) return nullptr;
    // The GL driver stays mapped through the exit handlers, so that what it
    // still holds at exit can be told apart from our own leaks.
    keepLoadedLibraries();
    return screen;
}

SDL_Surface* openDisplay(int width, int height, int depth, unsigned char fullScreen, unsigned char openGl)
{
    if (!tryDisplayMode(width, height, depth, fullScreen, openGl)) fatalError("Ouverture Ecran SDL Impossible");
    return screen;
}

void closeDisplay()
{
    if (screen) SDL_FreeSurface(screen);
    screen = nullptr;
}

bool pumpEvents(float limitMs)
{
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            escapePressed = 1;
            return true;
        }
    }
    return static_cast<double>(tickTimer.elapsedMs.load()) <= static_cast<double>(limitMs);
}
