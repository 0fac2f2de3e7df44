// Real pixels rendered by scene-view --png: the cube found where its keys put
// it, UV-mapped and wrapped surfaces.
#include "support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using SceneView = SceneFilesTest;

// The cases of cases/views.txt.
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
    // The same, the object named as LightWave writes it: found beside the scene.
    write("bare.lws", "LWSC\n3\nLoadObject cube.lwo\nCameraMotion (unnamed)\n9\n1\n-1.5 0 -6 0 0 0 1 1 1\n0 0 0 0 0\n");
    // The same motion as moving.pof in the newer layout: x from 1.5 to -1.5
    // over one second (a linear span), z at 6; the camera at the origin.
    write("moving.lws", "LWSC\n5\nCameraMotion\nNumChannels 1\nChannel 0\n{ Envelope\n  1\n  Key 0 0 0 0 0 0 0 0 0\n}\n"
                        "LoadObjectLayer 1 10000000 " + cube +
                            "\nObjectMotion\nNumChannels 3\nChannel 0\n{ Envelope\n  2\n  Key 1.5 0 0 0 0 0 0 0 0\n"
                            "  Key -1.5 1 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\nChannel 2\n{ Envelope\n  1\n"
                            "  Key 6 0 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n");
    // The same motion carried by a null, the cube its child at z = 6 of it;
    // the camera an item at the origin.
    write("child.lws", "LWSC\n5\nAddNullObject 10000000 Carrier\nObjectMotion\nNumChannels 1\nChannel 0\n{ Envelope\n"
                       "  2\n  Key 1.5 0 0 0 0 0 0 0 0\n  Key -1.5 1 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\nLoadObjectLayer 1 10000001 " +
                           cube + "\nParentItem 10000000\nObjectMotion\nNumChannels 3\nChannel 2\n{ Envelope\n  1\n"
                                  "  Key 6 0 0 0 0 0 0 0 0\n}\nAddCamera 30000000\n");
    // A cube raised 2 units in its object, turned by heading 90 and pitch 90 at z = 8.
    LwwLayer raised = cubeLayer();
    for (size_t i = 1; i < raised.points.size(); i += 3) raised.points[i] += 2;
    const std::string marker = writeObject("marker.lwo", {red}, {raised}, {{1, path("red.bmp")}});
    write("turned.lws", "LWSC\n1\nLoadObject " + marker + "\nObjectMotion m\n6\n1\n0 0 8 90 90 0 0 0 0 0 0\n" + cameraKey(0));
    write("turned.pof", "Pomo_Object_File\nVersion: 3\n<load_object> '" + marker +
                            "'\n<keyframe> 0 <pos> 0 0 8 <ang> 90 90 0\n<name_selection> 'camera' <keyframe> 0 <pos> 0 0 0 "
                            "<ang> 0 0 0 <end>\n");
    // The cube's motion alone, no camera: the view frames the whole motion.
    write("nocam.lws", "LWSC\n5\nFirstFrame 0\nLastFrame 30\nFramesPerSecond 30\nLoadObjectLayer 1 10000000 " + cube +
                           "\nObjectMotion\nNumChannels 1\nChannel 0\n{ Envelope\n  2\n  Key 1.5 0 0 0 0 0 0 0 0\n"
                           "  Key -1.5 1 3 0 0 0 0 0 0\n}\n");
    // A picture named on another machine in device form is found beside the
    // object: the green surface shows the red picture.
    LwwSurface green = fixtureSurface("Green", 1);
    green.color[0] = green.color[2] = 0.0f, green.color[1] = 1.0f;
    writeObject("objects/cube.lwo", {green}, {cubeLayer()}, {{1, "Q:Work\\Maps\\red.bmp"}});
    ASSERT_TRUE(writeSolidBmp(path("objects/red.bmp"), {255, 0, 0}));
    for (const auto& c : readCases(SCENEFILES_CASES "/views.txt", 4)) {
        SCOPED_TRACE(c[0] + " at " + c[1]);
        std::string png = path(c[0] + c[1] + ".png");
        ASSERT_TRUE(sceneView(path(c[0]) + " --png " + png + " --at " + c[1]));
        Picture shot(png);
        ASSERT_TRUE(shot.image && shot.image->w * 1000 + shot.image->h == 640480);
        int count = 0;
        double x = 0, y = 0;
        for (int row = 0; row < shot.image->h; ++row)
            for (int column = 0; column < shot.image->w; ++column)
                if (shot.red(column, row)) ++count, x += column, y += row;
        EXPECT_GT(count, std::stoi(c[2]));
        EXPECT_NEAR(x / std::max(count, 1), std::stod(c[3]), 25);
        EXPECT_NEAR(y / std::max(count, 1), 240, 25);  // every case keeps the cube at eye height
    }
}

