// LightWave objects imported into a Scene: names, layers, shared surfaces,
// blend classes from surface names, polygons with and without surfaces; the
// places a clip's picture is looked for, in order, over a folder tree.
#include "support.h"

#include <cmath>
#include <filesystem>

#include "lwfiles.h"
#include "toolkit.h"

namespace {

using ObjectImport = SceneFilesTest;
using ImageSearch = SceneFilesTest;

TEST_F(ObjectImport, UnnamedLayerTakesTheBaseName)
{
    std::string p = writeObject("Objets/Sub/ball.lwo", {fixtureSurface("Plain")}, {triangleLayer("")});
    std::string out = reports([&] { EXPECT_TRUE(scene->importLightWaveObject(p.c_str())); });
    ASSERT_EQ(scene->objectCount, 2);
    SceneObject* o = scene->objects[1];
    EXPECT_STREQ(o->name, "ball.lwo");
    EXPECT_STREQ(o->sourceFile, p.c_str());
    EXPECT_NE(out.find("[TovikTools Info]:: le saviez vous?, <ball.lwo Chargement ok>"), std::string::npos) << out;
    EXPECT_NE(out.find("<Vordelle3DV4.1----- GENERATION SURFACE::  <Plain>>"), std::string::npos);

    // Positions are copied as they are, in file order; corners point into them.
    ASSERT_EQ(o->vertexCount, 4);
    EXPECT_FLOAT_EQ(o->vertices[3 * 3 + 2], 2.0f);
    ASSERT_EQ(o->polygonCount, 2);
    EnginePolygon& second = o->polygons[1];
    ASSERT_EQ(second.vertexCount, 3);
    EXPECT_EQ(second.vertices[0], o->vertices + 9);
    EXPECT_EQ(second.vertices[1], o->vertices + 6);
    // An untextured surface stays on the polygon (its colour is drawn), without uvs.
    EXPECT_EQ(second.surface, scene->findSurface("Plain"));
    EXPECT_EQ(second.uvs, nullptr);
    EXPECT_NEAR(std::fabs(o->polygons[0].normals[2]), 1.0f, 1e-5f);

    EngineSurface* s = scene->findSurface("Plain");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->textured, 0);
    EXPECT_FLOAT_EQ(s->ambient[2], 1.0f);
    EXPECT_FLOAT_EQ(s->diffuse[0], 0.25f);     // 0.5 x 0.5
    EXPECT_FLOAT_EQ(s->specular[1], 0.0625f);  // 0.25 x 0.25
}

TEST_F(ObjectImport, LayersBecomeObjects)
{
    std::string p = writeObject("three.lwo", {fixtureSurface("Plain")},
                                {triangleLayer("Front"), triangleLayer("Back"), triangleLayer("")});
    int32_t emptyBefore = emptyObjectCounter;
    EXPECT_TRUE(scene->importLightWaveObject(p.c_str()));
    EXPECT_EQ(summary(scene), "camera:0 Frontthree.lwo:0 Back:0 Empty " + std::to_string(emptyBefore) + ":0");
    EXPECT_STREQ(scene->objects[1]->sourceFile, p.c_str());
    EXPECT_STREQ(scene->objects[2]->sourceFile, "-xxx.Vordelle3DV4.1-Unallocated.xxx-");
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(scene->objects[i]->polygonCount, 2);
        EXPECT_EQ(scene->objects[i]->polygons[0].vertices[0], scene->objects[i]->vertices);
    }
}

