// LightWave scenes read into their record and evaluated without the engine:
// items and parents, a child following a moving, turning, scaled parent, the
// three motion layouts, lines and warnings by line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "lightwave.h"
#include "lwscene.h"
#include "test_support.h"

namespace {
typedef std::unique_ptr<LwScene, decltype(&freeLwScene)> Scene;

Scene readText(const std::string& text, const char* name = "t.lws")
{
    return Scene(readLwSceneMemory(text.data(), text.size(), name), freeLwScene);
}

// The warnings, "line: text" each.
std::vector<std::string> warnings(const LwScene* s)
{
    std::vector<std::string> out;
    for (int32_t i = 0; i < s->warningCount; ++i) out.push_back(std::to_string(s->warnings[i].line) + ": " + s->warnings[i].text);
    return out;
}

std::vector<int32_t> parents(const LwScene* s)
{
    std::vector<int32_t> out;
    for (int32_t i = 0; i < s->itemCount; ++i) out.push_back(s->items[i].parent);
    return out;
}

// World matrices of every item at `seconds`.
std::vector<double> world(LwScene* s, double seconds)
{
    std::vector<double> m(12 * s->itemCount);
    std::vector<int32_t> scratch(2 * s->itemCount);
    lwSceneWorld(s, seconds, m.data(), scratch.data());
    return m;
}

std::vector<double> own(LwScene* s, int32_t item, double seconds)
{
    std::vector<double> v(9);
    lwItemOwn(&s->items[item], seconds, v.data());
    return v;
}

// cases/family.lws: the cube comes before its parent, a null that moves x 0 -> 2, turns
// heading 0 -> pi/2 over one second and is scaled by 2; the cube stands at
// x = 1 of it. A null under the cube turns by bank pi/2 about its pivot
// (0, 1, 0) placed at (0, 1, 0): its origin goes to (1, 1, 0) of the cube.
TEST(LwScene, ChildFollowsAMovingTurningScaledParent)
{
    Scene s(readLwScene(LWT_DIR "/cases/family.lws"), freeLwScene);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->version, 5);
    EXPECT_EQ(s->lastFrame, 30);
    EXPECT_EQ(s->framesPerSecond, 30);
    EXPECT_EQ(s->frameWidth, 720);
    EXPECT_EQ(s->frameHeight, 576);
    ASSERT_EQ(s->itemCount, 4);
    EXPECT_EQ(parents(s.get()), (std::vector<int32_t>{1, -1, 0, -1}));
    const LwItemKind kinds[] = {lwItemObject, lwItemNull, lwItemNull, lwItemCamera};
    const char* names[] = {"cube.lwo", "Parent", "Grandchild", "Camera"};
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(s->items[i].kind == kinds[i] && std::string(s->items[i].name) == names[i]) << i;
    EXPECT_EQ(s->items[0].layer, 1);
    EXPECT_EQ(s->items[0].line, 6);
    EXPECT_EQ(s->items[3].zoom, 1);
    EXPECT_EQ(s->warningCount, 0);
    const double r = std::sqrt(0.5);
    struct { double seconds; int item; double xyz[3]; } cases[] = {
        {0, 0, {2, 0, 0}},     {0, 1, {0, 0, 0}},     {0.5, 0, {1 + 2 * r, 0, -2 * r}}, {1, 0, {2, 0, -2}},
        {1, 2, {2, 2, -4}}, {-0.5, 0, {2, 0, 0}},  // before the first key: constant
    };
    for (const auto& c : cases) {
        const std::vector<double> m = world(s.get(), c.seconds);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(m[12 * c.item + 4 * k + 3], c.xyz[k], 1e-9) << c.seconds << " " << c.item;
    }
    // The parent's own channels: x 2, heading pi/2, scale 2.
    EXPECT_EQ(own(s.get(), 1, 1), (std::vector<double>{2, 0, 0, 1.5707963267948966, 0, 0, 2, 2, 2}));
    EXPECT_NEAR(lwZoomFieldOfView(1), 90, 1e-12);
}

