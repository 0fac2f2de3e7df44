// The Banniere scene, the close: credits (black-keyed capitals) scroll up
// through a starry night, then a red banner (a flip-book ring of four waving
// meshes) comes down in front of a warm glow and the camera moves in. Every
// player stops on its last frame; the part lasts until the end of the show.
#include <cmath>

#include "content.h"
#include "datagen.h"

namespace {

const float kPi = 3.14159265f;
const int kWaves = 4;
const float kWidth = 12, kHeight = 6;

bool writeBanner(const std::string& datasDir, int frame)
{
    std::vector<Surface> surfaces = {
        imageSurface("Banniere", tex::banner, lwPlanar, axisZ, {kWidth, kHeight, 1}, {0, 0, 0}, 45),
        imageSurface("BanniereHampe", tex::column, lwCylindrical, axisY, {1, kHeight + 3, 1}, {-kWidth / 2 - 0.3f, 0, 0}),
    };
    Mesh m;
    const int across = 16, down = 6;
    float phase = 2 * kPi * frame / kWaves;
    std::vector<int> grid;
    for (int j = 0; j <= down; ++j)
        for (int i = 0; i <= across; ++i) {
            float s = float(i) / across;  // 0 at the pole, 1 at the free edge
            float x = -kWidth / 2 + s * kWidth, y = kHeight / 2 - kHeight * j / down;
            float wave = 1.1f * s * std::sin(s * 2.2f * 2 * kPi - phase);
            grid.push_back(m.point({x, y - 0.25f * s * s, wave}));
        }
    for (int j = 0; j < down; ++j)
        for (int i = 0; i < across; ++i) {
            int a = grid[j * (across + 1) + i], b = grid[j * (across + 1) + i + 1];
            int c = grid[(j + 1) * (across + 1) + i + 1], d = grid[(j + 1) * (across + 1) + i];
            m.face({a, b, c, d}, 0, {0, 0, -1});
            m.face({a, b, c, d}, 0, {0, 0, 1});
        }
    addColumn(m, {-kWidth / 2 - 0.3f, -kHeight / 2 - 6, 0}, 0.18f, kHeight + 6.8f, 10, 1);
    std::string name = "Datas/Objects/Banniere" + std::to_string(frame + 1) + ".lwo";
    return writeLwo2(datasPath(datasDir, name.c_str()), surfaces, {{"", m}});
}

bool writeBackdrop(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {imageSurface("BanniereNuit", tex::stars, lwSpherical, axisY, {1, 1, 1})};
    Mesh m;
    addSphere(m, {0, 0, 0}, 400, 24, 12, 0, true);
    return writeLwo2(datasPath(datasDir, "Datas/Objects/Banniere-nuit.lwo"), surfaces, {{"", m}});
}

bool writeGlow(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {imageSurface("BanniereHalo light", tex::glow, lwPlanar, axisZ, {36, 24, 1})};
    Mesh m;
    addPanel(m, {0, 0, 3}, {18, 0, 0}, {0, 12, 0}, 0, {0, 0, -1});
    return writeLwo2(datasPath(datasDir, "Datas/Objects/Banniere-halo.lwo"), surfaces, {{"", m}});
}

bool writeCredits(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {imageSurface("BanniereGenerique blackbg", tex::credits, lwPlanar, axisZ, {8, 16, 1})};
    Mesh m;
    addPanel(m, {0, 0, 0}, {4, 0, 0}, {0, 8, 0}, 0, {0, 0, -1});
    return writeLwo2(datasPath(datasDir, "Datas/Objects/Banniere-generique.lwo"), surfaces, {{"", m}});
}

}  // namespace

bool writeBanniereScene(const std::string& datasDir)
{
    std::vector<std::string> frames;
    for (int i = 0; i < kWaves; ++i) {
        if (!writeBanner(datasDir, i)) return false;
        frames.push_back("Datas/Objects/Banniere" + std::to_string(i + 1) + ".lwo");
    }
    if (!writeBackdrop(datasDir) || !writeGlow(datasDir) || !writeCredits(datasDir)) return false;

    std::vector<Key> credits = {{0, {0, -17, -8}, {0, 0, 0}}, {3600, {0, 23, -8}, {0, 0, 0}}};
    std::vector<Key> banner = {{0, {0, 26, 0}, {0, 0, 0}},        {3000, {0, 26, 0}, {0, 0, 0}},
                               {3700, {0, 0.4f, 0}, {-8, 0, -2}}, {4200, {0, 1.0f, 0}, {6, 0, 1}},
                               {4800, {0, 0.8f, 0}, {-3, 0, 0}},  {5500, {0, 1.0f, 0}, {0, 0, 0}}};
    std::vector<Key> glow = {{0, {0, 26, 0}, {0, 0, 0}}, {3000, {0, 26, 0}, {0, 0, 0}}, {3700, {0, 1, 0}, {0, 0, 0}}, {5500, {0, 1, 0}, {0, 0, 0}}};
    std::vector<Key> camera;
    for (int f = 0; f <= 5500; f += 100) {
        float t = f < 3600 ? 0.0f : (f - 3600) / 1900.0f;
        float ease = t * t * (3 - 2 * t);
        Vec3 eye = {2.5f * std::sin(f / 900.0f) * (1 - ease), 0.6f * std::sin(f / 700.0f), -30 + 12 * ease};
        camera.push_back({f, eye, aim(eye, {0, 0.8f * ease, 0}, 2 * std::sin(f / 1100.0f))});
    }

    std::string pof = pofHeader4(1.3333f);
    pof += pofObjectBlock({"Datas/Objects/Banniere-nuit.lwo"}, "Banniere-nuit.lwo", {});
    pof += pofObjectBlock(frames, "Banniere1.lwo", banner);
    pof += pofObjectBlock({"Datas/Objects/Banniere-generique.lwo"}, "Banniere-generique.lwo", credits);
    pof += pofObjectBlock({"Datas/Objects/Banniere-halo.lwo"}, "Banniere-halo.lwo", glow);
    pof += pofCameraBlock(camera);
    return writeText(datasPath(datasDir, "Datas/Banniere.pof"), pof);
}
