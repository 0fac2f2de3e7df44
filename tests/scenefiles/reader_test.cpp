// The scene-file reader on files that need no object: camera keys, versions,
// blocks, record by record reading, bad files.
#include "support.h"

#include <cstring>

#include "toolkit.h"

namespace {

using SceneFileReader = SceneFilesTest;

const char* const cameraBlock =
    "<scene_bloc>\n"
    "<load_camera> 'camera'\n"
    "<name_selection> 'camera'\n"
    "<pos_spliner> off\n"
    "<ang_spliner> off\n"
    "  <keyframe> 0\n"
    "  <pos> 1.00 2.00 3.00\n"
    "  <ang> 10.00 20.00 30.00\n"
    "  <keyframe> 100\n"
    "  <pos> -4.50 5.25 6.00\n"
    "  <ang> 90.00 0.00 -45.00\n"
    "<end> <--! ignor\xE9 par la version 4-->\n";

const char* const settingsBlock =
    "Pomo_Object_File\nVersion: 4\n"
    "<scene_bloc>\n<pixel_ratio> 1.7500\n<anim_speed> 60\n</scene_bloc>\n";

void expectCameraKeys(Scene* scene)
{
    KeyframePlayer* p = scene->camera->player;
    ASSERT_EQ(keyFramesOf(p), (std::vector<int>{0, 100}));
    EXPECT_FLOAT_EQ(p->frames[0].position[0], 1.0f);
    EXPECT_FLOAT_EQ(p->frames[0].angles[2], 30.0f);
    EXPECT_FLOAT_EQ(p->frames[100].position[0], -4.5f);
    EXPECT_FLOAT_EQ(p->frames[100].position[1], 5.25f);
    EXPECT_FLOAT_EQ(p->frames[100].angles[0], 90.0f);
    EXPECT_FLOAT_EQ(p->frames[100].angles[2], -45.0f);
    // Frames are built at the end of the reading.
    EXPECT_NEAR(p->frames[50].position[0], 1.0f + (-5.5f) * 49 / 99, 0.001f);
}

TEST_F(SceneFileReader, VersionFourReadsInOneCallAndNeedsTheFinalBlockEnd)
{
    std::string whole = write("whole.pof", std::string(settingsBlock) + cameraBlock + "</scene_bloc>\n");
    EXPECT_TRUE(scene->readSceneFile(whole.c_str()));
    EXPECT_FLOAT_EQ(scene->pixelRatio, 1.75f);
    expectCameraKeys(scene);
    EXPECT_EQ(scene->listsCompiled, 1);
    EXPECT_EQ(scene->recordPending, 0);
    EXPECT_EQ(sceneFile, nullptr);

    delete scene;
    scene = new Scene();
    std::string cut = write("cut.pof", std::string(settingsBlock) + cameraBlock);
    EXPECT_FALSE(scene->readSceneFile(cut.c_str()));
    expectCameraKeys(scene);
    EXPECT_EQ(scene->listsCompiled, 1);
    EXPECT_EQ(sceneFile, nullptr);
}

TEST_F(SceneFileReader, RecordsOutsideBlocksAreSkippedInVersionFour)
{
    std::string p = write("skip.pof",
                          "junk before Pomo_Object_File\nVersion: 4\n"
                          "<pixel_ratio> 9.0 <name_selection> 'camera' <keyframe> 7 <pos> 1 1 1 <ang> 1 1 1\n"
                          "<scene_bloc> <pixel_ratio> 2.0 </scene_bloc>\n"
                          "<pixel_ratio> 8.0 <keyframe> 9 <pos> 2 2 2 <ang> 2 2 2\n"
                          "<scene_bloc> <name_selection> 'camera' <keyframe> 3 <pos> 5 5 5 <ang> 0 0 0 </scene_bloc>\n");
    EXPECT_TRUE(scene->readSceneFile(p.c_str()));
    EXPECT_FLOAT_EQ(scene->pixelRatio, 2.0f);
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{3}));
    EXPECT_EQ(sceneFileVersion, 4);
}