// Parents by the ids the items were given: the kind's digit, then for bones
// the bone number (bits 16-27) and the object's (bits 0-15). Baked ids may
// skip numbers; an item written without one is numbered in file order
// within its kind. A bone without "ParentItem" hangs under its object.
// Loops and missing parents are warnings naming the line, through the log
// too; the item is then without a parent.
TEST(LwScene, ParentsByIdsLoopsAndMissingParents)
{
    Scene ids = readText("LWSC\n5\nLoadObjectLayer 1 10000000 none.lwo\n"  // 0
                         "AddBone\nAddBone\nAddBone\nParentItem 40010000\n"  // 1, 2 under 0; 3 under 2
                         "AddNullObject 10000003 B\nAddLight 20000000\nParentItem 10000003\n"  // 4; 5 under 4
                         "LoadObjectLayer 1 10000007 none.lwo\nAddBone\n"    // 6; 7 under 6
                         "AddCamera 30000000\nParentItem 40000007\n");       // 8 under 7
    EXPECT_EQ(parents(ids.get()), (std::vector<int32_t>{-1, 0, 0, 2, -1, 4, -1, 6, 7}));
    std::string log;
    lwSetLog([](LwLogLevel level, const char* line, void* to) {
        if (level == lwLogWarning) *static_cast<std::string*>(to) += line + std::string("\n");
    }, &log);
    Scene loop = readText("LWSC\n5\n"
                          "AddNullObject 10000000 A\nParentItem 10000001\n"  // lines 3, 4
                          "AddNullObject 10000001 B\nParentItem 10000000\n"  // lines 5, 6
                          "AddNullObject 10000002 C\nParentItem 1000000f\n"  // lines 7, 8
                          "AddNullObject D\nParentObject 9\n"                // lines 9, 10
                          "AddNullObject E\nParentItem 10000004\n", "loop.lws");  // lines 11, 12: itself
    lwSetLog(nullptr, nullptr);
    EXPECT_EQ(warnings(loop.get()), (std::vector<std::string>{"8: parent inexistant, ignore", "10: parent inexistant, ignore",
                                                              "4: boucle de parents, parent ignore", "12: boucle de parents, parent ignore"}));
    EXPECT_NE(log.find("'loop.lws' ligne 4: boucle de parents, parent ignore\n"), std::string::npos) << log;
    EXPECT_EQ(parents(loop.get()), (std::vector<int32_t>{-1, 0, -1, -1, -1}));
    world(loop.get(), 1);
}

// The first layout: rows kept as written and made linear envelopes (angles
// in degrees) at the file's rate, a frame a 10 ms tick without one.
// "AddLight" and "AddCamera" alone on their line leave the next line to itself.
TEST(LwScene, FirstLayoutRowsAndRates)
{
    for (const std::string last : {"100", "25"}) {
        auto motion = [&](const char* from, const char* to) {
            return "ObjectMotion m\n9\n2\n" + std::string(from) + " 2 3 90 0 0 1 1 1 0 0 0 0 0\n" + to + " 2 3 0 0 0 1 1 1 " +
                   last + " 0 0 0 0\n";
        };
        Scene s = readText("LWSC\n1\nLastFrame " + last + (last == "25" ? "\nFramesPerSecond 25" : "") +
                           "\nLoadObject two.lwo\n" + motion("1", "3") + "AddNullObject Mover\n" + motion("0", "-3") +
                           "AddLight\nLightName KeyLight\nAddCamera\nCameraMotion (unnamed)\n  9\n  1\n"
                           "  4 5 6 0 0 0 1 1 1\n  0 0 0 0 0\nZoomFactor 1.5\n");
        ASSERT_TRUE(s && s->itemCount == 4);
        EXPECT_DOUBLE_EQ(s->lastFrame * lwSceneSecondsPerFrame(s.get()), 1.0) << last;
        const LwMotionRows& rows = s->items[0].rowBlocks[0];
        ASSERT_TRUE(s->items[0].layout == lwMotionRows && s->items[0].rowBlockCount == 1 && rows.keys == 2 && rows.length == 14);
        EXPECT_EQ(rows.rows[14 + 9], std::stof(last));
        EXPECT_NEAR(own(s.get(), 0, 0.5)[0], 2, 1e-9);
        EXPECT_NEAR(own(s.get(), 0, 0.5)[3], 3.14159265358979 / 4, 1e-9);
        EXPECT_NEAR(own(s.get(), 1, 0.5)[0], -1.5, 1e-9);
        EXPECT_STREQ(s->items[2].name, "KeyLight");
        EXPECT_EQ(own(s.get(), 3, 0), (std::vector<double>{4, 5, 6, 0, 0, 0, 1, 1, 1}));
        EXPECT_EQ(s->items[3].zoom, 1.5f);
    }
}

