// The generated show content, loaded as the demo loads it: each scene has what
// the timeline drives, plays for the time its part is given, draws without a
// GL error, and between them the scenes use every kind of surface, map and
// file the engine reads.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine.h"
#include "platform.h"
#include "test_support.h"
#include "toolkit.h"

namespace {

class Content : public ::testing::Test {
protected:
    void SetUp() override
    {
        static bool open = false;
        if (!open) {
            openDisplay(640, 480, 0, 0, 1);
            keepLoadedLibraries();  // the GL driver stays mapped, so leak reports can name its leftovers
        }
        open = true;
        verbose = 0;
        scene = new Scene();
    }
    void TearDown() override { delete scene; }

    // Loads as the timeline does, then plays a few frames.
    void load(const char* file)
    {
        std::string name = file;
        scene->load(&name[0]);
        ASSERT_GT(scene->objectCount, 1) << file << " put no object in the scene (run from the build folder)";
        for (int i = 0; i < scene->objectCount; ++i) ASSERT_NE(scene->objects[i]->player, nullptr) << i;
        for (int i = 0; i < scene->objectCount; ++i) scene->objects[i]->player->buildFrames();
        while (glGetError() != GL_NO_ERROR) {
        }
        for (int frame = 0; frame < 5; ++frame) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            for (int i = 0; i < scene->objectCount; ++i) scene->objects[i]->player->advance();
            scene->render();
            tickTimer.ticks = 25;
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << file;
        for (int i = 0; i < scene->objectCount; ++i) scene->objects[i]->player->buildFrames();
        for (int s = 1; s <= scene->surfaceCount; ++s)
            EXPECT_EQ(scene->surfaces.items[s].textured, 1) << scene->surfaces.items[s].name << " has no picture";
    }
    SceneObject* find(const char* name) { return scene->findObject(name); }
    static int keyCount(const SceneObject* o)
    {
        int n = 0;
        for (int f = 0; o && f <= o->player->lastFrame; ++f) n += o->player->frames[f].isKey;
        return n;
    }
    static int ringSize(const SceneObject* head)
    {
        int n = 1;
        for (const SceneObject* o = head->next; o != head && n < 100; o = o->next) ++n;
        return n;
    }
    // Letters of the blend classes of the surfaces: a additive, m multiplicative, k alpha-tested.
    std::string blendClasses()
    {
        std::string out;
        for (int s = 1; s <= scene->surfaceCount; ++s) {
            const EngineSurface& e = scene->surfaces.items[s];
            out += std::string(e.additive ? "a" : "") + (e.multiplicative ? "m" : "") + (e.alphaTest ? "k" : "");
        }
        return out;
    }
    Scene* scene = nullptr;
};

// The scenes of cases/scenes.txt (its header gives the fields).
TEST_F(Content, ScenesHoldWhatTheyShow)
{
    for (const auto& c : readCases(CONTENT_CASES "/scenes.txt", 7)) {
        SCOPED_TRACE(c[0]);
        TearDown();
        SetUp();
        load(c[0].c_str());
        std::istringstream objects(c[1]), ring(c[2]), keyed(c[5]);
        for (std::string n; objects >> n;) EXPECT_TRUE(find(n.c_str())) << n;
        std::string head, object;
        int size = 0, keys = 0;
        ring >> head >> size;
        keyed >> object >> keys;
        ASSERT_TRUE(find(head.c_str()));
        EXPECT_EQ(ringSize(find(head.c_str())), size);
        std::string classes = blendClasses();
        for (char k : c[3]) EXPECT_NE(classes.find(k), std::string::npos) << k << " in " << classes;
        EXPECT_GE(keyCount(scene->camera), std::stoi(c[4]));
        EXPECT_GE(keyCount(find(object.c_str())), keys);
        EXPECT_GE(scene->camera->player->lastFrame, std::stoi(c[6]));
    }
}

TEST_F(Content, TunnelIsLongEnoughAndRepeatsWithTheTimelinesPeriod)
{
    load("Datas/tunnel-tux.pof");
    ASSERT_GE(scene->objectCount, 3);
    SceneObject* tunnel = scene->objects[1];
    SceneObject* flyer = scene->objects[2];
    EXPECT_STREQ(tunnel->name, "tunnel.lwo");
    EXPECT_STREQ(flyer->name, "flyer.lwo");
    EXPECT_NE(blendClasses().find('a'), std::string::npos);

    // The eye sits at z = 0 looking along +z; the tunnel is at z = -offset
    // for offsets up to 2883 and must reach the far plane (1024) from there.
    float low = 1e9f, high = -1e9f;
    for (int v = 0; v < tunnel->vertexCount; ++v) {
        low = std::min(low, tunnel->vertices[3 * v + 2]);
        high = std::max(high, tunnel->vertices[3 * v + 2]);
    }
    EXPECT_LT(low, -1.0f);
    EXPECT_GT(high, 2883.0f + 1024.0f);

    // Every polygon near the start has a twin 2883 units further on with the
    // same picture coordinates up to whole repeats: the jump back cannot be seen.
    auto key = [](const EnginePolygon& p, float shift) {
        std::ostringstream out;
        for (int c = 0; c < p.vertexCount; ++c) {
            float u = p.uvs[2 * c], v = p.uvs[2 * c + 1];
            out << std::lround(p.vertices[c][0] * 100) << ',' << std::lround(p.vertices[c][1] * 100) << ','
                << std::lround((p.vertices[c][2] - shift) * 10) << ':' << std::lround((u - std::floor(u + 1e-4f)) * 1000) % 1000 << ','
                << std::lround((v - std::floor(v + 1e-4f)) * 1000) % 1000 << ';';
        }
        return out.str();
    };
    std::multiset<std::string> shapes;
    for (int i = 0; i < tunnel->polygonCount; ++i) {
        ASSERT_TRUE(tunnel->polygons[i].surface && tunnel->polygons[i].uvs) << "polygon " << i << " has no picture";
        shapes.insert(key(tunnel->polygons[i], 0));
    }
    int checked = 0;
    for (int i = 0; i < tunnel->polygonCount; ++i) {
        const EnginePolygon& p = tunnel->polygons[i];
        if (p.vertices[0][2] < 0 || p.vertices[0][2] > 200) continue;
        EXPECT_EQ(shapes.count(key(p, -2883.0f)), 1u) << "polygon " << i << " has no twin 2883 units on";
        ++checked;
    }
    EXPECT_GT(checked, 100);
    // The flyer's path plays out in the second tunnel loop (30 s to 55 s);
    // the Boule part starts when it is done and ends with its camera, and
    // Cana needs at least 15 s of the clock before 95 s.
    EXPECT_GE(flyer->player->lastFrame, 1500);
    EXPECT_LE(flyer->player->lastFrame, 2200);
    EXPECT_GE(keyCount(flyer), 5);
    Scene boule;
    std::string file = "Datas/Boule.pof";
    boule.load(&file[0]);
    EXPECT_LE(30.0 + flyer->player->lastFrame / 100.0 + 1.0 /* loading */ + boule.camera->player->lastFrame / 100.0, 95.0 - 15.0)
        << "Cana would get less than 15 s";
}

TEST_F(Content, CanaTakesItsCameraAndCratesFromALightWaveScene)
{
    EXPECT_EQ(readWholeFile("Datas/Cana.lws").rfind("LWSC", 0), 0u);
    EXPECT_NE(readWholeFile("Datas/tunnel-tux.pof").find("Version: 3"), std::string::npos);
    load("Datas/Cana.pof");
    // The camera's round closes on itself.
    KeyframePlayer* camera = scene->camera->player;
    ASSERT_GE(keyCount(scene->camera), 10);
    const Keyframe& first = camera->frames[0];
    const Keyframe& last = camera->frames[camera->lastFrame];
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(first.position[k], last.position[k], 0.01f);
    EXPECT_NEAR(std::fmod(std::fabs(last.angles[0] - first.angles[0]) + 0.01f, 360.0f), 0.0f, 0.05f);
    // Three LWOB crates, each with its own motion.
    int crates = 0;
    for (int i = 0; i < scene->objectCount; ++i)
        if (std::string(scene->objects[i]->name) == "caisse.lwo") {
            ++crates;
            EXPECT_GE(keyCount(scene->objects[i]), 10);
        }
    EXPECT_EQ(crates, 3);
}

// Two runs of the generator write the same bytes.
TEST(ContentFiles, GeneratorIsDeterministic)
{
    const std::string a = testFolder() + "/a", b = testFolder() + "/b";
    ASSERT_EQ(std::system((MAKE_DATAS " " + a + " >/dev/null").c_str()), 0);
    ASSERT_EQ(std::system((MAKE_DATAS " " + b + " >/dev/null").c_str()), 0);
    EXPECT_EQ(std::system(("diff -r -q " + a + " " + b).c_str()), 0);
}

}  // namespace
