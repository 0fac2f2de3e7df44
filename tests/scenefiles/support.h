// Shared set-up of the scene-file tests: one GL display for the process, a
// fresh Scene and a private folder per test, fixture objects written in code.
#pragma once
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "engine.h"
#include "lwwriter.h"
#include "scenefiles.h"
#include "test_support.h"

// Frames of a player that carry a key, in order.
std::vector<int> keyFramesOf(const KeyframePlayer* player);
// The scene in one line: per object its name ("-" after it when an object
// other than the camera is hidden), ":" and its player's last frame, "@" and
// the key frames, ">" and the slot of the next ring member; then " lists"
// when the display lists are compiled, " pending" while a record is pending,
// and " ratio R" when the pixel ratio is not the display's.
std::string summary(const Scene* scene);

// A LightWave camera motion of one key: six channels, frame, four spline values.
inline std::string cameraKey(int frame) { return "CameraMotion c 6 1 0 0 0 0 0 0 " + std::to_string(frame) + " 0 0 0 0\n"; }

// A surface as the import reads it; `clip` > 0 gives it an image map of that clip.
LwwSurface fixtureSurface(const std::string& name, int clip = 0);
// Two triangles over four points, both on surface 0.
LwwLayer triangleLayer(const std::string& name);
// A unit cube, every face on surface 0.
LwwLayer cubeLayer();
// A sphere of radius 1, poles on y, facing out: quads, those at the poles with
// two corners on the pole; meridians half a slice off the axes.
LwwLayer sphereLayer(int stacks, int slices);

// Runs scene-view in the folder with these arguments (its output dropped); false when it fails.
bool sceneView(const std::string& arguments, const std::string& folder = ".");

// A picture file read back as RGB.
struct Picture {
    explicit Picture(const std::string& file);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    Rgb8 at(int x, int y) const;  // y from the top
    bool red(int x, int y) const { return at(x, y).r > 120 && at(x, y).g < 60 && at(x, y).b < 60; }
    bool bright(int x, int y) const { return at(x, y).r + at(x, y).g + at(x, y).b > 384; }

    SDL_Surface* image;
};

class SceneFilesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes a file below the test's folder and answers its path.
    std::string write(const std::string& name, const std::string& content);
    std::string writeObject(const std::string& name, const std::vector<LwwSurface>& surfaces,
                            const std::vector<LwwLayer>& layers, const std::vector<LwwClip>& clips = {});
    std::string path(const std::string& name) const { return dir + "/" + name; }
    // The text with every "@" made the test's folder.
    std::string inFolder(std::string text) const;
    bool load(const std::string& name);  // Scene::load on a modifiable copy
    std::string reports(const std::function<void()>& run) { return captureVerbose(run); }
    void renew();                        // a fresh Scene and reader state

    Scene* scene = nullptr;
    std::string dir;
};
