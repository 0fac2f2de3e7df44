// The module player: libopenmpt decodes the module, SDL audio plays it. The
// device callback renders on SDL's audio thread; the main thread takes
// SDL_LockAudio around everything the callback can see (the playing module).
//
// What the flags mean here (other bits are ignored):
//   BASS_Init       0x10  stereo output (without it: mono)
//                   0x40  low latency: a 1024-frame device buffer instead of 4096
//   BASS_MusicLoad  1     loop: at its end the module goes back to its restart
//                         order and plays on for ever; without it, it plays once
// There is one device: `device` is -1 (the default) or 1. `window` is not needed.
#include "platform.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const uint32_t kInitStereo = 0x10;
const uint32_t kInitLowLatency = 0x40;
const uint32_t kMusicLoop = 1;
const int kMaxMusics = 16;

struct Music {
    HMUSIC handle;
    openmpt_module* module;
};

struct Player {
    bool ready;
    bool ownsAudioSubsystem;  // SDL audio was started here, so it is stopped here
    int frequency;
    int channels;
    HMUSIC lastHandle;
    Music musics[kMaxMusics];
    openmpt_module* playing;  // shared with the audio thread
};

Player player;

void renderAudio(void*, Uint8* stream, int bytes)
{
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    size_t frames = size_t(bytes) / (sizeof(int16_t) * player.channels);
    size_t done = 0;
    while (player.playing && done < frames) {
        int16_t* at = out + done * player.channels;
        size_t n = player.channels == 2
                       ? openmpt_module_read_interleaved_stereo(player.playing, player.frequency, frames - done, at)
                       : openmpt_module_read_mono(player.playing, player.frequency, frames - done, at);
        if (n == 0) break;  // a module without loop has ended
        done += n;
    }
    std::memset(out + done * player.channels, 0, (frames - done) * player.channels * sizeof(int16_t));
}

Music* findMusic(HMUSIC handle)
{
    if (handle == 0) return nullptr;
    for (Music& m : player.musics)
        if (m.handle == handle) return &m;
    return nullptr;
}

Music* freeSlot()
{
    for (Music& m : player.musics)
        if (!m.module) return &m;
    return nullptr;
}

// SDL 1.2 quits the whole audio subsystem when the device closes (or fails to
// open). Leave it as it was found: down if it was started here, up otherwise.
void leaveAudioSubsystem(bool startedHere)
{
    bool up = SDL_WasInit(SDL_INIT_AUDIO) != 0;
    if (startedHere && up) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (!startedHere && !up) SDL_InitSubSystem(SDL_INIT_AUDIO);
}

bool readFile(const char* path, uint64_t offset, uint32_t length, std::vector<char>& data)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = size >= 0 && offset <= uint64_t(size);
    uint64_t count = ok ? (length ? length : uint64_t(size) - offset) : 0;
    ok = ok && count > 0 && offset + count <= uint64_t(size);
    if (ok) {
        data.resize(size_t(count));
        ok = std::fseek(f, long(offset), SEEK_SET) == 0 && std::fread(data.data(), 1, data.size(), f) == data.size();
    }
    std::fclose(f);
    return ok;
}

}  // namespace

int BASS_Init(int device, uint32_t frequency, uint32_t flags, void*)
{
    if (player.ready || (device != -1 && device != 1)) return 0;
    if (frequency < 8000 || frequency > 192000) return 0;
    bool ownsSubsystem = !SDL_WasInit(SDL_INIT_AUDIO);
    if (ownsSubsystem && SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) return 0;

    player.frequency = int(frequency);
    player.channels = (flags & kInitStereo) ? 2 : 1;
    player.playing = nullptr;
    SDL_AudioSpec want;
    std::memset(&want, 0, sizeof want);
    want.freq = int(frequency);
    want.format = AUDIO_S16SYS;
    want.channels = Uint8(player.channels);
    want.samples = (flags & kInitLowLatency) ? 1024 : 4096;
    want.callback = renderAudio;
    // No "obtained" format asked back: SDL converts to whatever the device takes.
    if (SDL_OpenAudio(&want, nullptr) < 0) {
        leaveAudioSubsystem(ownsSubsystem);
        return 0;
    }
    player.ownsAudioSubsystem = ownsSubsystem;
    player.ready = true;
    return 1;
}

HMUSIC BASS_MusicLoad(int fromMemory, const void* file, uint64_t offset, uint32_t length, uint32_t flags)
{
    if (!player.ready || !file) return 0;
    Music* slot = freeSlot();
    if (!slot) return 0;

    std::vector<char> fileData;
    const char* data;
    size_t size;
    if (fromMemory) {
        if (length == 0) return 0;  // a memory block must say how long it is
        data = static_cast<const char*>(file) + offset;
        size = length;
    } else {
        if (!readFile(static_cast<const char*>(file), offset, length, fileData)) return 0;
        data = fileData.data();
        size = fileData.size();
    }
    openmpt_module* module = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent, nullptr,
                                                                openmpt_error_func_ignore, nullptr, nullptr,
                                                                nullptr, nullptr);
    if (!module) return 0;
    // Not yet visible to the audio thread: no lock needed. No dither, so a
    // module always renders to the same samples.
    openmpt_module_set_repeat_count(module, (flags & kMusicLoop) ? -1 : 0);
    openmpt_module_ctl_set_integer(module, "dither", 0);

    if (++player.lastHandle == 0) player.lastHandle = 1;
    slot->handle = player.lastHandle;
    slot->module = module;
    return slot->handle;
}

int BASS_Start()
{
    if (!player.ready) return 0;
    SDL_PauseAudio(0);
    return 1;
}

int BASS_MusicPlay(HMUSIC handle)
{
    Music* music = player.ready ? findMusic(handle) : nullptr;
    if (!music) return 0;
    SDL_LockAudio();
    player.playing = music->module;
    SDL_UnlockAudio();
    SDL_PauseAudio(0);
    return 1;
}

int BASS_Stop()
{
    if (!player.ready) return 0;
    SDL_PauseAudio(1);  // the device goes on with silence
    return 1;
}

int BASS_MusicFree(HMUSIC handle)
{
    Music* music = findMusic(handle);
    if (!music) return 0;
    SDL_LockAudio();
    if (player.playing == music->module) player.playing = nullptr;
    SDL_UnlockAudio();
    openmpt_module_destroy(music->module);
    music->module = nullptr;
    music->handle = 0;
    return 1;
}

int BASS_Free()
{
    if (!player.ready) return 0;
    SDL_CloseAudio();  // joins the audio thread: nothing renders after this
    player.playing = nullptr;
    for (Music& m : player.musics)
        if (m.module) {
            openmpt_module_destroy(m.module);
            m.module = nullptr;
            m.handle = 0;
        }
    leaveAudioSubsystem(player.ownsAudioSubsystem);
    player.ready = false;
    player.ownsAudioSubsystem = false;
    return 1;
}
