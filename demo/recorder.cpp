#include "recorder.h"

#include <GL/gl.h>
#include <libopenmpt/libopenmpt.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "toolkit.h"

namespace {

const int kRate = 44100;
const char* const kModule = "Datas/Zik/under.xm";

std::vector<char> readWhole(const char* name)
{
    std::vector<char> data;
    FILE* f = std::fopen(name, "rb");
    if (!f) return data;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + n);
    std::fclose(f);
    return data;
}

// The module as the live show plays it (looping, no dither), 16-bit stereo at
// 44.1 kHz, for the given length.
bool renderMusic(const std::string& file, uint32_t lengthMs)
{
    std::vector<char> data = readWhole(kModule);
    if (data.empty()) return false;
    openmpt_module* module = openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                                                nullptr, nullptr);
    if (!module) return false;
    openmpt_module_set_repeat_count(module, -1);
    openmpt_module_ctl_set_integer(module, "dither", 0);
    FILE* out = std::fopen(file.c_str(), "wb");
    bool ok = out != nullptr;
    uint64_t left = uint64_t(lengthMs) * kRate / 1000;
    int16_t block[2 * 4096];
    while (ok && left > 0) {
        size_t want = left < 4096 ? static_cast<size_t>(left) : 4096;
        size_t got = openmpt_module_read_interleaved_stereo(module, kRate, want, block);
        if (got < want) std::fill(block + 2 * got, block + 2 * want, int16_t(0));
        ok = std::fwrite(block, 2 * sizeof(int16_t), want, out) == want;
        left -= want;
    }
    if (out && std::fclose(out) != 0) ok = false;
    openmpt_module_destroy(module);
    return ok;
}

}  // namespace

bool Recorder::prepare(const char* outPath, uint32_t untilMs)
{
    path = outPath;
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
        std::fprintf(stderr, "demo --record: ffmpeg introuvable (apt-get install ffmpeg)\n");
        return false;
    }
    char name[] = "/tmp/demo-music.XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return false;
    close(fd);
    musicFile = name;
    // The whole show lasts 150 s of the clock; a little more is cut to the picture.
    if (!renderMusic(musicFile, (untilMs ? untilMs : 150000) + 1000)) {
        std::fprintf(stderr, "demo --record: musique \"%s\" illisible\n", kModule);
        std::remove(musicFile.c_str());
        return false;
    }
    return true;
}

bool Recorder::start(int w, int h)
{
    width = w;
    height = h;
    pixels.resize(size_t(w) * size_t(h) * 3);
    // A dead encoder must fail the writes, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    char command[2048];
    std::snprintf(command, sizeof command,
                  "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt rgb24 -s %dx%d -framerate %d -i pipe:0 "
                  "-f s16le -ar %d -ac 2 -i '%s' -vf vflip -c:v libx264 -preset veryfast -pix_fmt yuv420p "
                  "-c:a aac -b:a 192k -shortest -movflags +faststart '%s'",
                  w, h, kFramesPerSecond, kRate, musicFile.c_str(), path.c_str());
    if (path.find('\'') != std::string::npos || !(encoder = popen(command, "w"))) {
        std::fprintf(stderr, "demo --record: impossible de lancer ffmpeg\n");
        failed = true;
        return false;
    }
    tickTimer.stop();
    tickTimer.running = 0;
    tickTimer.elapsedMs.store(0);
    tickTimer.ticks.store(0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    return true;
}

bool Recorder::frameDrawn()
{
    if (encoder && !failed) {
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        if (std::fwrite(pixels.data(), 1, pixels.size(), encoder) != pixels.size()) failed = true;
    }
    // The clock counts 10 ms ticks: the frames at 60 a second take one or two.
    ++frames;
    uint32_t next = static_cast<uint32_t>(frames * 1000 / kFramesPerSecond / 10 * 10);
    uint32_t now = tickTimer.elapsedMs.load();
    if (next > now) {
        tickTimer.ticks.fetch_add(static_cast<int32_t>((next - now) / 10));
        tickTimer.elapsedMs.store(next);
    }
    return !failed;
}

bool Recorder::finish()
{
    bool ok = !failed;
    if (encoder && pclose(encoder) != 0) ok = false;
    encoder = nullptr;
    if (!musicFile.empty()) std::remove(musicFile.c_str());
    if (!ok) std::fprintf(stderr, "demo --record: l'encodage de \"%s\" a echoue\n", path.c_str());
    return ok;
}
