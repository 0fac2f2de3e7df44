// Stand-ins for the closed platform services the demo was designed against:
// the module player, the modal error box and the foreground window.
#pragma once
#include <cstdint>

typedef uint32_t HMUSIC;

// Module player (libopenmpt decoding into SDL audio). Every call answers 0 on failure.
// Init flags: 0x10 stereo output, 0x40 low-latency buffer. Load flag 1: loop the module.
int BASS_Init(int device, uint32_t frequency, uint32_t flags, void* window);
HMUSIC BASS_MusicLoad(int fromMemory, const void* file, uint64_t offset, uint32_t length, uint32_t flags);
int BASS_Start();
int BASS_MusicPlay(HMUSIC handle);
int BASS_Stop();
int BASS_MusicFree(HMUSIC handle);
int BASS_Free();

// There is no message box under SDL 1.2: the box is written to standard error.
int MessageBoxExA(void* owner, const char* text, const char* caption, unsigned type, unsigned short language);

// No window system handle is needed by the stand-ins: always none.
void* GetForegroundWindow();
