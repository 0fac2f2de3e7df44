// SubPatches through the import and on screen: a cube of six patches becomes 96
// quads at the default level, its cage at level 0, and its silhouette loses its corners.
#include "lwsubdiv.h"
#include "support.h"

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

TEST_F(SubPatches, SilhouetteIsRounderThanTheCage)
{
    ASSERT_TRUE(writeSolidBmp(path("red.bmp"), {255, 0, 0}));
    std::vector<unsigned char> cube = lwwSubPatchCube(path("red.bmp").c_str());
    write("cube.lwo", std::string(cube.begin(), cube.end()));
    for (const char* level : {"0", "2"})
        ASSERT_TRUE(sceneView(path("cube.lwo") + " --png " + path(level) + ".png --subdiv " + level));
    Picture cage(path("0.png")), refined(path("2.png"));
    ASSERT_TRUE(cage.image && refined.image);
    // The cage's front face, seen head on, is a red square; the refined cube keeps
    // its middle and lies inside it, but not in its corners.
    int left = 640, right = -1, top = 480, bottom = -1;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (cage.red(x, y)) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_GT(right - left, 100);
    EXPECT_NEAR(right - left, bottom - top, 3);
    const int inset = 4, corners[4][2] = {{left + inset, top + inset}, {right - inset, top + inset},
                                           {left + inset, bottom - inset}, {right - inset, bottom - inset}};
    for (const auto& c : corners) {
        EXPECT_TRUE(cage.red(c[0], c[1])) << c[0] << "," << c[1];
        EXPECT_FALSE(refined.red(c[0], c[1])) << c[0] << "," << c[1];
    }
    EXPECT_TRUE(refined.red((left + right) / 2, (top + bottom) / 2));
    EXPECT_FALSE(refined.red(left - 2, (top + bottom) / 2) || refined.red(right + 2, (top + bottom) / 2));
}

// Memory running out after the refinement leaves the refined polygons, not the cage.
TEST(SubPatchLines, OutOfMemoryKeepsTheCageOnlyUnrefined)
{
    const LwSubdivision cage = {0, 9, 9, 0, 0, lwSubdivisionNoMemory}, refined = {2, 9, 144, 0, 0, lwSubdivisionNoMemory};
    EXPECT_EQ(subdivisionProblemLine(2, cage), "Subdivision : memoire insuffisante, cage affichee telle quelle");
    EXPECT_EQ(subdivisionProblemLine(2, refined), "Subdivision : memoire insuffisante, des coins raffines restent sans lissage ou sans couleur");
}

}  // namespace
