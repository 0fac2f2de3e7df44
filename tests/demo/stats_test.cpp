// --stats' figures on frame times worked out by hand: n frames of 10 ms with
// the slowest few given, the 99th percentile by nearest rank (ceil(0.99 n)-th
// smallest), the median the middle value or the mean of the middle two.
#include <gtest/gtest.h>

#include <vector>

#include "stats.h"

TEST(ShowStats, NearestRankPercentileAndMedian)
{
    struct Case {
        size_t n;
        std::vector<float> slowest;
        float p99, median;
    } cases[] = {
        {100, {500}, 10, 10},       // rank 99: the last 10 ms frame, not the outlier
        {101, {500, 600}, 500, 10}, // rank ceil(99.99) = 100
        {200, {500, 600}, 10, 10},  // rank 198
        {200, {400, 500, 600}, 400, 10},
        {1, {}, 10, 10},
        {2, {30}, 30, 20},          // rank 2; the mean of 10 and 30
        {3, {20, 30}, 30, 20},
    };
    for (const Case& c : cases) {
        std::vector<float> sorted(c.n - c.slowest.size(), 10.0f);
        sorted.insert(sorted.end(), c.slowest.begin(), c.slowest.end());
        EXPECT_EQ(nearestRankPercentile(sorted, 99), c.p99) << c.n << " frames";
        EXPECT_EQ(median(sorted), c.median) << c.n << " frames";
    }
    EXPECT_EQ(nearestRankPercentile({1, 2, 3, 4}, 50), 2);
    EXPECT_EQ(nearestRankPercentile({1, 2, 3, 4}, 0), 1);
    EXPECT_EQ(nearestRankPercentile({}, 99), 0);
}