// A file that is not there is a failure (status 1), not a black picture.
TEST_F(SceneView, MissingFileGivesNoPicture)
{
    const std::string command = SCENE_VIEW " " + path("none.lws") + " --png " + path("none.png") + " 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_FALSE(std::filesystem::exists(path("none.png")));
}

// The scene's own light replaces the headlight (the LWO2 cube and its LWO3 form): shining on the cube's face
// it shows it red; turned round (heading 180) it leaves the face dark. A spot
// lights the face when its cone holds the face's corners (about 7 degrees
// off its axis), not when it is narrower.
TEST_F(SceneView, SceneLightsLightTheCube)
{
    LwwSurface red = fixtureSurface("Red", 1);
    red.color[0] = 1.0f, red.color[1] = red.color[2] = 0.0f;
    const std::string lwo2 = writeObject("cube.lwo", {red}, {cubeLayer()}, {});
    // The same cube in the LWO3 form, its red in a node graph.
    std::ifstream in(lwo2, std::ios::binary);
    std::vector<unsigned char> bytes = lwwToLwo3({std::istreambuf_iterator<char>(in), {}});
    const std::string lwo3 = write("cube3.lwo", std::string(bytes.begin(), bytes.end()));
    struct { const char *heading, *typeAndCone; bool lit; const std::string& cube; } cases[] = {
        {"0", "LightType 0\n", true, lwo2}, {"3.1416", "LightType 0\n", false, lwo2},
        {"0", "LightType 2\nLightConeAngle 30\n", true, lwo2}, {"0", "LightType 2\nLightConeAngle 3\n", false, lwo2},
        {"0", "LightType 0\n", true, lwo3}, {"3.1416", "LightType 0\n", false, lwo3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.heading) + " " + c.typeAndCone + c.cube);
        write("lit.lws", "LWSC\n5\nLoadObjectLayer 1 10000000 " + c.cube +
                             "\nObjectMotion\nNumChannels 3\nChannel 2\n{ Envelope\n  1\n  Key 6 0 0 0 0 0 0 0 0\n}\n"
                             "AddLight 20000000\nLightName Sun\nLightMotion\nNumChannels 4\nChannel 3\n{ Envelope\n  1\n"
                             "  Key " + std::string(c.heading) + " 0 0 0 0 0 0 0 0\n}\nLightColor 1 1 1\nLightIntensity 1\n" +
                             c.typeAndCone + "AddCamera 30000000\n");
        ASSERT_TRUE(sceneView(path("lit.lws") + " --png " + path("lit.png") + " --at 0"));
        Picture shot(path("lit.png"));
        ASSERT_TRUE(shot.image);
        int count = 0;
        for (int row = 0; row < shot.image->h; ++row)
            for (int column = 0; column < shot.image->w; ++column) count += shot.red(column, row);
        if (c.lit) EXPECT_GT(count, 1000);
        else EXPECT_LT(count, 50);
    }
}

// The box of the bright pixels from (x, y) to below (right, bottom): x0 y0 x1 y1.
std::vector<int> frame(const Picture& p, int x, int y, int right, int bottom)
{
    std::vector<int> f = {right, bottom, -1, -1};
    for (int j = y; j < bottom; ++j)
        for (int i = x; i < right; ++i)
            if (p.bright(i, j)) f = {std::min(f[0], i), std::min(f[1], j), std::max(f[2], i), std::max(f[3], j)};
    return f;
}

