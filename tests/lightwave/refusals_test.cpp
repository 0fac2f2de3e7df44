// Files whose records, strings, indices or sizes reach outside their chunk, buffer,
// layer or file are refused: the read fails and names the chunk, the position and why.
// Below them, the file and cursor primitives: the index and string forms, and the
// sticky error count.
#include <gtest/gtest.h>

#include <cstdlib>

#include "lwtest.h"
#include "lwtext.h"
#include "test_support.h"

TEST(LwRefusals, EachNamesItsChunkAndPosition)
{
    std::vector<LwtCase> cases = lwtCases(LWT_DIR "/refusals.lwt");
    ASSERT_GT(cases.size(), 30u);
    for (const LwtCase& c : cases) {
        ASSERT_EQ(c.words.size(), 4u);
        uint32_t failId = 0;
        int32_t failPos = -1;
        LwObject* o = loadBytes(c.bytes, &failId, &failPos);
        EXPECT_EQ(o, nullptr) << c.words[0];
        freeLwObject(o);
        EXPECT_EQ(failId ? lwIdText(failId).text : "-", c.words[1]) << c.words[0];
        EXPECT_EQ(failPos, std::stoi(c.words[2])) << c.words[0];
        EXPECT_STREQ(lwFailReason(), c.words[3].c_str()) << c.words[0];
    }
}

TEST(LwRefusals, EveryPrefixOfAGoodFileFailsCleanly)
{
    for (const Bytes& whole : {lwwSampleObject(), lwwLwobObject()}) {
        LwObject* o = loadBytes(whole);
        ASSERT_NE(o, nullptr);
        freeLwObject(o);
        for (size_t n = 0; n < whole.size(); n += 3) {
            LwObject* part = loadBytes(Bytes(whole.begin(), whole.begin() + long(n)));
            EXPECT_EQ(part, nullptr) << n;
            freeLwObject(part);
        }
    }
}

