// Scene files and LightWave scenes loaded through Scene::load: a table of
// files and what each leaves in the Scene, then the readings that take
// several calls or need exact values.
#include "support.h"

#include "toolkit.h"

namespace {

class SceneLoading : public SceneFilesTest {
protected:
    // Cube objects a.lwo to d.lwo, each named after its file.
    void SetUp() override
    {
        SceneFilesTest::SetUp();
        for (const char* n : {"a", "b", "c", "d"}) writeObject(std::string(n) + ".lwo", {fixtureSurface("Plain")}, {cubeLayer()});
    }
};

const std::string settings = "Pomo_Object_File\nVersion: 4\n<scene_bloc>\n<pixel_ratio> 1.7500\n<anim_speed> 60\n</scene_bloc>\n";
const std::string cameraBlock =
    "<scene_bloc>\n<load_camera> 'camera'\n<name_selection> 'camera'\n<pos_spliner> off\n<ang_spliner> off\n"
    "  <keyframe> 0\n  <pos> 1.00 2.00 3.00\n  <ang> 10.00 20.00 30.00\n"
    "  <keyframe> 100\n  <pos> -4.50 5.25 6.00\n  <ang> 90.00 0.00 -45.00\n"
    "<end> <--! ignor\xE9 par la version 4-->\n";
const std::string v3 = "Pomo_Object_File Version: 3\n";
const std::string v4 = "Pomo_Object_File Version: 4 <scene_bloc>\n";
// 010 is octal; two <pos> store a key with the angles before (0 0 0); two
// <ang> store one with the last position.
const std::string repeatedLines = v3 + "<name_selection> 'MainCameraRig'\n<keyframe> 010 <pos> 1 2 3 <pos> 4 5 6\n"
                                       "<keyframe> 0x10 <pos> 7 8 9 <ang> 10 20 30\n<keyframe> 20 <ang> 40 50 60 <ang> 1 2 3\n";
const std::string inner = v3 + "<name_selection> 'camera' <keyframe> 50 <pos> 9 9 9 <ang> 9 9 9 <end>";


struct LoadCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // the first one is loaded; "@" is the folder
    bool result;
    const char* summary;
    const char* report;  // what the loading reports, in pieces separated by "|"
};

