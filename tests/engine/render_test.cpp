// Frame rendering: projection, the z-mirror, the camera by angles and by
// look-at, object orientation, rings. Markers are fat points, which show
// whatever way an object is turned.
#include <gtest/gtest.h>

#include <cmath>

#include "gl_support.h"
#include "toolkit.h"

using Render = GlSceneTest;

namespace {

const Rgb background{0, 0, 80};
const Rgb marker{255, 200, 0};

bool isMarker(Rgb c)
{
    return near(c, marker, 3);
}

float sinDeg(float a)
{
    return static_cast<float>(std::sin(a * M_PI / 180.0));
}

float cosDeg(float a)
{
    return static_cast<float>(std::cos(a * M_PI / 180.0));
}

}  // namespace

struct RenderMarkers : Render {
    EngineSurface* paint = nullptr;

    void SetUp() override
    {
        Render::SetUp();
        if (HasFatalFailure()) return;
        paint = scene->createSurface("marker");
        paint->ambient[0] = marker.r / 255.0f;
        paint->ambient[1] = marker.g / 255.0f;
        paint->ambient[2] = marker.b / 255.0f;
    }

    // An object at a world position whose only polygon is a point at its origin.
    SceneObject* markerAt(float x, float y, float z)
    {
        SceneObject* object = objectAt(nullptr, x, y, z);
        givePoints(object, {{0, 0, 0}}, paint);
        return object;
    }

    void setCamera(float x, float y, float z, float heading, float pitch, float bank)
    {
        scene->setObjectTransform(scene->camera, x, y, z, heading, pitch, bank);
    }

    void draw()
    {
        scene->compileDisplayLists();
        drawOver(background);
    }
};

TEST_F(Render, LeavesItsStateAndResetsTheTicks)
{
    tickTimer.ticks.store(42);
    scene->render();
    EXPECT_EQ(tickTimer.ticks.load(), 0);
    tickTimer.ticks.store(-3);
    scene->render();
    EXPECT_EQ(tickTimer.ticks.load(), -3);
    tickTimer.ticks.store(0);

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);

    // Camera at the origin, unturned: the model-view is exactly the z-mirror.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; i++) EXPECT_EQ(m[i], (i == 10 ? -1.0f : (i % 5 == 0 ? 1.0f : 0.0f))) << i;

    // 35 degrees vertically, the scene's aspect, near 0.1f, far 1024.
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    double f = 1.0 / std::tan(17.5 * M_PI / 180.0);
    double n = 0.1f, fa = 1024.0;
    EXPECT_NEAR(m[5], f, 1e-5);
    EXPECT_NEAR(m[0], f / scene->pixelRatio, 1e-5);
    EXPECT_NEAR(m[10], (fa + n) / (n - fa), 1e-6);
    EXPECT_NEAR(m[14], 2.0 * fa * n / (n - fa), 1e-6);
}

TEST_F(RenderMarkers, ObjectStraightAheadLiesAtTheCentre)
{
    markerAt(0, 0, 5);
    markerAt(0, 0, -5);  // behind the eye
    draw();
    EXPECT_TRUE(isMarker(centre()));
    EXPECT_TRUE(isMarker(atEye(0, 0, -5)));
    EXPECT_TRUE(near(readPixel(40, 36), background));
    EXPECT_TRUE(near(readPixel(46, 30), background));
}

TEST_F(RenderMarkers, PositiveXIsRightAndPositiveYIsUp)
{
    markerAt(1.5f, 0, 5);
    markerAt(0, 1, 5);
    draw();
    EXPECT_TRUE(isMarker(atEye(1.5f, 0, -5)));
    EXPECT_TRUE(isMarker(atEye(0, 1, -5)));
    EXPECT_FALSE(isMarker(atEye(-1.5f, 0, -5)));
    EXPECT_FALSE(isMarker(atEye(0, -1, -5)));
    EXPECT_FALSE(isMarker(centre()));
}

