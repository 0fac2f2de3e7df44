// The generated show content, loaded as the demo loads it: each scene has what
// the timeline drives, plays for the time its part is given, and between them
// the scenes use every kind of surface, map and file the engine reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine.h"
#include "lightwave.h"
#include "lwobwriter.h"
#include "platform.h"
#include "toolkit.h"

namespace {

void ensureDisplay()
{
    static bool open = false;
    if (open) return;
    openDisplay(640, 480, 0, 0, 1);
    keepLoadedLibraries();  // the GL driver stays mapped, so leak reports can name its leftovers
    open = true;
}

class Content : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureDisplay();
        verbose = 0;
        scene = new Scene();
    }
    void TearDown() override { delete scene; }

    void load(const char* file)
    {
        std::string name = file;
        scene->load(&name[0]);
        ASSERT_GT(scene->objectCount, 1) << file << " put no object in the scene (run from the build folder)";
        for (int i = 0; i < scene->objectCount; ++i)
            if (scene->objects[i] && scene->objects[i]->player) scene->objects[i]->player->buildFrames();
    }
    SceneObject* find(const char* name) { return scene->findObject(name); }
    int keyCount(const SceneObject* o)
    {
        int n = 0;
        for (int f = 0; o && o->player && f <= o->player->lastFrame; ++f) n += o->player->frames[f].isKey;
        return n;
    }
    // Members of the ring that starts at `head` (1 when it is in none).
    int ringSize(const SceneObject* head)
    {
        int n = 1;
        for (const SceneObject* o = head->next; o != head && n < 100; o = o->next) ++n;
        return n;
    }
    void expectEverySurfaceTextured()
    {
        for (int s = 1; s <= scene->surfaceCount; ++s)
            EXPECT_EQ(scene->surfaces.items[s].textured, 1) << scene->surfaces.items[s].name << " has no picture";
    }
    bool anySurface(unsigned char EngineSurface::*flag)
    {
        for (int s = 1; s <= scene->surfaceCount; ++s)
            if (scene->surfaces.items[s].*flag) return true;
        return false;
    }
    Scene* scene = nullptr;
};

int lastFrameOf(const char* file, const char* object)
{
    ensureDisplay();
    Scene s;
    std::string name = file;
    s.load(&name[0]);
    SceneObject* o = object ? s.findObject(object) : s.camera;
    return o && o->player ? o->player->lastFrame : -1;
}

TEST_F(Content, TunnelIsLongEnoughAndRepeatsWithTheTimelinesPeriod)
{
    load("Datas/tunnel-tux.pof");
    ASSERT_GE(scene->objectCount, 3);
    SceneObject* tunnel = scene->objects[1];
    SceneObject* flyer = scene->objects[2];
    ASSERT_TRUE(tunnel && flyer && scene->objects[0] == scene->camera);
    EXPECT_STREQ(tunnel->name, "tunnel.lwo");
    EXPECT_STREQ(flyer->name, "flyer.lwo");
    expectEverySurfaceTextured();

    // The eye sits at z = 0 looking along +z; the tunnel is at z = -offset
    // for offsets up to 2883 and must reach the far plane (1024) from there.
    float low = 1e9f, high = -1e9f;
    for (int v = 0; v < tunnel->vertexCount; ++v) {
        low = std::min(low, tunnel->vertices[3 * v + 2]);
        high = std::max(high, tunnel->vertices[3 * v + 2]);
    }
    EXPECT_LT(low, -1.0f);
    EXPECT_GT(high, 2883.0f + 1024.0f);

    // Every polygon has a twin 2883 units further on with the same picture
    // coordinates up to whole repeats: the jump back cannot be seen.
    std::multiset<std::string> shapes;
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
    int checked = 0;
    for (int i = 0; i < tunnel->polygonCount; ++i) {
        ASSERT_TRUE(tunnel->polygons[i].surface && tunnel->polygons[i].uvs) << "polygon " << i << " has no picture";
        shapes.insert(key(tunnel->polygons[i], 0));
    }
    for (int i = 0; i < tunnel->polygonCount; ++i) {
        const EnginePolygon& p = tunnel->polygons[i];
        if (p.vertices[0][2] < 0 || p.vertices[0][2] > 200) continue;
        EXPECT_EQ(shapes.count(key(p, -2883.0f)), 1u) << "polygon " << i << " has no twin 2883 units on";
        ++checked;
    }
    EXPECT_GT(checked, 100);

    // The flyer's path plays out in the second tunnel loop (30 s to 55 s).
    EXPECT_GE(flyer->player->lastFrame, 1500);
    EXPECT_LE(flyer->player->lastFrame, 2200);
    EXPECT_GE(keyCount(flyer), 5);
    EXPECT_TRUE(anySurface(&EngineSurface::additive));
}

