// Real pixels: scenes rendered by scene-view --png, the cube found where its
// keys put it.
#include "support.h"

namespace {

using SceneView = SceneFilesTest;

// A scene (or the bare object) at a time: how much red, and where. x = 1.5 at
// z = 6 with a 35 degree view is about 190 pixels off the centre.
struct ViewCase {
    const char* file;
    int ms;
    int minCount;
    double x;
};

TEST_F(SceneView, ObjectsAndCameraFollowTheirKeys)
{
    ASSERT_TRUE(writeSolidBmp(path("red.bmp"), {255, 0, 0}));
    LwwSurface red = fixtureSurface("Red", 1);
    red.color[0] = 1.0f, red.color[1] = red.color[2] = 0.0f;
    std::string cube = writeObject("cube.lwo", {red}, {cubeLayer()}, {{1, path("red.bmp")}});
    // The cube moves from right to left in front of the camera.
    write("moving.pof", inFolder(readWholeFile(SCENEFILES_CASES "/moving.pof")));
    // The camera stands left of the cube, which lies at the origin.
    write("cam.lws", "LWSC\n3\nLoadObject " + cube + "\nCameraMotion (unnamed)\n9\n1\n-1.5 0 -6 0 0 0 1 1 1\n0 0 0 0 0\n");
    // A picture named on another machine in device form is found beside the
    // object: the green surface shows the red picture.
    LwwSurface green = fixtureSurface("Green", 1);
    green.color[0] = green.color[2] = 0.0f, green.color[1] = 1.0f;
    writeObject("objects/cube.lwo", {green}, {cubeLayer()}, {{1, "Q:Work\\Maps\\red.bmp"}});
    ASSERT_TRUE(writeSolidBmp(path("objects/red.bmp"), {255, 0, 0}));
    const ViewCase cases[] = {
        {"moving.pof", 0, 1000, 320 + 190}, {"moving.pof", 500, 1000, 320},
        {"moving.pof", 1000, 1000, 320 - 190}, {"cube.lwo", 0, 5000, 320},  // a bare object is framed
        {"cam.lws", 0, 1000, 320 + 190}, {"objects/cube.lwo", 0, 5000, 320},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.ms));
        std::string png = path(std::to_string(&c - cases) + ".png");
        ASSERT_TRUE(sceneView(path(c.file) + " --png " + png + " --at " + std::to_string(c.ms)));
        Picture shot(png);
        ASSERT_TRUE(shot.image && shot.image->w * 1000 + shot.image->h == 640480);
        int count = 0;
        double x = 0, y = 0;
        for (int row = 0; row < shot.image->h; ++row)
            for (int column = 0; column < shot.image->w; ++column)
                if (shot.red(column, row)) ++count, x += column, y += row;
        EXPECT_GT(count, c.minCount);
        EXPECT_NEAR(x / std::max(count, 1), c.x, 25);
        EXPECT_NEAR(y / std::max(count, 1), 240, 25);  // every case keeps the cube at eye height
    }
}

}  // namespace