TEST_F(SceneFileReader, KeyNumbersCameraNamesAndRepeatedLines)
{
    std::string p = write("keys.pof",
                          "Pomo_Object_File Version: 3\n"
                          "<name_selection> 'MainCameraRig'\n"
                          "<keyframe> 010 <pos> 1 2 3 <pos> 4 5 6\n"              // two <pos>: angles of before, 0 0 0
                          "<keyframe> 0x10 <pos> 7 8 9 <ang> 10 20 30\n"
                          "<keyframe> 20 <ang> 40 50 60 <ang> 1 2 3\n");           // two <ang>: last position
    EXPECT_FALSE(scene->readSceneFile(p.c_str()));  // ends at the end of the file
    SceneObject* cam = scene->camera;
    EXPECT_STREQ(cam->name, "MainCameraRig");
    KeyframePlayer* pl = cam->player;
    ASSERT_EQ(keyFramesOf(pl), (std::vector<int>{8, 16, 20}));
    EXPECT_FLOAT_EQ(pl->frames[8].position[0], 4.0f);
    EXPECT_FLOAT_EQ(pl->frames[8].angles[0], 0.0f);
    EXPECT_FLOAT_EQ(pl->frames[16].position[2], 9.0f);
    EXPECT_FLOAT_EQ(pl->frames[20].position[0], 7.0f);
    EXPECT_FLOAT_EQ(pl->frames[20].angles[1], 2.0f);
    EXPECT_EQ(scene->findObject("MainCameraRig"), cam);
}

TEST_F(SceneFileReader, UnknownNameLeavesNoCurrentObject)
{
    std::string longName(40, 'c');
    std::string p = write("none.pof",
                          "Pomo_Object_File Version: 3\n"
                          "<name_selection> 'nobody here'\n"
                          "<keyframe> 3 <pos> 1 1 1 <ang> 1 1 1\n"
                          "<name_selection> 'long " + longName + " Camera'\n");
    std::string out = captureReports([&] { EXPECT_FALSE(scene->readSceneFile(p.c_str())); });
    EXPECT_NE(out.find("[TovikTools Warning]:: Attention, <nobody here Objet Introuvable!! >"), std::string::npos) << out;
    EXPECT_EQ(keyFramesOf(scene->camera->player), std::vector<int>{});
    EXPECT_EQ(scene->camera->player->lastFrame, 0);
    // The camera takes the whole name, cut to 31 characters.
    EXPECT_EQ(std::string(scene->camera->name), ("long " + longName).substr(0, 31));
}

TEST_F(SceneFileReader, VersionThreeReadRecordByRecord)
{
    std::string p = write("records.pof",
                          "Pomo_Object_File\nVersion: 3\n"
                          "<name_selection> 'camera' <keyframe> 2 <pos> 1 0 0 <ang> 0 0 0 <end>\n"
                          "<name_selection> 'camera' <keyframe> 4 <pos> 2 0 0 <ang> 0 0 0 <end>\n");
    std::string out = captureReports([&] { EXPECT_TRUE(scene->readSceneFile(p.c_str())); });
    EXPECT_NE(out.find("<chargement Premier Record>"), std::string::npos);
    EXPECT_NE(out.find("<Chargement d'un .pof en Version 3, Camera par defaut>"), std::string::npos);
    EXPECT_EQ(scene->recordPending, 1);
    EXPECT_EQ(scene->listsCompiled, 0);
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{2}));

    // The second call goes on where the first stopped, whatever path it gets.
    out = captureReports([&] { EXPECT_TRUE(scene->readSceneFile("no/such/file.pof")); });
    EXPECT_NE(out.find("<chargement Record Suivant>"), std::string::npos);
    EXPECT_EQ(scene->listsCompiled, 0);
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{2, 4}));

    EXPECT_FALSE(scene->readSceneFile(p.c_str()));
    EXPECT_EQ(scene->listsCompiled, 1);
    EXPECT_EQ(scene->recordPending, 0);
    EXPECT_EQ(sceneFile, nullptr);

    out = captureReports([&] { EXPECT_TRUE(scene->readSceneFile(p.c_str())); });
    EXPECT_NE(out.find("<chargement Premier Record>"), std::string::npos);
    EXPECT_EQ(scene->recordPending, 1);
}

