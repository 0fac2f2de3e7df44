// lwo-convert's operator new: huge pages only where they waste little; the
// nothrow forms answer null, the throwing one ends the program saying why.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>

#include "largepages.h"

// Under AddressSanitizer too an allocation beyond any memory answers null.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

TEST(LargePages, RoundedUpWhereLittleIsWastedAndOutOfMemory)
{
    const size_t MB = size_t(1) << 20;
    const size_t cases[][3] = {  // size, bytes asked for, aligned
        {0, 0, 0},  {MB, MB, 0},  // half of a 2 MB page wasted
        {15 * MB / 8, 2 * MB, 1}, {3 * MB, 3 * MB, 1},  // 1/8 MB more; a third more: the tail on small pages
        {15 * MB, 16 * MB, 1},    {SIZE_MAX - MB, SIZE_MAX - MB, 0},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(largePageBlock(c[0]).bytes == c[1] && largePageBlock(c[0]).aligned == bool(c[2])) << c[0];
    void* block = ::operator new(3 * MB);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (2 * MB), 0u);
    ::operator delete(block);
    volatile size_t huge = SIZE_MAX / 2;
    EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
    EXPECT_EQ(::operator new[](huge, std::nothrow), nullptr);
    EXPECT_DEATH(static_cast<void>(::operator new(huge)), "out of memory \\(a block of [0-9]+ bytes\\)");
}

}  // namespace
