// Binary primitives, the sticky error count and the lists.
#include <gtest/gtest.h>

#include <cstdlib>

#include "lwtest.h"

static std::vector<unsigned char> bytesOf(std::initializer_list<int> b)
{
    std::vector<unsigned char> v;
    for (int x : b) v.push_back(static_cast<unsigned char>(x));
    return v;
}

TEST(LwPrimitives, VariableLengthIndexInBothForms)
{
    MemFile m(bytesOf({0x00, 0x05, 0xFF, 0x01, 0x02, 0x03}));
    setReadCount(0);
    EXPECT_EQ(readVX(m.file), 5u);
    EXPECT_EQ(readCount(), 2);
    EXPECT_EQ(readVX(m.file), 0x010203u);
    EXPECT_EQ(readCount(), 6);

    std::vector<unsigned char> b = bytesOf({0xFE, 0xFF, 0xFF, 0x12, 0x34, 0x56});
    LwCursor c = {b.data(), b.data() + b.size()};
    setReadCount(0);
    EXPECT_EQ(takeVX(&c), 0xFEFFu);
    EXPECT_EQ(takeVX(&c), 0x123456u);
    EXPECT_EQ(readCount(), 6);
    EXPECT_EQ(c.at, c.end);
}

TEST(LwPrimitives, VariableLengthIndexMeetingTheEnd)
{
    MemFile m(bytesOf({0xFF, 0x01, 0x02}));
    setReadCount(0);
    EXPECT_EQ(readVX(m.file), 0u);
    EXPECT_EQ(readCount(), READ_ERROR);

    std::vector<unsigned char> b = bytesOf({0xFF, 0x01, 0x02});
    LwCursor c = {b.data(), b.data() + b.size()};
    setReadCount(0);
    EXPECT_EQ(takeVX(&c), 0u);
    EXPECT_EQ(readCount(), READ_ERROR);
    EXPECT_EQ(c.at, b.data());  // nothing consumed
}

TEST(LwPrimitives, StringsArePaddedToEvenLength)
{
    MemFile m(bytesOf({'a', 'b', 'c', 0, 'a', 'b', 0, 'x', 0, 0, 'z', 0}));
    setReadCount(0);
    char* s = readS0(m.file);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "abc");
    EXPECT_EQ(readCount(), 4);
    std::free(s);
    s = readS0(m.file);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "ab");
    EXPECT_EQ(readCount(), 8);
    std::free(s);
    EXPECT_EQ(readS0(m.file), nullptr);  // empty string and its pad
    EXPECT_EQ(readCount(), 10);
    s = readS0(m.file);
    EXPECT_STREQ(s, "z");
    std::free(s);
    EXPECT_EQ(readCount(), 12);

    std::vector<unsigned char> b = bytesOf({'a', 'b', 0, 'p', 0, 0, 'q', 'r', 's', 0});
    LwCursor c = {b.data(), b.data() + b.size()};
    setReadCount(0);
    s = takeS0(&c);
    EXPECT_STREQ(s, "ab");
    std::free(s);
    EXPECT_EQ(takeS0(&c), nullptr);
    EXPECT_EQ(readCount(), 6);
    s = takeS0(&c);
    EXPECT_STREQ(s, "qrs");
    std::free(s);
    EXPECT_EQ(readCount(), 10);
}

TEST(LwPrimitives, StringCrossingTheBufferIsRefused)
{
    std::vector<unsigned char> b = bytesOf({'a', 'b', 'c', 'd'});
    LwCursor c = {b.data(), b.data() + b.size()};
    setReadCount(0);
    EXPECT_EQ(takeS0(&c), nullptr);
    EXPECT_EQ(readCount(), READ_ERROR);
    // The NUL is inside but its pad byte is not.
    b = bytesOf({'a', 'b', 0});
    c = {b.data(), b.data() + b.size()};
    setReadCount(0);
    EXPECT_EQ(takeS0(&c), nullptr);
    EXPECT_EQ(readCount(), READ_ERROR);
    // Unterminated in a file: the end of the file comes first.
    MemFile m(bytesOf({'a', 'b', 'c'}));
    setReadCount(0);
    EXPECT_EQ(readS0(m.file), nullptr);
    EXPECT_EQ(readCount(), READ_ERROR);
}

