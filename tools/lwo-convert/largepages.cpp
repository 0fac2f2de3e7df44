// Large blocks (a big object's glTF buffer, and the copy of it the glTF
// writer makes before writing the file) are asked to sit on huge pages: on
// fresh memory the kernel then faults them in 2 MB at a time instead of
// 4 kB, and on a virtual machine those faults cost more than the whole
// conversion's own work. Linked into the tool and its benchmark only.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

void* operator new(std::size_t size)
{
    void* block = std::malloc(size ? size : 1);
    // Without exceptions, running out of memory ends the program as an
    // uncaught std::bad_alloc would.
    if (!block) std::abort();
    // From 32 MB on, glibc gives every block a mapping of its own.
    const std::uintptr_t huge = std::uintptr_t(2) << 20;
    if (size >= std::size_t(32) << 20) {
        std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(block) + huge - 1) & ~(huge - 1);
        std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(huge - 1);
        if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
    return block;
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
