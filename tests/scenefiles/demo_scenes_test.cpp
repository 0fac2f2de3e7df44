// The demo's own scene files, when the data generator has made them: each
// loads objects and plays a few frames without a GL error.
#include "support.h"

#include <GL/gl.h>
#include <cctype>
#include <sys/stat.h>

#include "toolkit.h"

namespace {

class DemoScenes : public SceneFilesTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemoScenes, LoadAndPlay)
{
    std::string file = GetParam();
    struct stat st;
    if (stat(file.c_str(), &st) != 0) GTEST_SKIP() << file << " is not generated in this tree";
    std::vector<char> name(file.begin(), file.end());
    name.push_back(0);
    scene->load(name.data());
    EXPECT_GT(scene->objectCount, 1) << file;
    EXPECT_EQ(scene->listsCompiled, 1);
    EXPECT_EQ(sceneFile, nullptr);

    scene->reinitialise();
    int keyed = 0;
    for (int32_t i = 0; i < scene->objectCount; ++i) {
        ASSERT_NE(scene->objects[i], nullptr);
        keyed += scene->objects[i]->player->buildFrames() > 0;
    }
    EXPECT_GT(keyed, 0) << file << ": no player has a key";
    while (glGetError() != GL_NO_ERROR) {
    }
    for (int frame = 0; frame < 5; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int32_t i = 0; i < scene->objectCount; ++i) scene->objects[i]->player->advance();
        scene->render();
        tickTimer.ticks = 25;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(Files, DemoScenes,
                         ::testing::Values("Datas/tunnel-tux.pof", "Datas/Boule.pof", "Datas/Cana.pof", "Datas/Banniere.pof"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param + 6;  // without "Datas/"
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
