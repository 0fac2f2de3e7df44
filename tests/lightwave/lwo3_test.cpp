// The LWO3 form: objects LightWave 2018 wrote (lwo3/, counts from its README,
// colours from the bytes of their node graphs) and node graphs written here (lwo3.lwt).
#include <gtest/gtest.h>

#include <map>

#include "lwtest.h"
#include "lwtext.h"
#include "test_support.h"

TEST(LwLwo3, SamplesLoadWithTheirCounts)
{
    struct Row { const char* file; int layers, points, polygons, surfaces; };
    for (Row r : {Row{"box0", 1, 8, 6, 1}, Row{"box1", 1, 8, 6, 6}, Row{"box1-uv", 1, 8, 6, 6},
                  Row{"box2-uv", 2, 806, 870, 7}, Row{"box3-uv-layers", 3, 1360, 1446, 7}}) {
        LwObject* o = nullptr;
        captureVerbose([&] { o = readLwObject((std::string(LWT_DIR "/lwo3/") + r.file + ".lwo").c_str(), 0, 0); });
        ASSERT_NE(o, nullptr) << r.file << ": " << lwFailReason();
        int layers = 0, points = 0, polygons = 0;
        for (const LwLayer* l = o->layers; l; l = l->next) ++layers, points += l->points.count, polygons += l->polygons.count;
        EXPECT_EQ(layers, r.layers) << r.file;
        EXPECT_EQ(points, r.points) << r.file;
        EXPECT_EQ(polygons, r.polygons) << r.file;
        EXPECT_EQ(o->surfaceCount, r.surfaces) << r.file;
        freeLwObject(o);
    }
}

TEST(LwLwo3, SampleNodeMaterials)
{
    LwObject* o = readLwObject(LWT_DIR "/lwo3/box1-uv.lwo", nullptr, nullptr);
    ASSERT_NE(o, nullptr);
    // Back: (255, 128, 0) with the picture over it; Bottom: (64, 0, 0); gloss 0.4 in both.
    const LwSurface* back = o->surfaces;
    const LwSurface* bottom = back->next;
    EXPECT_STREQ(back->name, "Back");
    EXPECT_STREQ(bottom->name, "Bottom");
    EXPECT_STREQ(back->material, "Standard");
    const float backRgb[3] = {1, 128 / 255.0f, 0}, bottomRgb[3] = {64 / 255.0f, 0, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(back->color.rgb[i], backRgb[i]);
        EXPECT_FLOAT_EQ(bottom->color.rgb[i], bottomRgb[i]);
    }
    EXPECT_FLOAT_EQ(back->glossiness.value, 0.4f);
    EXPECT_FLOAT_EQ(back->diffuse.value, 1.0f);
    const LwTexture* t = back->color.textures;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->image.projection, lwUv);
    EXPECT_STREQ(t->image.vmapName, "Texture");
    EXPECT_STREQ(lwClipFirstName(findLwClip(o->clips, t->image.clip)), "C:storage/3d/box/cc0.png");
    EXPECT_EQ(bottom->color.textures, nullptr);
    EXPECT_EQ(back->uvMappedCorners, 4);
    freeLwObject(o);
}

