// TovikTools: the platform toolkit over SDL 1.2 — diagnostics, display,
// 100 Hz clock and event pump (and, in their own files, images and text helpers).
#pragma once
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// ---- Diagnostics -------------------------------------------------------
// Warnings and information lines are printed only when verbose is exactly 1,
// to standard output (the show's channel for them) or, when a tool whose
// standard output is its result sets it, to diagnosticsStream.
extern unsigned char verbose;
extern FILE* diagnosticsStream;  // null: standard output

[[noreturn]] void fatalError(const char* message);
void warning(const char* message);
void info(const char* message);
// Formats a message and hands it to `report` (warning, info, or the engine's
// Scene::reportWarning and Scene::reportInfo), cut to size - 1 characters;
// size 0 keeps it whole.
void reportFormatted(void (*report)(const char*), size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// ---- Clock ---------------------------------------------------------------
// The two counters are shared with SDL's timer thread, hence atomic.
struct TickTimer {
    unsigned char running;
    std::atomic<uint32_t> elapsedMs;
    std::atomic<int32_t> ticks;
    SDL_TimerID timerId;

    TickTimer();
    bool start(int rateHz);
    void stop();
};

extern TickTimer tickTimer;
Uint32 onTick(Uint32 periodMs, void* timer);

// ---- Display and events --------------------------------------------------
extern SDL_Surface* screen;
extern unsigned char sdlInitialised;
extern unsigned char escapePressed;

SDL_Surface* openDisplay(int width, int height, int depth, unsigned char fullScreen, unsigned char openGl);
// The same, but a mode the display refuses answers none instead of ending the run.
SDL_Surface* tryDisplayMode(int width, int height, int depth, unsigned char fullScreen, unsigned char openGl);
// Asked of the GL driver when a display opens: 1 (the default) waits for the
// screen's refresh at each swap, 0 does not.
extern unsigned char swapControl;
void closeDisplay();
bool pumpEvents(float limitMs);

// ---- Images and textures ---------------------------------------------------
// Pictures come back as plain software surfaces whose pixel bytes lie in the
// order red, green, blue (24-bit) or red, green, blue, alpha (32-bit keyed:
// alpha 255 on pure black, 0 elsewhere). Failures warn and answer none.
void fixPathSeparators(char* name);  // backslashes to slashes, in place; none is left alone
SDL_Surface* loadImageRgb(const char* fileName);
SDL_Surface* loadImageKeyed(const char* fileName);

// How a texture continues beyond its edges.
enum TextureWrap { textureRepeat, textureClampToEdge, textureMirroredRepeat };

// Binds the name, sets linear mipmapped filtering and the wrap modes across
// and down, and builds the mipmaps from a surface of 1 to 4 bytes per pixel,
// whatever its row pitch. The surface stays the caller's. False (and nothing
// bound) when the surface has no usable pixel size.
bool buildTexture(SDL_Surface* surface, GLuint name, TextureWrap wrapS, TextureWrap wrapT);

// buildTexture on textureNames[index], then frees the surface. On false (no
// surface, or no usable pixel size) the surface is still the caller's.
bool uploadTexture(SDL_Surface* surface, int index, const GLuint* textureNames, TextureWrap wrapS, TextureWrap wrapT);

// ---- Text helpers (text.cpp) ------------------------------------------------
// Fixed-size text fields and messages: the text is cut to size - 1
// characters and always terminated. copyText may copy a buffer onto itself.
char* copyText(char* buffer, size_t size, const char* text);
char* formatText(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Next token of a text file: the text between the delimiter (or "<") and the
// delimiter (or ">"). Answers "<eof>" at the end of the file. The text lives
// in a toolkit buffer of 10,240 bytes that every call overwrites; a longer
// token is cut to 10,239 characters.
const char* readDelimitedToken(FILE* file, char delimiter);

// ---- File box (filebox.cpp) --------------------------------------------------

// With a title: opens the open-file box and answers the first chosen path
// (slashes as separators). Without: answers the next chosen path, or null.
char* selectFiles(const char* title);

// Byte-wise order of two path names (negative, zero, positive).
int compareNames(const char* a, const char* b);
