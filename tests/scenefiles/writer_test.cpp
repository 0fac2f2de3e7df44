// The scene-file writer with the camera's player: exact text, reading back,
// refusals.
#include "support.h"

#include <cstdlib>

#include "toolkit.h"

namespace {

using SceneFileWriter = SceneFilesTest;

void keyCamera(Scene* scene)
{
    SceneObject* cam = scene->camera;
    KeyframePlayer* p = cam->player;
    p->resize(100);
    const float p0[3] = {1.0f, 2.0f, 3.0f}, a0[3] = {10.0f, 20.0f, 30.0f};
    const float p1[3] = {-4.5f, 5.25f, 6.126f}, a1[3] = {90.0f, 0.0f, -45.004f};
    p->setKey(0, scene, cam, p0, a0);
    p->setKey(100, scene, cam, p1, a1);
    p->buildFrames();
}

const char* const expectedCameraFile =
    "Pomo_Object_File\nVersion: 4\n"
    "<scene_bloc>\n<pixel_ratio> 1.3333\n<anim_speed> 60\n</scene_bloc>\n"
    "<scene_bloc>\n"
    "<load_camera> 'camera'\n"
    "<name_selection> 'camera'\n"
    "<pos_spliner> off\n"
    "<ang_spliner> off\n"
    "  <keyframe> 0\n"
    "  <pos> 1.00 2.00 3.00\n"
    "  <ang> 10.00 20.00 30.00\n"
    "<target> 0.50 -1.00 2.25\n"
    "  <keyframe> 100\n"
    "  <pos> -4.50 5.25 6.13\n"
    "  <ang> 90.00 0.00 -45.00\n"
    "<end> <--! ignor\xE9 par la version 4-->\n"
    "</scene_bloc>\n";

TEST_F(SceneFileWriter, CameraBlockTextAndReadingBack)
{
    keyCamera(scene);
    scene->pixelRatio = 640.0f / 480.0f;
    Keyframe& f0 = scene->camera->player->frames[0];
    f0.lookAt = 1;
    f0.target[0] = 0.5f;
    f0.target[1] = -1.0f;
    f0.target[2] = 2.25f;
    std::string p = path("camera.pof");
    EXPECT_TRUE(scene->camera->player->saveSceneFile(p.c_str()));
    EXPECT_EQ(readWholeFile(p), expectedCameraFile);
    EXPECT_STREQ(lastSavedSceneFile, p.c_str());
    EXPECT_EQ(appendMode, 0);

    Scene* back = new Scene();
    EXPECT_TRUE(back->readSceneFile(p.c_str()));
    KeyframePlayer* b = back->camera->player;
    ASSERT_EQ(keyFramesOf(b), (std::vector<int>{0, 100}));
    EXPECT_FLOAT_EQ(back->pixelRatio, 1.3333f);
    EXPECT_FLOAT_EQ(b->frames[100].position[2], 6.13f);   // two decimals survive
    EXPECT_FLOAT_EQ(b->frames[100].angles[2], -45.0f);
    EXPECT_EQ(b->frames[0].lookAt, 0);                     // look-at keys do not
    delete back;
}

TEST_F(SceneFileWriter, AppendAddsOnlyABlock)
{
    keyCamera(scene);
    std::string p = path("two.pof");
    ASSERT_TRUE(scene->camera->player->saveSceneFile(p.c_str()));
    std::string first = readWholeFile(p);
    EXPECT_TRUE(scene->camera->player->appendToLastSceneFile());
    std::string both = readWholeFile(p);
    ASSERT_GT(both.size(), first.size());
    std::string added = both.substr(first.size());
    EXPECT_EQ(added.rfind("<scene_bloc>\n<load_camera> 'camera'\n", 0), 0u) << added;
    EXPECT_EQ(added.find("Pomo_Object_File"), std::string::npos);
    EXPECT_EQ(appendMode, 0);
}

TEST_F(SceneFileWriter, Refusals)
{
    // A player that never received a key is bound to nothing.
    KeyframePlayer unbound;
    std::string never = path("never.pof");
    std::string out = captureReports([&] { EXPECT_FALSE(unbound.saveSceneFile(never.c_str())); });
    EXPECT_NE(out.find("Attention, <Pas d'animation a sauvegarder!>"), std::string::npos);
    EXPECT_TRUE(readWholeFile(never).empty());

    keyCamera(scene);
    KeyframePlayer* p = scene->camera->player;
    Keyframe* frames = p->frames;
    p->frames = nullptr;
    EXPECT_FALSE(p->saveSceneFile(never.c_str()));
    p->frames = frames;
    EXPECT_TRUE(readWholeFile(never).empty());

    std::string bad = path("no/such/folder/x.pof");
    out = captureReports([&] { EXPECT_FALSE(p->saveSceneFile(bad.c_str())); });
    EXPECT_NE(out.find("Attention, <Probleme lors d'une tentative de sauvegarde de:<" + bad + ">>"), std::string::npos);

    // A failed append leaves the append mode set.
    std::snprintf(lastSavedSceneFile, sizeof lastSavedSceneFile, "%s", bad.c_str());
    EXPECT_FALSE(p->appendToLastSceneFile());
    EXPECT_EQ(appendMode, 1);
    appendMode = 0;

    // A name too long to be kept is not kept cut.
    std::string longName = path(std::string(250, 'l') + ".pof");
    EXPECT_TRUE(p->saveSceneFile(longName.c_str()));
    EXPECT_STREQ(lastSavedSceneFile, "");
    EXPECT_FALSE(p->appendToLastSceneFile());
    appendMode = 0;
}

}  // namespace
