#include "stats.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();

}  // namespace

float nearestRankPercentile(const std::vector<float>& sorted, double percent)
{
    if (sorted.empty()) return 0.0f;
    // percent * n first: whole percents of a whole count stay exact, so a rank
    // of exactly 99 is not made 100 by rounding.
    const double rank = std::ceil(percent * static_cast<double>(sorted.size()) / 100.0);
    const size_t index = rank < 1 ? 0 : std::min(sorted.size(), static_cast<size_t>(rank)) - 1;
    return sorted[index];
}

float median(const std::vector<float>& sorted)
{
    const size_t n = sorted.size();
    if (n == 0) return 0.0f;
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0f;
}

double ShowStats::nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - processStart).count();
}

void ShowStats::part(const char* name)
{
    double now = nowMs();
    parts.push_back(Part{name, now, now, {}, 0.0f});
}

void ShowStats::frameShown()
{
    double now = nowMs();
    if (firstFrameMs < 0) firstFrameMs = now;
    if (parts.empty()) part("?");
    Part& p = parts.back();
    float frame = static_cast<float>(now - p.lastMs);
    p.frameMs.push_back(frame);
    if (p.lastMs - p.startMs >= 1000.0) p.longestAfterFirstSecond = std::max(p.longestAfterFirstSecond, frame);
    p.lastMs = now;
}

void ShowStats::loaded(const char* what, double ms)
{
    loads.emplace_back(what, ms);
}

void ShowStats::print(FILE* out) const
{
    std::fprintf(out, "%-18s %7s %9s %9s %9s %9s %9s\n", "partie", "images", "images/s", "mediane", "99e cent.",
                 "max", "max >1 s");
    for (const Part& p : parts) {
        if (p.frameMs.empty()) {
            std::fprintf(out, "%-18s %7d\n", p.name.c_str(), 0);
            continue;
        }
        std::vector<float> sorted = p.frameMs;
        std::sort(sorted.begin(), sorted.end());
        const float middle = median(sorted);
        std::fprintf(out, "%-18s %7zu %9.1f %7.2f ms %6.2f ms %6.1f ms %6.1f ms\n", p.name.c_str(), sorted.size(),
                     middle > 0 ? 1000.0f / middle : 0.0f, middle, nearestRankPercentile(sorted, 99), sorted.back(),
                     p.longestAfterFirstSecond);
    }
    for (const auto& l : loads) std::fprintf(out, "chargement %-26s %8.1f ms\n", l.first.c_str(), l.second);
    if (firstFrameMs >= 0) std::fprintf(out, "premiere image apres %.1f ms\n", firstFrameMs);
}