// The object (in the test's folder) turned by heading and pitch, 3 units before the camera.
std::string render(const std::string& dir, const std::string& object, int heading, int pitch)
{
    std::string name = object + std::to_string(heading) + "_" + std::to_string(pitch);
    std::ofstream(dir + "/" + name + ".pof")
        << "Pomo_Object_File\nVersion: 4\n<scene_bloc>\n<load_camera> 'camera'\n<name_selection> 'camera'\n"
           "  <keyframe> 0\n  <pos> 0 0 0\n  <ang> 0 0 0\n</scene_bloc>\n<scene_bloc>\n<load_object> '"
        << object << "' </load_object>\n<name_selection> '" << object << "'\n  <keyframe> 0\n  <pos> 0 0 3\n  <ang> "
        << heading << " " << pitch << " 0\n</scene_bloc>\n";
    sceneView(name + ".pof --png " + name + ".png --at 0", dir);
    return dir + "/" + name + ".png";
}

using UvView = SceneFilesTest;

// Each face of the sample UV box turned to the camera shows its own tile of the
// atlas (column, row of thirds), upright: the tile's white frame against the
// face's, a grid of samples inside.
TEST_F(UvView, EachBoxFaceShowsItsTile)
{
    const std::string samples = "/usr/share/assimp/models/LWO/LWO2/";
    if (!std::filesystem::exists(samples + "boxuv.lwo")) GTEST_SKIP() << "no LightWave samples installed";
    for (const char* f : {"boxuv.lwo", "boxuv.png"}) std::filesystem::copy_file(samples + f, path(f));
    Picture atlas(path("boxuv.png"));
    const int faces[6][4] = {{0, 0, 0, 1}, {90, 0, 1, 1}, {180, 0, 2, 1}, {-90, 0, 0, 2}, {0, -90, 1, 2}, {0, 90, 2, 2}};
    for (const auto& c : faces) {
        SCOPED_TRACE(std::to_string(c[0]) + " " + std::to_string(c[1]));
        Picture shot(render(dir, "boxuv.lwo", c[0], c[1]));
        std::vector<int> face = frame(shot, 0, 0, shot.image->w, shot.image->h);
        int w = atlas.image->w / 3, h = atlas.image->h / 3;
        std::vector<int> tile = frame(atlas, c[2] * w, c[3] * h, (c[2] + 1) * w, (c[3] + 1) * h);
        ASSERT_GT(face[2] - face[0], 100);
        const int n = 24;
        int lit = 0, wrong = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                double s = 0.05 + 0.9 * (i + 0.5) / n, t = 0.05 + 0.9 * (j + 0.5) / n;
                auto at = [&](const Picture& p, const std::vector<int>& f) {
                    return p.bright(f[0] + int(s * (f[2] - f[0])), f[1] + int(t * (f[3] - f[1])));
                };
                lit += at(atlas, tile);
                wrong += at(atlas, tile) != at(shot, face);
            }
        EXPECT_GT(lit, 20);
        EXPECT_LE(wrong, n * n / 50);
    }
}

// A sphere mapped spherically about y, its wrap line turned to the camera; the
// picture is red within a quarter of either edge, green in the middle: the near
// side is all red unless a polygon on the line spans the picture backwards.
TEST_F(UvView, SphereAcrossItsSeamShowsNoReversedStrip)
{
    std::vector<Rgb8> pixels;
    for (int i = 0; i < 64 * 32; ++i) pixels.push_back(i % 64 >= 16 && i % 64 < 48 ? Rgb8{0, 255, 0} : Rgb8{255, 0, 0});
    ASSERT_TRUE(writeBmp(path("halves.bmp"), 64, 32, pixels));
    LwwSurface s = fixtureSurface("Halves", 1);
    s.image.projection = 2;
    s.image.axis = 1;
    writeObject("sphere.lwo", {s}, {sphereLayer(12, 24)}, {{1, "halves.bmp"}});

    Picture shot(render(dir, "sphere.lwo", 180, 0));
    int red = 0, green = 0;
    for (int y = 0; y < shot.image->h; ++y)
        for (int x = 0; x < shot.image->w; ++x) {
            Rgb8 c = shot.at(x, y);
            red += c.r > 100 && c.g < 60;
            green += c.g > 100 && c.r < 60;
        }
    EXPECT_GT(red, 20000);
    EXPECT_LT(green, 100);
}

