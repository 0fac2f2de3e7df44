// Display lists and frame rendering on real pixels: blend passes, alpha
// keying, which objects get a list, the projection, the camera and the
// orientation of objects. Position markers are fat points, which show
// whatever way an object is turned.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cmath>
#include <array>
#include <cstdlib>
#include <string>
#include <cstring>
#include <vector>

#include "engine.h"
#include "test_support.h"
#include "toolkit.h"

namespace {

const int testWidth = 80, testHeight = 60;

struct Rgb {
    int r, g, b;
};

// Once per process; no SDL_Quit at exit: the GL driver would be unloaded
// before the leak check. Only X11 gives OpenGL here: when the server is slow
// to answer one of several test processes, try again rather than fall back.
bool openTestWindow()
{
    static SDL_Surface* window = nullptr;
    setenv("SDL_VIDEODRIVER", "x11", 0);
    for (int tries = 0; !window && SDL_Init(SDL_INIT_VIDEO) < 0; SDL_Delay(100))
        if (++tries == 20) return false;
    for (SDL_GLattr a : {SDL_GL_RED_SIZE, SDL_GL_GREEN_SIZE, SDL_GL_BLUE_SIZE}) SDL_GL_SetAttribute(a, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    if (!window) window = SDL_SetVideoMode(testWidth, testHeight, 0, SDL_OPENGL);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glDisable(GL_DITHER);
    return window != nullptr;
}

Rgb readPixel(int x, int y)  // y from the bottom
{
    unsigned char p[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgb{p[0], p[1], p[2]};
}

bool near(Rgb a, Rgb b, int tolerance = 2)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// A surface whose texture is w x h RGBA texels (rows from the bottom), nearest
// filtering; one colour with alpha 0 (as the keyed loader marks kept texels) by default.
EngineSurface* texturedSurface(Scene* scene, const char* name, Rgb colour, int w = 1, int h = 1,
                               const unsigned char* rgba = nullptr)
{
    const unsigned char texel[4] = {static_cast<unsigned char>(colour.r), static_cast<unsigned char>(colour.g),
                                    static_cast<unsigned char>(colour.b), 0};
    EngineSurface* surface = scene->createSurface(name);
    glBindTexture(GL_TEXTURE_2D, surface->textureName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba ? rgba : texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    surface->textured = 1;
    return surface;
}

// Polygons given by their corners (one corner: a point). Textured ones get
// u = 1 right of their centre and v = 1 above it.
struct Polygon {
    std::vector<std::array<float, 3>> corners;
    EngineSurface* surface;
};

// A square in the xy plane, wound to face the eye of an unturned camera.
Polygon quad(float cx, float cy, float cz, float half, EngineSurface* surface)
{
    return {{{cx - half, cy - half, cz}, {cx - half, cy + half, cz}, {cx + half, cy + half, cz}, {cx + half, cy - half, cz}},
            surface};
}

void givePolygons(SceneObject* object, const std::vector<Polygon>& polygons)
{
    object->vertices = new float[3 * 4 * polygons.size()];
    object->polygonCount = static_cast<int32_t>(polygons.size());
    object->polygons = new EnginePolygon[polygons.size()]();
    float* v = object->vertices;
    for (size_t p = 0; p < polygons.size(); p++) {
        const std::vector<std::array<float, 3>>& corners = polygons[p].corners;
        EnginePolygon& polygon = object->polygons[p];
        int n = static_cast<int>(corners.size());
        polygon.vertexCount = n;
        polygon.surface = polygons[p].surface;
        polygon.vertices = new float*[n];
        polygon.normals = new float[3 * n]();
        polygon.uvs = polygon.surface && polygon.surface->textured ? new float[2 * n] : nullptr;
        float centre[2] = {0, 0};
        for (const auto& c : corners) centre[0] += c[0] / n, centre[1] += c[1] / n;
        for (int c = 0; c < n; c++, v += 3) {
            std::copy(corners[c].begin(), corners[c].end(), v);
            polygon.vertices[c] = v;
            polygon.normals[3 * c + 2] = -1.0f;
            if (polygon.uvs) polygon.uvs[2 * c] = v[0] > centre[0], polygon.uvs[2 * c + 1] = v[1] > centre[1];
        }
    }
}

// A fresh scene on the test window.
struct GlSceneTest : testing::Test {
    Scene* scene = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(openTestWindow());
        scene = new Scene();
        glPointSize(5.0f);
    }
    void TearDown() override { delete scene; }
    SceneObject* objectAt(const char* name, float x, float y, float z, std::vector<Polygon> polygons)
    {
        SceneObject* object = scene->createObject(name);
        scene->setObjectTransform(object, x, y, z, 0.0f, 0.0f, 0.0f);
        givePolygons(object, polygons);
        return object;
    }
    void drawOver(Rgb background)
    {
        glClearColor(background.r / 255.0f, background.g / 255.0f, background.b / 255.0f, 1.0f);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->render();
        glFinish();
    }
    // Where an eye-space point lands with the engine's 35-degree projection.
    Rgb atEye(float ex, float ey, float ez)
    {
        double f = 1.0 / std::tan(35.0 * M_PI / 360.0);
        double ndcX = f / scene->pixelRatio * ex / -ez, ndcY = f * ey / -ez;
        return readPixel(static_cast<int>(std::floor((ndcX + 1.0) * 0.5 * testWidth)),
                         static_cast<int>(std::floor((ndcY + 1.0) * 0.5 * testHeight)));
    }
    Rgb centre() { return readPixel(testWidth / 2, testHeight / 2); }
};

using DisplayLists = GlSceneTest;
using Render = GlSceneTest;

const Rgb black{0, 0, 0};
const Rgb wallColour{200, 100, 50};

// One quad over the middle of the view; its 2 x 2 texture is black (keyed,
// alpha 255) in the top right texel and `colour` (alpha 0) elsewhere.
struct BlendCase {
    const char* pass;
    unsigned char additive, multiplicative, alphaTest;
    Rgb background, topRight, bottomLeft;
};

const Rgb colour{50, 60, 70};
const BlendCase blendCases[] = {
    {"opaque replaces", 0, 0, 0, {100, 50, 20}, black, colour},
    {"additive adds", 1, 0, 0, {100, 50, 20}, {100, 50, 20}, {150, 110, 90}},
    // The polygon's own colour plays no part: the frame buffer is squared.
    {"multiplicative squares", 0, 1, 0, {128, 64, 200}, {64, 16, 157}, {64, 16, 157}},
    {"alpha test cuts black", 0, 0, 1, {30, 40, 200}, {30, 40, 200}, colour},
};

struct BlendPasses : GlSceneTest, testing::WithParamInterface<BlendCase> {};
void PrintTo(const BlendCase& c, std::ostream* out) { *out << c.pass; }

}  // namespace

TEST_P(BlendPasses, OnThePixels)
{
    const BlendCase& c = GetParam();
    unsigned char texels[16] = {};
    for (int i = 0; i < 12; i += 4) texels[i] = 50, texels[i + 1] = 60, texels[i + 2] = 70;
    texels[15] = 255;
    EngineSurface* surface = texturedSurface(scene, "surface", black, 2, 2, texels);
    surface->additive = c.additive;
    surface->multiplicative = c.multiplicative;
    surface->alphaTest = c.alphaTest;
    objectAt("middle", 0, 0, 5, {quad(0, 0, 0, 1, surface)});
    scene->compileDisplayLists();
    drawOver(c.background);
    EXPECT_TRUE(near(atEye(0.5f, 0.5f, -5), c.topRight)) << c.pass;
    EXPECT_TRUE(near(atEye(-0.5f, -0.5f, -5), c.bottomLeft)) << c.pass;
    EXPECT_TRUE(near(readPixel(1, 1), c.background)) << c.pass;
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
}

INSTANTIATE_TEST_SUITE_P(Passes, BlendPasses, testing::ValuesIn(blendCases));

TEST_F(DisplayLists, PassesFollowTheBlendClassNotTheArrayOrder)
{
    EngineSurface* glow = texturedSurface(scene, "glow light", Rgb{50, 20, 10});
    glow->additive = 1;
    EngineSurface* dark = texturedSurface(scene, "shadow", black);
    dark->multiplicative = 1;
    EngineSurface* wall = texturedSurface(scene, "wall", Rgb{100, 100, 100});
    objectAt("middle", 0, 0, 5, {quad(0, 0, 0, 1, dark), quad(0, 0, 0, 1, glow), quad(0, 0, 0, 1, wall)});
    scene->compileDisplayLists();
    drawOver(black);
    EXPECT_TRUE(near(centre(), Rgb{88, 56, 47}));  // (100 + 50, 100 + 20, 100 + 10), then squared
    EXPECT_FALSE(glIsEnabled(GL_BLEND));  // and depth writes back on
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

TEST_F(DisplayLists, UntexturedPolygonsAreOpaqueWithTheirColour)
{
    EngineSurface* paint = scene->createSurface("paint light");
    paint->additive = 1;  // no texture: still drawn once, opaque
    paint->ambient[0] = 0.2f;
    paint->ambient[1] = 0.8f;
    paint->ambient[2] = 0.4f;
    EngineSurface* wall = texturedSurface(scene, "wall", wallColour);
    // A bare quad first (before any surface), then a painted and a textured one.
    objectAt("middle", 0, 0, 5, {quad(0, 0.7f, 0, 0.2f, nullptr), quad(-0.5f, 0, 0, 0.4f, paint), quad(0.5f, 0, 0, 0.4f, wall)});
    scene->compileDisplayLists();
    glBindTexture(GL_TEXTURE_2D, wall->textureName);  // must not show on the bare quad
    drawOver(Rgb{90, 90, 90});
    EXPECT_TRUE(near(atEye(-0.5f, 0, -5), Rgb{51, 204, 102}));
    EXPECT_TRUE(near(atEye(0.5f, 0, -5), wallColour));  // not tinted by the colour before it
    EXPECT_TRUE(near(atEye(0, 0.7f, -5), Rgb{255, 255, 255}));
}

// A hidden single object has an empty list until the next compilation; a
// hidden ring member has its list ready. Compiling again replaces the range.
TEST_F(DisplayLists, OnlyShownObjectsAndRingMembersGetAList)
{
    EngineSurface* wall = texturedSurface(scene, "wall", wallColour);
    SceneObject* hidden = objectAt("hidden", -1.2f, 0, 5, {quad(0, 0, 0, 0.4f, wall)});
    SceneObject* head = objectAt("head", 0, 0, 5, {quad(0, 0, 0, 0.4f, wall)});
    SceneObject* member = objectAt("member", 0, 0, 5, {quad(0, 0, 0, 0.4f, wall)});
    head->next = member;
    member->next = member->ringHead = head;
    scene->hideObject(hidden);
    scene->reinitialise();  // no lists yet: compiles them, and shows the ring's head only
    scene->hideObject(head);
    scene->showObject(hidden);
    scene->showObject(member);
    drawOver(black);
    EXPECT_TRUE(near(atEye(-1.2f, 0, -5), black));
    EXPECT_TRUE(near(centre(), wallColour));

    std::string out = captureVerbose([&] { scene->compileDisplayLists(); });
    EXPECT_EQ(out.find("[TovikTools Info]:: le saviez vous?, <Vordelle3DV4.1Effacement des precedentes Listes Opengl>\n"
                       "[TovikTools Info]:: le saviez vous?, <Vordelle3DV4.1Creation des Listes Opengl>\n"),
              0u);
    EXPECT_NE(out.find("<Vordelle3DV4.1Nouvelle Liste en cours d'enregistrement...>"), std::string::npos);
    drawOver(black);
    EXPECT_TRUE(near(atEye(-1.2f, 0, -5), wallColour));
}

// The names a scene hands out are those it reserved, and it gives back only its own.
TEST(SceneGlNames, ASceneOnlyHandsOutAndGivesBackItsOwnNames)
{
    ASSERT_TRUE(openTestWindow());
    GLuint foreignTexture = 0;
    glGenTextures(1, &foreignTexture);
    glBindTexture(GL_TEXTURE_2D, foreignTexture);
    Scene* scene = new Scene();
    EXPECT_EQ(scene->videoSurface, SDL_GetVideoSurface());
    EXPECT_EQ(scene->pixelRatio, 80.0f / 60.0f);
    for (int i = 0; i < maxSceneSurfaces; i++) ASSERT_NE(scene->textureNames[i], foreignTexture);
    EXPECT_EQ(texturedSurface(scene, "a", black)->textureName, scene->textureNames[0]);
    EXPECT_EQ(scene->createSurface("b")->textureName, scene->textureNames[1]);
    givePolygons(scene->createObject("o"), {quad(0, 0, 5, 1, nullptr)});
    scene->compileDisplayLists();
    GLuint foreignList = glGenLists(1), first = scene->textureNames[0];
    glNewList(foreignList, GL_COMPILE);
    glEndList();
    delete scene;
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_TRUE(glIsTexture(foreignTexture) && glIsList(foreignList));
    glDeleteLists(foreignList, 1);
    glDeleteTextures(1, &foreignTexture);
}

TEST_F(Render, LeavesItsStateAndResetsTheTicks)
{
    tickTimer.ticks.store(42);
    scene->render();
    EXPECT_EQ(tickTimer.ticks.load(), 0);
    tickTimer.ticks.store(-3);
    scene->render();
    EXPECT_EQ(tickTimer.ticks.load(), -3);
    tickTimer.ticks.store(0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && !glIsEnabled(GL_BLEND));
    GLint state[2] = {};
    glGetIntegerv(GL_DEPTH_FUNC, &state[0]);
    glGetIntegerv(GL_MATRIX_MODE, &state[1]);
    EXPECT_TRUE(state[0] == GL_LEQUAL && state[1] == GL_MODELVIEW);
}

namespace {

const Rgb background{0, 0, 80};
const Rgb marker{255, 200, 0};

struct Markers : GlSceneTest {
    EngineSurface* paint = nullptr;

    void SetUp() override
    {
        GlSceneTest::SetUp();
        paint = scene->createSurface("marker");
        paint->ambient[0] = 1.0f;
        paint->ambient[1] = 200 / 255.0f;
    }
    SceneObject* markerAt(float x, float y, float z) { return objectAt(nullptr, x, y, z, {{{{0, 0, 0}}, paint}}); }
    bool markerAtEye(float x, float y, float z) { return near(atEye(x, y, z), marker, 3); }
};

// The rows of cases/views.txt (its header gives the fields).
struct View {
    std::string what;
    std::vector<float> camera, target, place, point, seen, notSeen;
};

std::vector<View> views()
{
    std::vector<View> out;
    for (const auto& r : readCases(ENGINE_CASES "/views.txt", 7))
        out.push_back({r[0], numbersIn(r[1]), numbersIn(r[2]), numbersIn(r[3]), numbersIn(r[4]), numbersIn(r[5]),
                       numbersIn(r[6])});
    return out;
}

struct Views : Markers, testing::WithParamInterface<View> {};
void PrintTo(const View& v, std::ostream* out) { *out << v.what; }

}  // namespace

TEST_P(Views, MarkerLandsWhereExpected)
{
    const View& v = GetParam();
    const std::vector<float> &c = v.camera, &p = v.place;
    ASSERT_TRUE(c.size() == 6 && (p.size() == 6 || p.size() == 7) && v.point.size() == 3 && v.seen.size() == 3 &&
                v.notSeen.size() == 3);
    scene->setObjectTransform(scene->camera, c[0], c[1], c[2], c[3], c[4], c[5]);
    if (v.target.size() == 3) scene->setLookAtTarget(scene->camera, v.target[0], v.target[1], v.target[2]);
    SceneObject* object = objectAt(nullptr, 0, 0, 0, {{{{v.point[0], v.point[1], v.point[2]}}, paint}});
    scene->setObjectTransform(object, p[0], p[1], p[2], p[3], p[4], p[5]);
    object->headingFirst = p.size() == 7 && p[6] == 1;
    scene->compileDisplayLists();
    drawOver(background);
    EXPECT_TRUE(markerAtEye(v.seen[0], v.seen[1], v.seen[2])) << v.what;
    EXPECT_FALSE(markerAtEye(v.notSeen[0], v.notSeen[1], v.notSeen[2])) << v.what;
}

INSTANTIATE_TEST_SUITE_P(Render, Views, testing::ValuesIn(views()));

// Not drawn: a hidden object, the camera, and an object made after the
// lists were compiled, whose number is the name of someone else's list.
TEST_F(Markers, HiddenObjectsTheCameraAndObjectsWithoutAListAreNotDrawn)
{
    SceneObject* hidden = markerAt(0, 0, 5);
    markerAt(0, 1, 5);
    givePolygons(scene->camera, {{{{1, 0, 5}}, paint}});
    scene->camera->visible = 1;
    scene->compileDisplayLists();
    GLuint foreign = glGenLists(1);
    ASSERT_EQ(foreign, scene->listBase + static_cast<GLuint>(scene->objectCount));
    glNewList(foreign, GL_COMPILE);
    glColor3f(1.0f, 200.0f / 255.0f, 0.0f);
    glBegin(GL_POINTS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();
    glEndList();
    markerAt(0, -1, 5);
    scene->hideObject(hidden);
    drawOver(background);
    EXPECT_TRUE(markerAtEye(0, 1, -5));
    EXPECT_FALSE(markerAtEye(0, 0, -5) || markerAtEye(1, 0, -5) || markerAtEye(0, -1, -5));
    scene->showObject(hidden);
    drawOver(background);
    EXPECT_TRUE(markerAtEye(0, 0, -5));
    glDeleteLists(foreign, 1);
}

TEST_F(Markers, RingMemberIsDrawnAtItsHeadsTransform)
{
    SceneObject* head = markerAt(-1.5f, 0, 5);
    SceneObject* member = markerAt(1.5f, 0, 5);
    head->next = member;
    member->next = member->ringHead = head;
    scene->compileDisplayLists();
    scene->hideObject(head);
    scene->setObjectTransform(head, -1.5f, 0.5f, 5, 0, 0, 0);
    drawOver(background);
    EXPECT_TRUE(markerAtEye(-1.5f, 0.5f, -5));
    EXPECT_FALSE(markerAtEye(1.5f, 0, -5));
}

// The rows of cases/lights.txt, in turn on one scene: two white squares turned to their sides.
TEST_F(GlSceneTest, SceneLights)
{
    for (float side : {-1.0f, 1.0f})
        scene->setObjectTransform(objectAt(nullptr, 0, 0, 0, {quad(0, 0, 0, 0.4f, nullptr)}), 0.6f * side, 0, 5, -45 * side, 0, 0);
    scene->compileDisplayLists();
    for (const auto& r : readCases(ENGINE_CASES "/lights.txt", 5)) {
        std::vector<float> c = numbersIn(r[2]), n = numbersIn(r[3]);
        std::vector<SceneLight> lights(n.size() / 12);
        for (size_t i = 0, f = 0; i < lights.size(); i++, f += 12)
            lights[i] = {static_cast<unsigned char>(n[f]), {n[f + 1], n[f + 2], n[f + 3]}, {n[f + 4], n[f + 5], n[f + 6]},
                         {n[f + 7], n[f + 8], n[f + 9]}, n[f + 10], n[f + 11]};
        scene->setObjectTransform(scene->camera, 0, 0, 0, c.at(0), c.at(1), c.at(2));
        scene->setLighting(r[1] == "1");
        std::string out = captureVerbose([&] {
            for (int twice = 0; twice < 2; twice++) scene->setLights(lights.data(), static_cast<int32_t>(lights.size()));
        });
        lights.assign(lights.size(), SceneLight{});  // the scene keeps its own copy
        const size_t warning = out.find("lumieres depasse");  // once, for more than 8
        EXPECT_EQ(warning == std::string::npos ? 0 : warning == out.rfind("lumieres depasse") ? 1 : 2, lights.size() > 8 ? 1 : 0) << r[0];
        drawOver(black);
        std::string seen;
        for (float x : {-0.6f, 0.6f}) {
            Rgb p = atEye(x, 0, -5);
            seen += p.r >= 120 && p.g >= 120 && p.b >= 120 ? 'w' : p.g > 60 || p.b > 60 ? '?' : p.r < 40 ? '.' : p.r <= 60 ? 'd' : p.r < 130 ? 'h' : 'r';
        }
        EXPECT_EQ(seen, r[4]) << r[0];
    }
}

// A matrix placement wins over the transform: an object headed 90 degrees and
// scaled by 2 at z = 8; a camera placed by a matrix looks through its inverse.
TEST_F(Markers, MatrixPlacementsOfObjectsAndCamera)
{
    SceneObject* object = objectAt(nullptr, 0, 0, 5, {{{{0, 0, -1}}, paint}});
    scene->compileDisplayLists();
    const float turned[12] = {0, 0, 2, 0, 0, 2, 0, 0, -2, 0, 0, 8};
    std::memcpy(object->matrix, turned, sizeof turned);
    object->hasMatrix = 1;
    drawOver(background);
    EXPECT_TRUE(markerAtEye(-2, 0, -8));
    EXPECT_FALSE(markerAtEye(2, 0, -8) || markerAtEye(0, 0, -5));
    // A camera headed 90 degrees (looking along +x) at (-7, 0, 8): the point
    // at (-2, 0, 8) is 5 ahead of it.
    const float camera[12] = {0, 0, 1, -7, 0, 1, 0, 0, -1, 0, 0, 8};
    std::memcpy(scene->camera->matrix, camera, sizeof camera);
    scene->camera->hasMatrix = 1;
    drawOver(background);
    EXPECT_TRUE(markerAtEye(0, 0, -5));
    EXPECT_FALSE(markerAtEye(-2, 0, -8));
    // A camera at the origin pitched to look straight down (its z along world
    // -y, its y along world z) sees a marker 5 below it straight ahead.
    const float below[12] = {1, 0, 0, 0, 0, 1, 0, -5, 0, 0, 1, 1};
    std::memcpy(object->matrix, below, sizeof below);
    const float down[12] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0};
    std::memcpy(scene->camera->matrix, down, sizeof down);
    drawOver(background);
    EXPECT_TRUE(markerAtEye(0, 0, -5));
}
