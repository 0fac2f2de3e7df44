// LightWave scene items: a child following a moving, turning, scaled parent
// (through scene-view --items), layers by number, first-layout scenes left to
// their players, and parents that loop or name nothing.
#include "support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#define JSON_NOEXCEPTION
#include <nlohmann/json.hpp>

#include "lwitems.h"
#include "lwobwriter.h"

namespace {
using LightWaveItems = SceneFilesTest;

// One envelope of a channel: "value time shape" keys, constant both ways
// unless said.
std::string channel(int index, const std::vector<std::string>& keys, const std::string& behaviours = "1 1")
{
    std::string s = "Channel " + std::to_string(index) + "\n{ Envelope\n  " + std::to_string(keys.size()) + "\n";
    for (const std::string& k : keys) s += "  Key " + k + " 0 0 0 0 0 0\n";
    return s + "  Behaviors " + behaviours + "\n}\n";
}

using Json = nlohmann::json;

// A number of a JSON line; NaN for anything else.
double number(const Json& v) { return v.is_number() ? v.get<double>() : NAN; }

std::vector<int32_t> parentsOf(Scene* scene)
{
    std::vector<int32_t> parents;
    if (LwSceneItems* items = lwSceneItemsOf(scene))
        for (const auto& item : items->items) parents.push_back(item->parent);
    return parents;
}

// scene-view's item lines, each a JSON object (a line that is not is a failure).
std::vector<Json> itemLines(const std::string& arguments)
{
    std::vector<Json> lines;
    FILE* pipe = popen((SCENE_VIEW " " + arguments).c_str(), "r");
    if (!pipe) return lines;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        Json line = Json::parse(buffer, nullptr, false);
        if (line.is_object()) lines.push_back(line);
        else ADD_FAILURE() << buffer;
    }
    EXPECT_EQ(pclose(pipe), 0) << arguments;
    return lines;
}

// The cube comes before its parent, a null that moves x 0 -> 2, turns
// heading 0 -> pi/2 over one second and is scaled by 2; the cube stands at
// x = 1 of it. A null under the cube turns by bank pi/2 about its pivot
// (0, 1, 0) placed at (0, 1, 0): its origin goes to (1, 1, 0) of the cube.
TEST_F(LightWaveItems, ChildFollowsAMovingTurningScaledParent)
{
    std::string cube = writeObject("cube.lwo", {fixtureSurface("Grey")}, {cubeLayer()});
    write("family.lws", "LWSC\n5\nFirstFrame 0\nLastFrame 30\nFramesPerSecond 30\n"
                        "LoadObjectLayer 1 10000000 " + cube + "\nObjectMotion\nNumChannels 1\n" + channel(0, {"1 0 0"}) +
                        "ParentItem 10000001\n"
                        "AddNullObject 10000001 Parent\nObjectMotion\nNumChannels 9\n" +
                        channel(0, {"0 0 0", "2 1 3"}) + channel(3, {"0 0 0", "1.5707963267948966 1 3"}) +
                        channel(6, {"2 0 0"}) + channel(7, {"2 0 0"}) + channel(8, {"2 0 0"}) +
                        "AddNullObject 10000002 Grandchild\nParentItem 10000000\nPivotPosition 0 1 0\n"
                        "ObjectMotion\nNumChannels 6\n" + channel(1, {"1 0 0"}) + channel(5, {"1.5707963267948966 0 0"}) +
                        "AddCamera 30000000\nZoomFactor 1\n");
    const double r = std::sqrt(0.5);
    struct { int ms, item; double xyz[3]; } cases[] = {
        {0, 0, {2, 0, 0}},     {0, 1, {0, 0, 0}},     {500, 0, {1 + 2 * r, 0, -2 * r}}, {1000, 0, {2, 0, -2}},
        {1000, 2, {2, 2, -4}}, {-500, 0, {2, 0, 0}},  // before the first key: constant
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.ms) + " ms, item " + std::to_string(c.item));
        std::vector<Json> lines = itemLines(path("family.lws") + " --items --at " + std::to_string(c.ms));
        ASSERT_EQ(lines.size(), 4u);
        Json& line = lines[c.item];
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(number(line["world"][k]), c.xyz[k], 1e-5) << k;
            EXPECT_EQ(line["matrix"][k][3], line["world"][k]);
        }
    }
    std::vector<Json> lines = itemLines(path("family.lws") + " --items --at 1000");
    ASSERT_EQ(lines.size(), 4u);
    Json described = Json::array();
    for (Json& line : lines) described.push_back({line["name"], line["kind"], line["parent"]});
    EXPECT_EQ(described, Json::parse(R"([[")" + cube + R"(","object",1],["Parent","null",null],["Grandchild","null",0],)"
                                     R"(["Camera","camera",null]])"));
    // The parent's own channels: x 2, heading pi/2, scale 2.
    EXPECT_EQ(lines[1]["own"], Json::parse("[2,0,0,1.5707963267948966,0,0,2,2,2]"));

    // In the engine: the cube is placed by its matrix, the camera's zoom
    // factor 1 is a 90 degree view.
    ASSERT_TRUE(load(path("family.lws")));
    scene->setAnimationTime(1.0);
    const SceneObject* placed = scene->objects[scene->objectCount - 1];
    EXPECT_EQ(placed->hasMatrix, 1);
    EXPECT_NEAR(placed->matrix[3], 2, 1e-5);
    EXPECT_NEAR(placed->matrix[11], -2, 1e-5);
    EXPECT_NEAR(scene->fieldOfView, 90, 1e-4);
}

