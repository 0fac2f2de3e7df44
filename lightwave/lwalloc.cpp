// Array allocation with a small header: small arrays come from malloc, large
// ones from their own mapping with a huge-page hint.
#include "lwalloc.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

const size_t headerSize = 64;  // keeps the arrays 64-byte aligned
const size_t hugePage = size_t(2) << 20;

struct Header {
    void* mapping;       // null for a malloc block
    size_t mappedBytes;
    size_t bytes;
};

#if defined(__SANITIZE_ADDRESS__)
const size_t mapThreshold = SIZE_MAX;  // keep every array visible to the sanitizer
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
const size_t mapThreshold = SIZE_MAX;
#else
const size_t mapThreshold = size_t(4) << 20;
#endif
#else
const size_t mapThreshold = size_t(4) << 20;
#endif

Header* headerOf(void* array) { return reinterpret_cast<Header*>(static_cast<char*>(array) - headerSize); }

}  // namespace

void* lwAlloc(size_t count, size_t size)
{
    if (size != 0 && count > (SIZE_MAX - 3 * hugePage) / size) return nullptr;
    size_t bytes = count * size;
    if (bytes < mapThreshold) {
        char* block = static_cast<char*>(std::calloc(1, headerSize + bytes));
        if (!block) return nullptr;
        Header* h = reinterpret_cast<Header*>(block);
        h->mapping = nullptr;
        h->bytes = bytes;
        return block + headerSize;
    }
    // The array starts on a huge-page boundary, its header just before.
    size_t mapped = bytes + 3 * hugePage;
    void* mapping = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    uintptr_t start = (reinterpret_cast<uintptr_t>(mapping) + headerSize + hugePage - 1) & ~(hugePage - 1);
    char* array = reinterpret_cast<char*>(start);
    madvise(array, (bytes + hugePage - 1) & ~(hugePage - 1), MADV_HUGEPAGE);
    Header* h = headerOf(array);
    h->mapping = mapping;
    h->mappedBytes = mapped;
    h->bytes = bytes;
    return array;
}

void* lwGrow(void* array, size_t oldCount, size_t newCount, size_t size)
{
    if (!array) return lwAlloc(newCount, size);
    if (newCount <= oldCount) return array;
    void* grown = lwAlloc(newCount, size);
    if (!grown) return nullptr;
    std::memcpy(grown, array, oldCount * size);
    lwFree(array);
    return grown;
}

void lwFree(void* array)
{
    if (!array) return;
    Header* h = headerOf(array);
    if (h->mapping) munmap(h->mapping, h->mappedBytes);
    else std::free(h);
}