TEST_F(RenderMarkers, HiddenObjectsAndTheCameraAreNotDrawn)
{
    SceneObject* hidden = markerAt(0, 0, 5);
    SceneObject* camera = scene->camera;
    givePoints(camera, {{1, 0, 5}}, paint);
    camera->visible = 1;  // shown or not, a camera is never drawn
    scene->compileDisplayLists();
    scene->hideObject(hidden);
    drawOver(background);
    EXPECT_FALSE(isMarker(centre()));
    EXPECT_FALSE(isMarker(atEye(1, 0, -5)));
    scene->showObject(hidden);
    drawOver(background);
    EXPECT_TRUE(isMarker(centre()));
}

// Lists outside the scene's range are someone else's: an object made after
// the last compilation has no list and must not call the next name.
TEST_F(RenderMarkers, ObjectsMadeAfterCompilingCallNoForeignList)
{
    markerAt(0, 1, 5);
    scene->compileDisplayLists();
    GLuint foreign = glGenLists(1);
    ASSERT_EQ(foreign, scene->listBase + static_cast<GLuint>(scene->objectCount));
    glNewList(foreign, GL_COMPILE);
    glColor3f(1.0f, 200.0f / 255.0f, 0.0f);
    glBegin(GL_POINTS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();
    glEndList();

    markerAt(0, 0, 5);  // object number listBase + objectCount: the foreign name
    drawOver(background);
    EXPECT_TRUE(isMarker(atEye(0, 1, -5)));
    EXPECT_FALSE(isMarker(centre()));
    glDeleteLists(foreign, 1);
}

TEST_F(RenderMarkers, CameraPosition)
{
    markerAt(1, 2, 2);
    setCamera(1, 2, -3, 0, 0, 0);
    draw();
    EXPECT_TRUE(isMarker(centre()));
}

// Camera heading 90 looks along +x.
TEST_F(RenderMarkers, CameraHeading)
{
    markerAt(5, 0, 0);
    markerAt(0, 0, 5);
    setCamera(0, 0, 0, 90, 0, 0);
    draw();
    EXPECT_TRUE(isMarker(centre()));
    EXPECT_FALSE(isMarker(atEye(-5, 0, 0)));
}

// Positive pitch looks down.
TEST_F(RenderMarkers, CameraPitch)
{
    markerAt(0, -5 * sinDeg(30), 5 * cosDeg(30));
    setCamera(0, 0, 0, 0, 30, 0);
    draw();
    EXPECT_TRUE(isMarker(centre()));
}

// Banked by 90, what is above the line of sight shows on the right.
TEST_F(RenderMarkers, CameraBank)
{
    markerAt(0, 1, 5);
    setCamera(0, 0, 0, 0, 0, 90);
    draw();
    EXPECT_TRUE(isMarker(atEye(1, 0, -5)));
    EXPECT_FALSE(isMarker(atEye(-1, 0, -5)));
    EXPECT_FALSE(isMarker(atEye(0, 1, -5)));
}

// The eye turns by heading, then pitch, then bank: with heading 90 and
// pitch 30 it looks along (cos 30, -sin 30, 0).
TEST_F(RenderMarkers, CameraHeadingThenPitch)
{
    markerAt(5 * cosDeg(30), -5 * sinDeg(30), 0);
    setCamera(0, 0, 0, 90, 30, 0);
    draw();
    EXPECT_TRUE(isMarker(centre()));
}

// Pitch 60 then bank 90: the line of sight is (0, -sin 60, cos 60) and the
// eye's right is (0, cos 60, sin 60).
TEST_F(RenderMarkers, CameraPitchThenBank)
{
    float ahead[3] = {0, -5 * sinDeg(60), 5 * cosDeg(60)};
    float right[3] = {0, cosDeg(60), sinDeg(60)};
    markerAt(ahead[0], ahead[1], ahead[2]);
    markerAt(ahead[0] + right[0], ahead[1] + right[1], ahead[2] + right[2]);
    setCamera(0, 0, 0, 0, 60, 90);
    draw();
    EXPECT_TRUE(isMarker(centre()));
    EXPECT_TRUE(isMarker(atEye(1, 0, -5)));
    EXPECT_FALSE(isMarker(atEye(-1, 0, -5)));
}

// Aimed at a target, the camera ignores its angles and sees the target at
// the centre, with the same handedness as when turned by angles.
TEST_F(RenderMarkers, CameraLookAtAimsAtTheTarget)
{
    markerAt(5, 0, 0);
    markerAt(5, 0, -1);
    setCamera(0, 0, 0, -90, 20, 10);
    scene->setLookAtTarget(scene->camera, 5, 0, 0);
    draw();
    EXPECT_TRUE(isMarker(centre()));
    EXPECT_TRUE(isMarker(atEye(1, 0, -5)));
    EXPECT_FALSE(isMarker(atEye(-1, 0, -5)));

    // Same view by angles: heading 90.
    scene->clearLookAt(scene->camera);
    setCamera(0, 0, 0, 90, 0, 0);
    drawOver(background);
    EXPECT_TRUE(isMarker(centre()));
    EXPECT_TRUE(isMarker(atEye(1, 0, -5)));
}

namespace {

// A marker 2 units from the origin of an object 8 units ahead of the eye.
struct TurnedObject : RenderMarkers {
    SceneObject* turned(float lx, float ly, float lz, float heading, float pitch, float bank)
    {
        SceneObject* object = objectAt(nullptr, 0, 0, 8);
        scene->setObjectTransform(object, 0, 0, 8, heading, pitch, bank);
        givePoints(object, {{lx, ly, lz}}, paint);
        return object;
    }
};

}  // namespace

TEST_F(TurnedObject, Heading)
{
    turned(0, 0, -2, 90, 0, 0);  // (0, 0, -2) turns to (-2, 0, 0)
    draw();
    EXPECT_TRUE(isMarker(atEye(-2, 0, -8)));
    EXPECT_FALSE(isMarker(atEye(2, 0, -8)));
}

TEST_F(TurnedObject, Pitch)
{
    turned(0, 0, -2, 0, 90, 0);  // (0, 0, -2) turns to (0, 2, 0)
    draw();
    EXPECT_TRUE(isMarker(atEye(0, 2, -8)));
    EXPECT_FALSE(isMarker(atEye(0, -2, -8)));
}

TEST_F(TurnedObject, Bank)
{
    turned(0, 2, 0, 0, 0, 90);  // (0, 2, 0) turns to (-2, 0, 0)
    draw();
    EXPECT_TRUE(isMarker(atEye(-2, 0, -8)));
    EXPECT_FALSE(isMarker(atEye(2, 0, -8)));
}

// Objects turn by pitch, then heading, then bank (outermost first).
TEST_F(TurnedObject, PitchIsOutsideHeading)
{
    turned(0, 0, -2, 90, 90, 0);  // heading: (-2, 0, 0); pitch leaves it there
    draw();
    EXPECT_TRUE(isMarker(atEye(-2, 0, -8)));
    EXPECT_FALSE(isMarker(atEye(0, 2, -8)));
}

TEST_F(TurnedObject, HeadingIsOutsideBank)
{
    turned(0, 2, 0, 90, 0, 90);  // bank: (-2, 0, 0); heading: (0, 0, 2)
    draw();
    EXPECT_TRUE(isMarker(atEye(0, 0, -10)));
    EXPECT_FALSE(isMarker(atEye(-2, 0, -8)));
}

TEST_F(RenderMarkers, RingMemberIsDrawnAtItsHeadsTransform)
{
    SceneObject* head = markerAt(-1.5f, 0, 5);
    SceneObject* member = markerAt(1.5f, 0, 5);
    head->next = member;
    member->next = head;
    member->ringHead = head;
    scene->hideObject(member);
    scene->compileDisplayLists();
    scene->hideObject(head);
    scene->showObject(member);
    scene->setObjectTransform(head, -1.5f, 0.5f, 5, 0, 0, 0);
    drawOver(background);
    EXPECT_TRUE(isMarker(atEye(-1.5f, 0.5f, -5)));
    EXPECT_FALSE(isMarker(atEye(1.5f, 0, -5)));
}
