#include "support.h"

#include <cstdio>
#include <sys/stat.h>

#include "platform.h"
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

// ---- LightWave object fixtures ------------------------------------------------
#include "lwwriter.h"

// Only the fields the import reads; the rest keeps the writer's defaults.
static void writeSurface(LwWriter& w, const FixtureSurface& s)
{
    LwwSurface out;
    out.name = s.name;
    for (int i = 0; i < 3; ++i) out.color[i] = s.color[i];
    out.diffuse = s.diffuse;
    out.specular = s.specular;
    out.textured = s.texture == FixtureSurface::imageMap;
    out.image.clip = s.clip;
    out.image.projection = 0;  // planar along z
    out.image.axis = 2;
    if (s.texture == FixtureSurface::procedural) out.procedural = "Turbulence";
    lwwSurface(w, out);
}

std::vector<unsigned char> buildObject(const std::vector<FixtureSurface>& surfaces, const std::vector<FixtureClip>& clips,
                                       const std::vector<FixtureLayer>& layers)
{
    LwWriter w;
    size_t form = w.beginForm("LWO2");
    std::vector<std::string> tags;
    for (const FixtureSurface& s : surfaces) tags.push_back(s.name);
    if (!tags.empty()) lwwTags(w, tags);
    int number = 0;
    for (const FixtureLayer& l : layers) {
        lwwLayer(w, number++, l.name.empty() ? nullptr : l.name.c_str());
        lwwPoints(w, l.points.data(), l.points.size() / 3);
        lwwPolygons(w, "FACE", l.counts, l.indices);
        if (!l.surfaces.empty()) {
            std::vector<int> polygons;
            for (size_t i = 0; i < l.surfaces.size(); ++i) polygons.push_back(int(i));
            lwwPolygonTags(w, "SURF", polygons, l.surfaces);
        }
    }
    for (const FixtureClip& c : clips) lwwStillClip(w, c.index, c.file.c_str());
    for (const FixtureSurface& s : surfaces) writeSurface(w, s);
    w.endForm(form);
    return w.bytes;
}

FixtureLayer cubeLayer(const std::string& name, float size)
{
    static const float unit[8 * 3] = {
        -0.5f, -0.5f, -0.5f, 0.5f, -0.5f, -0.5f, -0.5f, 0.5f, -0.5f, 0.5f, 0.5f, -0.5f,
        -0.5f, -0.5f, 0.5f,  0.5f, -0.5f, 0.5f,  -0.5f, 0.5f, 0.5f,  0.5f, 0.5f, 0.5f,
    };
    static const int faces[6 * 4] = {4, 5, 7, 6, 0, 2, 3, 1, 1, 3, 7, 5, 0, 4, 6, 2, 2, 6, 7, 3, 0, 1, 5, 4};
    FixtureLayer l;
    l.name = name;
    for (float v : unit) l.points.push_back(v * size);
    l.counts.assign(6, 4);
    l.indices.assign(faces, faces + 24);
    l.surfaces.assign(6, 0);
    return l;
}

bool writePicture(const std::string& path, unsigned char r, unsigned char g, unsigned char b)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    if (!s) return false;
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
    bool ok = SDL_SaveBMP(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

std::string SceneFilesTest::writeObject(const std::string& name, const std::vector<FixtureSurface>& surfaces,
                                        const std::vector<FixtureClip>& clips, const std::vector<FixtureLayer>& layers)
{
    std::vector<unsigned char> bytes = buildObject(surfaces, clips, layers);
    return write(name, std::string(bytes.begin(), bytes.end()));
}
