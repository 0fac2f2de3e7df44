// Scene and object model, and the engine's diagnostics, without a display.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine.h"
#include "toolkit.h"

namespace {

// Captures what the toolkit prints with verbose on.
struct VerboseCapture {
    VerboseCapture() { verbose = 1; testing::internal::CaptureStdout(); }
    std::string text() { verbose = 0; return testing::internal::GetCapturedStdout(); }
};

std::string infoLine(const std::string& message)
{
    return "[TovikTools Info]:: le saviez vous?, <Vordelle3DV4.1" + message + ">\n";
}

std::string warningLine(const std::string& message)
{
    return "[TovikTools Warning]:: Attention, <Vordelle3DV4.1" + message + ">\n";
}

}  // namespace

TEST(EngineDiagnostics, PrefixTheEngineNameWithNoSeparator)
{
    VerboseCapture capture;
    Scene::reportWarning(" est parmis nous ");
    Scene::reportInfo("");
    Scene::reportInfo("abc");
    EXPECT_EQ(capture.text(), warningLine(" est parmis nous ") + infoLine("") + infoLine("abc"));
}

TEST(EngineDiagnostics, AreSilentUnlessVerboseIsExactlyOne)
{
    testing::internal::CaptureStdout();
    verbose = 2;
    Scene::reportWarning("x");
    Scene::reportInfo("y");
    verbose = 0;
    Scene::reportWarning("x");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(EngineDiagnostics, LongMessagesAreNotCut)
{
    std::string longMessage(3000, 'z');
    longMessage += "END";
    VerboseCapture capture;
    Scene::reportWarning(longMessage.c_str());
    Scene::reportInfo(longMessage.c_str());
    EXPECT_EQ(capture.text(), warningLine(longMessage) + infoLine(longMessage));
}

TEST(EngineDiagnosticsDeathTest, FatalShowsThePrefixedTitleAndExitsWithMinusOne)
{
    EXPECT_EXIT(Scene::reportFatal(" plus rien"), testing::ExitedWithCode(255),
                "Vordelle3DV4.1 plus rien\n\\[TovikTools Error\\] <Woooh!!>");
}

TEST(SceneModel, ConstructionWithoutDisplay)
{
    VerboseCapture capture;
    Scene* scene = new Scene();
    std::string out = capture.text();
    EXPECT_EQ(out, infoLine(" Sortie Video SDL non utilisee ") + infoLine(" est parmis nous "));

    EXPECT_EQ(scene->videoSurface, nullptr);
    EXPECT_EQ(scene->pixelRatio, 1.3f);
    EXPECT_STREQ(scene->name, "Trevoskin, Vordelle3DV4.1 Scene Par defaut");
    EXPECT_EQ(scene->objectCount, 1);
    EXPECT_EQ(scene->surfaceCount, 0);
    EXPECT_EQ(scene->textureCounter, 0);
    EXPECT_EQ(scene->listsCompiled, 0);
    EXPECT_EQ(scene->recordPending, 0);
    ASSERT_NE(scene->textureNames, nullptr);
    for (int i = 1; i < maxSceneObjects; i++) ASSERT_EQ(scene->objects[i], nullptr) << i;

    SceneObject* camera = scene->camera;
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(scene->objects[0], camera);
    EXPECT_STREQ(camera->name, "camera");
    EXPECT_EQ(camera->isCamera, 1);
    EXPECT_EQ(camera->visible, 0);
    EXPECT_EQ(camera->transform, &camera->current);
    ASSERT_NE(camera->player, nullptr);
    EXPECT_EQ(camera->player->object, camera);

    capture = VerboseCapture();
    delete scene;
    EXPECT_EQ(capture.text(), infoLine(" nous quitte "));
}

TEST(SceneModel, NewObjectDefaults)
{
    Scene scene;
    SceneObject* object = scene.createObject("tux");
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(scene.objectCount, 2);
    EXPECT_EQ(scene.objects[1], object);
    EXPECT_STREQ(object->name, "tux");
    EXPECT_STREQ(object->sourceFile, "-xxx.Vordelle3DV4.1-Unallocated.xxx-");
    EXPECT_EQ(object->visible, 1);
    EXPECT_EQ(object->isCamera, 0);
    EXPECT_EQ(object->next, object);
    EXPECT_EQ(object->ringHead, object);
    EXPECT_EQ(object->countdown, 0);
    EXPECT_EQ(object->period, 50);
    EXPECT_EQ(object->lookAtMode, 0);
    EXPECT_EQ(object->transform, &object->current);
    EXPECT_EQ(object->polygons, nullptr);
    EXPECT_EQ(object->vertices, nullptr);
    ASSERT_NE(object->player, nullptr);
    EXPECT_EQ(object->player->object, object);
    EXPECT_EQ(object->player->animSpeed, 60);
}

TEST(SceneModel, NamesAreCutTo31And63Characters)
{
    Scene scene;
    std::string longName(100, 'n');
    SceneObject* object = scene.createObject(longName.c_str());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(std::string(object->name), longName.substr(0, 31));

    EngineSurface* surface = scene.createSurface(longName.c_str());
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(std::string(surface->name), longName.substr(0, 63));
    EXPECT_EQ(scene.findSurface(longName.substr(0, 63).c_str()), surface);
}

TEST(SceneModel, FindObjectIsExactCaseSensitiveAndReturnsTheFirst)
{
    Scene scene;
    SceneObject* first = scene.createObject("Boule");
    SceneObject* second = scene.createObject("Boule");
    ASSERT_NE(first, second);
    EXPECT_EQ(scene.findObject("Boule"), first);
    EXPECT_EQ(scene.findObject("boule"), nullptr);
    EXPECT_EQ(scene.findObject("Boul"), nullptr);
    EXPECT_EQ(scene.findObject("camera"), scene.camera);
    EXPECT_EQ(scene.findObject(nullptr), nullptr);
}

TEST(SceneModel, ObjectTableHolds1024Objects)
{
    Scene scene;
    for (int i = 1; i < maxSceneObjects; i++) ASSERT_NE(scene.createObject("o"), nullptr) << i;
    EXPECT_EQ(scene.objectCount, 1024);
    EXPECT_EQ(scene.createObject("one too many"), nullptr);
    EXPECT_EQ(scene.createObject(nullptr), nullptr);
    EXPECT_EQ(scene.objectCount, 1024);
}

TEST(SceneModel, UnnamedObjectsAreCountedAcrossScenes)
{
    int32_t start = emptyObjectCounter;
    Scene* a = new Scene();
    Scene* b = new Scene();
    SceneObject* a0 = a->createObject(nullptr);
    SceneObject* b0 = b->createObject(nullptr);
    SceneObject* a1 = a->createObject(nullptr);
    EXPECT_EQ(std::string(a0->name), "Empty " + std::to_string(start));
    EXPECT_EQ(std::string(b0->name), "Empty " + std::to_string(start + 1));
    EXPECT_EQ(std::string(a1->name), "Empty " + std::to_string(start + 2));
    delete a;
    delete b;
    Scene c;
    EXPECT_EQ(std::string(c.createObject(nullptr)->name), "Empty " + std::to_string(start + 3));
    // Named objects do not use a number.
    c.createObject("named");
    EXPECT_EQ(emptyObjectCounter, start + 4);
}

TEST(SceneModel, SurfacesAreUniqueByName)
{
    Scene scene;
    EngineSurface* first = scene.createSurface("Metal");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, &scene.surfaces.items[1]);
    EXPECT_EQ(scene.createSurface("Metal"), nullptr);
    EXPECT_EQ(scene.surfaceCount, 1);
    EXPECT_EQ(scene.textureCounter, 1);
    EXPECT_EQ(scene.findSurface("Metal"), first);
    EXPECT_EQ(scene.findSurface("metal"), nullptr);
    EXPECT_EQ(first->textured, 0);
    EXPECT_EQ(first->image, nullptr);
    EXPECT_EQ(first->ambient[3], 0.0f);
}

