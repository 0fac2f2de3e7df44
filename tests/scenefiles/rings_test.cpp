// Scene files naming objects: version 4 groups (rings), version 3 single
// objects, failures inside lists, and the writer's round trips.
#include "support.h"

#include <map>

#include "toolkit.h"

namespace {

class SceneObjects : public SceneFilesTest {
protected:
    // Cube objects a.lwo, b.lwo, c.lwo, each named after its file.
    void SetUp() override
    {
        SceneFilesTest::SetUp();
        FixtureSurface plain;
        plain.name = "Plain";
        for (const char* n : {"a.lwo", "b.lwo", "c.lwo", "d.lwo"}) objectPath[n] = writeObject(n, {plain}, {}, {cubeLayer("")});
    }
    std::string quoted(const char* n) { return "'" + objectPath[n] + "'"; }
    std::map<std::string, std::string> objectPath;
};

TEST_F(SceneObjects, GroupBecomesARing)
{
    std::string p = write("ring.pof",
                          "Pomo_Object_File\nVersion: 4\n<scene_bloc>\n<anim_speed> 25\n</scene_bloc>\n<scene_bloc>\n"
                          "<load_object> " + quoted("a.lwo") + " " + quoted("b.lwo") + "\n   " + quoted("c.lwo") + " </load_object>\n"
                          "<keyframe> 4 <pos> 1 1 1 <ang> 0 0 0\n"   // current: the last member
                          "<name_selection> 'a.lwo'\n<keyframe> 10 <pos> 5 0 0 <ang> 0 90 0\n"
                          "<end> <--! ignor\xE9 par la version 4-->\n</scene_bloc>\n");
    EXPECT_TRUE(load(p));
    ASSERT_EQ(scene->objectCount, 4);
    SceneObject* a = scene->objects[1];
    SceneObject* b = scene->objects[2];
    SceneObject* c = scene->objects[3];
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->next, c);
    EXPECT_EQ(c->next, a);
    EXPECT_EQ(a->ringHead, a);
    EXPECT_EQ(b->ringHead, a);
    EXPECT_EQ(c->ringHead, a);
    EXPECT_EQ(a->visible, 1);
    EXPECT_EQ(b->visible, 0);
    EXPECT_EQ(c->visible, 0);
    EXPECT_EQ(a->player->animSpeed, 25);
    EXPECT_EQ(b->player->animSpeed, 60);
    EXPECT_EQ(a->period, 50);
    EXPECT_EQ(keyFramesOf(a->player), (std::vector<int>{10}));
    EXPECT_EQ(keyFramesOf(c->player), (std::vector<int>{4}));
    EXPECT_EQ(scene->listsCompiled, 1);
}

TEST_F(SceneObjects, FailuresInsideGroups)
{
    // A further name that fails ends the list; the names after it are words.
    std::string p = write("broken.pof",
                          "Pomo_Object_File Version: 4 <scene_bloc>\n"
                          "<load_object> " + quoted("a.lwo") + " '" + path("missing.lwo") + "' " + quoted("b.lwo") + " </load_object>\n"
                          "<name_selection> 'a.lwo' <keyframe> 3 <pos> 1 2 3 <ang> 0 0 0 </scene_bloc>\n");
    EXPECT_TRUE(load(p));
    ASSERT_EQ(scene->objectCount, 2);
    SceneObject* a = scene->objects[1];
    EXPECT_EQ(a->next, a);
    EXPECT_EQ(keyFramesOf(a->player), (std::vector<int>{3}));

    // A first name that fails ends the reading: nothing after it is read.
    delete scene;
    scene = new Scene();
    std::string q = write("first.pof",
                          "Pomo_Object_File Version: 4 <scene_bloc>\n"
                          "<load_object> '" + path("missing.lwo") + "' </load_object>\n"
                          "<pixel_ratio> 3.5 <name_selection> 'camera' <keyframe> 3 <pos> 1 2 3 <ang> 0 0 0 </scene_bloc>\n");
    std::string out = captureReports([&] { EXPECT_TRUE(load(q)); });
    EXPECT_NE(out.find("Fichier Inexistant"), std::string::npos);
    EXPECT_NE(scene->pixelRatio, 3.5f);
    EXPECT_EQ(keyFramesOf(scene->camera->player), std::vector<int>{});
    EXPECT_EQ(scene->listsCompiled, 1);
    EXPECT_EQ(sceneFile, nullptr);
}