TEST_F(Content, PartsFitTheClock)
{
    // The Boule part starts when the flyer is done and ends with its camera;
    // Cana needs at least 15 s of it before 95 s, and Banniere plays to 150 s.
    int flyer = lastFrameOf("Datas/tunnel-tux.pof", "flyer.lwo");
    int boule = lastFrameOf("Datas/Boule.pof", nullptr);
    ASSERT_GT(flyer, 0);
    ASSERT_GT(boule, 0);
    double bouleEnds = 30.0 + flyer / 100.0 + 1.0 /* loading */ + boule / 100.0;
    EXPECT_GE(boule, 1500) << "the Boule part is too short to enjoy";
    EXPECT_LE(bouleEnds, 95.0 - 15.0) << "Cana would get less than 15 s";
    EXPECT_GE(lastFrameOf("Datas/Banniere.pof", nullptr), 5000) << "the camera would stop long before the end";
}

TEST_F(Content, BouleHasLayersShadowAndACameraPath)
{
    load("Datas/Boule.pof");
    expectEverySurfaceTextured();
    for (const char* n : {"Boule-decor.lwo", "Colonnes", "Ciel", "Ombre", "Boule.lwo"}) EXPECT_TRUE(find(n)) << n;
    EXPECT_TRUE(anySurface(&EngineSurface::multiplicative));
    EXPECT_TRUE(anySurface(&EngineSurface::additive));
    EXPECT_GE(keyCount(scene->camera), 10);
    EXPECT_GE(keyCount(find("Boule.lwo")), 100);
}

TEST_F(Content, CanaLoadsALightWaveSceneAndAFlipBook)
{
    load("Datas/Cana.pof");
    expectEverySurfaceTextured();
    SceneObject* flower = find("Cana-fleur1.lwo");
    ASSERT_TRUE(flower);
    EXPECT_EQ(ringSize(flower), 6);
    EXPECT_GE(keyCount(flower), 10);
    EXPECT_TRUE(find("Cana-lanternes.lwo") && find("Cana-roseaux.lwo") && find("Quais"));
    EXPECT_TRUE(anySurface(&EngineSurface::alphaTest));
    EXPECT_TRUE(anySurface(&EngineSurface::additive));
    // The camera's round comes from the LightWave scene and closes on itself.
    KeyframePlayer* camera = scene->camera->player;
    ASSERT_GE(keyCount(scene->camera), 10);
    const Keyframe& first = camera->frames[0];
    const Keyframe& last = camera->frames[camera->lastFrame];
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(first.position[k], last.position[k], 0.01f);
    EXPECT_NEAR(std::fmod(std::fabs(last.angles[0] - first.angles[0]) + 0.01f, 360.0f), 0.0f, 0.05f);

    // The crates are LWOB objects with their own motion from the LightWave scene.
    uint32_t failId = 0;
    int32_t failPos = 0;
    LwObject* crate = readLwObject("Datas/Objects/caisse.lwo", &failId, &failPos);
    if (!crate) GTEST_SKIP() << "this LightWave reader does not read LWOB objects";
    freeLwObject(crate);
    int crates = 0;
    for (int i = 0; i < scene->objectCount; ++i)
        if (std::string(scene->objects[i]->name) == "caisse.lwo") {
            ++crates;
            EXPECT_GE(keyCount(scene->objects[i]), 10);
        }
    EXPECT_EQ(crates, 3);
}

