// Scene files and LightWave scenes loaded through Scene::load: the files of
// cases/load.txt and what each leaves in the Scene, then the readings that take
// several calls or need exact values, and the loading entry's name handling
// and file box.
#include "support.h"

#include <cstring>
#include <sstream>

#include "platform.h"
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
const std::string v3 = "Pomo_Object_File Version: 3\n";

struct FrameValues {
    std::string object;
    int frame = 0;
    float values[6] = {};  // position, then angles
};

struct LoadCase {
    std::string name, summary;
    bool result = false;
    std::vector<std::string> reports;
    std::vector<FrameValues> frames;
    std::vector<std::pair<std::string, std::string>> files;  // the first one is loaded
};

// The cases of cases/load.txt (its header gives the format).
std::vector<LoadCase> loadCases()
{
    std::vector<LoadCase> cases;
    std::string text = readWholeFile(SCENEFILES_CASES "/load.txt");
    for (size_t at = 0, eol; at < text.size(); at = eol + 1) {
        eol = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, eol - at);
        std::string rest = line.size() > 4 ? line.substr(4) : "";
        if (line.compare(0, 4, "=== ") == 0) cases.push_back({rest, "", false, {}, {}, {}});
        else if (cases.empty()) continue;
        else if (line.compare(0, 4, "--- ") == 0) cases.back().files.push_back({rest, ""});
        else if (!cases.back().files.empty()) {
            std::string& content = cases.back().files.back().second;
            if (line != "\\ no newline at end") content += line + "\n";
            else if (!content.empty()) content.pop_back();
        }
        else if (line.compare(0, 7, "result ") == 0) cases.back().result = line == "result true";
        else if (line.compare(0, 8, "summary ") == 0) cases.back().summary = line.substr(8);
        else if (line.compare(0, 7, "report ") == 0) {
            std::string report = line.substr(7);
            for (size_t n; (n = report.find("\\n")) != std::string::npos;) report.replace(n, 2, "\n");
            cases.back().reports.push_back(report);
        } else if (line.compare(0, 6, "frame ") == 0) {
            FrameValues f;
            std::istringstream in(line.substr(6));
            in >> f.object >> f.frame;
            for (float& v : f.values) in >> v;
            cases.back().frames.push_back(f);
        }
    }
    return cases;
}

TEST_F(SceneLoading, FilesLoadedInOneCall)
{
    std::vector<LoadCase> cases = loadCases();
    ASSERT_GE(cases.size(), 23u);
    size_t framesChecked = 0;
    for (const LoadCase& c : cases) {
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
        for (const std::string& report : c.reports) EXPECT_NE(out.find(inFolder(report)), std::string::npos) << out;
        EXPECT_EQ(summary(scene), c.summary);
        for (const FrameValues& f : c.frames) {
            SceneObject* o = scene->findObject(f.object.c_str());
            ASSERT_TRUE(o && o->player && f.frame <= o->player->lastFrame) << f.object;
            const Keyframe& k = o->player->frames[f.frame];
            ++framesChecked;
            for (int i = 0; i < 6; ++i)
                EXPECT_NEAR(i < 3 ? k.position[i] : k.angles[i - 3], f.values[i], 1e-3f) << f.object << " frame " << f.frame << " value " << i;
        }
        EXPECT_EQ(sceneFile != nullptr, scene->recordPending == 1);
        for (const auto& f : c.files) std::remove(path(f.first).c_str());
    }
    EXPECT_GE(framesChecked, 9u);
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
    // Every level read is closed again: a second load goes just as deep.
    out = reports([&] { EXPECT_TRUE(load(path("chain0.lws"))); });
    EXPECT_NE(out.find("chain" + std::to_string(maxLoadNesting) + ".lws' Scenes Lightwave trop imbriquees"), std::string::npos);
}

using LoadingEntry = SceneFilesTest;

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