TEST_F(ObjectImport, SurfacesAreSharedByName)
{
    ASSERT_TRUE(writeSolidBmp(path("metal.bmp"), {200, 10, 10}));
    std::string a = writeObject("a.lwo", {fixtureSurface("Metal", 1)}, {triangleLayer("")}, {{1, path("metal.bmp")}});
    LwwSurface other = fixtureSurface("Metal", 1);
    other.color[0] = 0.0f;  // ignored: the name is already known
    std::string b = writeObject("b.lwo", {other}, {triangleLayer("")}, {{1, path("metal.bmp")}});
    EXPECT_TRUE(scene->importLightWaveObject(a.c_str()));
    std::string out = reports([&] { EXPECT_TRUE(scene->importLightWaveObject(b.c_str())); });
    EXPECT_NE(out.find("<Vordelle3DV4.1La surface existe deja >"), std::string::npos);
    EXPECT_EQ(scene->surfaceCount, 1);
    EngineSurface* s = scene->findSurface("Metal");
    EXPECT_EQ(s->image, nullptr);  // uploaded
    EXPECT_FLOAT_EQ(s->ambient[0], 0.5f);
    EXPECT_TRUE(glIsTexture(s->textureName));
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(scene->objects[i]->polygons[0].surface, s);
        EXPECT_NE(scene->objects[i]->polygons[0].uvs, nullptr);
    }
}

// The surfaces of cases/surfaces.txt, one object each.
TEST_F(ObjectImport, SurfaceNamesAndClipsChooseTheMode)
{
    ASSERT_TRUE(writeSolidBmp(path("t.bmp"), {255, 255, 255}));
    write("broken.bmp", "BM but no picture");
    write("pics/readme.txt", "the folder of the picture\n");
    ASSERT_TRUE(writeSolidBmp(path("pics/t.bmp"), {255, 0, 0}));
    for (const auto& c : readCases(SCENEFILES_CASES "/surfaces.txt", 5)) {
        SCOPED_TRACE(c[0]);
        LwwSurface s = fixtureSurface(c[0], std::stoi(c[1]));
        if (c[1] == "0") s.procedural = "Turbulence";
        std::string p = writeObject(c[0] + ".lwo", {s}, {triangleLayer("")}, {{1, inFolder(c[2])}});
        std::string out = reports([&] { EXPECT_TRUE(scene->importLightWaveObject(p.c_str())); });
        EXPECT_NE(out.find("<Vordelle3DV4.1" + inFolder(c[4])), std::string::npos) << out;
        EngineSurface* e = scene->findSurface(c[0].c_str());
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(c[3], std::to_string(e->additive) + " " + std::to_string(e->multiplicative) + " " +
                            std::to_string(e->alphaTest) + " " + std::to_string(e->textured));
        EXPECT_EQ(e->image, nullptr);
        const EnginePolygon& polygon = scene->objects[scene->objectCount - 1]->polygons[0];
        EXPECT_EQ(polygon.surface, e);
        EXPECT_EQ(polygon.uvs != nullptr, e->textured == 1);
    }
}

// A missing picture is reported once for its clip, not per surface or polygon;
// one beside the scene that loaded the object is found there.
TEST_F(ObjectImport, PicturesMissingOrBesideTheScene)
{
    std::string p = writeObject("lost.lwo", {fixtureSurface("First", 1), fixtureSurface("Second", 1)},
                                {cubeLayer()}, {{1, "Q:Far\\away.bmp"}});
    std::string out = reports([&] { EXPECT_TRUE(scene->importLightWaveObject(p.c_str())); });
    auto count = [&out](const std::string& text) {
        size_t n = 0;
        for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("Image <Q:Far\\away.bmp> introuvable, cherchee en: <Q:/Far/away.bmp>, <" + path("Far/away.bmp")),
              1u) << out;
    EXPECT_EQ(count("introuvable") + count("inexistante") + count("texturee"), 1u);

    std::string object = writeObject("objects/ball.lwo", {fixtureSurface("Shown", 1)}, {triangleLayer("")},
                                     {{1, "C:\\Show\\ball.bmp"}});
    write("scenes/Images/readme.txt", "the scene's pictures\n");
    ASSERT_TRUE(writeSolidBmp(path("scenes/Images/ball.bmp"), {255, 0, 0}));
    write("scenes/show.lws", "LWSC\n3\nLoadObject " + object + "\n");
    EXPECT_TRUE(load(path("scenes/show.lws")));
    ASSERT_NE(scene->findSurface("Shown"), nullptr);
    EXPECT_EQ(scene->findSurface("Shown")->textured, 1);
}