// A block: channel count N, key count K, K rows of N + 5 reals; anything
// short of that is no keys.
TEST(LwScene, MotionBlockRowsAndRefusals)
{
    Scene s = readText("LWSC 3 CameraMotion c\n6 2\n1 2 3 4 5 6\n0 0 0 0 0\n7 8 9 10 11 12 25.9 0 0 0 0\n");
    ASSERT_TRUE(s && s->itemCount == 1 && s->items[0].rowBlockCount == 1);
    const LwMotionRows& b = s->items[0].rowBlocks[0];
    ASSERT_TRUE(b.rows && b.keys == 2 && b.length == 11);
    EXPECT_EQ(std::vector<float>(b.rows, b.rows + 22),
              (std::vector<float>{1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 7, 8, 9, 10, 11, 12, 25.9f, 0, 0, 0, 0}));
    for (const char* text : {"0 3 1 2 3", "9 0", "9 -1", "9 2 1 2 3", "", "x y", "9 99999999"}) {
        s = readText(std::string("LWSC 3\nCameraMotion c ") + text);
        ASSERT_TRUE(s && s->items[0].rowBlockCount == 1) << text;
        EXPECT_EQ(s->items[0].rowBlocks[0].rows, nullptr) << text;
        EXPECT_THAT(warnings(s.get()), testing::Contains("2: Pas de keyframes")) << text;
    }
}

// Lines end at LF, CR LF or a CR alone; names keep every other byte, without
// the blanks at either end. Refusals say why.
TEST(LwScene, LinesNamesAndRefusals)
{
    Scene s = readText("LWSC\r\n3\rAddNullObject   Objets\\a b \t\r\nAddNullObject n\xFFme\n\nAddLight\nLightName Key\n"
                       "AddNullObject X\nParentItem 10000009");
    ASSERT_TRUE(s && s->itemCount == 4);
    const char* names[] = {"Objets\\a b", "n\xFFme", "Key"};
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(s->items[i].name, names[i]);
    EXPECT_EQ(warnings(s.get()), std::vector<std::string>{"9: parent inexistant, ignore"});
    const char* reason = nullptr;
    EXPECT_EQ(readLwSceneMemory("LWO2", 4, "x", &reason), nullptr);
    EXPECT_STREQ(reason, "not a LightWave scene (no LWSC)");
    EXPECT_EQ(readLwScene("/nonexistent/x.lws", &reason), nullptr);
    EXPECT_STREQ(reason, "cannot read the file");
}

// The same motion in the interim and the newer layouts, from Debian's samples.
TEST(LwScene, InterimAndNewerLayoutsOfOneMotionAgree)
{
    const std::string samples = "/usr/share/assimp/models/LWS/";
    std::vector<std::vector<double>> reference;
    for (const char* name : {"move_x.lws", "move_x_oldformat_6.lws", "move_x_oldformat_56.lws"}) {
        Scene s(readLwScene((samples + name).c_str()), freeLwScene);
        if (!s) GTEST_SKIP() << "no " << samples << name;
        EXPECT_EQ(s->warningCount, 0) << name;
        ASSERT_GT(s->itemCount, 0) << name;
        // The start, through both spans, after the last key.
        std::vector<std::vector<double>> at;
        for (double t : {0.0, 0.33, 0.67, 1.0, 1.33, 2.0}) {
            const std::vector<double> m = world(s.get(), t);
            at.push_back({m[3], m[7], m[11], own(s.get(), 0, t)[3]});
        }
        // Keys 0 at 0 s and -2.3749 at 1.333 s; y stays at -0.04; constant after.
        EXPECT_NEAR(at[0][0], 0, 1e-4) << name;
        EXPECT_NEAR(at[5][0], -2.3748658, 1e-4) << name;
        EXPECT_NEAR(at[3][1], -0.04, 1e-4) << name;
        if (reference.empty()) reference = at;
        for (size_t i = 0; i < at.size(); ++i)
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(at[i][c], reference[i][c], 1e-4) << name << " sample " << i;
    }
}