TEST_F(SceneObjects, VersionThreeLoadsOneObjectPerRecord)
{
    std::string p = write("v3.pof",
                          "Pomo_Object_File Version: 3\n"
                          "<load_object> " + quoted("a.lwo") + "\n<keyframe> 5 <pos> 1 1 1 <ang> 0 0 0\n"
                          "<load_object> '" + path("missing.lwo") + "'\n<keyframe> 9 <pos> 2 2 2 <ang> 0 0 0\n"
                          "<load_object> " + quoted("b.lwo") + " <end>\n");
    EXPECT_TRUE(load(p));
    ASSERT_EQ(scene->objectCount, 3);
    SceneObject* a = scene->objects[1];
    // The failed load left a current: its key went on to frame 9.
    EXPECT_EQ(keyFramesOf(a->player), (std::vector<int>{5, 9}));
    EXPECT_EQ(scene->objects[2]->next, scene->objects[2]);
    EXPECT_EQ(scene->objects[2]->visible, 1);
}

TEST_F(SceneObjects, WriterRoundTripOfOneObject)
{
    std::string p = write("one.pof", "Pomo_Object_File Version: 4 <scene_bloc> <load_object> " + quoted("a.lwo") +
                                         " </load_object> </scene_bloc>\n");
    ASSERT_TRUE(load(p));
    SceneObject* a = scene->objects[1];
    KeyframePlayer* pl = a->player;
    pl->resize(100);
    const float p0[3] = {1.234f, -2.0f, 3.0f}, a0[3] = {0.0f, 45.0f, 0.0f};
    const float p1[3] = {10.0f, 20.0f, 30.0f}, a1[3] = {180.0f, 0.0f, 12.345f};
    pl->setKey(0, scene, a, p0, a0);
    pl->setKey(100, scene, a, p1, a1);
    pl->buildFrames();
    a->period = 7;
    std::string saved = path("saved.pof");
    ASSERT_TRUE(pl->saveSceneFile(saved.c_str()));
    std::string text = readWholeFile(saved);
    EXPECT_NE(text.find("<scene_bloc>\n<load_object> " + quoted("a.lwo") + " </load_object>\n<name_selection> 'a.lwo'\n"
                        "<pos_spliner> off\n<ang_spliner> off\n  <keyframe> 0\n  <pos> 1.23 -2.00 3.00\n"),
              std::string::npos) << text;
    EXPECT_EQ(text.find("<object_playspeed>"), std::string::npos);

    Scene* back = new Scene();
    EXPECT_TRUE(back->readSceneFile(saved.c_str()));
    ASSERT_EQ(back->objectCount, 2);
    SceneObject* b = back->objects[1];
    EXPECT_STREQ(b->name, "a.lwo");
    EXPECT_STREQ(b->sourceFile, objectPath["a.lwo"].c_str());
    EXPECT_EQ(b->vertexCount, 8);
    ASSERT_EQ(keyFramesOf(b->player), (std::vector<int>{0, 100}));
    EXPECT_FLOAT_EQ(b->player->frames[0].position[0], 1.23f);
    EXPECT_FLOAT_EQ(b->player->frames[100].angles[2], 12.35f);  // 12.345 was stored as 12.3450003
    EXPECT_EQ(b->period, 50);
    delete back;
}

