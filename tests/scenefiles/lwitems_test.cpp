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

// The JSON line of each item that scene-view --items prints.
std::vector<nlohmann::json> itemLines(const std::string& arguments)
{
    std::vector<nlohmann::json> lines;
    FILE* pipe = popen((SCENE_VIEW " " + arguments).c_str(), "r");
    if (!pipe) return lines;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        lines.push_back(nlohmann::json::parse(buffer, nullptr, false));
        EXPECT_FALSE(lines.back().is_discarded()) << buffer;
    }
    EXPECT_EQ(pclose(pipe), 0) << arguments;
    return lines;
}

// The scene of the record's test (tests/lightwave/cases/family.lws) shown by
// scene-view and placed in the engine.
TEST_F(LightWaveItems, ChildFollowsAMovingTurningScaledParent)
{
    writeObject("cube.lwo", {fixtureSurface("Grey")}, {cubeLayer()});
    write("family.lws", readWholeFile(LWT_CASES "/family.lws"));
    std::vector<nlohmann::json> lines = itemLines(path("family.lws") + " --items --at 1000");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]["kind"], "object");
    EXPECT_EQ(lines[0]["parent"], 1);
    EXPECT_EQ(lines[1]["name"], "Parent");
    EXPECT_EQ(lines[1]["kind"], "null");
    EXPECT_TRUE(lines[1]["parent"].is_null());
    EXPECT_EQ(lines[3]["kind"], "camera");
    // The grandchild at (2, 2, -4), its matrix's last column the same; the
    // parent's own channels: x 2, heading pi/2, scale 2.
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(std::fabs(lines[2]["world"][k].get<double>() - (k == 2 ? -4 : 2)) < 1e-5 &&
                    lines[2]["matrix"][k][3] == lines[2]["world"][k]) << lines[2];
    for (int k : {0, 3, 8}) EXPECT_NEAR(lines[1]["own"][k].get<double>(), k == 3 ? 1.5707963267948966 : 2, 1e-9);

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

// A first-layout block of three channels leaves the angles 0 (the frame and
// spline values after them are not angles); a light of an unknown type is
// distant; of ten lights the eight strongest by intensity x (r + g + b) are
// kept: the white (3) and the green (2) before six of the eight reds (1).
TEST_F(LightWaveItems, ShortBlocksUnknownLightsAndTheStrongestEight)
{
    std::string cube = writeObject("cube.lwo", {fixtureSurface("Grey")}, {cubeLayer()});
    std::string lights;
    for (int i = 0; i < 9; ++i) lights += "AddLight\nLightType 1\nLightColor " + std::string(i == 8 ? "0 510 0" : "255 0 0") + "\n";
    write("short.lws", "LWSC\n1\nLoadObject " + cube + "\nObjectMotion m\n3\n1\n1 2 3 0 8 9 10 11\n" + lights +
                           "AddLight\nLightType 7\n");
    ASSERT_TRUE(load(path("short.lws")));
    const Keyframe& k = scene->objects[1]->player->frames[0];
    EXPECT_EQ(std::vector<float>(k.position, k.position + 6), (std::vector<float>{1, 2, 3, 0, 0, 0}));
    SceneLight found[10];
    ASSERT_EQ(lwLightsAt(lwSceneItemsOf(scene), 0, found, 10), 10);
    EXPECT_EQ(found[9].kind, sceneLightDistant);
    scene->setLights(found, 10);
    std::vector<float> greens;
    for (int32_t i = 0; i < scene->lightCount; ++i) greens.push_back(scene->lights[i].colour[1]);
    EXPECT_EQ(greens, (std::vector<float>{1, 2, 0, 0, 0, 0, 0, 0}));
}

// --items -v: the JSON alone on standard output, the warnings (keys out of
// order, line 25) on standard error. A motion that overflows (offset repeat
// of x and scale x by 1e308 a second, at 1000 s) gives infinities and, in
// the matrices, inf * 0: each is null in JSON. Names in Latin-1 and in UTF-8
// both come out as UTF-8.
TEST_F(LightWaveItems, ItemsPrintJsonAloneWithWarningsBeside)
{
    write("far.lws", readWholeFile(SCENEFILES_CASES "/far.lws"));
    std::vector<nlohmann::json> lines = itemLines(path("far.lws") + " --items -v --at 1000000 2>" + path("err"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["name"], "Far\xC3\xA9");  // Latin-1 in the file
    EXPECT_EQ(lines[1]["name"], "Child\xC3\xA9");  // UTF-8 in the file
    EXPECT_EQ(lines[0]["own"].dump() + lines[0]["world"][0].dump(), "[null,0,0,0,0,0,null,1,1]null") << lines[0];
    EXPECT_EQ(lines[1]["own"].dump() + lines[1]["world"][0].dump(), "[0,1,0,0,0,0,1,1,1]null") << lines[1];
    const std::string err = readWholeFile(path("err"));
    EXPECT_NE(err.find("far.lws' ligne 25: cles dans le desordre, triees\n"), std::string::npos) << err;
}

}  // namespace
