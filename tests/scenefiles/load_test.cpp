// The LightWave scene subset's line and motion readers, and the loading
// entry's name handling and file box.
#include "support.h"

#include <cstring>

#include "platform.h"
#include "toolkit.h"

namespace {

using LoadingEntry = SceneFilesTest;

FILE* textFile(const std::string& content)
{
    FILE* f = std::tmpfile();
    std::fwrite(content.data(), 1, content.size(), f);
    std::rewind(f);
    return f;
}


TEST(ReadRestOfLine, SpacesLineEndsAndLimits)
{
    FILE* f = textFile("   Objets\\a b.lwo\r\nnext line\n\nafter empty\nabcdefghij");
    char buf[64], small[5];
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 14);
    EXPECT_STREQ(buf, "Objets\\a b.lwo");
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 9);
    EXPECT_STREQ(buf, "next line");
    // At a line end the first character is taken whatever it is.
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 12);
    EXPECT_STREQ(buf, "\nafter empty");
    // The buffer's size less one; the rest stays in the file.
    EXPECT_EQ(readRestOfLine(f, small, sizeof small), 4);
    EXPECT_STREQ(small, "abcd");
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 6);
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    std::fclose(f);
}

TEST(ReadMotionBlock, RowsCountsAndRefusals)
{
    int32_t keys = -1, length = -1;
    FILE* f = textFile("6 2\n1 2 3 4 5 6\n0 0 0 0 0\n7 8 9 10 11 12 25.9 0 0 0 0\n");
    float* rows = readMotionBlock(f, &keys, &length);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(keys, 2);
    EXPECT_EQ(length, 11);
    EXPECT_FLOAT_EQ(rows[0], 1.0f);
    EXPECT_FLOAT_EQ(rows[11 + 5], 12.0f);
    EXPECT_FLOAT_EQ(rows[11 + 6], 25.9f);
    std::free(rows);
    std::fclose(f);
    for (const char* text : {"0 3 1 2 3", "9 0", "9 -1", "9 2 1 2 3", "", "x y", "9 99999999"}) {
        f = textFile(text);
        EXPECT_EQ(readMotionBlock(f, &keys, &length), nullptr) << text;
        std::fclose(f);
    }
}

TEST_F(LoadingEntry, NameIsRewrittenWithSlashes)
{
    write("sub/cam.lws", "LWSC 3 " + cameraKey(4));
    std::string name = dir + "\\sub\\cam.lws";
    scene->load(&name[0]);
    EXPECT_EQ(name, dir + "/sub/cam.lws");
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{4}));
}

std::vector<std::string> boxNames;
std::string boxDirectory;

int fakeBox(OPENFILENAMEA* box)
{
    std::string out = boxDirectory + '\0';
    box->nFileOffset = static_cast<uint16_t>(out.size());
    for (const std::string& n : boxNames) out += n + '\0';
    out += '\0';
    std::memcpy(box->lpstrFile, out.data(), out.size());
    return 1;
}

TEST_F(LoadingEntry, ChosenFilesLoadInOrderUntilASceneFile)
{
    write("a.lws", "LWSC 3 " + cameraKey(3));
    write("b.pof", "Pomo_Object_File Version: 3 <name_selection> 'camera' <keyframe> 9 <pos> 1 1 1 <ang> 0 0 0 <end>");
    write("c.lws", "LWSC 3 " + cameraKey(20));
    boxDirectory = dir;
    boxNames = {"c.lws", "b.pof", "a.lws"};
    openFileDialogHook = fakeBox;
    std::string out = reports([&] { EXPECT_TRUE(scene->load(nullptr)); });
    openFileDialogHook = nullptr;
    EXPECT_NE(out.find("<Vordelle3DV4.1load of...>"), std::string::npos);
    EXPECT_NE(out.find("<Vordelle3DV4.1...selected file>"), std::string::npos);
    // a.lws, then b.pof whose reading ends the list: c.lws is never read.
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{3, 9}));

    openFileDialogHook = [](OPENFILENAMEA*) { return 0; };
    out = reports([&] { EXPECT_FALSE(scene->load(nullptr)); });
    openFileDialogHook = nullptr;
    EXPECT_NE(out.find("'default.bmp' Fichier Inexistant"), std::string::npos);  // a cancelled box
}

}  // namespace
