// Display lists: blend classes on real pixels, alpha keying, which objects
// get a list, and the scene's ownership of its GL names.
#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <string>

#include "gl_support.h"
#include "toolkit.h"

using DisplayLists = GlSceneTest;

namespace {

const Rgb black{0, 0, 0};

// One object filling the middle of the view (x and y within +-1 at depth 5).
SceneObject* middleObject(Scene* scene, std::vector<Quad> quads)
{
    SceneObject* object = scene->createObject("middle");
    scene->setObjectTransform(object, 0.0f, 0.0f, 5.0f, 0.0f, 0.0f, 0.0f);
    giveQuads(object, quads);
    return object;
}

}  // namespace

TEST_F(DisplayLists, SceneOnADisplayTakesItsAspectRatio)
{
    EXPECT_EQ(scene->videoSurface, SDL_GetVideoSurface());
    EXPECT_EQ(scene->pixelRatio, 80.0f / 60.0f);
}

TEST_F(DisplayLists, OpaqueTexturedPolygonReplacesTheBackground)
{
    EngineSurface* surface = texturedSurface(scene, "wall", Rgb{200, 100, 50});
    middleObject(scene, {{0, 0, 0, 1, surface}});
    scene->compileDisplayLists();
    drawOver(Rgb{0, 0, 255});
    EXPECT_TRUE(near(centre(), Rgb{200, 100, 50}));
    EXPECT_TRUE(near(readPixel(2, 2), Rgb{0, 0, 255}));
}

TEST_F(DisplayLists, AdditivePolygonAddsToTheBackground)
{
    EngineSurface* surface = texturedSurface(scene, "light", Rgb{50, 60, 70});
    surface->additive = 1;
    middleObject(scene, {{0, 0, 0, 1, surface}});
    scene->compileDisplayLists();
    drawOver(Rgb{100, 50, 20});
    EXPECT_TRUE(near(centre(), Rgb{150, 110, 90}));
}

TEST_F(DisplayLists, MultiplicativePolygonSquaresTheFrameBuffer)
{
    // The polygon's own colour plays no part.
    EngineSurface* surface = texturedSurface(scene, "shadow", Rgb{10, 250, 30});
    surface->multiplicative = 1;
    middleObject(scene, {{0, 0, 0, 1, surface}});
    scene->compileDisplayLists();
    drawOver(Rgb{128, 64, 200});
    EXPECT_TRUE(near(centre(), Rgb{64, 16, 157}));
}

TEST_F(DisplayLists, PassesFollowTheBlendClassNotTheArrayOrder)
{
    EngineSurface* glow = texturedSurface(scene, "glow light", Rgb{50, 20, 10});
    glow->additive = 1;
    EngineSurface* dark = texturedSurface(scene, "shadow", Rgb{0, 0, 0});
    dark->multiplicative = 1;
    EngineSurface* wall = texturedSurface(scene, "wall", Rgb{100, 100, 100});
    // Multiplicative and additive first in the array: drawn after the opaque one all the same.
    middleObject(scene, {{0, 0, 0, 1, dark}, {0, 0, 0, 1, glow}, {0, 0, 0, 1, wall}});
    scene->compileDisplayLists();
    drawOver(black);
    // (100 + 50, 100 + 20, 100 + 10) then squared: 150 * 150 / 255 = 88 ...
    EXPECT_TRUE(near(centre(), Rgb{88, 56, 47}));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

TEST_F(DisplayLists, AlphaTestCutsTheBlackTexelsOfAKeyedTexture)
{
    // Left texel black (alpha 255, as the keyed loader marks it), right texel green (alpha 0).
    const unsigned char texels[8] = {0, 0, 0, 255, 0, 255, 0, 0};
    EngineSurface* keyed = scene->createSurface("sprite blackbg");
    uploadTestTexture(keyed->textureName, 2, 1, texels);
    keyed->textured = 1;
    keyed->alphaTest = 1;
    middleObject(scene, {{0, 0, 0, 1, keyed}});
    scene->compileDisplayLists();
    const Rgb background{30, 40, 200};
    drawOver(background);
    EXPECT_TRUE(near(readPixel(30, 30), background));
    EXPECT_TRUE(near(readPixel(50, 30), Rgb{0, 255, 0}));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));

    // Without the flag the black half is drawn.
    keyed->alphaTest = 0;
    scene->compileDisplayLists();
    drawOver(background);
    EXPECT_TRUE(near(readPixel(30, 30), black));
}

TEST_F(DisplayLists, UntexturedPolygonsAreOpaqueWithTheirColour)
{
    EngineSurface* paint = scene->createSurface("paint light");
    paint->additive = 1;  // no texture: still drawn once, opaque
    paint->ambient[0] = 0.2f;
    paint->ambient[1] = 0.8f;
    paint->ambient[2] = 0.4f;
    EngineSurface* wall = texturedSurface(scene, "wall", Rgb{200, 100, 50});
    // Bare quad at the top (first, so before any surface), painted one on the
    // left, textured one on the right.
    middleObject(scene, {{0, 0.7f, 0, 0.2f, nullptr}, {-0.5f, 0, 0, 0.4f, paint}, {0.5f, 0, 0, 0.4f, wall}});
    scene->compileDisplayLists();
    const Rgb background{90, 90, 90};
    // A texture left bound from earlier must not show on the bare quad.
    glBindTexture(GL_TEXTURE_2D, wall->textureName);
    drawOver(background);
    EXPECT_TRUE(near(atEye(-0.5f, 0, -5), Rgb{51, 204, 102}));
    // The texture is not tinted by the colour before it.
    EXPECT_TRUE(near(atEye(0.5f, 0, -5), Rgb{200, 100, 50}));
    EXPECT_TRUE(near(atEye(0, 0.7f, -5), Rgb{255, 255, 255}));
}