const LoadCase loadCases[] = {
    // Scene files without objects.
    {"whole version 4", {{"f.pof", settings + cameraBlock + "</scene_bloc>\n"}}, true, "camera:100@0,100 lists ratio 1.75",
     "<Chargement d'un .pof en Version 4++.>"},
    {"without the last block end", {{"f.pof", settings + cameraBlock}}, false, "camera:100@0,100 lists ratio 1.75",
     "<chargement Premier Record>"},
    {"records outside blocks are skipped",
     {{"f.pof", "junk Pomo_Object_File\nVersion: 4\n<pixel_ratio> 9.0 <name_selection> 'camera' <keyframe> 7 <pos> 1 1 1 <ang> 1 1 1\n"
                "<scene_bloc> <pixel_ratio> 1.75 </scene_bloc>\n<pixel_ratio> 8.0 <keyframe> 9 <pos> 2 2 2 <ang> 2 2 2\n"
                "<scene_bloc> <name_selection> 'camera' <keyframe> 3 <pos> 5 5 5 <ang> 0 0 0 </scene_bloc>\n"}},
     true, "camera:3@3 lists ratio 1.75", ""},
    {"key numbers and repeated lines", {{"f.pof", repeatedLines}}, false, "MainCameraRig:20@8,16,20 lists", ""},
    {"unknown name", {{"f.pof", v3 + "<name_selection> 'nobody here'\n<keyframe> 3 <pos> 1 1 1 <ang> 1 1 1\n"}}, false,
     "camera:0 lists", "[TovikTools Warning]:: Attention, <nobody here Objet Introuvable!! >"},
    {"no magic word", {{"f.pof", "Version: 4 <scene_bloc> </scene_bloc>\n"}}, false, "camera:0", "> n'est pas un fichier .pof!>"},
    {"no block in version 5", {{"f.pof", "Pomo_Object_File Version: 5 <pixel_ratio> 1.75\n"}}, false, "camera:0",
     "> ne contien pas de bloc scene!>"},
    {"version 2", {{"f.pof", "Pomo_Object_File Version: 2 <name_selection> 'camera' <keyframe> 1 <pos> 1 1 1 <ang> 1 1 1"}}, false,
     "camera:1@1 lists", "Attention, <Version du .pof anterieure a la 3, support non garanti.>"},
    {"missing file", {}, false, "camera:0", "<Probleme lors d'une tentative de lecture de:<@/f.pof>>"},
    {"neither scene nor object", {{"f.txt", "nothing of the kind\n"}}, false, "camera:0",
     "<Vordelle3DV4.1nothing>|<Vordelle3DV4.1Format non supporte en tant qu'objet ou scene>"},
    {"empty file", {{"f.lwo", ""}}, false, "camera:0", ""},
    // Objects and groups.
    {"group becomes a ring",
     {{"f.pof", "Pomo_Object_File\nVersion: 4\n<scene_bloc>\n<anim_speed> 25\n</scene_bloc>\n<scene_bloc>\n"
                "<load_object> '@/a.lwo' '@/b.lwo'\n   '@/c.lwo' </load_object>\n"
                "<keyframe> 4 <pos> 1 1 1 <ang> 0 0 0\n"  // current: the last member
                "<name_selection> 'a.lwo'\n<keyframe> 10 <pos> 5 0 0 <ang> 0 90 0\n"
                "<end> <--! ignor\xE9 par la version 4-->\n</scene_bloc>\n"}},
     true, "camera:0 a.lwo:10@10>2 b.lwo-:0>3 c.lwo-:4@4>1 lists", ""},
    {"a further name that fails ends the list",
     {{"f.pof", v4 + "<load_object> '@/a.lwo' '@/missing.lwo' '@/b.lwo' </load_object>\n"
                     "<name_selection> 'a.lwo' <keyframe> 3 <pos> 1 2 3 <ang> 0 0 0 </scene_bloc>\n"}},
     true, "camera:0 a.lwo:3@3 lists", ""},
    {"a first name that fails ends the reading",
     {{"f.pof", v4 + "<load_object> '@/missing.lwo' </load_object>\n"
                     "<pixel_ratio> 3.5 <name_selection> 'camera' <keyframe> 3 <pos> 1 2 3 <ang> 0 0 0 </scene_bloc>\n"}},
     true, "camera:0 lists", "Attention, <Vordelle3DV4.1 '@/missing.lwo' Fichier Inexistant>"},
    // The failed load leaves the current object: its key goes on to frame 9.
    {"version 3 loads one object per record",
     {{"f.pof", v3 + "<load_object> '@/a.lwo'\n<keyframe> 5 <pos> 1 1 1 <ang> 0 0 0\n<load_object> '@/missing.lwo'\n"
                     "<keyframe> 9 <pos> 2 2 2 <ang> 0 0 0\n<load_object> '@/b.lwo' <end>\n"}},
     true, "camera:0 a.lwo:9@5,9 b.lwo:0 pending", ""},
    // LightWave scenes.
    {"the motion of a missing object moves the latest object",
     {{"f.lws", "LWSC\n3\n\nLoadObject @/a.lwo\nObjectMotion a\n9\n1\n1 2 3 0 0 0 1 1 1\n12 0 0 0 0\n"
                "LoadObject @/nope.lwo\nObjectMotion b\n6\n1\n4 5 6 0 0 0 20 0 0 0 0\n"}},
     true, "camera:0 a.lwo:20@12,20", "<Vordelle3DV4.1 -->> Chargement Objet Reussi <<-->"},
    {"without objects the camera moves",
     {{"f.lws", "LWSC\n3\n\nFirstFrame 1\nPreviewFirstFrame 0\nPreviewLastFrame 60\nLoadObject @\\Objets\\missing.lwo\nShowObject 6 7\n"
                "ObjectMotion (unnamed)\n9\n2\n1 2 3 10 20 30 1 1 1\n0 0 0 0 0\n4 5 6 0 0 90 1 1 1\n30 0 0 0 0\nEndBehavior 1\n"}},
     true, "camera:30@0,30",
     "Attention, <Vordelle3DV4.1 -->> Chargement Objet IMPOSSIBLE <<-->\n"
     "[TovikTools Info]:: le saviez vous?, <Vordelle3DV4.1------------------------------------->\n"
     "[TovikTools Info]:: le saviez vous?, <Vordelle3DV4.1Chargement objet par scene Lightwave:>\n"
     "[TovikTools Info]:: le saviez vous?, <Vordelle3DV4.1@/Objets/missing.lwo>"},
    {"malformed motions", {{"f.lws", "LWSC 3 CameraMotion cam 9 0 CameraMotion cam 6 2 1 2 3 4 5 6 0 0 0 0 0 1 2"}}, true, "camera:1",
     "Attention, <Vordelle3DV4.1Pas de keyframes>"},
    {"a block with one key", {{"f.lws", "LWSC\n3\n" + cameraKey(0)}}, true, "camera:0@0", "Attention, <Vordelle3DV4.1Lock keyframes>"},
    // Nesting.
    {"a scene file inside a scene file",
     {{"f.pof", v3 + "<load_object> '@/inner.pof'\n<name_selection> 'camera' <keyframe> 5 <pos> 1 1 1 <ang> 0 0 0\n"},
      {"inner.pof", inner}},
     false, "camera:5@5 lists", "Fichier scene dans un fichier scene, refuse"},
    {"a scene file through a LightWave scene",
     {{"f.pof", v4 + "<load_object> '@/via.lws' </load_object>\n<name_selection> 'camera' <keyframe> 6 <pos> 1 1 1 <ang> 0 0 0 "
                     "</scene_bloc>\n"},
      {"via.lws", "LWSC 3\nLoadObject @/inner.pof\n"},
      {"inner.pof", inner}},
     true, "camera:0 lists", ""},
    {"a LightWave scene naming itself", {{"f.lws", "LWSC 3\nLoadObject @/f.lws\n" + cameraKey(7)}}, true, "camera:7@7",
     "<Vordelle3DV4.1 '@/f.lws' Scene Lightwave deja en cours de lecture, refuse>"},
};

