// lwo-convert's operator new: huge pages only where they waste little; the
// nothrow forms answer null, the throwing one ends the program saying why.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>

#include "largepages.h"

// Under AddressSanitizer too an allocation beyond any memory answers null.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

const size_t MB = size_t(1) << 20;

TEST(LargePages, RoundedUpOnlyWhenLittleIsWasted)
{
    const struct {
        size_t size, bytes;
        bool aligned;
    } cases[] = {
        {0, 0, false}, {MB, MB, false},  // half of a 2 MB page would be wasted
        {15 * MB / 8, 2 * MB, true},     // 1/8 MB more
        {3 * MB, 3 * MB, true},          // 1 MB more: one whole page, the rest small ones
        {15 * MB, 16 * MB, true},        {SIZE_MAX - MB, SIZE_MAX - MB, false},
    };
    for (const auto& c : cases) {
        LargePageBlock b = largePageBlock(c.size);
        EXPECT_EQ(b.bytes, c.bytes) << c.size;
        EXPECT_EQ(b.aligned, c.aligned) << c.size;
    }
    void* block = ::operator new(3 * MB);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (2 * MB), 0u);
    ::operator delete(block);
}

TEST(LargePages, OutOfMemory)
{
    volatile size_t huge = SIZE_MAX / 2;
    EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
    EXPECT_EQ(::operator new[](huge, std::nothrow), nullptr);
    EXPECT_DEATH(static_cast<void>(::operator new(huge)), "out of memory \\(a block of [0-9]+ bytes\\)");
}

}  // namespace