// A quad facing the camera, mapped planar along z two picture widths across
// (u from -0.5 to 1.5), the picture red, blue and green in thirds: left of
// u = 0 and right of u = 1 it shows what the block's wrap mode says.
TEST_F(UvView, WrapModesBeyondThePicture)
{
    std::vector<Rgb8> pixels;
    for (int i = 0; i < 48 * 16; ++i) pixels.push_back(i % 48 < 16 ? Rgb8{255, 0, 0} : i % 48 < 32 ? Rgb8{0, 0, 255} : Rgb8{0, 255, 0});
    ASSERT_TRUE(writeBmp(path("thirds.bmp"), 48, 16, pixels));
    const struct {
        int wrap;
        char at0, at1;  // the colour at u = -0.45 and at u = 1.25
    } rows[] = {{0, 'b', 'r'}, {1, 'b', 'r'}, {2, 'b', 'g'}, {3, 'r', 'g'}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.wrap);
        LwwSurface s = fixtureSurface("Thirds", 1);
        s.sidedness = 3;
        for (float& size : s.image.size) size = 0.5f;
        s.image.wrapTypes[0] = s.image.wrapTypes[1] = row.wrap;
        const std::string name = "quad" + std::to_string(row.wrap) + ".lwo";
        writeObject(name, {s}, {{"", {-0.5f, -0.2f, 0, 0.5f, -0.2f, 0, 0.5f, 0.2f, 0, -0.5f, 0.2f, 0}, {{0, 1, 2, 3}}, {0}}},
                    {{1, "thirds.bmp"}});
        Picture shot(render(dir, name, 0, 0));
        const int y = shot.image->h / 2;
        int x0 = shot.image->w, x1 = -1;
        for (int x = 0; x < shot.image->w; ++x) {
            const Rgb8 c = shot.at(x, y);
            if (c.r + c.g + c.b > 150) x0 = std::min(x0, x), x1 = std::max(x1, x);
        }
        ASSERT_GT(x1 - x0, 100);
        auto colour = [&](double u) {
            const Rgb8 c = shot.at(x0 + int((u + 0.5) / 2 * (x1 - x0)), y);
            return c.r > 2 * (c.g + c.b) ? 'r' : c.g > 2 * (c.r + c.b) ? 'g' : c.b > 2 * (c.r + c.g) ? 'b' : '?';
        };
        EXPECT_EQ(std::string({colour(-0.45), colour(0.15), colour(0.5), colour(0.85), colour(1.25)}),
                  std::string({row.at0, 'r', 'b', 'g', row.at1}));
    }
}

// LightWave's box1-uv.lwo turned to the camera: the face at z = -0.5 has v = 0
// and u = x + 0.5 in the file's UV map, so across it run the colours of
// cc0.png's bottom row (its grey ring's foot in the middle, white around).
TEST_F(UvView, Lwo3BoxShowsItsPicturesEdge)
{
    for (const char* f : {"box1-uv.lwo", "cc0.png"}) std::filesystem::copy_file(LWT_CASES "/../lwo3/" + std::string(f), path(f));
    Picture picture(path("cc0.png")), shot(render(dir, "box1-uv.lwo", 0, 0));
    std::vector<int> face = frame(shot, 0, 0, shot.image->w, shot.image->h);
    ASSERT_GT(face[2] - face[0], 100);
    auto grey = [](Rgb8 c) { return (c.r + c.g + c.b) / 3; };
    int wrong = 0, dark = 0;
    for (int i = 0; i < 64; ++i) {
        double u = (i + 0.5) / 64;
        int expected = grey(picture.at(int(u * picture.image->w), picture.image->h - 1));
        dark += expected < 160;
        wrong += std::abs(grey(shot.at(face[0] + int(u * (face[2] - face[0])), (face[1] + face[3]) / 2)) - expected) > 60;
    }
    EXPECT_GT(dark, 2);
    EXPECT_LE(wrong, 3);
}

}  // namespace