TEST_F(SceneLoading, FilesLoadedInOneCall)
{
    for (const LoadCase& c : loadCases) {
        SCOPED_TRACE(c.name);
        renew();
        std::string file = path("f.pof");
        for (size_t i = 0; i < c.files.size(); ++i) {
            std::string written = write(c.files[i].first, inFolder(c.files[i].second));
            if (i == 0) file = written;
        }
        // Scene files are read directly: Scene::load would take a file without the magic word for an object.
        bool direct = file.size() > 4 && file.compare(file.size() - 4, 4, ".pof") == 0;
        std::string out = reports([&] { EXPECT_EQ(direct ? scene->readSceneFile(file.c_str()) : load(file), c.result); });
        std::string reported = inFolder(c.report);
        for (size_t at = 0, bar; at <= reported.size(); at = bar + 1) {
            bar = std::min(reported.find('|', at), reported.size());
            EXPECT_NE(out.find(reported.substr(at, bar - at)), std::string::npos) << out;
        }
        EXPECT_EQ(summary(scene), c.summary);
        EXPECT_EQ(sceneFile != nullptr, scene->recordPending == 1);
        for (const auto& f : c.files) std::remove(path(f.first).c_str());
    }
}

TEST_F(SceneLoading, GroupMembersShareTheHeadsPlaceAndSpeed)
{
    ASSERT_TRUE(load(write("f.pof", inFolder(settings + "<scene_bloc> <anim_speed> 25 <load_object> '@/a.lwo' '@/b.lwo' "
                                                          "</load_object> </scene_bloc>"))));
    ASSERT_EQ(scene->objectCount, 3);
    SceneObject *a = scene->objects[1], *b = scene->objects[2];
    EXPECT_EQ(a->ringHead, a);
    EXPECT_EQ(b->ringHead, a);
    EXPECT_EQ(a->player->animSpeed, 25);
    EXPECT_EQ(b->player->animSpeed, 60);
}

TEST_F(SceneLoading, KeyValuesAndCameraNames)
{
    ASSERT_FALSE(load(write("a.pof", settings + cameraBlock)));
    KeyframePlayer* p = scene->camera->player;
    EXPECT_FLOAT_EQ(p->frames[0].position[0], 1.0f);
    EXPECT_FLOAT_EQ(p->frames[0].angles[2], 30.0f);
    EXPECT_FLOAT_EQ(p->frames[100].position[1], 5.25f);
    EXPECT_FLOAT_EQ(p->frames[100].angles[0], 90.0f);
    EXPECT_FLOAT_EQ(p->frames[100].angles[2], -45.0f);
    EXPECT_NEAR(p->frames[50].position[0], 1.0f + (-5.5f) * 49 / 99, 0.001f);  // built at the end

    renew();
    ASSERT_FALSE(load(write("b.pof", repeatedLines)));
    p = scene->camera->player;
    EXPECT_EQ(scene->findObject("MainCameraRig"), scene->camera);
    EXPECT_FLOAT_EQ(p->frames[8].position[0], 4.0f);
    EXPECT_FLOAT_EQ(p->frames[8].angles[0], 0.0f);
    EXPECT_FLOAT_EQ(p->frames[16].position[2], 9.0f);
    EXPECT_FLOAT_EQ(p->frames[20].position[0], 7.0f);
    EXPECT_FLOAT_EQ(p->frames[20].angles[1], 2.0f);

    // The camera takes the whole name, cut to 31 characters.
    renew();
    std::string name = "long " + std::string(40, 'c') + " Camera";
    ASSERT_FALSE(load(write("c.pof", v3 + "<name_selection> '" + name + "'\n")));
    EXPECT_EQ(std::string(scene->camera->name), name.substr(0, 31));

    // LightWave rows: channels then the frame; frames built between keys.
    renew();
    ASSERT_TRUE(load(write("d.lws", "LWSC 3 CameraMotion c 9 2 1 2 3 10 20 30 1 1 1 0 0 0 0 0 4 5 6 0 0 90 1 1 1 30 0 0 0 0")));
    p = scene->camera->player;
    EXPECT_FLOAT_EQ(p->frames[30].position[2], 6.0f);
    EXPECT_FLOAT_EQ(p->frames[30].angles[2], 90.0f);
    EXPECT_FLOAT_EQ(p->frames[0].angles[1], 20.0f);
    EXPECT_NEAR(p->frames[15].position[0], 1.0f + 3.0f * 14 / 29, 1e-4f);
}

