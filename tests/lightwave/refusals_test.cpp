// Files whose records, strings, indices or sizes reach outside their chunk, buffer,
// layer or file are refused: the read fails and names the chunk, the position and why.
#include <gtest/gtest.h>

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
    w.bytes = lwwLwobObject();
    ASSERT_TRUE(w.save(path));
    LwObject* o = readLwobObject(path, nullptr, nullptr);
    EXPECT_NE(o, nullptr);
    freeLwObject(o);
    w.bytes = lwwCube(0);  // readLwobObject takes LWOB only
    ASSERT_TRUE(w.save(path));
    EXPECT_EQ(readLwobObject(path, nullptr, &pos), nullptr);
    EXPECT_EQ(pos, 12);
}
