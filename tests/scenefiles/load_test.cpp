// The loading entry and the LightWave scene subset, on files that need no object.
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

// One LightWave motion key: nine channels, then frame and four spline values.
std::string motionKey(float x, float y, float z, float h, float p, float b, int frame)
{
    char row[256];
    std::snprintf(row, sizeof row, "%g %g %g %g %g %g 1 1 1\n%d 0 0 0 0\n", x, y, z, h, p, b, frame);
    return row;
}

TEST(ReadRestOfLine, SpacesLineEndsAndLimits)
{
    FILE* f = textFile("   Objets\\a b.lwo\r\nnext line\n\nafter empty\nabcdefghij");
    char buf[64];
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 14);
    EXPECT_STREQ(buf, "Objets\\a b.lwo");
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 9);
    EXPECT_STREQ(buf, "next line");
    // At a line end the first character is taken whatever it is.
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 12);
    EXPECT_STREQ(buf, "\nafter empty");
    // The buffer's size less one; the rest stays in the file.
    char small[5];
    EXPECT_EQ(readRestOfLine(f, small, sizeof small), 4);
    EXPECT_STREQ(small, "abcd");
    EXPECT_EQ(readRestOfLine(f, buf, sizeof buf), 6);
    EXPECT_STREQ(buf, "efghij");
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

    const char* bad[] = {"0 3 1 2 3", "9 0", "9 -1", "9 2 1 2 3", "", "x y", "9 99999999"};
    for (const char* text : bad) {
        f = textFile(text);
        EXPECT_EQ(readMotionBlock(f, &keys, &length), nullptr) << text;
        std::fclose(f);
    }
}

TEST_F(LoadingEntry, MissingFileAndBackslashes)
{
    std::string out = captureReports([&] { EXPECT_FALSE(load(dir + "/absent.lwo")); });
    EXPECT_NE(out.find("Attention, <Vordelle3DV4.1 '" + dir + "/absent.lwo' Fichier Inexistant>"), std::string::npos) << out;

    write("sub/cam.pof", "Pomo_Object_File Version: 3 <name_selection> 'camera' <keyframe> 4 <pos> 1 2 3 <ang> 0 0 0\n");
    std::string name = dir + "\\sub\\cam.pof";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back(0);
    scene->load(buffer.data());
    EXPECT_STREQ(buffer.data(), (dir + "/sub/cam.pof").c_str());
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{4}));
}

TEST_F(LoadingEntry, FirstWordChoosesTheReader)
{
    std::string pof = write("a.pof", "Pomo_Object_File Version: 3 <name_selection> 'camera' <keyframe> 2 <pos> 1 1 1 <ang> 0 0 0 <end>");
    std::string out = captureReports([&] { EXPECT_TRUE(load(pof)); });
    EXPECT_NE(out.find("<Vordelle3DV4.1Pomo_Object_File>"), std::string::npos);
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{2}));
    resetSceneFileState();
    scene->recordPending = 0;

    std::string lws = write("b.lws", "LWSC\n3\nCameraMotion (unnamed)\n9\n1\n" + motionKey(5, 0, 0, 0, 0, 0, 0));
    out = captureReports([&] { EXPECT_TRUE(load(lws)); });
    EXPECT_NE(out.find("<Vordelle3DV4.1Chargement d'une scene en cours>"), std::string::npos);
    EXPECT_NE(out.find("<Vordelle3DV4.1fin de chargement>"), std::string::npos);
    // One key at frame 0: the last frame is 0.
    EXPECT_EQ(scene->camera->player->lastFrame, 0);
    EXPECT_FLOAT_EQ(scene->camera->player->frames[0].position[0], 5.0f);

    std::string text = write("c.txt", "nothing of the kind\n");
    int32_t before = scene->objectCount;
    out = captureReports([&] { EXPECT_FALSE(load(text)); });
    EXPECT_NE(out.find("<Vordelle3DV4.1nothing>"), std::string::npos);
    EXPECT_NE(out.find("<Vordelle3DV4.1Format non supporte en tant qu'objet ou scene>"), std::string::npos);
    EXPECT_EQ(scene->objectCount, before);

    std::string empty = write("d.lwo", "");
    EXPECT_FALSE(load(empty));
}

