// Big-endian file and cursor primitives sharing one sticky byte count.
#include "lwio.h"

#include <cstdlib>

#include "lightwave.h"
#include "lwalloc.h"

int32_t lwReadCountValue = 0;
static const char* failReason = nullptr;

void setFailReason(const char* reason)
{
    if (!failReason) failReason = reason;
}

void clearFailReason() { failReason = nullptr; }

const char* lwFailReason() { return failReason; }

static bool failed() { return lwReadCountValue == READ_ERROR; }

static uint32_t fail(const char* reason = LW_PAST_FILE)
{
    readFailed(reason);
    return 0;
}

// Reads n (at most 4) bytes with one block read into a big-endian value.
static uint32_t readFixed(FILE* file, int n)
{
    if (failed()) return 0;
    unsigned char b[4];
    if (std::fread(b, 1, size_t(n), file) != size_t(n)) return fail();
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | b[i];
    addReadCount(n);
    return v;
}

uint32_t readU1(FILE* file)
{
    if (failed()) return 0;
    int c = std::getc(file);
    if (c == EOF) return fail();
    addReadCount(1);
    return uint32_t(c);
}

uint32_t readU2(FILE* file) { return readFixed(file, 2); }
int32_t readI2(FILE* file) { return int16_t(uint16_t(readFixed(file, 2))); }
uint32_t readU4(FILE* file) { return readFixed(file, 4); }
int32_t readI4(FILE* file) { return int32_t(readFixed(file, 4)); }

float readF4(FILE* file)
{
    uint32_t bits = readFixed(file, 4);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

uint32_t readVX(FILE* file)
{
    if (failed()) return 0;
    int b0 = std::getc(file);
    int b1 = std::getc(file);
    if (b0 == EOF || b1 == EOF) return fail();
    if (b0 != 0xFF) {
        addReadCount(2);
        return uint32_t(b0) << 8 | uint32_t(b1);
    }
    int b2 = std::getc(file);
    int b3 = std::getc(file);
    if (b2 == EOF || b3 == EOF) return fail();
    addReadCount(4);
    return uint32_t(b1) << 16 | uint32_t(b2) << 8 | uint32_t(b3);
}

char* readS0(FILE* file)
{
    if (failed()) return nullptr;
    long start = std::ftell(file);
    if (start < 0) {
        fail();
        return nullptr;
    }
    long i = 0;
    for (;;) {
        int c = std::getc(file);
        if (c == EOF) {
            fail("string without its NUL before the end of the file");
            return nullptr;
        }
        ++i;
        if (c == 0) break;
    }
    if (i == 1) {
        if (std::fseek(file, start + 2, SEEK_SET) != 0) {
            fail();
            return nullptr;
        }
        addReadCount(2);
        return nullptr;
    }
    long n = i + (i & 1);
    char* s = static_cast<char*>(std::malloc(size_t(n)));
    if (!s || std::fseek(file, start, SEEK_SET) != 0 || std::fread(s, 1, size_t(n), file) != size_t(n)) {
        fail(s ? LW_PAST_FILE : LW_NO_MEMORY);
        std::free(s);
        return nullptr;
    }
    s[n - 1] = 0;  // the pad byte of an odd string may be anything
    addReadCount(int32_t(n));
    return s;
}

static FILE* sizedFile = nullptr;
static long sizedEnd = 0;

static long fileEnd(FILE* file)
{
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(file);
    return std::fseek(file, here, SEEK_SET) == 0 ? end : -1;
}

void setReadFile(FILE* file)
{
    sizedFile = file;
    sizedEnd = file ? fileEnd(file) : 0;
}

long bytesLeft(FILE* file)
{
    long here = std::ftell(file);
    long end = file == sizedFile ? sizedEnd : fileEnd(file);
    return here < 0 || end < here ? 0 : end - here;
}

int skipBytes(FILE* file, long n)
{
    if (n < 0) return refuse("negative size");
    if (n == 0) return 1;
    if (n > bytesLeft(file)) {
        std::fseek(file, 0, SEEK_END);
        return refuse("size beyond the end of the file");
    }
    return std::fseek(file, n, SEEK_CUR) == 0 || refuse(LW_PAST_FILE);
}

// n bytes into a block from `alloc`. Never allocates more than the file can
// still give: a size field that lies is found before the allocation.
template <class Alloc, class Release>
static unsigned char* readBlock(FILE* file, int32_t n, Alloc alloc, Release release)
{
    if (failed()) return nullptr;
    if (n < 0 || n > bytesLeft(file)) {
        if (n >= 0) std::fseek(file, 0, SEEK_END);
        fail(n < 0 ? "negative size" : "size beyond the end of the file");
        return nullptr;
    }
    unsigned char* data = static_cast<unsigned char*>(alloc(size_t(n)));
    if (!data || std::fread(data, 1, size_t(n), file) != size_t(n)) {
        fail(data ? LW_PAST_FILE : LW_NO_MEMORY);
        release(data);
        return nullptr;
    }
    addReadCount(n);
    return data;
}

unsigned char* readBytes(FILE* file, int32_t n)
{
    return readBlock(
        file, n, [](size_t size) { return std::malloc(size > 0 ? size : 1); }, [](void* p) { std::free(p); });
}

unsigned char* readChunkData(FILE* file, int32_t n)
{
    return readBlock(
        file, n, [](size_t size) { return lwAlloc(size, 1); }, [](void* p) { lwFree(p); });
}

void readEnvValue(FILE* file, LwEnvValue* v)
{
    v->value = readF4(file);
    v->envelope = int32_t(readVX(file));
}

void readRest(FILE* file, int32_t size, unsigned char** data, int32_t* dataSize)
{
    if (readCount() < 0) return;
    int32_t n = size - readCount();
    std::free(*data);
    *data = nullptr;
    *dataSize = 0;
    if (n < 0) return readFailed("field runs past its sub-chunk");
    if (n == 0) return;
    *data = readBytes(file, n);
    if (*data) *dataSize = n;
}

long measureS0(const LwCursor* c)
{
    const void* nul = std::memchr(c->at, 0, size_t(c->end - c->at));
    if (!nul) return -1;
    long i = static_cast<const unsigned char*>(nul) - c->at + 1;
    return i + (i & 1);
}

char* takeS0(LwCursor* c)
{
    if (failed()) return nullptr;
    long n = measureS0(c);
    // A string whose NUL or pad byte lies past the buffer is refused.
    if (n < 0 || n > c->end - c->at) {
        fail("string crosses the end of its chunk");
        return nullptr;
    }
    if (c->at[0] == 0) {
        c->at += 2;
        addReadCount(2);
        return nullptr;
    }
    char* s = static_cast<char*>(std::malloc(size_t(n)));
    if (!s) {
        fail(LW_NO_MEMORY);
        return nullptr;
    }
    std::memcpy(s, c->at, size_t(n));
    c->at += n;
    addReadCount(int32_t(n));
    return s;
}

void swapBytes(void* data, int size, long count)
{
    unsigned char* p = static_cast<unsigned char*>(data);
    if (size == 4) {
        for (long i = 0; i < count; ++i, p += 4) {
            uint32_t v;
            std::memcpy(&v, p, 4);
            v = __builtin_bswap32(v);
            std::memcpy(p, &v, 4);
        }
        return;
    }
    for (long i = 0; i < count; ++i, p += size) {
        for (int a = 0, b = size - 1; a < b; ++a, --b) {
            unsigned char t = p[a];
            p[a] = p[b];
            p[b] = t;
        }
    }
}
