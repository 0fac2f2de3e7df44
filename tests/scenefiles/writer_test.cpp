// The scene-file writer: the camera's exact text (cases/camera.pof), objects and rings saved
// and appended then read back, refusals.
#include "support.h"

#include "toolkit.h"

namespace {

using SceneFileWriter = SceneFilesTest;

void keyCamera(Scene* scene)
{
    KeyframePlayer* p = scene->camera->player;
    p->resize(100);
    const float p0[3] = {1.0f, 2.0f, 3.0f}, a0[3] = {10.0f, 20.0f, 30.0f};
    const float p1[3] = {-4.5f, 5.25f, 6.126f}, a1[3] = {90.0f, 0.0f, -45.004f};
    p->setKey(0, scene, scene->camera, p0, a0);
    p->setKey(100, scene, scene->camera, p1, a1);
    p->buildFrames();
}

TEST_F(SceneFileWriter, CameraBlockText)
{
    keyCamera(scene);
    scene->pixelRatio = 640.0f / 480.0f;
    Keyframe& f0 = scene->camera->player->frames[0];
    f0.lookAt = 1;
    f0.target[0] = 0.5f, f0.target[1] = -1.0f, f0.target[2] = 2.25f;
    std::string p = path("camera.pof");
    EXPECT_TRUE(scene->camera->player->saveSceneFile(p.c_str()));
    EXPECT_EQ(readWholeFile(p), readWholeFile(SCENEFILES_CASES "/camera.pof"));
    EXPECT_STREQ(lastSavedSceneFile, p.c_str());
    // Appending saves under the name kept, and keeps it.
    std::string once = readWholeFile(p), block = once.substr(once.find("<scene_bloc>\n<load_camera>"));
    EXPECT_TRUE(scene->camera->player->appendToLastSceneFile());
    EXPECT_TRUE(scene->camera->player->appendToLastSceneFile());
    EXPECT_STREQ(lastSavedSceneFile, p.c_str());
    EXPECT_EQ(readWholeFile(p), once + block + block);
}

TEST_F(SceneFileWriter, Refusals)
{
    // A player that never received a key is bound to nothing.
    KeyframePlayer unbound;
    std::string never = path("never.pof");
    std::string out = reports([&] { EXPECT_FALSE(unbound.saveSceneFile(never.c_str())); });
    EXPECT_NE(out.find("Attention, <Pas d'animation a sauvegarder!>"), std::string::npos);

    keyCamera(scene);
    KeyframePlayer* p = scene->camera->player;
    Keyframe* frames = p->frames;
    p->frames = nullptr;
    EXPECT_FALSE(p->saveSceneFile(never.c_str()));
    p->frames = frames;
    EXPECT_TRUE(readWholeFile(never).empty());

    std::string bad = path("no/such/folder/x.pof");
    out = reports([&] { EXPECT_FALSE(p->saveSceneFile(bad.c_str())); });
    EXPECT_NE(out.find("Attention, <Probleme lors d'une tentative de sauvegarde de:<" + bad + ">>"), std::string::npos);

    // A failed append leaves the append mode set.
    std::snprintf(lastSavedSceneFile, sizeof lastSavedSceneFile, "%s", bad.c_str());
    EXPECT_FALSE(p->appendToLastSceneFile());
    EXPECT_EQ(appendMode, 1);
    appendMode = 0;

    // A name too long to be kept is not kept cut.
    EXPECT_TRUE(p->saveSceneFile(path(std::string(250, 'l') + ".pof").c_str()));
    EXPECT_STREQ(lastSavedSceneFile, "");
    EXPECT_FALSE(p->appendToLastSceneFile());
}

// A ring a-b-c and a single object d, each keyed, saved then appended.
TEST_F(SceneFileWriter, RingAndObjectRoundTrip)
{
    for (const char* n : {"a", "b", "c", "d"}) writeObject(std::string(n) + ".lwo", {fixtureSurface("Plain")}, {cubeLayer()});
    std::string ring = "<load_object> '@/a.lwo' '@/b.lwo' '@/c.lwo' </load_object>\n", single = "<load_object> '@/d.lwo' </load_object>\n";
    ASSERT_TRUE(load(write("in.pof", inFolder("Pomo_Object_File Version: 4 <scene_bloc> " + ring + single + "</scene_bloc>\n"))));
    SceneObject *a = scene->objects[1], *d = scene->objects[4];
    a->period = 12;
    d->period = 7;
    const float zero[3] = {0, 0, 0}, up[3] = {0, 4, 0}, p1[3] = {1.234f, -2.0f, 3.0f}, a1[3] = {180.0f, 0.0f, 12.345f};
    a->player->resize(20);
    a->player->setKey(0, scene, a, zero, zero);
    a->player->setKey(20, scene, a, up, zero);
    a->player->frames[20].lookAt = 1;  // look-at keys are written but not read
    d->player->resize(5);
    d->player->setKey(5, scene, d, p1, a1);

    std::string saved = path("saved.pof");
    ASSERT_TRUE(a->player->saveSceneFile(saved.c_str()));
    ASSERT_TRUE(d->player->appendToLastSceneFile());
    EXPECT_EQ(appendMode, 0);
    std::string text = readWholeFile(saved);
    EXPECT_NE(text.find(inFolder(ring) + "<object_playspeed> 12\n<name_selection> 'a.lwo'\n"), std::string::npos) << text;
    EXPECT_NE(text.find("<target> 0.00 0.00 0.00\n"), std::string::npos);
    EXPECT_NE(text.find("<scene_bloc>\n" + inFolder(single) + "<name_selection> 'd.lwo'\n<pos_spliner> off\n<ang_spliner> off\n"
                        "  <keyframe> 5\n  <pos> 1.23 -2.00 3.00\n  <ang> 180.00 0.00 12.35\n"),  // 12.345 is 12.3450003
              std::string::npos);
    EXPECT_EQ(text.find("Pomo_Object_File"), text.rfind("Pomo_Object_File"));

    // The period and the look-at keys are not read back.
    renew();
    EXPECT_TRUE(scene->readSceneFile(saved.c_str()));
    EXPECT_EQ(summary(scene), "camera:0 a.lwo:20@0,20>2 b.lwo-:0>3 c.lwo-:0>1 d.lwo:5@5 lists");
    EXPECT_EQ(scene->objects[1]->period, 50);
    EXPECT_EQ(scene->objects[1]->player->frames[20].lookAt, 0);
    EXPECT_STREQ(scene->objects[4]->sourceFile, path("d.lwo").c_str());
    EXPECT_FLOAT_EQ(scene->objects[4]->player->frames[5].angles[2], 12.35f);

    // A ring broken by hand (c turns back to b) is written, not walked forever.
    scene->objects[3]->next = scene->objects[2];
    ASSERT_TRUE(scene->objects[1]->player->saveSceneFile(saved.c_str()));
    text = readWholeFile(saved);
    EXPECT_LT(text.find("</load_object>"), text.find("<load_object>") + 4096);
}

}  // namespace
