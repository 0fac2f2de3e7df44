// Big-endian input for the LightWave readers: file primitives, cursor
// primitives over a chunk held in memory, and the doubly linked lists.
//
// Every primitive adds the bytes it consumed to one process-wide count. A
// failure stores READ_ERROR there, and from then on every primitive returns 0
// (or null) without touching its input until setReadCount stores a new value.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>

struct LwEnvValue;

constexpr int32_t READ_ERROR = INT32_MIN;

// ---- failure reasons ----------------------------------------------------------
// The first refusal of a read says why, in a static text kept for lwFailReason;
// the refusals it causes further out keep it.

constexpr const char* LW_NO_MEMORY = "out of memory";
constexpr const char* LW_PAST_FILE = "cut short by the end of the file";
constexpr const char* LW_PAST_CHUNK = "record crosses the end of its chunk";

void setFailReason(const char* reason);  // only when none is set yet
void clearFailReason();
inline int refuse(const char* reason)
{
    setFailReason(reason);
    return 0;
}

extern int32_t lwReadCountValue;

inline int32_t readCount() { return lwReadCountValue; }
inline void setReadCount(int32_t value) { lwReadCountValue = value; }

// Stores READ_ERROR with its reason.
inline void readFailed(const char* reason)
{
    lwReadCountValue = READ_ERROR;
    setFailReason(reason);
}

// Adds n consumed bytes; a count that would overflow becomes READ_ERROR.
inline void addReadCount(int32_t n)
{
    int64_t total = int64_t(lwReadCountValue) + n;
    if (total > INT32_MAX) readFailed("count beyond 31 bits");
    else lwReadCountValue = int32_t(total);
}

// ---- file primitives --------------------------------------------------------

uint32_t readU1(FILE* file);
uint32_t readU2(FILE* file);
int32_t readI2(FILE* file);
uint32_t readU4(FILE* file);
int32_t readI4(FILE* file);
float readF4(FILE* file);
uint32_t readVX(FILE* file);
char* readS0(FILE* file);
unsigned char* readBytes(FILE* file, int32_t n);
// readBytes for a whole chunk: the block is released with lwFree (lwalloc.h).
unsigned char* readChunkData(FILE* file, int32_t n);
// A value and its envelope index (F4, VX).
void readEnvValue(FILE* file, LwEnvValue* v);
// The rest of a sub-chunk of `size` bytes, of which readCount are read, as an
// owned block replacing *data (none when nothing is left).
void readRest(FILE* file, int32_t size, unsigned char** data, int32_t* dataSize);

// Measures the file being read once, for bytesLeft (null when it is closed).
void setReadFile(FILE* file);
// Bytes between the file position and the end of the file.
long bytesLeft(FILE* file);
// Moves n bytes on; refuses (0, positioned at the end) to go past the end.
int skipBytes(FILE* file, long n);

// ---- cursor primitives ------------------------------------------------------

// A cursor never passes `end`: a value that would cross it is refused with
// READ_ERROR, which fails the chunk being decoded.
struct LwCursor {
    const unsigned char* at;
    const unsigned char* end;
};

inline bool cursorHas(const LwCursor* c, long n)
{
    if (lwReadCountValue == READ_ERROR) return false;
    if (c->end - c->at < n) {
        readFailed(LW_PAST_CHUNK);
        return false;
    }
    return true;
}

inline uint32_t takeU2(LwCursor* c)
{
    if (!cursorHas(c, 2)) return 0;
    uint32_t v = uint32_t(c->at[0]) << 8 | c->at[1];
    c->at += 2;
    addReadCount(2);
    return v;
}

inline int32_t takeI2(LwCursor* c) { return int16_t(uint16_t(takeU2(c))); }

inline uint32_t takeU4(LwCursor* c)
{
    if (!cursorHas(c, 4)) return 0;
    uint32_t v = uint32_t(c->at[0]) << 24 | uint32_t(c->at[1]) << 16 | uint32_t(c->at[2]) << 8 | c->at[3];
    c->at += 4;
    addReadCount(4);
    return v;
}

inline float takeF4(LwCursor* c)
{
    uint32_t bits = takeU4(c);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

inline uint32_t takeVX(LwCursor* c)
{
    if (!cursorHas(c, 2)) return 0;
    if (c->at[0] != 0xFF) {
        uint32_t v = uint32_t(c->at[0]) << 8 | c->at[1];
        c->at += 2;
        addReadCount(2);
        return v;
    }
    if (!cursorHas(c, 4)) return 0;
    uint32_t v = uint32_t(c->at[1]) << 16 | uint32_t(c->at[2]) << 8 | c->at[3];
    c->at += 4;
    addReadCount(4);
    return v;
}

char* takeS0(LwCursor* c);

// Length in bytes of the S0 string at the cursor (NUL and pad included), or
// -1 when it is not terminated before the end.
long measureS0(const LwCursor* c);

// ---- support ------------------------------------------------------------------

void swapBytes(void* data, int size, long count);

// ---- lists --------------------------------------------------------------------
// Any record whose first two fields are `next` and `prev` of its own kind;
// a list is named by its first record.

template <class T> void listAppend(T** head, T* record)
{
    if (!*head) {
        *head = record;
        return;
    }
    T* last = *head;
    while (last->next) last = last->next;
    last->next = record;
    record->prev = last;
}

// Inserts after every record that does not sort after it, so equal records
// keep their order of arrival.
template <class T> void listInsertSorted(T** head, T* record, int (*compare)(const T*, const T*))
{
    T* before = nullptr;
    T* node = *head;
    while (node && compare(node, record) <= 0) {
        before = node;
        node = node->next;
    }
    record->prev = before;
    record->next = node;
    if (node) node->prev = record;
    if (before) before->next = record;
    else *head = record;
}

template <class T> void listFree(T* head, void (*release)(T*))
{
    while (head) {
        T* next = head->next;
        release(head);
        head = next;
    }
}