// A hidden single object has an empty list: showing it later draws nothing
// until the next compilation. A hidden ring member has its list ready.
TEST_F(DisplayLists, OnlyShownObjectsAndRingMembersGetAList)
{
    EngineSurface* wall = texturedSurface(scene, "wall", Rgb{200, 100, 50});
    SceneObject* hidden = objectAt("hidden", -1.2f, 0, 5);
    SceneObject* head = objectAt("head", 0, 0, 5);
    SceneObject* member = objectAt("member", 0, 0, 5);
    head->next = member;
    member->next = head;
    member->ringHead = head;
    for (SceneObject* o : {hidden, head, member}) giveQuads(o, {{0, 0, 0, 0.4f, wall}});
    scene->hideObject(hidden);
    scene->hideObject(member);
    scene->hideObject(head);

    scene->compileDisplayLists();
    ASSERT_EQ(scene->listsCompiled, 1);
    ASSERT_NE(scene->listBase, 0u);
    scene->showObject(hidden);
    scene->showObject(member);
    drawOver(black);
    EXPECT_TRUE(near(atEye(-1.2f, 0, -5), black));
    EXPECT_TRUE(near(centre(), Rgb{200, 100, 50}));

    scene->compileDisplayLists();
    drawOver(black);
    EXPECT_TRUE(near(atEye(-1.2f, 0, -5), Rgb{200, 100, 50}));
}

TEST_F(DisplayLists, CompilingAgainReplacesTheRange)
{
    EngineSurface* wall = texturedSurface(scene, "wall", Rgb{200, 100, 50});
    middleObject(scene, {{0, 0, 0, 1, wall}});
    scene->compileDisplayLists();
    verbose = 1;
    testing::internal::CaptureStdout();
    scene->compileDisplayLists();
    std::string out = testing::internal::GetCapturedStdout();
    verbose = 0;
    EXPECT_EQ(out.find("[TovikTools Info]:: le saviez vous?, <Vordelle3DV4.1Effacement des precedentes Listes Opengl>\n"),
              0u);
    EXPECT_NE(out.find("<Vordelle3DV4.1Creation des Listes Opengl>"), std::string::npos);
    EXPECT_NE(out.find("<Vordelle3DV4.1Nouvelle Liste en cours d'enregistrement...>"), std::string::npos);
    drawOver(black);
    EXPECT_TRUE(near(centre(), Rgb{200, 100, 50}));
}

TEST_F(DisplayLists, RewindCompilesWhenNoListsExist)
{
    EngineSurface* wall = texturedSurface(scene, "wall", Rgb{200, 100, 50});
    middleObject(scene, {{0, 0, 0, 1, wall}});
    drawOver(black);
    EXPECT_TRUE(near(centre(), black));  // not compiled yet: nothing drawn
    scene->reinitialise();
    EXPECT_EQ(scene->listsCompiled, 1);
    drawOver(black);
    EXPECT_TRUE(near(centre(), Rgb{200, 100, 50}));
}

// Texture and list names the scene did not make are left alone, and the
// names it hands out are those it reserved.
TEST(SceneGlNames, ASceneOnlyHandsOutAndGivesBackItsOwnNames)
{
    ASSERT_TRUE(openTestWindow());
    GLuint foreignTexture = 0;
    glGenTextures(1, &foreignTexture);
    uploadSolidTexture(foreignTexture, Rgb{1, 2, 3});

    Scene* scene = new Scene();
    for (int i = 0; i < maxSceneSurfaces; i++) ASSERT_NE(scene->textureNames[i], foreignTexture);
    EngineSurface* first = scene->createSurface("a");
    EngineSurface* second = scene->createSurface("b");
    EXPECT_EQ(first->textureName, scene->textureNames[0]);
    EXPECT_EQ(second->textureName, scene->textureNames[1]);
    EXPECT_NE(first->textureName, 0u);
    EXPECT_NE(first->textureName, second->textureName);

    giveQuads(scene->createObject("o"), {{0, 0, 5, 1, nullptr}});
    scene->compileDisplayLists();
    GLuint foreignList = glGenLists(1);
    glNewList(foreignList, GL_COMPILE);
    glEndList();
    ASSERT_TRUE(glIsList(foreignList));

    delete scene;
    EXPECT_TRUE(glIsTexture(foreignTexture));
    EXPECT_TRUE(glIsList(foreignList));
    glDeleteLists(foreignList, 1);
    glDeleteTextures(1, &foreignTexture);
}