TEST_F(SceneObjects, WriterRoundTripOfARingAndAnAppendedBlock)
{
    std::string p = write("ring.pof", "Pomo_Object_File Version: 4 <scene_bloc> <load_object> " + quoted("a.lwo") + " " +
                                          quoted("b.lwo") + " " + quoted("c.lwo") + " </load_object>\n"
                                          "<load_object> " + quoted("d.lwo") + " </load_object> </scene_bloc>\n");
    ASSERT_TRUE(load(p));
    ASSERT_EQ(scene->objectCount, 5);
    SceneObject* a = scene->objects[1];
    SceneObject* d = scene->objects[4];
    a->period = 12;
    const float zero[3] = {0, 0, 0}, up[3] = {0, 4, 0};
    a->player->resize(20);
    a->player->setKey(0, scene, a, zero, zero);
    a->player->setKey(20, scene, a, up, zero);
    a->player->frames[20].lookAt = 1;  // look-at keys are written but not read
    d->player->resize(5);
    d->player->setKey(5, scene, d, up, up);

    std::string saved = path("saved.pof");
    ASSERT_TRUE(a->player->saveSceneFile(saved.c_str()));
    ASSERT_TRUE(d->player->appendToLastSceneFile());
    std::string text = readWholeFile(saved);
    EXPECT_NE(text.find("<load_object> " + quoted("a.lwo") + " " + quoted("b.lwo") + " " + quoted("c.lwo") +
                        " </load_object>\n<object_playspeed> 12\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("<target> "), std::string::npos);
    EXPECT_EQ(text.find("Pomo_Object_File"), text.rfind("Pomo_Object_File"));

    Scene* back = new Scene();
    EXPECT_TRUE(back->readSceneFile(saved.c_str()));
    ASSERT_EQ(back->objectCount, 5);
    SceneObject* ra = back->objects[1];
    EXPECT_EQ(ra->next, back->objects[2]);
    EXPECT_EQ(back->objects[3]->next, ra);
    EXPECT_EQ(ra->period, 50);
    EXPECT_EQ(keyFramesOf(ra->player), (std::vector<int>{0, 20}));
    EXPECT_EQ(ra->player->frames[20].lookAt, 0);
    SceneObject* rd = back->objects[4];
    EXPECT_STREQ(rd->name, "d.lwo");
    EXPECT_EQ(rd->next, rd);
    EXPECT_EQ(keyFramesOf(rd->player), (std::vector<int>{5}));
    delete back;
}

TEST_F(SceneObjects, WriterStopsOnABrokenRing)
{
    std::string p = write("ring.pof", "Pomo_Object_File Version: 4 <scene_bloc> <load_object> " + quoted("a.lwo") + " " +
                                          quoted("b.lwo") + " " + quoted("c.lwo") + " </load_object> </scene_bloc>\n");
    ASSERT_TRUE(load(p));
    SceneObject* a = scene->objects[1];
    SceneObject* c = scene->objects[3];
    c->next = scene->objects[2];  // b and c now turn without a
    const float zero[3] = {0, 0, 0};
    a->player->setKey(0, scene, a, zero, zero);
    std::string saved = path("saved.pof");
    EXPECT_TRUE(a->player->saveSceneFile(saved.c_str()));
    std::string text = readWholeFile(saved);
    size_t start = text.find("<load_object>");
    size_t end = text.find("</load_object>");
    ASSERT_NE(end, std::string::npos);
    EXPECT_LT(end - start, 4096u);
}

TEST_F(SceneObjects, LightWaveSceneMovesItsLatestObject)
{
    std::string lws = write("objs.lws", "LWSC\n3\n\nLoadObject " + objectPath["a.lwo"] + "\nObjectMotion a\n9\n1\n" +
                                            "1 2 3 0 0 0 1 1 1\n12 0 0 0 0\n"
                                            "LoadObject " + path("nope.lwo") + "\nObjectMotion b\n6\n1\n4 5 6 0 0 0 20 0 0 0 0\n");
    EXPECT_TRUE(load(lws));
    ASSERT_EQ(scene->objectCount, 2);
    SceneObject* a = scene->objects[1];
    // The missing object's motion goes to the latest object that loaded.
    EXPECT_EQ(keyFramesOf(a->player), (std::vector<int>{12, 20}));
    EXPECT_EQ(a->player->lastFrame, 20);
    EXPECT_FLOAT_EQ(a->player->frames[20].position[2], 6.0f);
}

}  // namespace