TEST(LwPrimitives, ErrorIsStickyUntilReset)
{
    MemFile m(bytesOf({0x12, 0x34, 0x56, 0x78, 0x9A}));
    setReadCount(0);
    EXPECT_EQ(readU4(m.file), 0x12345678u);
    EXPECT_EQ(readU2(m.file), 0u);  // one byte left
    EXPECT_EQ(readCount(), READ_ERROR);
    std::fseek(m.file, 0, SEEK_SET);
    EXPECT_EQ(readU4(m.file), 0u);  // does not read
    EXPECT_EQ(std::ftell(m.file), 0);
    EXPECT_EQ(readS0(m.file), nullptr);
    EXPECT_EQ(readBytes(m.file, 2), nullptr);
    setReadCount(0);
    EXPECT_EQ(readU2(m.file), 0x1234u);
    EXPECT_EQ(readI2(m.file), int16_t(0x5678));
    EXPECT_EQ(readU1(m.file), 0x9Au);
    EXPECT_EQ(readCount(), 5);
    EXPECT_EQ(readU1(m.file), 0u);
    EXPECT_EQ(readCount(), READ_ERROR);
}

TEST(LwPrimitives, SignedAndFloatValues)
{
    LwWriter w;
    w.i2(-2);
    w.i4(-70000);
    w.f4(1.5f);
    w.f4(-0.25f);
    MemFile m(w.bytes);
    setReadCount(0);
    EXPECT_EQ(readI2(m.file), -2);
    EXPECT_EQ(readI4(m.file), -70000);
    EXPECT_EQ(readF4(m.file), 1.5f);
    LwCursor c = {w.bytes.data() + 10, w.bytes.data() + 14};
    EXPECT_EQ(takeF4(&c), -0.25f);
    EXPECT_EQ(readCount(), 14);
    c = {w.bytes.data(), w.bytes.data() + 2};
    EXPECT_EQ(takeI2(&c), -2);
}

TEST(LwPrimitives, ReadBytesRefusesNegativeAndOversizedCounts)
{
    MemFile m(bytesOf({1, 2, 3, 4}));
    setReadCount(0);
    EXPECT_EQ(readBytes(m.file, -1), nullptr);
    EXPECT_EQ(readCount(), READ_ERROR);
    setReadCount(0);
    // More than the file holds: refused without allocating, at the end.
    EXPECT_EQ(readBytes(m.file, 0x7FFFFFF0), nullptr);
    EXPECT_EQ(readCount(), READ_ERROR);
    EXPECT_EQ(std::ftell(m.file), 4);
    std::fseek(m.file, 1, SEEK_SET);
    setReadCount(0);
    unsigned char* b = readBytes(m.file, 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b[0], 2);
    EXPECT_EQ(b[2], 4);
    EXPECT_EQ(readCount(), 3);
    std::free(b);
}

TEST(LwPrimitives, SwapBytesReversesEachElement)
{
    unsigned char b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    swapBytes(b, 4, 2);
    EXPECT_EQ(0, std::memcmp(b, "\x04\x03\x02\x01\x08\x07\x06\x05", 8));
    swapBytes(b, 2, 4);
    EXPECT_EQ(0, std::memcmp(b, "\x03\x04\x01\x02\x07\x08\x05\x06", 8));
}

namespace {
struct Key {
    Key* next;
    Key* prev;
    int time;
    int tag;
};
int byTime(const Key* a, const Key* b) { return a->time < b->time ? -1 : a->time > b->time ? 1 : 0; }
int released = 0;
void release(Key* k)
{
    ++released;
    delete k;
}
}  // namespace

TEST(LwLists, SortedInsertionKeepsEqualKeysInArrivalOrder)
{
    Key* head = nullptr;
    int times[] = {0, 10, 5, 10, -1};
    for (int i = 0; i < 5; ++i) listInsertSorted(&head, new Key{nullptr, nullptr, times[i], i}, byTime);
    int expectTime[] = {-1, 0, 5, 10, 10};
    int expectTag[] = {4, 0, 2, 1, 3};
    Key* k = head;
    Key* last = nullptr;
    for (int i = 0; i < 5; ++i, last = k, k = k->next) {
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k->time, expectTime[i]);
        EXPECT_EQ(k->tag, expectTag[i]);
        EXPECT_EQ(k->prev, last);
    }
    EXPECT_EQ(k, nullptr);
    released = 0;
    listFree(head, release);
    EXPECT_EQ(released, 5);
}

TEST(LwLists, AppendLinksBothWays)
{
    Key* head = nullptr;
    Key* a = new Key{nullptr, nullptr, 1, 0};
    Key* b = new Key{nullptr, nullptr, 2, 0};
    Key* c = new Key{nullptr, nullptr, 3, 0};
    listAppend(&head, a);
    listAppend(&head, b);
    listAppend(&head, c);
    EXPECT_EQ(head, a);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(c->prev, b);
    EXPECT_EQ(c->next, nullptr);
    released = 0;
    listFree(head, release);
    EXPECT_EQ(released, 3);
    listFree<Key>(nullptr, release);
    EXPECT_EQ(released, 3);
}
