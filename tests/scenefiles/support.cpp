#include "support.h"

#include <cstdio>
#include <sys/stat.h>

#include "toolkit.h"

void ensureDisplay()
{
    static bool open = false;
    if (open) return;
    openDisplay(640, 480, 0, 0, 1);
    open = true;
}

void resetSceneFileState()
{
    if (sceneFile) std::fclose(sceneFile);
    sceneFile = nullptr;
    sceneFileVersion = 0;
    pendingKeyLines = 0;
    sceneFileReading = 0;
    appendMode = 0;
}

std::string captureReports(const std::function<void()>& run)
{
    unsigned char saved = verbose;
    verbose = 1;
    testing::internal::CaptureStdout();
    run();
    std::fflush(stdout);
    verbose = saved;
    return testing::internal::GetCapturedStdout();
}

std::vector<int> keyFramesOf(const KeyframePlayer* player)
{
    std::vector<int> keys;
    if (!player || !player->frames) return keys;
    for (int i = 0; i <= player->lastFrame; ++i)
        if (player->frames[i].isKey) keys.push_back(i);
    return keys;
}

std::string readWholeFile(const std::string& path)
{
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    std::fclose(f);
    return text;
}

static void makeFolders(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

void SceneFilesTest::SetUp()
{
    ensureDisplay();
    resetSceneFileState();
    const testing::TestInfo* t = testing::UnitTest::GetInstance()->current_test_info();
    dir = std::string("scenefiles-fixtures/") + t->test_suite_name() + "." + t->name();
    makeFolders(dir);
    verbose = 0;
    scene = new Scene();
}

void SceneFilesTest::TearDown()
{
    delete scene;
    scene = nullptr;
    resetSceneFileState();
    verbose = 0;
}

std::string SceneFilesTest::write(const std::string& name, const std::string& content)
{
    std::string p = path(name);
    size_t slash = p.rfind('/');
    if (slash != std::string::npos) makeFolders(p.substr(0, slash));
    FILE* f = std::fopen(p.c_str(), "wb");
    EXPECT_NE(f, nullptr) << p;
    if (!f) return p;
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    return p;
}

bool SceneFilesTest::load(const std::string& name)
{
    std::vector<char> copy(name.begin(), name.end());
    copy.push_back(0);
    return scene->load(copy.data());
}