TEST_F(SceneFileReader, ReadingLeftPendingByAnotherSceneIsNotContinued)
{
    std::string p = write("records.pof",
                          "Pomo_Object_File Version: 3\n"
                          "<name_selection> 'camera' <keyframe> 2 <pos> 1 0 0 <ang> 0 0 0 <end>\n"
                          "<name_selection> 'camera' <keyframe> 4 <pos> 2 0 0 <ang> 0 0 0 <end>\n");
    EXPECT_TRUE(scene->readSceneFile(p.c_str()));
    Scene* other = new Scene();
    EXPECT_TRUE(other->readSceneFile(p.c_str()));
    EXPECT_EQ(keyFramesOf(other->camera->player), (std::vector<int>{2}));
    // The first scene's file was taken over: it starts again from the top.
    EXPECT_TRUE(scene->readSceneFile(p.c_str()));
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{2}));
    delete other;
}

TEST_F(SceneFileReader, VersionIsKeptForAFileWithoutVersionLine)
{
    std::string v4 = write("v4.pof", std::string(settingsBlock) + "</scene_bloc>\n");
    EXPECT_TRUE(scene->readSceneFile(v4.c_str()));
    std::string bare = write("bare.pof",
                             "Pomo_Object_File\n"
                             "<name_selection> 'camera' <keyframe> 3 <pos> 1 1 1 <ang> 0 0 0 <end>\n"
                             "<keyframe> 6 <pos> 2 2 2 <ang> 0 0 0\n");
    // As version 4 the <end> is skipped: both keys, and the end of the file.
    EXPECT_FALSE(scene->readSceneFile(bare.c_str()));
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{3, 6}));
    EXPECT_EQ(scene->recordPending, 0);
}

TEST_F(SceneFileReader, BadFiles)
{
    std::string out = captureReports([&] { EXPECT_FALSE(scene->readSceneFile("scenefiles-fixtures/absent.pof")); });
    EXPECT_NE(out.find("<Probleme lors d'une tentative de lecture de:<scenefiles-fixtures/absent.pof>>"), std::string::npos);

    std::string noMagic = write("nomagic.pof", "Version: 4 <scene_bloc> </scene_bloc>\n");
    out = captureReports([&] { EXPECT_FALSE(scene->readSceneFile(noMagic.c_str())); });
    EXPECT_NE(out.find("<" + noMagic + "> n'est pas un fichier .pof!>"), std::string::npos);
    EXPECT_EQ(sceneFile, nullptr);

    std::string noBlock = write("noblock.pof", "Pomo_Object_File Version: 5 <pixel_ratio> 3\n");
    out = captureReports([&] { EXPECT_FALSE(scene->readSceneFile(noBlock.c_str())); });
    EXPECT_NE(out.find("<Chargement d'un .pof en Version 4++.>"), std::string::npos);
    EXPECT_NE(out.find("<" + noBlock + "> ne contien pas de bloc scene!>"), std::string::npos);
    EXPECT_EQ(sceneFile, nullptr);
    EXPECT_EQ(scene->listsCompiled, 0);
    EXPECT_NE(scene->pixelRatio, 3.0f);

    std::string old = write("old.pof", "Pomo_Object_File Version: 2 <name_selection> 'camera' <keyframe> 1 <pos> 1 1 1 <ang> 1 1 1");
    out = captureReports([&] { EXPECT_FALSE(scene->readSceneFile(old.c_str())); });
    EXPECT_NE(out.find("Attention, <Version du .pof anterieure a la 3, support non garanti.>"), std::string::npos);
    EXPECT_EQ(keyFramesOf(scene->camera->player), (std::vector<int>{1}));
}

TEST_F(SceneFileReader, OverlongWordsNamesAndNumbersStayInBounds)
{
    std::string word(5000, 'w');
    std::string name(300, 'n');
    std::string p = write("long.pof",
                          "Pomo_Object_File Version: 3 " + word + " <name_selection> '" + name + "'\n"
                          "<name_selection> 'camera' <keyframe> 99999999999 <pos> 1e39 nan 3 <ang> 1 1 1\n"
                          "<keyframe> -5 <pos> 1 1 1 <ang> 2 2 2 <keyframe> 2 <pos> 1 2\n");
    std::string out = captureReports([&] { EXPECT_FALSE(scene->readSceneFile(p.c_str())); });
    // The warning is the name cut to 127 characters, then cut again to fit 127.
    size_t at = out.find("Attention, <" + name.substr(0, 127));
    ASSERT_NE(at, std::string::npos);
    size_t end = out.find(">\n", at);
    EXPECT_EQ(end - (at + 12), 127u);
    // The huge key number is refused; the negative one empties the player.
    EXPECT_LE(scene->camera->player->lastFrame, maxKeyFrame);
}

}  // namespace
