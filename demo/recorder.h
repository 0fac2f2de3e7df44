// demo --record: every frame at a fixed 60 frames a second, the show's clock
// driven by the frames, the music rendered beside it, both encoded by
// ffmpeg (H.264 and AAC) through a pipe.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class Recorder {
public:
    static const int kFramesPerSecond = 60;

    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    // Stops an encoder still running (the file is then cut short).
    ~Recorder();

    // False (with a message on standard error) when ffmpeg is missing or the
    // music cannot be rendered. Needs no display.
    bool prepare(const char* path, uint32_t untilMs);
    // Starts the encoder for frames of this size; the clock starts at 0 and
    // stops following the timer.
    bool start(int width, int height);
    // The frame just drawn (the back buffer), then the clock moves on by one
    // frame. False once the encoder has failed: the rest of the show is no use.
    bool frameDrawn();
    // Ends the file; false when the encoder failed.
    bool finish();

private:
    std::string path;
    int music = -1;  // the rendered music: a file already removed, read by the encoder through this descriptor
    FILE* encoder = nullptr;
    pid_t encoderPid = -1;
    bool failed = false;
    int width = 0, height = 0;
    uint64_t frames = 0;
    std::vector<unsigned char> pixels;
};
