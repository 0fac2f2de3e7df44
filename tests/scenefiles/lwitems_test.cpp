// LightWave scene items in the engine: a child following a moving, turning,
// scaled parent (placed, and through scene-view --items), layers by number,
// first-layout scenes left to their players. The record itself is checked in
// tests/lightwave/lwscene_test.cpp.
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

// The numbers after `key` in a JSON line, up to `count`.
std::vector<double> numbers(const std::string& line, const std::string& key, int count)
{
    std::vector<double> out;
    size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) return out;
    const char* s = line.c_str() + at + key.size() + 3;
    while (static_cast<int>(out.size()) < count) {
        while (*s == '[' || *s == ']' || *s == ',') ++s;
        char* end = nullptr;
        double v = std::strtod(s, &end);
        if (end == s) break;
        out.push_back(v);
        s = end;
    }
    return out;
}

std::vector<std::string> itemLines(const std::string& arguments)
{
    std::vector<std::string> lines;
    FILE* pipe = popen((SCENE_VIEW " " + arguments).c_str(), "r");
    if (!pipe) return lines;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) lines.push_back(buffer);
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
    std::vector<std::string> lines = itemLines(path("family.lws") + " --items --at 1000");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("\"kind\":\"object\",\"parent\":1,"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("{\"name\":\"Parent\",\"kind\":\"null\",\"parent\":null,"), std::string::npos) << lines[1];
    EXPECT_NE(lines[3].find("\"kind\":\"camera\""), std::string::npos) << lines[3];
    // The grandchild at (2, 2, -4), its matrix's last column the same; the
    // parent's own channels: x 2, heading pi/2, scale 2.
    std::vector<double> world = numbers(lines[2], "world", 3), matrix = numbers(lines[2], "matrix", 12);
    ASSERT_TRUE(world.size() == 3 && matrix.size() == 12);
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::fabs(world[k] - (k == 0 ? 2 : k == 1 ? 2 : -4)) < 1e-5 && matrix[4 * k + 3] == world[k]) << k;
    std::vector<double> own = numbers(lines[1], "own", 9);
    ASSERT_EQ(own.size(), 9u);
    EXPECT_TRUE(std::fabs(own[0] - 2) < 1e-9 && std::fabs(own[3] - 1.5707963267948966) < 1e-9 && std::fabs(own[8] - 2) < 1e-9);

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
// LightWave's order), its items only described; a frame is a 10 ms tick, or
// the file's rate gives it. An object's motion moves all its layers; a
// null's is its own.
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
        ASSERT_EQ(items->record->itemCount, 4);
        EXPECT_NEAR(scene->fieldOfView, 67.380135, 1e-4);  // 2 atan(1 / 1.5)
    }
    EXPECT_EQ(scene->camera->headingFirst, 0);
}

// --items -v: the JSON alone on standard output, the warnings (keys out of
// order, line 25) on standard error. A motion that overflows (offset repeat
// of x and scale x by 1e308 a second, at 1000 s) gives infinities and, in
// the matrices, inf * 0: each is null in JSON.
TEST_F(LightWaveItems, ItemsPrintJsonAloneWithWarningsBeside)
{
    write("far.lws", "LWSC\n5\nAddNullObject 10000000 Far\nObjectMotion\nNumChannels 7\n" +
                         channel(0, {"0 0 0", "1e308 1 3"}, "1 4") + channel(6, {"1 0 0", "1e308 1 3"}, "1 4") +
                         "AddNullObject 10000001 Child\nParentItem 10000000\nObjectMotion\nNumChannels 2\n" +
                         channel(1, {"1 1 0", "1 0 0"}));
    std::vector<std::string> lines = itemLines(path("far.lws") + " --items -v --at 1000000 2>" + path("err"));
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    EXPECT_NE(lines[0].find("\"own\":[null,0,0,0,0,0,null,1,1],\"world\":[null,"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\"own\":[0,1,0,0,0,0,1,1,1],\"world\":[null,"), std::string::npos) << lines[1];
    const std::string err = readWholeFile(path("err"));
    EXPECT_NE(err.find("far.lws' ligne 25: cles dans le desordre, triees\n"), std::string::npos) << err;
}

}  // namespace
