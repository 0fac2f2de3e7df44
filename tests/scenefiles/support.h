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

// ---- LightWave object fixtures ------------------------------------------------
struct FixtureSurface {
    std::string name;
    float color[3] = {0.5f, 0.25f, 1.0f};
    float diffuse = 0.5f;
    float specular = 0.25f;
    enum { plain, imageMap, procedural } texture = plain;
    int clip = 1;  // the image map's clip index
};

struct FixtureLayer {
    std::string name;                 // empty: unnamed
    std::vector<float> points;        // x, y, z
    std::vector<int> counts;          // corners per polygon
    std::vector<int> indices;         // corner points, polygon after polygon
    std::vector<int> surfaces;        // surface index per polygon
};

struct FixtureClip {
    int index;
    std::string file;
};

std::vector<unsigned char> buildObject(const std::vector<FixtureSurface>& surfaces, const std::vector<FixtureClip>& clips,
                                       const std::vector<FixtureLayer>& layers);
// A unit cube (counter-clockwise seen from outside) with every face on surface 0.
FixtureLayer cubeLayer(const std::string& name, float size = 1.0f);
// A one-coloured picture (BMP) for textures.
bool writePicture(const std::string& path, unsigned char r, unsigned char g, unsigned char b);

class SceneFilesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes a file below the test's folder and answers its path.
    std::string write(const std::string& name, const std::string& content);
    std::string path(const std::string& name) const { return dir + "/" + name; }
    bool load(const std::string& name);  // Scene::load on a modifiable copy
    // Writes an LWO2 object below the test's folder and answers its path.
    std::string writeObject(const std::string& name, const std::vector<FixtureSurface>& surfaces,
                            const std::vector<FixtureClip>& clips, const std::vector<FixtureLayer>& layers);

    Scene* scene = nullptr;
    std::string dir;
};