TEST_F(Content, BanniereHasAWavingBannerAndKeyedCredits)
{
    load("Datas/Banniere.pof");
    expectEverySurfaceTextured();
    SceneObject* banner = find("Banniere1.lwo");
    ASSERT_TRUE(banner);
    EXPECT_EQ(ringSize(banner), 4);
    EXPECT_GE(keyCount(banner), 3);
    EXPECT_GE(keyCount(find("Banniere-generique.lwo")), 2);
    EXPECT_TRUE(anySurface(&EngineSurface::alphaTest));
    EXPECT_TRUE(anySurface(&EngineSurface::additive));
}

TEST(ContentFiles, SceneFilesUseBothLayouts)
{
    auto text = [](const char* path) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    };
    EXPECT_NE(text("Datas/tunnel-tux.pof").find("Version: 3"), std::string::npos);
    for (const char* p : {"Datas/Boule.pof", "Datas/Cana.pof", "Datas/Banniere.pof"})
        EXPECT_NE(text(p).find("Version: 4"), std::string::npos) << p;
    EXPECT_EQ(text("Datas/Cana.lws").rfind("LWSC", 0), 0u);
}

#ifdef MAKE_DATAS
// Two runs of the generator write the same bytes.
TEST(ContentFiles, GeneratorIsDeterministic)
{
    char a[] = "/tmp/content-a-XXXXXX", b[] = "/tmp/content-b-XXXXXX";
    ASSERT_TRUE(mkdtemp(a) && mkdtemp(b));
    std::string run = std::string(MAKE_DATAS) + " ";
    ASSERT_EQ(std::system((run + a + " >/dev/null").c_str()), 0);
    ASSERT_EQ(std::system((run + b + " >/dev/null").c_str()), 0);
    EXPECT_EQ(std::system((std::string("diff -r -q ") + a + " " + b).c_str()), 0);
    std::system((std::string("rm -rf ") + a + " " + b).c_str());
}
#endif

// The LWOB writer's polygon records: U2 count, U2 indices, I2 surface number.
TEST(LwobWriter, WritesTheOlderForm)
{
    LwobSurface s;
    s.name = "Box";
    s.texture = "Cubic Image Map";
    s.image = "x.jpg";
    s.axis = 2;
    std::vector<unsigned char> bytes = lwobObject({0, 0, 0, 1, 0, 0, 1, 1, 0}, {3}, {0, 1, 2}, {1}, {s});
    auto id = [&](size_t at) { return std::string(bytes.begin() + long(at), bytes.begin() + long(at) + 4); };
    auto u4 = [&](size_t at) { return uint32_t(bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3]); };
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(id(0), "FORM");
    EXPECT_EQ(u4(4), bytes.size() - 8);
    EXPECT_EQ(id(8), "LWOB");
    std::vector<std::string> chunks;
    size_t pols = 0;
    for (size_t at = 12; at + 8 <= bytes.size(); at += 8 + ((u4(at + 4) + 1) & ~1u)) {
        chunks.push_back(id(at));
        if (id(at) == "POLS") pols = at;
    }
    EXPECT_EQ(chunks, (std::vector<std::string>{"PNTS", "SRFS", "POLS", "SURF"}));
    ASSERT_NE(pols, 0u);
    EXPECT_EQ(u4(pols + 4), 10u);  // 2 + 3 * 2 + 2
    const std::vector<unsigned char> record(bytes.begin() + long(pols) + 8, bytes.begin() + long(pols) + 18);
    EXPECT_EQ(record, (std::vector<unsigned char>{0, 3, 0, 0, 0, 1, 0, 2, 0, 1}));
    // TFLG 4 names the z axis.
    std::string all(bytes.begin(), bytes.end());
    size_t tflg = all.find("TFLG");
    ASSERT_NE(tflg, std::string::npos);
    EXPECT_EQ(bytes[tflg + 7], 4);
}

}  // namespace