// An interim motion may hold fewer than the nine channels: here x alone,
// 1.5 to -1.5 over a linear second. A "Key" may stop after its shape: the
// missing parameters are 0, not the key before's.
TEST(LwScene, InterimOfOneChannelAndShortKeys)
{
    Scene s = readText("LWSC\n2\nLoadObject cube.lwo\nObjectMotion (unnamed)\n1\n2\n1.5 0 3 0 0 0\n-1.5 1 3 0 0 0\n");
    ASSERT_TRUE(s && s->items[0].layout == lwMotionInterim);
    EXPECT_EQ(s->warningCount, 0);
    EXPECT_NEAR(world(s.get(), 0.5)[3], 0, 1e-12);
    EXPECT_NEAR(world(s.get(), 1)[3], -1.5, 1e-12);
    s = readText("LWSC\n5\nLoadObjectLayer 1 10000000 none.lwo\nObjectMotion\nNumChannels 1\nChannel 0\n"
                 "{ Envelope\n  2\n  Key 0 0 0 0.5 0.25 -0.5 1 2 3\n  Key 1 1 0\n}\n");
    const LwChannelEnvelope& e = s->items[0].channels[0];
    ASSERT_EQ(e.count, 2);
    EXPECT_EQ(std::vector<float>(e.keys[0].p, e.keys[0].p + 6), (std::vector<float>{0.5f, 0.25f, -0.5f, 1, 2, 3}));
    EXPECT_EQ(std::vector<float>(e.keys[1].p, e.keys[1].p + 6), std::vector<float>(6, 0.0f));
    // A second interim channel that cannot be read keeps the first: a warning, and keys.
    s = readText("LWSC\n2\nLoadObject cube.lwo\nObjectMotion (unnamed)\n2\n1\n1.5 0 3 0 0 0\n1\n2 x\n");
    EXPECT_EQ(warnings(s.get()), (std::vector<std::string>{"7: cles du canal illisibles"}));
    EXPECT_EQ(s->items[0].channels[0].count, 1);
}

// Each defect is a warning naming its line; the file is still read.
TEST(LwScene, MalformedEnvelopesAreWarnedByLine)
{
    // Lines 1 to 6; the envelope block starts on line 7.
    const std::string head = "LWSC\n5\nLoadObjectLayer 1 10000000 cube.lwo\nObjectMotion\nNumChannels 1\nChannel 0\n";
    const std::string longLine(5000, '7');
    struct Case {
        std::string body, warning;
    } cases[] = {
        {"{ Envelope\n  3\n  Key 1 0 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n", "7: 3 cles annoncees, 1 lues"},
        {"{ Envelope\n  2000000000\n  Key 1 0 0 0 0 0 0 0 0\n}\n", "7: 2000000000 cles annoncees, 1 lues"},
        {"{ Envelope\n  2\n  Key 1 2 3 0 0 0 0 0 0\n  Key 0 1 3 0 0 0 0 0 0\n}\n", "7: cles dans le desordre, triees"},
        {"{ Envelope\n  1\n  Key 1 0 17 0 0 0 0 0 0\n}\n", "7: forme de segment inconnue, prise comme TCB"},
        {"{ Envelope\n  1\n  Key 1 0 0 0 0 0 0 0 0\n  Behaviors 1 9\n}\n", "7: comportement inconnu, pris comme constant"},
        {"{ Envelope\n  1\n  Key 1 0\n}\n", "9: cle incomplete, ignoree"},
        {"{ Envelope\n  1\n  Key 1 0 0 0 0 0 0 0 0\n", "7: '{' sans '}'"},
        {"{ Envelope\n  1\n  Key 1 0 0 0 0 0 0 0 0\nChannel 1\n{ Envelope\n  0\n}\n", "10: '{' sans '}'"},
        {"Key 1 0 0 0 0 0 0 0 0\n", "7: '{ Envelope' attendu"},
        {"{ Envelope\n  1\n  Key " + longLine + " 0 0 0 0 0 0 0 0\n}\n", "9: ligne trop longue, coupee"},
        {"{ Envelope\n}\nChannel 12\n{ Envelope\n}\n", "9: canal hors des neuf ou repete, ignore"},
    };
    for (const Case& c : cases) {
        Scene s = readText(head + c.body);
        ASSERT_TRUE(s);
        EXPECT_THAT(warnings(s.get()), testing::Contains(c.warning));
    }
    Scene s = readText("LWSC\n5\nLoadObjectLayer 1 cube.lwo\nObjectMotion\nNumChannels 99999999\nChannel 0\n");
    EXPECT_THAT(warnings(s.get()), testing::Contains("5: nombre de canaux invalide"));
}
}  // namespace
