// LightWave motions in the interim and the newer layouts: the same motion
// read from all three layouts, and malformed envelopes warned about by line.
#include "support.h"

#include "lwitems.h"

namespace {
using LightWaveLayouts = SceneFilesTest;

const std::string samples = "/usr/share/assimp/models/LWS/";

// The cube's x, y, z and heading at a clock tick, from the scene's items.
std::vector<float> at(Scene* scene, int tick)
{
    LwSceneItems* items = lwSceneItemsOf(scene);
    if (!items || items->items.empty()) return {};
    lwItemsWorld(items, tick / 100.0);
    double own[9];
    lwItemOwn(items->items[0].get(), tick / 100.0, own);
    const double* m = items->world.data();
    return {float(m[3]), float(m[7]), float(m[11]), float(own[3])};
}

// The first layout is left to the existing tests and the demo's scenes.
TEST_F(LightWaveLayouts, InterimAndNewerLayoutsOfOneMotionAgree)
{
    std::string cube = writeObject("cube.lwo", {fixtureSurface("Grey")}, {cubeLayer()});
    std::vector<std::vector<float>> reference;
    for (const char* name : {"move_x.lws", "move_x_oldformat_6.lws", "move_x_oldformat_56.lws"}) {
        std::string content = readWholeFile(samples + name);
        if (content.empty()) GTEST_SKIP() << "no " << samples << name;
        for (size_t at = content.find("simple_cube.lwo"); at != std::string::npos; at = content.find("simple_cube.lwo"))
            content.replace(at, 15, cube);
        write(name, content);
        renew();
        std::string out = reports([&] { ASSERT_TRUE(load(path(name))); });
        EXPECT_EQ(out.find("keyframes"), std::string::npos) << name << out;
        ASSERT_GT(scene->objectCount, 0) << name;
        // Ticks of 10 ms: the start, through both spans, after the last key.
        std::vector<std::vector<float>> samplesAt;
        for (int tick : {0, 33, 67, 100, 133, 200}) samplesAt.push_back(at(scene, tick));
        ASSERT_EQ(samplesAt[0].size(), 4u) << name;
        // Keys 0 at 0 s and -2.3749 at 1.333 s; y stays at -0.04; constant after.
        EXPECT_NEAR(samplesAt[0][0], 0, 1e-4) << name;
        EXPECT_NEAR(samplesAt[5][0], -2.3748658, 1e-4) << name;
        EXPECT_NEAR(samplesAt[3][1], -0.04, 1e-4) << name;
        if (reference.empty()) reference = samplesAt;
        for (size_t i = 0; i < samplesAt.size(); ++i)
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(samplesAt[i][c], reference[i][c], 1e-4) << name << " sample " << i;
    }
}

// Each defect is a warning naming its line; the file still loads.
// An interim motion may hold fewer than the nine channels: here x alone,
// 1.5 to -1.5 over a linear second.
TEST_F(LightWaveLayouts, InterimMotionOfOneChannel)
{
    std::string cube = writeObject("cube.lwo", {fixtureSurface("Grey")}, {cubeLayer()});
    write("one.lws", "LWSC\n2\nLoadObject " + cube + "\nObjectMotion (unnamed)\n1\n2\n1.5 0 3 0 0 0\n-1.5 1 3 0 0 0\n");
    std::string out = reports([&] { ASSERT_TRUE(load(path("one.lws"))); });
    EXPECT_EQ(out.find("canaux"), std::string::npos) << out;
    std::vector<float> half = at(scene, 50);
    ASSERT_EQ(half.size(), 4u);
    EXPECT_NEAR(half[0], 0, 1e-4);
    EXPECT_NEAR(at(scene, 100)[0], -1.5, 1e-4);
}

// A "Key" may stop after its shape: the missing parameters are 0, not the key before's.
TEST_F(LightWaveLayouts, ShortKeysHaveZeroParameters)
{
    write("short.lws", "LWSC\n5\nLoadObjectLayer 1 10000000 none.lwo\nObjectMotion\nNumChannels 1\nChannel 0\n"
                       "{ Envelope\n  2\n  Key 0 0 0 0.5 0.25 -0.5 1 2 3\n  Key 1 1 0\n}\n");
    ASSERT_TRUE(load(path("short.lws")));
    const LwChannelEnvelope& e = lwSceneItemsOf(scene)->items[0]->motion.channels[0];
    ASSERT_EQ(e.count, 2);
    EXPECT_EQ(std::vector<float>(e.keys[0].p, e.keys[0].p + 6), (std::vector<float>{0.5f, 0.25f, -0.5f, 1, 2, 3}));
    EXPECT_EQ(std::vector<float>(e.keys[1].p, e.keys[1].p + 6), std::vector<float>(6, 0.0f));
}

TEST_F(LightWaveLayouts, MalformedEnvelopesAreWarnedByLine)
{
    std::string cube = writeObject("cube.lwo", {fixtureSurface("Grey")}, {cubeLayer()});
    // Lines 1 to 6; the envelope block starts on line 7.
    const std::string head = "LWSC\n5\nLoadObjectLayer 1 10000000 " + cube + "\nObjectMotion\nNumChannels 1\nChannel 0\n";
    const std::string longLine(5000, '7');
    struct Case {
        std::string body, warning;
    } cases[] = {
        {"{ Envelope\n  3\n  Key 1 0 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n", "ligne 7: 3 cles annoncees, 1 lues"},
        {"{ Envelope\n  2000000000\n  Key 1 0 0 0 0 0 0 0 0\n}\n", "ligne 7: 2000000000 cles annoncees, 1 lues"},
        {"{ Envelope\n  2\n  Key 1 2 3 0 0 0 0 0 0\n  Key 0 1 3 0 0 0 0 0 0\n}\n", "ligne 7: cles dans le desordre, triees"},
        {"{ Envelope\n  1\n  Key 1 0 17 0 0 0 0 0 0\n}\n", "ligne 7: forme de segment inconnue, prise comme TCB"},
        {"{ Envelope\n  1\n  Key 1 0 0 0 0 0 0 0 0\n  Behaviors 1 9\n}\n", "ligne 7: comportement inconnu, pris comme constant"},
        {"{ Envelope\n  1\n  Key 1 0\n}\n", "ligne 9: cle incomplete, ignoree"},
        {"{ Envelope\n  1\n  Key 1 0 0 0 0 0 0 0 0\n", "ligne 7: '{' sans '}'"},
        {"{ Envelope\n  1\n  Key 1 0 0 0 0 0 0 0 0\nChannel 1\n{ Envelope\n  0\n}\n", "ligne 10: '{' sans '}'"},
        {"Key 1 0 0 0 0 0 0 0 0\n", "ligne 7: '{ Envelope' attendu"},
        {"{ Envelope\n  1\n  Key " + longLine + " 0 0 0 0 0 0 0 0\n}\n", "ligne 9: ligne trop longue, coupee"},
        {"{ Envelope\n}\nChannel 12\n{ Envelope\n}\n", "ligne 9: canal hors des neuf ou repete, ignore"},
    };
    for (const Case& c : cases) {
        write("bad.lws", head + c.body);
        renew();
        std::string out = reports([&] { EXPECT_TRUE(load(path("bad.lws"))); });
        EXPECT_NE(out.find("bad.lws' " + c.warning + ">"), std::string::npos) << c.warning << "\n" << out;
    }
    write("bad.lws", "LWSC\n5\nLoadObjectLayer 1 " + cube + "\nObjectMotion\nNumChannels 99999999\nChannel 0\n");
    renew();
    std::string out = reports([&] { EXPECT_TRUE(load(path("bad.lws"))); });
    EXPECT_NE(out.find("bad.lws' ligne 5: nombre de canaux invalide>"), std::string::npos) << out;
}
}  // namespace