TEST_F(ObjectImport, Refusals)
{
    std::string text = write("text.lwo", "LWSC is not the first word here\n");
    std::string out = reports([&] { EXPECT_FALSE(scene->importLightWaveObject(text.c_str())); });
    EXPECT_NE(out.find("<Vordelle3DV4.1 Erreur, impossible de charger l'objet en tant qu'objet lwo>"), std::string::npos);
    EXPECT_EQ(scene->objectCount, 1);

    // A full surface table: the object loads, its polygons go without surface.
    while (scene->createSurface(("s" + std::to_string(scene->surfaceCount)).c_str())) {
    }
    std::string late = writeObject("late.lwo", {fixtureSurface("Late")}, {triangleLayer("")});
    out = reports([&] { EXPECT_TRUE(scene->importLightWaveObject(late.c_str())); });
    EXPECT_NE(out.find("<Vordelle3DV4.1Echec lors de la recherche d'une surface, 'Late' non trouve>"), std::string::npos) << out;
    EXPECT_EQ(scene->objects[1]->polygons[0].surface, nullptr);
}

TEST_F(ObjectImport, FullObjectTableIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string p = writeObject("one.lwo", {fixtureSurface("Plain")}, {triangleLayer("")});
    EXPECT_EXIT(
        {
            while (scene->objectCount < maxSceneObjects) scene->createObject("filler");
            scene->importLightWaveObject(p.c_str());
        },
        ::testing::ExitedWithCode(255), "Saturation d'allocation d'objets");
}

TEST_F(ImageSearch, CandidatesInOrderEachOnce)
{
    // The walk up from /o/ reaches the root at once.
    std::vector<std::string> expected = {"Q:/dir/x.png", "/o/dir/x.png", "/o/x.png", "/o/Images/x.png",
                                         "/o/../Images/x.png", "s/dir/x.png", "s/x.png", "s/Images/x.png",
                                         "s/../Images/x.png", "c/dir/x.png", "c/x.png", "c/Images/x.png", "/dir/x.png"};
    EXPECT_EQ(imageCandidates("Q:dir\\x.png", "/o/ball.lwo", "s/show.lws", "c"), expected);
    // From the working folder, an absolute name: only the file name travels.
    expected = {"/far/x.png", "x.png", "Images/x.png", "../Images/x.png"};
    EXPECT_EQ(imageCandidates("/far/x.png", "ball.lwo", nullptr, ""), expected);
}

// The cases of cases/imagesearch.txt over this tree.
TEST_F(ImageSearch, FirstExistingPlaceWins)
{
    for (const char* file : {"objects/tex/a.png", "objects/b.png", "objects/Images/c.png", "Images/d.png", "scenes/e.png",
                             "scenes/Images/f.png", "content/g/h.png", "content/i.png", "content/b.png"})
        write(file, "picture");
    write("objects/folder.png/readme", "a folder is no picture");
    const std::string object = path("objects/ball.lwo");
    for (const auto& c : readCases(SCENEFILES_CASES "/imagesearch.txt", 4)) {
        std::string scene = inFolder(c[1]), content = inFolder(c[2]);
        EXPECT_EQ(findImageFile(c[0].c_str(), object.c_str(), c[1] == "-" ? nullptr : scene.c_str(),
                                c[2] == "-" ? nullptr : content.c_str()),
                  inFolder(c[3]))
            << c[0];
    }
}

// A content folder's picture from an object filed below it: 2 and 8 levels up, not 9.
TEST_F(ImageSearch, ContentFolderAboveTheObject)
{
    std::string picture = std::filesystem::current_path().string() + "/" + write("C/Images/cars/paint.jpg", "picture");
    for (auto [object, found] : {std::pair{"C/Objects/Cars/car.lwo", true}, {"C/1/2/3/4/5/6/7/8/car.lwo", true},
                                 {"C/1/2/3/4/5/6/7/8/9/car.lwo", false}})
        EXPECT_EQ(findImageFile("D:Images\\cars\\paint.jpg", path(object).c_str(), nullptr, nullptr),
                  found ? picture : "")
            << object;
}

}  // namespace