TEST(LwRefusals, OtherEntries)
{
    int32_t pos = 0;
    EXPECT_EQ(readLwObject("/nonexistent/thing.lwo", nullptr, &pos), nullptr);
    EXPECT_EQ(pos, 0);  // nothing was read
    const std::string file = testFolder() + "/object.lwo";
    const char* path = file.c_str();
    LwWriter w;
    for (int lwo2Form = 0; lwo2Form < 2; ++lwo2Form) {
        w.bytes = lwo2Form ? lwwCube(0) : lwwLwobObject();
        ASSERT_TRUE(w.save(path));
        // readLwObject's own two lines name the file and its form; readLwobObject takes LWOB only.
        LwObject* o = nullptr;
        EXPECT_EQ(captureVerbose([&] { o = readLwObject(path, nullptr, nullptr); }),
                  "LwLoader[Info]:: Load " + file + " \n LightWave " + (lwo2Form ? "6" : "5") + ".xx Format \n");
        EXPECT_NE(o, nullptr);
        freeLwObject(o);
        o = readLwobObject(path, nullptr, &pos);
        EXPECT_EQ(o != nullptr, lwo2Form == 0);
        freeLwObject(o);
    }
    EXPECT_EQ(pos, 12);

    // A caller's function takes the lines instead, with their kind; null gives stdout back.
    LwwSurface s;
    s.name = "Wall";
    s.textured = true;
    s.image.projection = 5;
    s.image.vmap = "missing";
    w.bytes = lwwObject({s}, {{"", {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {{0, 1, 2, 3}}, {0}}}, {{1, "wall.png"}});
    ASSERT_TRUE(w.save(path));
    std::vector<std::pair<LwLogLevel, std::string>> lines;
    lwSetLog([](LwLogLevel level, const char* line, void* to) {
        static_cast<decltype(lines)*>(to)->emplace_back(level, line);
    }, &lines);
    EXPECT_EQ(captureVerbose([&] { freeLwObject(readLwObject(path, nullptr, nullptr)); }), "");
    lwSetLog(nullptr, nullptr);
    EXPECT_EQ(lines, (std::vector<std::pair<LwLogLevel, std::string>>{
                         {lwLogLoad, "LwLoader[Info]:: Load " + file + " "},
                         {lwLogWarning, "LwLoader[Warning]:: surface <Wall>: no UV map \"missing\", its 4 corners take (0, 0) "},
                         {lwLogLoad, " LightWave 6.xx Format "}}));
    EXPECT_NE(captureVerbose([&] { freeLwObject(readLwObject(path, nullptr, nullptr)); }), "");
}

namespace {
std::string owned(char* s)
{
    std::string r = s ? s : "(none)";
    std::free(s);
    return r;
}
}  // namespace

TEST(LwPrimitives, IndicesAndStringsFromFileAndCursor)
{
    const Bytes b = {0x00, 0x05, 0xFF, 0x01, 0x02, 0x03, 'a', 'b', 'c', 0, 'a', 'b', 0, 'x', 0, 0, 'z', 0};
    MemFile m(b);
    LwCursor c = {b.data(), b.data() + b.size()};
    setReadCount(0);
    EXPECT_EQ(readVX(m.file), 5u);
    EXPECT_EQ(takeVX(&c), 5u);
    EXPECT_EQ(readCount(), 4);
    EXPECT_EQ(readVX(m.file), 0x010203u);
    EXPECT_EQ(takeVX(&c), 0x010203u);
    EXPECT_EQ(readCount(), 12);
    for (const char* expect : {"abc", "ab", "(none)", "z"}) {  // padded to even length; empty is none
        EXPECT_EQ(owned(readS0(m.file)), expect);
        EXPECT_EQ(owned(takeS0(&c)), expect);
    }
    const unsigned char f[] = {0xBE, 0x80, 0, 0, 0xFF, 0xFE, 0x12, 0x34, 0x56, 0x78};
    LwCursor fc = {f, f + sizeof f};
    EXPECT_EQ(takeF4(&fc), -0.25f);
    EXPECT_EQ(takeI2(&fc), -2);
    EXPECT_EQ(takeU4(&fc), 0x12345678u);
    EXPECT_EQ(readCount(), 46);
    EXPECT_EQ(c.at, c.end);
    EXPECT_EQ(readU1(m.file), 0u);  // the end
    EXPECT_EQ(readCount(), READ_ERROR);
}

TEST(LwPrimitives, ValuesCrossingTheEndAreRefused)
{
    const Bytes cases[] = {{0xFF, 0x01, 0x02}, {'a', 'b', 'c', 'd'}, {'a', 'b', 0}};
    for (int i = 0; i < 3; ++i) {
        const Bytes& b = cases[i];
        MemFile m(b);
        LwCursor c = {b.data(), b.data() + b.size()};
        setReadCount(0);
        if (i == 0) EXPECT_EQ(takeVX(&c), 0u);
        else EXPECT_EQ(takeS0(&c), nullptr);  // the NUL or its pad byte lies past the end
        EXPECT_EQ(readCount(), READ_ERROR) << i;
        EXPECT_EQ(c.at, b.data()) << i;
        setReadCount(0);
        if (i == 0) EXPECT_EQ(readVX(m.file), 0u);
        else EXPECT_EQ(readS0(m.file), nullptr);
        EXPECT_EQ(readCount(), READ_ERROR) << i;
    }
}

TEST(LwPrimitives, ErrorIsStickyUntilReset)
{
    MemFile m({0x12, 0x34, 0xFF, 0xFE, 0xFE, 0xFF, 0xFF, 0x00, 0x9A});
    setReadCount(0);
    EXPECT_EQ(readU4(m.file), 0x1234FFFEu);
    EXPECT_EQ(readBytes(m.file, 7), nullptr);  // more than the file holds: refused, at the end
    EXPECT_EQ(readCount(), READ_ERROR);
    EXPECT_EQ(std::ftell(m.file), 9);
    std::fseek(m.file, 2, SEEK_SET);
    EXPECT_EQ(readU2(m.file), 0u);  // reads nothing
    EXPECT_EQ(readS0(m.file), nullptr);
    EXPECT_EQ(std::ftell(m.file), 2);
    setReadCount(0);
    EXPECT_EQ(readI2(m.file), -2);
    EXPECT_EQ(readI4(m.file), int32_t(0xFEFFFF00));
    EXPECT_EQ(readCount(), 6);
    EXPECT_EQ(readBytes(m.file, -1), nullptr);
    EXPECT_EQ(readCount(), READ_ERROR);
    setReadCount(0);
    std::fseek(m.file, 7, SEEK_SET);
    unsigned char* rest = readBytes(m.file, 2);
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest[1], 0x9A);
    EXPECT_EQ(readCount(), 2);
    std::free(rest);
    EXPECT_EQ(readU2(m.file), 0u);
    EXPECT_EQ(readCount(), READ_ERROR);
}
