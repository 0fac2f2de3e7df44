// --stats' figures on frame times worked out by hand: n frames of 10 ms and
// the slowest few; the 99th percentile by nearest rank, the ceil(0.99 n)-th
// smallest (of 100 frames the 99th, not the outlier; of 101 the 100th; of 200
// the 198th), the median the middle one or the mean of the middle two.
#include <gtest/gtest.h>

#include <vector>

#include "options.h"
#include "stats.h"

TEST(ShowStats, NearestRankPercentileAndMedian)
{
    struct { size_t n; std::vector<float> slowest; float p99, median; } cases[] = {
        {100, {500}, 10, 10}, {101, {500, 600}, 500, 10}, {200, {500, 600}, 10, 10}, {200, {400, 500, 600}, 400, 10},
        {1, {}, 10, 10},      {2, {30}, 30, 20},          {3, {20, 30}, 30, 20}};
    for (const auto& c : cases) {
        std::vector<float> sorted(c.n - c.slowest.size(), 10.0f);
        sorted.insert(sorted.end(), c.slowest.begin(), c.slowest.end());
        EXPECT_EQ(nearestRankPercentile(sorted, 99), c.p99) << c.n << " frames";
        EXPECT_EQ(median(sorted), c.median) << c.n << " frames";
    }
    EXPECT_EQ(nearestRankPercentile({1, 2, 3, 4}, 50), 2);
    EXPECT_EQ(nearestRankPercentile({1, 2, 3, 4}, 0), 1);
    EXPECT_EQ(nearestRankPercentile({}, 99), 0);
}

// The command line's numbers at their bounds: sizes of 16 to 16384 pixels a
// side, --until from 1 to 100,000,000 ms.
TEST(ShowOptions, NumbersAtTheirBounds)
{
    struct { const char* option; const char* value; bool taken; } cases[] = {
        {"--size", "16384x16384", true}, {"--size", "16385x480", false}, {"--size", "16x16", true},
        {"--size", "15x480", false},     {"--until", "100000000", true}, {"--until", "100000001", false},
        {"--until", "0", false},         {"--until", "1", true},
    };
    for (const auto& c : cases) {
        ShowOptions options;
        char* argv[] = {const_cast<char*>("demo"), const_cast<char*>(c.option), const_cast<char*>(c.value), nullptr};
        EXPECT_EQ(parseOptions(3, argv, options), c.taken) << c.option << " " << c.value;
    }
}
