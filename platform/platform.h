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

// ---- Open-file dialog ----------------------------------------------------
// The subset of the Windows open-file box the toolkit's file box uses.
// The stand-in runs zenity when it is installed and a display is open;
// otherwise it behaves as a cancelled box and leaves the buffer as it was.
enum : uint32_t {
    OFN_READONLY = 0x1,
    OFN_HIDEREADONLY = 0x4,
    OFN_ALLOWMULTISELECT = 0x200,
    OFN_CREATEPROMPT = 0x2000,
    OFN_EXPLORER = 0x80000,
    OFN_NOREADONLYRETURN = 0x8000,
};

struct OPENFILENAMEA {
    void* hwndOwner;
    const char* lpstrFilter;      // description, 0, pattern, 0, 0
    const char* lpstrCustomFilter;
    const char* lpstrInitialDir;
    const char* lpstrTitle;
    char* lpstrFile;              // in: the proposed name; out: the choice
    uint32_t nMaxFile;            // size of lpstrFile
    uint32_t Flags;
    uint16_t nFileOffset;         // out: where the file-name part starts
};

// Answers nonzero when the user chose. One file: lpstrFile holds its path.
// Several: the directory, 0, each name followed by 0, then one more 0.
int GetOpenFileNameA(OPENFILENAMEA* box);

// Tests put their own dialog here; null means the real one.
extern int (*openFileDialogHook)(OPENFILENAMEA* box);

uint32_t GetCurrentDirectoryA(uint32_t size, char* buffer);
int SetCurrentDirectoryA(const char* path);

// Keeps every shared library loaded so far mapped until the process ends.
// The display library unloads the GL driver at exit; what the driver keeps
// to the end would then be reported as leaks of an unknown module.
void keepLoadedLibraries();