TEST_F(LoadingEntry, LightWaveSceneGoesOnAfterAMissingObject)
{
    std::string lws = write("scene.lws",
                            "LWSC\n3\n\nFirstFrame 1\nLastFrame 60\nPreviewFirstFrame 0\nPreviewLastFrame 60\n"
                            "LoadObject " + dir + "\\Objets\\missing.lwo\n"
                            "ShowObject 6 7\n"
                            "ObjectMotion (unnamed)\n9\n2\n" + motionKey(1, 2, 3, 10, 20, 30, 0) + motionKey(4, 5, 6, 0, 0, 90, 30) +
                            "EndBehavior 1\n");
    std::string out = captureReports([&] { EXPECT_TRUE(load(lws)); });
    EXPECT_NE(out.find("Attention, <Vordelle3DV4.1 -->> Chargement Objet IMPOSSIBLE <<-->"), std::string::npos) << out;
    EXPECT_NE(out.find("<Vordelle3DV4.1" + dir + "/Objets/missing.lwo>"), std::string::npos);
    EXPECT_NE(out.find("Attention, <Vordelle3DV4.1Lock keyframes>"), std::string::npos);
    // No object loaded, so the motion moves the camera.
    KeyframePlayer* p = scene->camera->player;
    EXPECT_EQ(keyFramesOf(p), (std::vector<int>{0, 30}));
    EXPECT_FLOAT_EQ(p->frames[30].position[2], 6.0f);
    EXPECT_FLOAT_EQ(p->frames[30].angles[2], 90.0f);
    EXPECT_FLOAT_EQ(p->frames[0].angles[1], 20.0f);
    EXPECT_NEAR(p->frames[15].position[0], 1.0f + 3.0f * 14 / 29, 1e-4f);  // built
}

TEST_F(LoadingEntry, MalformedMotionsAndMissingTarget)
{
    std::string lws = write("bad.lws", "LWSC 3 CameraMotion cam 9 0 CameraMotion cam 6 2 1 2 3 4 5 6 0 0 0 0 0 1 2");
    std::string out = captureReports([&] { EXPECT_TRUE(load(lws)); });
    EXPECT_NE(out.find("Attention, <Vordelle3DV4.1Pas de keyframes>"), std::string::npos);
    EXPECT_EQ(scene->camera->player->lastFrame, 1);
    EXPECT_EQ(keyFramesOf(scene->camera->player), std::vector<int>{});

    // Without a camera the block is left in the file and read as words.
    SceneObject* camera = scene->camera;
    scene->camera = nullptr;
    std::string orphan = write("orphan.lws", "LWSC 3 CameraMotion cam 9 1 1 1 1 0 0 0 1 1 1 5 0 0 0 0\n");
    out = captureReports([&] { EXPECT_TRUE(load(orphan)); });
    scene->camera = camera;
    EXPECT_NE(out.find("Attention, <Vordelle3DV4.1L'objet n'a pas pu etre alloue>"), std::string::npos);
    EXPECT_EQ(scene->camera->player->lastFrame, 1);
}

TEST_F(LoadingEntry, SceneFileInsideASceneFileIsRefused)
{
    std::string inner = write("inner.pof", "Pomo_Object_File Version: 3 <name_selection> 'camera' <keyframe> 50 <pos> 9 9 9 <ang> 9 9 9 <end>");
    std::string outer = write("outer.pof",
                              "Pomo_Object_File Version: 3\n<load_object> '" + inner + "'\n"
                              "<name_selection> 'camera' <keyframe> 5 <pos> 1 1 1 <ang> 0 0 0\n");
    std::string out = captureReports([&] { EXPECT_FALSE(load(outer)); });
    EXPECT_NE(out.find("Fichier scene dans un fichier scene, refuse"), std::string::npos) << out;
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{5}));
    EXPECT_EQ(sceneFile, nullptr);
    EXPECT_EQ(scene->listsCompiled, 1);

    // The same through a LightWave scene named by a version 4 group.
    std::string lws = write("via.lws", "LWSC 3\nLoadObject " + inner + "\n");
    std::string outer4 = write("outer4.pof",
                               "Pomo_Object_File Version: 4 <scene_bloc>\n<load_object> '" + lws + "' </load_object>\n"
                               "<name_selection> 'camera' <keyframe> 6 <pos> 1 1 1 <ang> 0 0 0 </scene_bloc>\n");
    delete scene;
    scene = new Scene();
    EXPECT_TRUE(load(outer4));
    // The group added no object, so the reading finished there.
    EXPECT_EQ(keyFramesOf(scene->camera->player), std::vector<int>{});
    EXPECT_EQ(sceneFile, nullptr);
}