TEST_F(SceneLoading, VersionThreeReadRecordByRecord)
{
    std::string p = write("records.pof", v3 + "<name_selection> 'camera' <keyframe> 2 <pos> 1 0 0 <ang> 0 0 0 <end>\n"
                                              "<name_selection> 'camera' <keyframe> 4 <pos> 2 0 0 <ang> 0 0 0 <end>\n");
    std::string out = reports([&] { EXPECT_TRUE(scene->readSceneFile(p.c_str())); });
    EXPECT_NE(out.find("<Chargement d'un .pof en Version 3, Camera par defaut>"), std::string::npos);
    EXPECT_EQ(summary(scene), "camera:2@2 pending");

    // The second call goes on where the first stopped, whatever path it gets.
    out = reports([&] { EXPECT_TRUE(scene->readSceneFile("no/such/file.pof")); });
    EXPECT_NE(out.find("<chargement Record Suivant>"), std::string::npos);
    EXPECT_EQ(summary(scene), "camera:4@2,4 pending");
    EXPECT_FALSE(scene->readSceneFile(p.c_str()));
    EXPECT_EQ(summary(scene), "camera:4@2,4 lists");
    EXPECT_EQ(sceneFile, nullptr);
    EXPECT_TRUE(scene->readSceneFile(p.c_str()));  // from the start again

    // Another scene takes the open file over: the first starts again from the top.
    Scene* other = new Scene();
    EXPECT_TRUE(other->readSceneFile(p.c_str()));
    EXPECT_EQ(summary(other), "camera:2@2 pending");
    delete other;
    renew();
    EXPECT_TRUE(scene->readSceneFile(p.c_str()));
    EXPECT_EQ(summary(scene), "camera:2@2 pending");

}

TEST_F(SceneLoading, VersionIsKeptForAFileWithoutVersionLine)
{
    EXPECT_TRUE(load(write("v4.pof", settings)));
    // As version 4 the <end> is skipped: both keys, and the end of the file.
    EXPECT_FALSE(load(write("bare.pof", "Pomo_Object_File\n<name_selection> 'camera' <keyframe> 3 <pos> 1 1 1 <ang> 0 0 0 <end>\n"
                                        "<keyframe> 6 <pos> 2 2 2 <ang> 0 0 0\n")));
    EXPECT_EQ(summary(scene), "camera:6@3,6 lists ratio 1.75");
}

TEST_F(SceneLoading, OverlongWordsNamesAndNumbersStayInBounds)
{
    std::string name(300, 'n');
    std::string p = write("long.pof", v3 + std::string(5000, 'w') + " <name_selection> '" + name + "'\n"
                                      "<name_selection> 'camera' <keyframe> 99999999999 <pos> 1e39 nan 3 <ang> 1 1 1\n"
                                      "<keyframe> -5 <pos> 1 1 1 <ang> 2 2 2 <keyframe> 2 <pos> 1 2\n");
    std::string out = reports([&] { EXPECT_FALSE(scene->readSceneFile(p.c_str())); });
    // The warning is the name cut to 127 characters, then cut again to fit 127.
    size_t at = out.find("Attention, <" + name.substr(0, 127));
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(out.find(">\n", at) - (at + 12), 127u);
    EXPECT_LE(scene->camera->player->lastFrame, maxKeyFrame);
}

TEST_F(SceneLoading, LightWaveScenesNestOnlySoDeep)
{
    // Each scene of the chain that was read gave the camera its key, the
    // deepest first, so frame 0 is the one left.
    for (int i = 0; i < maxLoadNesting + 2; ++i)
        write("chain" + std::to_string(i) + ".lws",
              "LWSC 3\nLoadObject " + path("chain" + std::to_string(i + 1) + ".lws") + "\n" + cameraKey(i));
    std::string out = reports([&] { EXPECT_TRUE(load(path("chain0.lws"))); });
    EXPECT_NE(out.find("chain" + std::to_string(maxLoadNesting) + ".lws' Scenes Lightwave trop imbriquees, refuse>"),
              std::string::npos);
    EXPECT_EQ(summary(scene), "camera:0@0");
}

}  // namespace