TEST(SceneModel, SurfaceTableHolds512Surfaces)
{
    Scene scene;
    char surfaceName[16];
    for (int i = 1; i <= maxSceneSurfaces; i++) {
        std::snprintf(surfaceName, sizeof(surfaceName), "s%d", i);
        ASSERT_EQ(scene.createSurface(surfaceName), &scene.surfaces.items[i]) << i;
    }
    EXPECT_EQ(scene.textureCounter, 512);
    EXPECT_EQ(scene.nextTextureName(), 0u);
    EXPECT_EQ(scene.textureCounter, 512);

    VerboseCapture capture;
    EXPECT_EQ(scene.createSurface("s513"), nullptr);
    EXPECT_EQ(capture.text(), warningLine(" MAXIMUM  de Surfaces depasse "));
    EXPECT_EQ(scene.surfaceCount, 512);
    // A name already present is refused silently, even on a full table.
    capture = VerboseCapture();
    EXPECT_EQ(scene.createSurface("s1"), nullptr);
    EXPECT_EQ(capture.text(), "");
}

TEST(SceneModel, PlacingAndAiming)
{
    Scene scene;
    SceneObject* object = scene.createObject("o");
    scene.setObjectTransform(object, 1.5f, -2.0f, 3.25f, 10.0f, 20.0f, 30.0f);
    EXPECT_EQ(object->current.x, 1.5f);
    EXPECT_EQ(object->current.y, -2.0f);
    EXPECT_EQ(object->current.z, 3.25f);
    EXPECT_EQ(object->current.heading, 10.0f);
    EXPECT_EQ(object->current.pitch, 20.0f);
    EXPECT_EQ(object->current.bank, 30.0f);
    EXPECT_EQ(object->startTransform.x, 0.0f);

    object->target.heading = 5.0f;
    scene.setLookAtTarget(object, 7.0f, 8.0f, 9.0f);
    EXPECT_EQ(object->lookAtMode, 1);
    EXPECT_EQ(object->target.x, 7.0f);
    EXPECT_EQ(object->target.y, 8.0f);
    EXPECT_EQ(object->target.z, 9.0f);
    EXPECT_EQ(object->target.heading, 0.0f);
    EXPECT_EQ(object->current.x, 1.5f);
    EXPECT_EQ(object->current.bank, 30.0f);
    scene.clearLookAt(object);
    EXPECT_EQ(object->lookAtMode, 0);
    EXPECT_EQ(object->target.x, 7.0f);

    // No transform in use: nothing is written.
    object->transform = nullptr;
    scene.setObjectTransform(object, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(object->current.x, 1.5f);
    object->transform = &object->current;
}

TEST(SceneModel, ShowingAndHiding)
{
    Scene scene;
    SceneObject* object = scene.createObject("o");
    scene.hideObject(object);
    EXPECT_EQ(object->visible, 0);
    scene.hideObject(nullptr);
    KeyframePlayer* player = object->player;
    scene.showObject(object);
    EXPECT_EQ(object->visible, 1);
    EXPECT_EQ(object->player, player);

    delete object->player;
    object->player = nullptr;
    scene.showObject(object);
    ASSERT_NE(object->player, nullptr);
    EXPECT_EQ(object->player->object, object);
}

// Run under AddressSanitizer and LeakSanitizer (scripts/test): every array
// the import hands over is released once, with the matching delete.
TEST(SceneModel, DestructionReleasesEveryObjectOnce)
{
    Scene* scene = new Scene();
    for (int o = 0; o < 3; o++) {
        SceneObject* object = scene->createObject(nullptr);
        object->vertexCount = 4;
        object->vertices = new float[12]();
        object->polygonCount = 2;
        object->polygons = new EnginePolygon[2]();
        for (int p = 0; p < 2; p++) {
            EnginePolygon* polygon = &object->polygons[p];
            polygon->vertexCount = 3;
            polygon->vertices = new float*[3];
            for (int c = 0; c < 3; c++) polygon->vertices[c] = &object->vertices[3 * (c + p)];
            polygon->normals = new float[9]();
            polygon->uvs = p == 0 ? new float[6]() : nullptr;
        }
    }
    // A hole in the table must not stop the release of the objects after it.
    SceneObject* taken = scene->objects[2];
    scene->objects[2] = nullptr;
    delete[] taken->polygons[0].uvs;
    for (int p = 0; p < 2; p++) {
        delete[] taken->polygons[p].normals;
        delete[] taken->polygons[p].vertices;
    }
    delete[] taken->polygons;
    delete[] taken->vertices;
    delete taken->player;
    std::free(taken);

    Scene* asBase = scene;
    delete asBase;
}
