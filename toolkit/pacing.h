// Effects that once moved by drawn frames move by the show's clock instead:
// one step per 20 ms of elapsedMs, whatever the frame rate. A frame that comes
// 40 ms after the last takes two steps, one that comes 5 ms after usually none.
#pragma once
#include <cstdint>

class StepPacer {
public:
    static const uint32_t kStepMs = 20;

    // The first step falls due at nowMs itself, so the first frame moves as before.
    void start(uint32_t nowMs)
    {
        startMs = nowMs;
        taken = 0;
        running = true;
    }
    bool started() const { return running; }

    // Steps due at nowMs and not yet taken; they count as taken from here.
    // Before start, or with a clock behind the start, none is due.
    uint32_t due(uint32_t nowMs)
    {
        if (!running || nowMs < startMs) return 0;
        uint64_t owed = uint64_t(nowMs - startMs) / kStepMs + 1;
        if (owed <= taken) return 0;
        uint32_t n = static_cast<uint32_t>(owed - taken);
        taken = owed;
        return n;
    }

private:
    uint32_t startMs = 0;
    uint64_t taken = 0;
    bool running = false;
};