// "LoadObjectLayer N" shows the layer Modeler numbers N, alone: LWO2 files
// number layers from 0 (here 3, 4, 2, 1, each named by its number), LWLO
// files from 1 (here 2, 1). A missing one is a warning; the first is shown.
TEST_F(LightWaveItems, LoadObjectLayerNamesModelersLayerNumber)
{
    std::vector<LwwLayer> layers;
    for (int n : {3, 4, 2, 1}) layers.push_back(triangleLayer("n" + std::to_string(n))), layers.back().number = n;
    writeObject("four.lwo", {fixtureSurface("Grey")}, layers);
    const std::vector<unsigned char> lwlo = lwloObject({layers[2], layers[3]});
    write("two.lwo", std::string(lwlo.begin(), lwlo.end()));
    for (const char* c : {"four.lwo 2 n1", "four.lwo 3 n2", "four.lwo 4 n3", "four.lwo 5 n4", "four.lwo 1 n3 missing",
                          "two.lwo 1 n1", "two.lwo 2 n2", "two.lwo 3 n2 missing"}) {
        std::istringstream in(c);
        std::string object, layer, expected, missing, shown;
        in >> object >> layer >> expected >> missing;
        write("layer.lws", "LWSC\n5\nLoadObjectLayer " + layer + " 10000000 " + path(object) + "\n");
        renew();
        std::string out = reports([&] { ASSERT_TRUE(load(path("layer.lws"))); });
        EXPECT_EQ(out.find("couche absente") == std::string::npos, missing.empty()) << c;
        for (int32_t i = 1; i < scene->objectCount; ++i)
            if (scene->objects[i]->visible) shown += scene->objects[i]->name + std::string(" ");
        EXPECT_EQ(shown.substr(0, 2) + " " + std::to_string(std::count(shown.begin(), shown.end(), ' ')), expected + " 1") << c;
    }
}

// A scene in the first layout is left to the players (objects turned in
// LightWave's order), its items only described (angles in radians); a frame
// is a 10 ms tick, or the file's rate gives it. An object's motion moves all
// its layers; a null's is its own.
TEST_F(LightWaveItems, FirstLayoutMotionsAndRates)
{
    std::string two = writeObject("two.lwo", {fixtureSurface("Grey")}, {cubeLayer(), triangleLayer("Second")});
    for (const std::string last : {"100", "25"}) {
        auto motion = [&](const char* from, const char* to) {
            return "ObjectMotion m\n9\n2\n" + std::string(from) + " 2 3 90 0 0 1 1 1 0 0 0 0 0\n" + to + " 2 3 0 0 0 1 1 1 " +
                   last + " 0 0 0 0\n";
        };
        write("first.lws", "LWSC\n1\nLastFrame " + last + (last == "25" ? "\nFramesPerSecond 25" : "") + "\nLoadObject " +
                               two + "\n" + motion("1", "3") + "AddNullObject Mover\n" + motion("0", "-3") +
                               "AddLight\nLightName KeyLight\nAddCamera\nCameraMotion (unnamed)\n  9\n  1\n"
                               "  4 5 6 0 0 0 1 1 1\n  0 0 0 0 0\nZoomFactor 1.5\n");
        renew();
        ASSERT_TRUE(load(path("first.lws")));
        LwSceneItems* items = lwSceneItemsOf(scene);
        ASSERT_TRUE(items && !items->placing);
        EXPECT_DOUBLE_EQ(items->lastSeconds, 1.0) << last;
        scene->setAnimationTime(0.5);
        for (int32_t i = 1; i < scene->objectCount; ++i) {
            const SceneObject* o = scene->objects[i];
            EXPECT_TRUE(o->hasMatrix == 0 && o->headingFirst == 1 && o->player->frames[0].position[0] == 1) << last << i;
            EXPECT_EQ(keyFramesOf(o->player), (std::vector<int>{0, 100})) << last;
        }
        double own[9], mover[9];
        lwItemOwn(items->items[0].get(), 0.5, own);
        lwItemOwn(items->items[1].get(), 0.5, mover);
        EXPECT_NEAR(own[0], 2, 1e-6);
        EXPECT_NEAR(own[3], 3.14159265358979 / 4, 1e-6);
        EXPECT_NEAR(mover[0], -1.5, 1e-6);
        // "AddLight" and "AddCamera" alone on their line leave the next line to itself.
        ASSERT_EQ(items->items.size(), 4u);
        EXPECT_STREQ(items->items[2]->name, "KeyLight");
        lwItemOwn(items->items[3].get(), 0, own);
        EXPECT_EQ((std::vector<double>(own, own + 3)), (std::vector<double>{4, 5, 6}));
        EXPECT_NEAR(scene->fieldOfView, 67.380135, 1e-4);  // 2 atan(1 / 1.5)
    }
    EXPECT_EQ(scene->camera->headingFirst, 0);
}

