// Large blocks (a big object's glTF buffer, the copy of it the glTF writer
// makes before writing the file, the conversion's tables) are asked to sit
// on huge pages: on fresh memory the kernel then faults them in 2 MB at a
// time instead of 4 kB, and on a virtual machine those faults cost more than
// the whole conversion's own work. Linked into the tool and its benchmark only.
#include "largepages.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

const std::size_t hugePage = std::size_t(2) << 20;

void* allocate(std::size_t size)
{
    LargePageBlock b = largePageBlock(size);
    if (!b.aligned) return std::malloc(size ? size : 1);
    void* block = nullptr;
    if (posix_memalign(&block, hugePage, b.bytes) != 0) return nullptr;
    madvise(block, b.bytes & ~(hugePage - 1), MADV_HUGEPAGE);
    return block;
}

}  // namespace

// A huge page is faulted in whole, so rounding a block up to whole pages
// costs the rest of its last page: only done when that is at most an eighth
// of the block (from 16 MB on always; a 1 MB block would take 2 MB).
// Otherwise a block of a huge page or more is still aligned and its whole
// pages advised, its tail left on small pages; a smaller one is ordinary.
LargePageBlock largePageBlock(std::size_t size)
{
    if (size == 0 || size > SIZE_MAX - hugePage) return {size, false};  // the rounding would wrap
    std::size_t rounded = (size + hugePage - 1) & ~(hugePage - 1);
    if (rounded - size <= size / 8) return {rounded, true};
    return {size, size >= hugePage};
}

// Without exceptions the throwing form cannot throw std::bad_alloc: running
// out of memory ends the program, saying so.
void* operator new(std::size_t size)
{
    void* block = allocate(size);
    if (!block) {
        std::fprintf(stderr, "%s: out of memory (a block of %zu bytes)\n", program_invocation_short_name, size);
        std::abort();
    }
    return block;
}

// The library's own nothrow forms call the throwing one, which would end the
// program instead of answering null.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
