// What --stats prints at exit: per part of the show, the frames drawn and
// their times (from one buffer swap to the next), and what loading took.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// Of values sorted from the smallest: the nearest-rank percentile, the
// ceil(percent / 100 * n)-th smallest value (counting from 1; the smallest for
// a rank below 1), and the median, the middle value or, for an even count,
// the mean of the two middle ones. Both 0 without values.
float nearestRankPercentile(const std::vector<float>& sorted, double percent);
float median(const std::vector<float>& sorted);

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