TEST(LwLwo3, NodeGraphs)
{
    for (const LwtCase& c : lwtCases(LWT_DIR "/lwo3.lwt")) {
        LwObject* o = nullptr;
        std::string log = captureVerbose([&] { o = loadBytes(c.bytes); });
        ASSERT_NE(o, nullptr) << c.words[0] << ": " << lwFailReason();
        const LwSurface* s = o->surfaces;
        ASSERT_NE(s, nullptr) << c.words[0];
        const LwTexture* t = s->color.textures;
        size_t warnings = 0;
        for (size_t at = 0; (at = log.find("[Warning]", at)) != std::string::npos; ++at) ++warnings;
        EXPECT_EQ(warnings, c.words[0].empty() ? 0u : 1u) << log;
        EXPECT_NE(log.find(c.words[0]), std::string::npos) << log;
        std::string material = s->material ? s->material : "-";
        std::map<std::string, std::string> got = {
            {"r", std::to_string(s->color.rgb[0])}, {"g", std::to_string(s->color.rgb[1])},
            {"b", std::to_string(s->color.rgb[2])}, {"diffuse", std::to_string(s->diffuse.value)},
            {"specular", std::to_string(s->specularity.value)}, {"gloss", std::to_string(s->glossiness.value)},
            {"luminosity", std::to_string(s->luminosity.value)}, {"metallic", std::to_string(s->metallic)},
            {"roughness", std::to_string(s->roughness)}, {"material", material},
            {"clip", t ? std::to_string(t->image.clip) : "-"}, {"vmap", t && t->image.vmapName ? t->image.vmapName : "-"},
            {"stored", std::to_string(o->layers->storedNormals)}, {"sides", std::to_string(s->sidedness)},
            {"smooth", std::to_string(s->smoothAngle)}};
        char n[64];
        if (t) {
            std::snprintf(n, sizeof n, "%d,%d", t->image.wrapWidthType, t->image.wrapHeightType), got["wrap"] = n;
            std::snprintf(n, sizeof n, "%g,%g", t->image.tiles[0], t->image.tiles[1]), got["tiles"] = n;
        }
        const LwPolygonRec* p = o->layers->polygons.items;
        for (int k = 0; p && k < p->cornerCount; ++k) {
            std::snprintf(n, sizeof n, "%g,%g,%g", p->corners[k].normal[0], p->corners[k].normal[1], p->corners[k].normal[2]);
            got["normal" + std::to_string(k)] = n;
            if (p->uv) std::snprintf(n, sizeof n, "%g,%g", p->uv[2 * k], p->uv[2 * k + 1]), got["uv" + std::to_string(k)] = n;
        }
        for (size_t i = 1; i < c.words.size(); ++i) {
            std::string key = c.words[i].substr(0, c.words[i].find('=')), want = c.words[i].substr(key.size() + 1);
            for (char& ch : want) ch = ch == '_' ? ' ' : ch;
            bool number = want.find_first_not_of("0123456789.-") == std::string::npos && want != "-";
            if (number) EXPECT_NEAR(std::stod(got.at(key)), std::stod(want), 1e-5) << c.words[0] << " " << key;
            else EXPECT_EQ(got.at(key), want) << c.words[0] << " " << key;
        }
        freeLwObject(o);
    }
}

TEST(LwLwo3, AbsurdNodeCountIsAWarning)
{
    LwWriter w;
    size_t form = w.beginForm("LWO3");
    const float xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    lwwPoints(w, xyz, 3);
    size_t surf = w.beginForm("SURF"), header = w.beginChunk("    ");
    w.s0("S");
    w.s0("");
    w.endChunk(header);
    size_t nods = w.beginForm("NODS"), nnds = w.beginForm("NNDS");
    for (int i = 0; i < 1000; ++i) w.endForm(w.beginForm("NTAG"));
    w.endForm(nnds), w.endForm(nods), w.endForm(surf), w.endForm(form);
    LwObject* o = nullptr;
    std::string log = captureVerbose([&] { o = loadBytes(w.bytes); });
    ASSERT_NE(o, nullptr);
    EXPECT_NE(log.find("surface <S>: node graph with more nodes or connections than can be read"), std::string::npos) << log;
    EXPECT_FLOAT_EQ(o->surfaces->color.rgb[0], 0.78431f);
    freeLwObject(o);
}

// The writer's UV cube (clip 1 "Images/cube.jpg", UV map "cube") with its colour
// block made an Image node: the node alone gives the surface that texture.
TEST(LwLwo3, WrittenImageNodeGivesTheColourTexture)
{
    for (const char* material : {"Standard", "Principled BSDF"}) {
        std::vector<unsigned char> bytes = lwwToLwo3(lwwCube(0.0f, true, 5), material, true);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_EQ(text.find("TXTR"), std::string::npos);  // no layered texture besides
        EXPECT_NE(text.find("Image (1)"), std::string::npos);
        LwObject* o = nullptr;
        std::string log = captureVerbose([&] { o = loadBytes(bytes); });
        ASSERT_NE(o, nullptr) << lwFailReason();
        const LwTexture* t = o->surfaces->color.textures;
        ASSERT_NE(t, nullptr) << material;
        EXPECT_EQ(t->next, nullptr);
        EXPECT_EQ(t->image.projection, lwUv);
        EXPECT_STREQ(t->image.vmapName, "cube");
        EXPECT_STREQ(lwClipFirstName(findLwClip(o->clips, t->image.clip)), "Images/cube.jpg");
        EXPECT_EQ(o->clipCount, 1);
        EXPECT_EQ(log.find("[Warning]"), std::string::npos) << log;
        freeLwObject(o);
    }
}
