// What --stats prints at exit: per part of the show, the frames drawn and
// their times (from one buffer swap to the next), and what loading took.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class ShowStats {
public:
    // Milliseconds since the process started, on a steady clock.
    static double nowMs();

    // The frames that follow belong to this part; its first frame is timed from here.
    void part(const char* name);
    void frameShown();
    void loaded(const char* what, double ms);
    void print(FILE* out) const;

private:
    struct Part {
        std::string name;
        double startMs;
        double lastMs;
        std::vector<float> frameMs;
        float longestAfterFirstSecond;
    };
    std::vector<Part> parts;
    std::vector<std::pair<std::string, double>> loads;
    double firstFrameMs = -1.0;
};
