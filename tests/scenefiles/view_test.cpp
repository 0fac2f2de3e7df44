// Real pixels: scenes rendered by scene-view --png, the object found where
// its keys put it.
#include "support.h"

#include <png.h>

#include <cstdlib>

namespace {

#ifdef SCENE_VIEW

struct RedArea {
    int count = 0;
    double x = 0, y = 0;  // centre, in picture pixels from the top left
};

// Where the strongly red pixels of a PNG lie.
bool findRed(const std::string& file, RedArea& area)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    for (unsigned y = 0; y < image.height; ++y)
        for (unsigned x = 0; x < image.width; ++x) {
            const unsigned char* p = &rgb[(y * image.width + x) * 3];
            if (p[0] > 120 && p[1] < 60 && p[2] < 60) {
                ++area.count;
                area.x += x;
                area.y += y;
            }
        }
    if (area.count) {
        area.x /= area.count;
        area.y /= area.count;
    }
    return true;
}

class SceneView : public SceneFilesTest {
protected:
    void SetUp() override
    {
        SceneFilesTest::SetUp();
        ASSERT_TRUE(writePicture(path("red.bmp"), 255, 0, 0));
        FixtureSurface red;
        red.name = "Red";
        red.color[0] = 1.0f;
        red.color[1] = red.color[2] = 0.0f;
        red.texture = FixtureSurface::imageMap;
        cube = writeObject("cube.lwo", {red}, {{1, path("red.bmp")}}, {cubeLayer("")});
    }
    RedArea render(const std::string& file, int ms)
    {
        std::string png = path("frame" + std::to_string(ms) + ".png");
        std::string command = std::string(SCENE_VIEW) + " " + file + " --png " + png + " --at " + std::to_string(ms);
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        RedArea area;
        EXPECT_TRUE(findRed(png, area)) << png;
        return area;
    }
    std::string cube;
};

TEST_F(SceneView, ObjectFollowsItsKeys)
{
    std::string pof = write("moving.pof",
                            "Pomo_Object_File\nVersion: 4\n<scene_bloc>\n<pixel_ratio> 1.3333\n</scene_bloc>\n"
                            "<scene_bloc>\n<load_camera> 'camera'\n<name_selection> 'camera'\n"
                            "  <keyframe> 0\n  <pos> 0.00 0.00 0.00\n  <ang> 0.00 0.00 0.00\n</scene_bloc>\n"
                            "<scene_bloc>\n<load_object> '" + cube + "' </load_object>\n<name_selection> 'cube.lwo'\n"
                            "  <keyframe> 0\n  <pos> 1.50 0.00 6.00\n  <ang> 0.00 0.00 0.00\n"
                            "  <keyframe> 100\n  <pos> -1.50 0.00 6.00\n  <ang> 0.00 0.00 0.00\n</scene_bloc>\n");
    RedArea start = render(pof, 0);
    ASSERT_GT(start.count, 1000);
    // x = 1.5 at z = 6 with a 35 degree view: about 190 pixels right of the centre.
    EXPECT_NEAR(start.x, 320 + 190, 25);
    EXPECT_NEAR(start.y, 240, 25);

    RedArea end = render(pof, 1000);
    ASSERT_GT(end.count, 1000);
    EXPECT_NEAR(end.x, 320 - 190, 25);
    EXPECT_NEAR(end.count, start.count, start.count / 5);

    RedArea middle = render(pof, 500);
    EXPECT_NEAR(middle.x, 320, 25);
}

TEST_F(SceneView, BareObjectIsFramed)
{
    RedArea area = render(cube, 0);
    ASSERT_GT(area.count, 5000);
    EXPECT_NEAR(area.x, 320, 10);
    EXPECT_NEAR(area.y, 240, 10);
}

TEST_F(SceneView, LightWaveSceneMovesTheCamera)
{
    std::string lws = write("cam.lws", "LWSC\n3\nLoadObject " + cube + "\nCameraMotion (unnamed)\n9\n1\n"
                                       "-1.5 0 -6 0 0 0 1 1 1\n0 0 0 0 0\n");
    // The camera stands left of the cube, which lies at the origin.
    RedArea area = render(lws, 0);
    ASSERT_GT(area.count, 1000);
    EXPECT_NEAR(area.x, 320 + 190, 25);
}

#endif

}  // namespace