TEST_F(LoadingEntry, LightWaveSceneNamingItselfEnds)
{
    std::string self = path("self.lws");
    write("self.lws", "LWSC 3\nLoadObject " + self + "\nCameraMotion c 6 1 1 1 1 0 0 0 7 0 0 0 0\n");
    std::string out = captureReports([&] { EXPECT_TRUE(load(self)); });
    EXPECT_NE(out.find("<Vordelle3DV4.1 '" + self + "' Scene Lightwave deja en cours de lecture, refuse>"), std::string::npos);
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{7}));

    // A chain of distinct scenes ends at the nesting limit.
    for (int i = 0; i < maxLoadNesting + 2; ++i)
        write("chain" + std::to_string(i) + ".lws",
              "LWSC 3\nLoadObject " + path("chain" + std::to_string(i + 1) + ".lws") + "\nCameraMotion c 6 1 0 0 0 0 0 0 " +
                  std::to_string(i) + " 0 0 0 0\n");
    out = captureReports([&] { EXPECT_TRUE(load(path("chain0.lws"))); });
    EXPECT_NE(out.find("chain" + std::to_string(maxLoadNesting) + ".lws' Scenes Lightwave trop imbriquees, refuse>"),
              std::string::npos);
    // Every scene of the chain that was read gave the camera its key, the deepest first.
    EXPECT_EQ(scene->camera->player->lastFrame, 0);
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{0}));
}

std::vector<std::string> boxNames;
std::string boxDirectory;

int fakeBox(OPENFILENAMEA* box)
{
    std::string out = boxDirectory;
    out += '\0';
    box->nFileOffset = static_cast<uint16_t>(out.size());
    for (const std::string& n : boxNames) {
        out += n;
        out += '\0';
    }
    out += '\0';
    std::memcpy(box->lpstrFile, out.data(), out.size());
    return 1;
}

TEST_F(LoadingEntry, ChosenFilesLoadInOrderUntilASceneFile)
{
    write("a.lws", "LWSC 3 CameraMotion c 6 1 0 0 0 0 0 0 3 0 0 0 0\n");
    write("b.pof", "Pomo_Object_File Version: 3 <name_selection> 'camera' <keyframe> 9 <pos> 1 1 1 <ang> 0 0 0 <end>");
    write("c.lws", "LWSC 3 CameraMotion c 6 1 0 0 0 0 0 0 20 0 0 0 0\n");
    boxDirectory = dir;
    boxNames = {"c.lws", "b.pof", "a.lws"};
    openFileDialogHook = fakeBox;
    std::string out = captureReports([&] { EXPECT_TRUE(scene->load(nullptr)); });
    openFileDialogHook = nullptr;
    EXPECT_NE(out.find("<Vordelle3DV4.1load of...>"), std::string::npos);
    EXPECT_NE(out.find("<Vordelle3DV4.1...selected file>"), std::string::npos);
    // a.lws, then b.pof whose reading ends the list: c.lws is never read.
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{3, 9}));
    EXPECT_EQ(out.find(dir + "/c.lws>"), std::string::npos);
}

TEST_F(LoadingEntry, CancelledBoxTriesDefaultName)
{
    openFileDialogHook = [](OPENFILENAMEA*) { return 0; };
    std::string out = captureReports([&] { EXPECT_FALSE(scene->load(nullptr)); });
    openFileDialogHook = nullptr;
    EXPECT_NE(out.find("'default.bmp' Fichier Inexistant"), std::string::npos);
}

}  // namespace
