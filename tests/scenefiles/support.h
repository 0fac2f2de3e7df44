// Shared set-up of the scene-file tests: one GL display for the process, a
// fresh Scene per test, fixture files written in code into a per-test folder.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine.h"
#include "scenefiles.h"

void ensureDisplay();
void resetSceneFileState();

// Standard output of what runs inside, with verbose on.
std::string captureReports(const std::function<void()>& run);

// Frames of a player that carry a key, in order.
std::vector<int> keyFramesOf(const KeyframePlayer* player);

std::string readWholeFile(const std::string& path);

class SceneFilesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes a file below the test's folder and answers its path.
    std::string write(const std::string& name, const std::string& content);
    std::string path(const std::string& name) const { return dir + "/" + name; }
    bool load(const std::string& name);  // Scene::load on a modifiable copy

    Scene* scene = nullptr;
    std::string dir;
};
