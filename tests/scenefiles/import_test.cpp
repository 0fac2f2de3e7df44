// LightWave objects imported into a Scene: names, layers, shared surfaces,
// blend classes from surface names, polygons with and without surfaces.
#include "support.h"

#include <cmath>
#include <cstring>

#include "toolkit.h"

namespace {

using ObjectImport = SceneFilesTest;

FixtureLayer triangleLayer(const std::string& name, int surface)
{
    FixtureLayer l;
    l.name = name;
    l.points = {0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 2, 2};
    l.counts = {3, 3};
    l.indices = {0, 1, 2, 3, 2, 1};
    l.surfaces = {surface, surface};
    return l;
}

TEST_F(ObjectImport, UnnamedLayerTakesTheBaseName)
{
    FixtureSurface plain;
    plain.name = "Plain";
    std::string p = writeObject("Objets/Sub/ball.lwo", {plain}, {}, {triangleLayer("", 0)});
    std::string out = captureReports([&] { EXPECT_TRUE(scene->importLightWaveObject(p.c_str())); });
    ASSERT_EQ(scene->objectCount, 2);
    SceneObject* o = scene->objects[1];
    EXPECT_STREQ(o->name, "ball.lwo");
    EXPECT_STREQ(o->sourceFile, p.c_str());
    EXPECT_EQ(o->visible, 1);
    ASSERT_NE(o->player, nullptr);
    EXPECT_NE(out.find("[TovikTools Info]:: le saviez vous?, <ball.lwo Chargement ok>"), std::string::npos) << out;
    EXPECT_NE(out.find("<Vordelle3DV4.1----- GENERATION SURFACE::  <Plain>>"), std::string::npos);

    // Positions are copied as they are, in file order.
    ASSERT_EQ(o->vertexCount, 4);
    EXPECT_FLOAT_EQ(o->vertices[3 * 3 + 2], 2.0f);
    ASSERT_EQ(o->polygonCount, 2);
    EnginePolygon& second = o->polygons[1];
    ASSERT_EQ(second.vertexCount, 3);
    EXPECT_EQ(second.vertices[0], o->vertices + 9);
    EXPECT_EQ(second.vertices[1], o->vertices + 6);
    // An untextured surface leaves the polygon without surface and uvs.
    EXPECT_EQ(second.surface, nullptr);
    EXPECT_EQ(second.uvs, nullptr);
    // The flat triangle's normals point along z either way round.
    EXPECT_NEAR(std::fabs(o->polygons[0].normals[2]), 1.0f, 1e-5f);

    EngineSurface* s = scene->findSurface("Plain");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->textured, 0);
    EXPECT_FLOAT_EQ(s->ambient[2], 1.0f);
    EXPECT_FLOAT_EQ(s->diffuse[0], 0.25f);   // 0.5 x 0.5
    EXPECT_FLOAT_EQ(s->specular[1], 0.0625f);  // 0.25 x 0.25
}

TEST_F(ObjectImport, LayersBecomeObjects)
{
    FixtureSurface plain;
    plain.name = "Plain";
    std::string p = writeObject("three.lwo", {plain}, {},
                                {triangleLayer("Front", 0), triangleLayer("Back", 0), triangleLayer("", 0)});
    int32_t emptyBefore = emptyObjectCounter;
    EXPECT_TRUE(scene->importLightWaveObject(p.c_str()));
    ASSERT_EQ(scene->objectCount, 4);
    EXPECT_STREQ(scene->objects[1]->name, "Frontthree.lwo");
    EXPECT_STREQ(scene->objects[1]->sourceFile, p.c_str());
    EXPECT_STREQ(scene->objects[2]->name, "Back");
    EXPECT_STREQ(scene->objects[2]->sourceFile, "-xxx.Vordelle3DV4.1-Unallocated.xxx-");
    EXPECT_EQ(std::string(scene->objects[3]->name), "Empty " + std::to_string(emptyBefore));
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(scene->objects[i]->vertexCount, 4);
        EXPECT_EQ(scene->objects[i]->polygonCount, 2);
        // Each object's corners point into its own vertices.
        EXPECT_EQ(scene->objects[i]->polygons[0].vertices[0], scene->objects[i]->vertices);
    }
}

TEST_F(ObjectImport, SurfacesAreSharedByName)
{
    ASSERT_TRUE(writePicture(path("metal.bmp"), 200, 10, 10));
    FixtureSurface metal;
    metal.name = "Metal";
    metal.texture = FixtureSurface::imageMap;
    std::string a = writeObject("a.lwo", {metal}, {{1, path("metal.bmp")}}, {triangleLayer("", 0)});
    FixtureSurface other = metal;
    other.color[0] = 0.0f;  // ignored: the name is already known
    std::string b = writeObject("b.lwo", {other}, {{1, path("metal.bmp")}}, {triangleLayer("", 0)});
    EXPECT_TRUE(scene->importLightWaveObject(a.c_str()));
    std::string out = captureReports([&] { EXPECT_TRUE(scene->importLightWaveObject(b.c_str())); });
    EXPECT_NE(out.find("<Vordelle3DV4.1La surface existe deja >"), std::string::npos);
    EXPECT_EQ(scene->surfaceCount, 1);
    EngineSurface* s = scene->findSurface("Metal");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->textured, 1);
    EXPECT_EQ(s->image, nullptr);  // uploaded
    EXPECT_FLOAT_EQ(s->ambient[0], 0.5f);
    EXPECT_TRUE(glIsTexture(s->textureName));
    for (int i = 1; i <= 2; ++i) {
        EnginePolygon& p = scene->objects[i]->polygons[0];
        EXPECT_EQ(p.surface, s);
        EXPECT_NE(p.uvs, nullptr);
    }
}

