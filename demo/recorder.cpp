#include "recorder.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <libopenmpt/libopenmpt.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "toolkit.h"

extern char** environ;

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
bool renderMusic(int fd, uint32_t lengthMs)
{
    std::vector<char> data = readWhole(kModule);
    if (data.empty()) return false;
    openmpt_module* module = openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                                                nullptr, nullptr);
    if (!module) return false;
    openmpt_module_set_repeat_count(module, -1);
    openmpt_module_ctl_set_integer(module, "dither", 0);
    bool ok = true;
    uint64_t left = uint64_t(lengthMs) * kRate / 1000;
    int16_t block[2 * 4096];
    while (ok && left > 0) {
        size_t want = left < 4096 ? static_cast<size_t>(left) : 4096;
        size_t got = openmpt_module_read_interleaved_stereo(module, kRate, want, block);
        if (got < want) std::fill(block + 2 * got, block + 2 * want, int16_t(0));
        const char* bytes = reinterpret_cast<const char*>(block);
        for (size_t size = want * 2 * sizeof(int16_t); ok && size > 0;) {
            ssize_t n = write(fd, bytes, size);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) bytes += n, size -= static_cast<size_t>(n);
        }
        left -= want;
    }
    openmpt_module_destroy(module);
    return ok && lseek(fd, 0, SEEK_SET) == 0;
}

// A temporary file removed as soon as it is made: the music, some 26 MB for
// the whole show, lives only as long as its descriptor, so no way out of the
// program (a failure, Escape, a fatal error, a kill) leaves it behind. It is
// numbered 3 or more, clear of the encoder's standard streams.
int unnamedFile()
{
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/demo-music.XXXXXX";
    int made = mkstemp(&name[0]);
    if (made < 0) return -1;
    unlink(name.c_str());
    int fd = fcntl(made, F_DUPFD, 3);
    close(made);
    return fd;
}

// ffmpeg with these arguments, found on PATH and started without a shell, so
// that any file name passes as it is; its descriptors are set by `actions`.
pid_t spawnFfmpeg(std::vector<std::string> arguments, const posix_spawn_file_actions_t* actions)
{
    std::vector<char*> argv{const_cast<char*>("ffmpeg")};
    for (std::string& a : arguments) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid;
    return posix_spawnp(&pid, "ffmpeg", actions, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

bool exitedWell(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ffmpegAnswers()
{
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = spawnFfmpeg({"-version"}, &quiet);
    posix_spawn_file_actions_destroy(&quiet);
    return pid > 0 && exitedWell(pid);
}

}  // namespace

Recorder::~Recorder()
{
    if (encoder) std::fclose(encoder);
    if (encoderPid > 0) exitedWell(encoderPid);
    if (music >= 0) close(music);
}

bool Recorder::prepare(const char* outPath, uint32_t untilMs)
{
    path = outPath;
    if (!ffmpegAnswers()) {
        std::fprintf(stderr, "demo --record: ffmpeg introuvable (apt-get install ffmpeg)\n");
        return false;
    }
    music = unnamedFile();
    if (music < 0) {
        std::fprintf(stderr, "demo --record: pas de fichier temporaire pour la musique\n");
        return false;
    }
    // The whole show lasts 150 s of the clock; a little more is cut to the picture.
    if (!renderMusic(music, (untilMs ? untilMs : 150000) + 1000)) {
        std::fprintf(stderr, "demo --record: musique \"%s\" illisible\n", kModule);
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
    // The frames go through a pipe to the encoder's standard input; our end is
    // closed in the encoder, or it would never see the end of the frames.
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) == 0) {
        int input = fcntl(ends[0], F_DUPFD_CLOEXEC, 3);
        close(ends[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, 0);
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        if (input >= 0)
            encoderPid = spawnFfmpeg({"-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
                                      "-s", size, "-framerate", std::to_string(kFramesPerSecond), "-i", "pipe:0",
                                      "-f", "s16le", "-ar", std::to_string(kRate), "-ac", "2",
                                      "-i", "pipe:" + std::to_string(music), "-vf", "vflip", "-c:v", "libx264",
                                      "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k",
                                      "-shortest", "-movflags", "+faststart", "-f", "mp4", "file:" + path},
                                     &actions);
        posix_spawn_file_actions_destroy(&actions);
        if (input >= 0) close(input);
        if (encoderPid > 0) encoder = fdopen(ends[1], "w");
        if (!encoder) close(ends[1]);
    }
    if (!encoder) {
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
    if (encoder && std::fclose(encoder) != 0) ok = false;
    encoder = nullptr;
    if (encoderPid > 0 && !exitedWell(encoderPid)) ok = false;
    encoderPid = -1;
    if (music >= 0) close(music);
    music = -1;
    if (!ok) std::fprintf(stderr, "demo --record: l'encodage de \"%s\" a echoue\n", path.c_str());
    return ok;
}
