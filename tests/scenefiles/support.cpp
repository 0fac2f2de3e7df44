#include "support.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform.h"
#include "toolkit.h"

static void resetSceneFileState()
{
    if (sceneFile) std::fclose(sceneFile);
    sceneFile = nullptr;
    sceneFileVersion = 0;
    pendingKeyLines = 0;
    sceneFileReading = 0;
    appendMode = 0;
}

std::vector<int> keyFramesOf(const KeyframePlayer* player)
{
    std::vector<int> keys;
    for (int i = 0; player && player->frames && i <= player->lastFrame; ++i)
        if (player->frames[i].isKey) keys.push_back(i);
    return keys;
}

std::string summary(const Scene* scene)
{
    std::string out;
    for (int i = 0; i < scene->objectCount; ++i) {
        const SceneObject* o = scene->objects[i];
        out += (i ? " " : "") + std::string(o ? o->name : "none");
        if (!o) continue;
        if (i && !o->visible) out += "-";
        if (o->player) out += ":" + std::to_string(o->player->lastFrame);
        std::vector<int> keys = keyFramesOf(o->player);
        for (size_t k = 0; k < keys.size(); ++k) out += (k ? "," : "@") + std::to_string(keys[k]);
        for (int j = 0; j < scene->objectCount; ++j)
            if (o->next && o->next != o && scene->objects[j] == o->next) out += ">" + std::to_string(j);
    }
    if (scene->listsCompiled) out += " lists";
    if (scene->recordPending) out += " pending";
    if (std::fabs(scene->pixelRatio - 640.0f / 480.0f) > 1e-4f) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, " ratio %g", scene->pixelRatio);
        out += ratio;
    }
    return out;
}

std::string SceneFilesTest::inFolder(std::string text) const
{
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + dir.size())) text.replace(at, 1, dir);
    return text;
}

LwwSurface fixtureSurface(const std::string& name, int clip)
{
    LwwSurface s;
    s.name = name;
    s.color[0] = 0.5f, s.color[1] = 0.25f, s.color[2] = 1.0f;
    s.diffuse = 0.5f;
    s.specular = 0.25f;
    s.textured = clip > 0;
    s.image.clip = clip;
    s.image.axis = 2;  // planar along z
    return s;
}

LwwLayer triangleLayer(const std::string& name)
{
    return {name, {0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 2, 2}, {{0, 1, 2}, {3, 2, 1}}, {0, 0}};
}

LwwLayer cubeLayer()
{
    LwwLayer l;
    for (int i = 0; i < 8; ++i)
        for (int axis = 0; axis < 3; ++axis) l.points.push_back(i >> axis & 1 ? 0.5f : -0.5f);
    // Counter-clockwise seen from outside.
    l.polygons = {{4, 5, 7, 6}, {0, 2, 3, 1}, {1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3}, {0, 1, 5, 4}};
    l.surfaces.assign(6, 0);
    return l;
}

LwwLayer sphereLayer(int stacks, int slices)
{
    LwwLayer l;
    for (int i = 0; i <= stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            double phi = M_PI * i / stacks, theta = 2 * M_PI * (j + 0.5) / slices;
            l.points.insert(l.points.end(), {float(std::sin(phi) * std::cos(theta)), float(std::cos(phi)),
                                             float(std::sin(phi) * std::sin(theta))});
            if (i < stacks)
                l.polygons.push_back({i * slices + j, i * slices + (j + 1) % slices, (i + 1) * slices + (j + 1) % slices,
                                      (i + 1) * slices + j});
        }
    l.surfaces.assign(l.polygons.size(), 0);
    return l;
}

bool sceneView(const std::string& arguments, const std::string& folder)
{
    std::string command = "cd " + folder + " && " SCENE_VIEW " " + arguments + " >/dev/null";
    int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    return status == 0;
}

Picture::Picture(const std::string& file) : image(loadImageRgb(file.c_str()))
{
    EXPECT_NE(image, nullptr) << file;
}

Picture::~Picture() { SDL_FreeSurface(image); }

Rgb8 Picture::at(int x, int y) const
{
    Rgb8 c = {0, 0, 0};
    if (!image || x < 0 || y < 0 || x >= image->w || y >= image->h) return c;
    const Uint8* p = static_cast<const Uint8*>(image->pixels) + y * image->pitch + x * 3;
    SDL_GetRGB(p[0] | p[1] << 8 | p[2] << 16, image->format, &c.r, &c.g, &c.b);
    return c;
}

void SceneFilesTest::SetUp()
{
    static bool displayOpen = false;
    if (!displayOpen) openDisplay(640, 480, 0, 0, 1);
    displayOpen = true;
    dir = testFolder();
    verbose = 0;
    resetSceneFileState();
    scene = new Scene();
}

void SceneFilesTest::TearDown()
{
    delete scene;
    resetSceneFileState();
    verbose = 0;
}

void SceneFilesTest::renew()
{
    delete scene;
    resetSceneFileState();
    scene = new Scene();
}

std::string SceneFilesTest::write(const std::string& name, const std::string& content)
{
    std::string p = path(name);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(p).parent_path(), ignored);
    EXPECT_TRUE(writeWholeFile(p, content)) << p;
    return p;
}

std::string SceneFilesTest::writeObject(const std::string& name, const std::vector<LwwSurface>& surfaces,
                                        const std::vector<LwwLayer>& layers, const std::vector<LwwClip>& clips)
{
    std::vector<unsigned char> bytes = lwwObject(surfaces, layers, clips);
    return write(name, std::string(bytes.begin(), bytes.end()));
}

bool SceneFilesTest::load(const std::string& name)
{
    std::string copy = name;
    return scene->load(&copy[0]);
}