TEST_F(ObjectImport, BlendClassesFromSurfaceNames)
{
    ASSERT_TRUE(writePicture(path("t.bmp"), 255, 255, 255));
    auto mapped = [](const char* name, int clip = 1) {
        FixtureSurface s;
        s.name = name;
        s.texture = FixtureSurface::imageMap;
        s.clip = clip;
        return s;
    };
    FixtureSurface notMapped;
    notMapped.name = "proc_blackbg";
    notMapped.texture = FixtureSurface::procedural;
    std::vector<FixtureSurface> surfaces = {mapped("neon_light_shadow"), mapped("soft_shadow"), mapped("logo_blackbg"),
                                            notMapped, mapped("lost_light", 7), mapped("screenshoot")};
    FixtureLayer l = triangleLayer("", 0);
    std::string p = writeObject("modes.lwo", surfaces, {{1, path("t.bmp")}}, {l});
    std::string out = captureReports([&] { EXPECT_TRUE(scene->importLightWaveObject(p.c_str())); });

    EngineSurface* both = scene->findSurface("neon_light_shadow");
    EXPECT_EQ(both->additive, 1);
    EXPECT_EQ(both->multiplicative, 0);
    EXPECT_NE(out.find("<Vordelle3DV4.1Chargement surface 'neon_light_shadow', en mode Lighting et AlphaZeroColor>"), std::string::npos);
    EngineSurface* shadow = scene->findSurface("soft_shadow");
    EXPECT_EQ(shadow->additive, 0);
    EXPECT_EQ(shadow->multiplicative, 1);
    EngineSurface* keyed = scene->findSurface("logo_blackbg");
    EXPECT_EQ(keyed->alphaTest, 1);
    EXPECT_EQ(keyed->textured, 1);
    EXPECT_NE(out.find("<Vordelle3DV4.1Chargement surface 'logo_blackbg', en mode AlphaZeroColor>"), std::string::npos);
    EngineSurface* proc = scene->findSurface("proc_blackbg");
    EXPECT_EQ(proc->alphaTest + proc->additive + proc->multiplicative + proc->textured, 0);
    // A clip that is not there: the warning names the surface and the clip.
    EngineSurface* lost = scene->findSurface("lost_light");
    EXPECT_EQ(lost->textured, 0);
    EXPECT_EQ(lost->additive, 0);
    EXPECT_NE(out.find("<Vordelle3DV4.1Surface <lost_light> : image 7 introuvable parmi les clips de l'objet>"), std::string::npos)
        << out;
    // The capture is taken but the clip's picture is the texture.
    EngineSurface* shot = scene->findSurface("screenshoot");
    EXPECT_EQ(shot->textured, 1);
    EXPECT_EQ(shot->image, nullptr);
}

TEST_F(ObjectImport, MissingPictureAndPolygonWarnings)
{
    FixtureSurface gone;
    gone.name = "Gone";
    gone.texture = FixtureSurface::imageMap;
    std::string missing = path("nowhere.bmp");
    std::string p = writeObject("gone.lwo", {gone}, {{1, missing}}, {triangleLayer("", 0)});
    std::string out = captureReports([&] { EXPECT_TRUE(scene->importLightWaveObject(p.c_str())); });
    EXPECT_NE(out.find("<Vordelle3DV4.1Surface <Gone> ne peut pas etre texturee, fichier <" + missing + "> innaccessible >"),
              std::string::npos) << out;
    EXPECT_NE(out.find("<Vordelle3DV4.1Image pour Surface inexistante, 'Gone' non trouve>"), std::string::npos);
    EXPECT_EQ(scene->findSurface("Gone")->textured, 0);
    EXPECT_EQ(scene->objects[1]->polygons[0].surface, nullptr);
}

TEST_F(ObjectImport, ClipNamesWithBackslashes)
{
    write("pics/readme.txt", "the folder of the picture\n");
    ASSERT_TRUE(writePicture(path("pics/red.bmp"), 255, 0, 0));
    FixtureSurface red;
    red.name = "Red";
    red.texture = FixtureSurface::imageMap;
    std::string clip = dir + "\\pics\\red.bmp";
    std::string p = writeObject("red.lwo", {red}, {{1, clip}}, {triangleLayer("", 0)});
    std::string out = captureReports([&] { EXPECT_TRUE(scene->importLightWaveObject(p.c_str())); });
    EXPECT_EQ(scene->findSurface("Red")->textured, 1);
    EXPECT_NE(out.find("<Vordelle3DV4.1Chargement surface '" + path("pics/red.bmp") + "' >"), std::string::npos) << out;
}

TEST_F(ObjectImport, FullObjectTableIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    FixtureSurface plain;
    plain.name = "Plain";
    std::string p = writeObject("one.lwo", {plain}, {}, {triangleLayer("", 0)});
    EXPECT_EXIT(
        {
            while (scene->objectCount < maxSceneObjects) scene->createObject("filler");
            scene->importLightWaveObject(p.c_str());
        },
        ::testing::ExitedWithCode(255), "Saturation d'allocation d'objets");
}

TEST_F(ObjectImport, NotAnObject)
{
    std::string p = write("text.lwo", "LWSC is not the first word here\n");
    std::string out = captureReports([&] { EXPECT_FALSE(scene->importLightWaveObject(p.c_str())); });
    EXPECT_NE(out.find("<Vordelle3DV4.1 Erreur, impossible de charger l'objet en tant qu'objet lwo>"), std::string::npos);
    EXPECT_EQ(scene->objectCount, 1);
}

}  // namespace