// Loops and missing parents are warnings naming the line; the item is then
// without a parent, and placing the scene ends.
TEST_F(LightWaveItems, ParentLoopsAndMissingParentsAreWarned)
{
    write("loop.lws", "LWSC\n5\n"
                      "AddNullObject 10000000 A\nParentItem 10000001\n"  // lines 3, 4
                      "AddNullObject 10000001 B\nParentItem 10000000\n"  // lines 5, 6
                      "AddNullObject 10000002 C\nParentItem 1000000f\n"  // lines 7, 8
                      "AddNullObject D\nParentObject 9\n"                // lines 9, 10
                      "AddNullObject E\nParentItem 10000004\n");         // lines 11, 12: itself
    std::string out = reports([&] { ASSERT_TRUE(load(path("loop.lws"))); });
    for (const char* w : {"ligne 4: boucle de parents, parent ignore>", "ligne 8: parent inexistant, ignore>",
                          "ligne 10: parent inexistant, ignore>", "ligne 12: boucle de parents, parent ignore>"})
        EXPECT_NE(out.find(std::string("loop.lws' ") + w), std::string::npos) << w << "\n" << out;
    EXPECT_EQ(parentsOf(scene), (std::vector<int32_t>{-1, 0, -1, -1, -1}));
    scene->setAnimationTime(1.0);
}

// --items -v: the JSON alone on standard output, the warnings (keys out of
// order, line 25) on standard error. A motion that overflows (offset repeat
// of x and scale x by 1e308 a second, at 1000 s) gives infinities and, in
// the matrices, inf * 0: each is null in JSON. Names in Latin-1 and in UTF-8
// both come out as UTF-8.
TEST_F(LightWaveItems, ItemsPrintJsonAloneWithWarningsBeside)
{
    write("far.lws", "LWSC\n5\nAddNullObject 10000000 Far\xE9\nObjectMotion\nNumChannels 7\n" +
                         channel(0, {"0 0 0", "1e308 1 3"}, "1 4") + channel(6, {"1 0 0", "1e308 1 3"}, "1 4") +
                         "AddNullObject 10000001 Child\xC3\xA9\nParentItem 10000000\nObjectMotion\nNumChannels 2\n" +
                         channel(1, {"1 1 0", "1 0 0"}));
    std::vector<Json> lines = itemLines(path("far.lws") + " --items -v --at 1000000 2>" + path("err"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["name"], "Far\xC3\xA9");
    EXPECT_EQ(lines[1]["name"], "Child\xC3\xA9");
    EXPECT_EQ(lines[0]["own"], Json::parse("[null,0,0,0,0,0,null,1,1]"));
    EXPECT_EQ(lines[1]["own"], Json::parse("[0,1,0,0,0,0,1,1,1]"));
    for (Json& line : lines) EXPECT_EQ(line["world"][0], nullptr);
    const std::string err = readWholeFile(path("err"));
    EXPECT_NE(err.find("far.lws' ligne 25: cles dans le desordre, triees>"), std::string::npos) << err;
}

// Parents by the ids the items were given: the kind's digit, then for bones
// the bone number (bits 16-27) and the object's (bits 0-15). Baked ids may
// skip numbers; an item written without one is numbered in file order
// within its kind. A bone without "ParentItem" hangs under its object.
TEST_F(LightWaveItems, ParentsByTheIdsTheItemsWereGiven)
{
    write("ids.lws", "LWSC\n5\nLoadObjectLayer 1 10000000 none.lwo\n"  // 0
                     "AddBone\nAddBone\nAddBone\nParentItem 40010000\n"  // 1, 2 under 0; 3 under 2
                     "AddNullObject 10000003 B\nAddLight 20000000\nParentItem 10000003\n"  // 4; 5 under 4
                     "LoadObjectLayer 1 10000007 none.lwo\nAddBone\n"    // 6; 7 under 6
                     "AddCamera 30000000\nParentItem 40000007\n");       // 8 under 7
    ASSERT_TRUE(load(path("ids.lws")));
    EXPECT_EQ(parentsOf(scene), (std::vector<int32_t>{-1, 0, 0, 2, -1, 4, -1, 6, 7}));
}
}  // namespace
