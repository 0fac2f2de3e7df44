// Real pixels: scenes rendered by scene-view --png, the cube found where its
// keys put it.
#include "support.h"

#include <SDL.h>

#include <cstdlib>

#include "toolkit.h"

namespace {

// Strongly red pixels of a 640 x 480 picture: how many, and their centre's x.
struct RedArea {
    int count = 0;
    double x = 0;
};

RedArea findRed(const std::string& file)
{
    RedArea area;
    SDL_Surface* image = loadImageRgb(file.c_str());
    if (!image) return area;
    EXPECT_EQ(image->w * 1000 + image->h, 640480) << file;
    double y = 0;
    for (int row = 0; row < image->h; ++row)
        for (int column = 0; column < image->w; ++column) {
            const Uint8* p = static_cast<const Uint8*>(image->pixels) + row * image->pitch + column * 3;
            Uint8 r, g, b;
            SDL_GetRGB(p[0] | p[1] << 8 | p[2] << 16, image->format, &r, &g, &b);
            if (r > 120 && g < 60 && b < 60) ++area.count, area.x += column, y += row;
        }
    SDL_FreeSurface(image);
    if (area.count) area.x /= area.count, y /= area.count;
    EXPECT_NEAR(y, 240, 25) << file;  // every case keeps the cube at eye height
    return area;
}

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
    // The same motion as moving.pof in the newer layout: x from 1.5 to -1.5
    // over one second (a linear span), z at 6; the camera at the origin.
    write("moving.lws", "LWSC\n5\nCameraMotion\nNumChannels 1\nChannel 0\n{ Envelope\n  1\n  Key 0 0 0 0 0 0 0 0 0\n}\n"
                        "LoadObjectLayer 1 10000000 " + cube +
                            "\nObjectMotion\nNumChannels 3\nChannel 0\n{ Envelope\n  2\n  Key 1.5 0 0 0 0 0 0 0 0\n"
                            "  Key -1.5 1 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\nChannel 2\n{ Envelope\n  1\n"
                            "  Key 6 0 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n");
    const ViewCase cases[] = {
        {"moving.pof", 0, 1000, 320 + 190}, {"moving.pof", 500, 1000, 320},
        {"moving.pof", 1000, 1000, 320 - 190}, {"cube.lwo", 0, 5000, 320},  // a bare object is framed
        {"cam.lws", 0, 1000, 320 + 190}, {"moving.lws", 0, 1000, 320 + 190}, {"moving.lws", 1000, 1000, 320 - 190},
    };
    for (const ViewCase& c : cases) {
        std::string png = path(std::string(c.file) + std::to_string(c.ms) + ".png");
        std::string command = std::string(SCENE_VIEW) + " " + path(c.file) + " --png " + png + " --at " + std::to_string(c.ms);
        SCOPED_TRACE(command);
        ASSERT_EQ(std::system(command.c_str()), 0);
        RedArea area = findRed(png);
        EXPECT_GT(area.count, c.minCount);
        EXPECT_NEAR(area.x, c.x, 25);
    }
}

// A picture named on another machine in device form is found beside the
// object: the green surface shows the red picture.
TEST_F(SceneView, DeviceNamedPictureFoundBesideTheObject)
{
    LwwSurface green = fixtureSurface("Green", 1);
    green.color[0] = green.color[2] = 0.0f, green.color[1] = 1.0f;
    std::string cube = writeObject("objects/cube.lwo", {green}, {cubeLayer()}, {{1, "Q:Work\\Maps\\red.bmp"}});
    ASSERT_TRUE(writeSolidBmp(path("objects/red.bmp"), {255, 0, 0}));
    std::string png = path("device.png");
    ASSERT_EQ(std::system((std::string(SCENE_VIEW) + " " + cube + " --png " + png).c_str()), 0);
    RedArea area = findRed(png);
    EXPECT_GT(area.count, 5000);
    EXPECT_NEAR(area.x, 320, 25);
}

}  // namespace
