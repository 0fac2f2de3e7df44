// Large blocks (a big object's glTF buffer, the copy of it the glTF writer
// makes before writing the file, the conversion's tables) are asked to sit
// on huge pages: on fresh memory the kernel then faults them in 2 MB at a
// time instead of 4 kB, and on a virtual machine those faults cost more than
// the whole conversion's own work. Linked into the tool and its benchmark only.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

const std::size_t hugePage = std::size_t(2) << 20;
// From half a huge page on, one 2 MB fault costs less than the 4 kB ones.
const std::size_t largeBlock = hugePage / 2;

}  // namespace

void* operator new(std::size_t size)
{
    void* block = nullptr;
    if (size > SIZE_MAX - hugePage) {
        // Beyond any memory: the rounding below would wrap.
    } else if (size >= largeBlock) {
        // Whole huge pages, aligned, so that all of the block can be advised.
        std::size_t rounded = (size + hugePage - 1) & ~(hugePage - 1);
        block = std::aligned_alloc(hugePage, rounded);
        if (block) madvise(block, rounded, MADV_HUGEPAGE);
    } else {
        block = std::malloc(size ? size : 1);
    }
    // Without exceptions, running out of memory ends the program as an
    // uncaught std::bad_alloc would.
    if (!block) std::abort();
    return block;
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
