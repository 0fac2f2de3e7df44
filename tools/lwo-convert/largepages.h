// lwo-convert's global operator new (largepages.cpp): how it lays out a block.
#pragma once
#include <cstddef>

// `bytes` asked for a block of `size`, aligned to a huge page when `aligned`
// (then its whole huge pages are advised).
struct LargePageBlock {
    std::size_t bytes;
    bool aligned;
};
LargePageBlock largePageBlock(std::size_t size);
