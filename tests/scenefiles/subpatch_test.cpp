// SubPatches through the import and on screen: a cube of six patches becomes 96
// quads at the default level, its cage at level 0, and its silhouette loses its corners.
#include "support.h"

#include <SDL.h>

#include <cstdlib>

#include "toolkit.h"

namespace {

using SubPatches = SceneFilesTest;

TEST_F(SubPatches, ImportRefinesAtTheScenesLevel)
{
    std::vector<unsigned char> cube = lwwSubPatchCube();
    write("cube.lwo", std::string(cube.begin(), cube.end()));
    for (int level : {2, 0, 1}) {
        renew();
        scene->subdivisionLevel = level;
        ASSERT_TRUE(load(path("cube.lwo")));
        ASSERT_EQ(scene->objectCount, 2);
        EXPECT_EQ(scene->objects[1]->polygonCount, level ? 6 * 4 << (2 * (level - 1)) : 6) << level;
    }
}

// Whether the pixel is strongly red.
bool red(const SDL_Surface* image, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(image->pixels) + y * image->pitch + x * 3;
    Uint8 r, g, b;
    SDL_GetRGB(p[0] | p[1] << 8 | p[2] << 16, image->format, &r, &g, &b);
    return r > 120 && g < 60 && b < 60;
}

TEST_F(SubPatches, SilhouetteIsRounderThanTheCage)
{
    ASSERT_TRUE(writeSolidBmp(path("red.bmp"), {255, 0, 0}));
    std::vector<unsigned char> cube = lwwSubPatchCube(path("red.bmp").c_str());
    write("cube.lwo", std::string(cube.begin(), cube.end()));
    SDL_Surface* shots[2] = {};  // levels 0 and 2
    for (int i = 0; i < 2; ++i) {
        std::string png = path(std::to_string(i) + ".png");
        std::string command = SCENE_VIEW " " + path("cube.lwo") + " --png " + png + " --subdiv " + std::to_string(2 * i);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        ASSERT_NE(shots[i] = loadImageRgb(png.c_str()), nullptr);
    }
    // The cage's front face, seen head on, is a red square; the refined cube keeps
    // its middle and lies inside it, but not in its corners.
    int left = 640, right = -1, top = 480, bottom = -1;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (red(shots[0], x, y)) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_GT(right - left, 100);
    EXPECT_NEAR(right - left, bottom - top, 3);
    const int inset = 4, corners[4][2] = {{left + inset, top + inset}, {right - inset, top + inset},
                                           {left + inset, bottom - inset}, {right - inset, bottom - inset}};
    for (const auto& c : corners) {
        EXPECT_TRUE(red(shots[0], c[0], c[1])) << c[0] << "," << c[1];
        EXPECT_FALSE(red(shots[1], c[0], c[1])) << c[0] << "," << c[1];
    }
    EXPECT_TRUE(red(shots[1], (left + right) / 2, (top + bottom) / 2));
    EXPECT_FALSE(red(shots[1], left - 2, (top + bottom) / 2) || red(shots[1], right + 2, (top + bottom) / 2));
    for (SDL_Surface* s : shots) SDL_FreeSurface(s);
}

}  // namespace
