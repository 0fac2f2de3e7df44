// Real pixels of UV-mapped and wrapped surfaces, rendered by scene-view --png:
// each face of the sample UV box shows its own tile of the atlas, and a
// sphere seen across its wrap line shows no strip of the whole picture.
#include "support.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "toolkit.h"

namespace {

struct Picture {
    SDL_Surface* image = nullptr;
    explicit Picture(const std::string& file) : image(loadImageRgb(file.c_str())) {}
    ~Picture()
    {
        if (image) SDL_FreeSurface(image);
    }
    Rgb8 at(int x, int y) const
    {
        const Uint8* p = static_cast<const Uint8*>(image->pixels) + y * image->pitch + x * 3;
        Rgb8 c;
        SDL_GetRGB(p[0] | p[1] << 8 | p[2] << 16, image->format, &c.r, &c.g, &c.b);
        return c;
    }
    bool bright(int x, int y) const
    {
        Rgb8 c = at(x, y);
        return c.r + c.g + c.b > 384;
    }
};

// The bounding box of the bright pixels of a region.
struct Frame {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    bool bright(const Picture& p, double s, double t) const
    {
        return p.bright(x0 + int(s * (x1 - x0)), y0 + int(t * (y1 - y0)));
    }
};

Frame brightFrame(const Picture& p, int left, int top, int right, int bottom)
{
    Frame f;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (p.bright(x, y)) f.x0 = std::min(f.x0, x), f.y0 = std::min(f.y0, y), f.x1 = std::max(f.x1, x), f.y1 = std::max(f.y1, y);
    return f;
}

class UvView : public SceneFilesTest {
protected:
    // Renders `object` (in the test's folder) turned by heading and pitch, 3 units before the camera.
    std::string render(const std::string& object, int heading, int pitch)
    {
        std::string name = object + std::to_string(heading) + "_" + std::to_string(pitch);
        write(name + ".pof", "Pomo_Object_File\nVersion: 4\n<scene_bloc>\n<pixel_ratio> 1.3333\n</scene_bloc>\n"
                             "<scene_bloc>\n<load_camera> 'camera'\n<name_selection> 'camera'\n"
                             "  <keyframe> 0\n  <pos> 0.00 0.00 0.00\n  <ang> 0.00 0.00 0.00\n</scene_bloc>\n"
                             "<scene_bloc>\n<load_object> '" + object + "' </load_object>\n<name_selection> '" +
                                 object + "'\n  <keyframe> 0\n  <pos> 0.00 0.00 3.00\n  <ang> " +
                                 std::to_string(heading) + " " + std::to_string(pitch) + " 0\n</scene_bloc>\n");
        std::string command = "cd " + dir + " && " SCENE_VIEW " " + name + ".pof --png " + name + ".png --at 0 >/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path(name + ".png");
    }
};

// The face turned to the camera and its tile of boxuv.png (column, row of thirds).
struct FaceCase {
    const char* face;
    int heading, pitch;
    int column, row;
};

TEST_F(UvView, EachBoxFaceShowsItsTile)
{
    const std::string samples = "/usr/share/assimp/models/LWO/LWO2/";
    if (!std::filesystem::exists(samples + "boxuv.lwo")) GTEST_SKIP() << "no LightWave samples installed";
    for (const char* f : {"boxuv.lwo", "boxuv.png"}) std::filesystem::copy_file(samples + f, path(f));
    Picture atlas(path("boxuv.png"));
    ASSERT_NE(atlas.image, nullptr);
    const FaceCase faces[] = {{"-Z", 0, 0, 0, 1},   {"+X", 90, 0, 1, 1},  {"+Z", 180, 0, 2, 1},
                              {"-X", -90, 0, 0, 2}, {"+Y", 0, -90, 1, 2}, {"-Y", 0, 90, 2, 2}};
    for (const FaceCase& c : faces) {
        SCOPED_TRACE(c.face);
        Picture shot(render("boxuv.lwo", c.heading, c.pitch));
        ASSERT_NE(shot.image, nullptr);
        // The face is the square its tile's white frame outlines: frame against frame, a grid
        // of samples inside.
        Frame face = brightFrame(shot, 0, 0, shot.image->w, shot.image->h);
        Frame tile = brightFrame(atlas, c.column * atlas.image->w / 3, c.row * atlas.image->h / 3,
                                 (c.column + 1) * atlas.image->w / 3, (c.row + 1) * atlas.image->h / 3);
        ASSERT_GT(face.x1 - face.x0, 100);
        EXPECT_NEAR(face.x1 - face.x0, face.y1 - face.y0, 4);
        const int n = 24;
        int lit = 0, wrong = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                double s = 0.05 + 0.9 * (i + 0.5) / n, t = 0.05 + 0.9 * (j + 0.5) / n;
                bool expected = tile.bright(atlas, s, t);
                lit += expected;
                wrong += expected != face.bright(shot, s, t);
            }
        EXPECT_GT(lit, 20);
        EXPECT_LE(wrong, n * n / 50);
    }
}

// A sphere mapped spherically about y, its wrap line (u = 0 = 1) turned to
// the camera, with a picture red within a quarter of either edge and green
// in the middle: the near side is all red unless a polygon on the line
// spans the picture backwards.
TEST_F(UvView, SphereAcrossItsSeamShowsNoReversedStrip)
{
    std::vector<Rgb8> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) pixels.push_back(x >= 16 && x < 48 ? Rgb8{0, 255, 0} : Rgb8{255, 0, 0});
    ASSERT_TRUE(writeBmp(path("halves.bmp"), 64, 32, pixels));
    const int stacks = 12, slices = 24;
    LwwLayer sphere;
    sphere.points = {0, 1, 0};
    for (int i = 1; i < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            double phi = M_PI * i / stacks, theta = 2 * M_PI * (j + 0.5) / slices;
            sphere.points.insert(sphere.points.end(), {float(std::sin(phi) * std::cos(theta)), float(std::cos(phi)),
                                                       float(std::sin(phi) * std::sin(theta))});
        }
    sphere.points.insert(sphere.points.end(), {0, -1, 0});
    auto ring = [&](int i, int j) { return 1 + (i - 1) * slices + (j % slices); };
    const int south = 1 + (stacks - 1) * slices;
    for (int j = 0; j < slices; ++j) {
        sphere.polygons.push_back({0, ring(1, j + 1), ring(1, j)});
        for (int i = 1; i + 1 < stacks; ++i)
            sphere.polygons.push_back({ring(i, j), ring(i, j + 1), ring(i + 1, j + 1), ring(i + 1, j)});
        sphere.polygons.push_back({south, ring(stacks - 1, j), ring(stacks - 1, j + 1)});
    }
    sphere.surfaces.assign(sphere.polygons.size(), 0);
    LwwSurface s = fixtureSurface("Halves", 1);
    s.image.projection = 2;
    s.image.axis = 1;
    writeObject("sphere.lwo", {s}, {sphere}, {{1, "halves.bmp"}});

    Picture shot(render("sphere.lwo", 180, 0));
    ASSERT_NE(shot.image, nullptr);
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

}  // namespace
