// The Cana scene: a canal at night. Wooden crates (old LWOB objects) bob on
// the water between stone quays lined with reeds (black-keyed) and lanterns
// (additive glows); in the middle a flower opens and closes (a flip-book ring
// of six meshes). The quays, crates, lanterns and the camera's round come
// from a LightWave scene that the scene file loads; every player loops.
#include <cmath>

#include "content.h"
#include "datagen.h"

namespace {

const int kLoop = 1600;  // frames of one round of the camera (16 s)
const float kPi = 3.14159265f;
const float kHalfLength = 60;
const float kQuay = 8;  // the water runs from -kQuay to kQuay in x
const int kFlowerFrames = 6;

bool writeCrate(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {imageSurface("Caisse", tex::crate, lwCubic, axisX, {1.6f, 1.6f, 1.6f}, {0, 0, 0}, 0)};
    Mesh m;
    addBox(m, {-0.8f, -0.8f, -0.8f}, {0.8f, 0.8f, 0.8f}, 0);
    return writeLwob(datasPath(datasDir, "Datas/Objects/caisse.lwo"), surfaces, m);
}

// Water, quays and night sky: three layers of one object.
bool writeCanal(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {
        imageSurface("CanaEau", tex::water, lwPlanar, axisY, {10, 1, 10}),
        imageSurface("CanaQuai", tex::stone, lwCubic, axisX, {4, 4, 4}, {0, 0, 0}, 20),
        imageSurface("CanaCiel", tex::stars, lwSpherical, axisY, {1, 1, 1}),
    };
    std::vector<Layer> layers(3);
    for (float z = -kHalfLength; z < kHalfLength; z += 10)
        for (float x = -kQuay; x < kQuay; x += 8) addPanel(layers[0].mesh, {x + 4, 0, z + 5}, {4, 0, 0}, {0, 0, 5}, 0, {0, 1, 0});
    layers[1].name = "Quais";
    for (float z = -kHalfLength; z < kHalfLength; z += 12)
        for (float side : {-1.0f, 1.0f}) {
            float inner = side * kQuay, outer = side * (kQuay + 8);
            addBox(layers[1].mesh, {std::min(inner, outer), -1, z}, {std::max(inner, outer), 1.2f, z + 12}, 1);
        }
    layers[2].name = "Nuit";
    addSphere(layers[2].mesh, {0, 0, 0}, 250, 24, 12, 2, true);
    return writeLwo2(datasPath(datasDir, "Datas/Objects/Cana-canal.lwo"), surfaces, layers);
}

// Reeds along both quays: keyed panels seen from either side.
bool writeReeds(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {imageSurface("CanaRoseaux blackbg", tex::reeds, lwPlanar, axisX, {1, 3, 6}, {0, 2.7f, 0})};
    Mesh m;
    for (float z = -kHalfLength + 3; z < kHalfLength; z += 6)
        for (float side : {-1.0f, 1.0f})
            for (float facing : {-1.0f, 1.0f}) addPanel(m, {side * (kQuay + 1), 2.7f, z}, {0, 0, 3}, {0, 1.5f, 0}, 0, {facing, 0, 0});
    return writeLwo2(datasPath(datasDir, "Datas/Objects/Cana-roseaux.lwo"), surfaces, {{"", m}});
}

// Lantern posts and their glows. The glows are crossed panels mapped
// cubically; the posts stand where the pictures' repeats line up.
bool writeLanterns(const std::string& datasDir)
{
    const float cell = 2.4f;
    std::vector<Surface> surfaces = {
        imageSurface("CanaPoteau", tex::crate, lwCubic, axisX, {0.6f, 3, 0.6f}),
        imageSurface("CanaLanterne light", tex::lantern, lwCubic, axisX, {cell, cell, cell}, {0, 4.4f, 0}),
    };
    Mesh m;
    for (int i = -2; i <= 2; ++i)
        for (float side : {-1.0f, 1.0f}) {
            Vec3 at = {side * 4 * cell, 0, i * 9 * cell};
            addBox(m, at + Vec3{-0.15f, 1.2f, -0.15f}, at + Vec3{0.15f, 4.0f, 0.15f}, 0);
            Vec3 glow = at + Vec3{0, 4.4f, 0};
            for (float f : {-1.0f, 1.0f}) {
                addPanel(m, glow, {0, 0, cell / 2}, {0, cell / 2, 0}, 1, {f, 0, 0});
                addPanel(m, glow, {cell / 2, 0, 0}, {0, cell / 2, 0}, 1, {0, 0, f});
            }
        }
    return writeLwo2(datasPath(datasDir, "Datas/Objects/Cana-lanternes.lwo"), surfaces, {{"", m}});
}

// One frame of the flower: eight petals lifted by `open` radians, both sides drawn.
bool writeFlower(const std::string& datasDir, int frame, float open)
{
    const float length = 3.4f;
    std::vector<Surface> surfaces = {imageSurface("CanaFleur", tex::petal, lwPlanar, axisY, {2 * length, 1, 2 * length}, {0, 0, 0}, 50)};
    Mesh m;
    for (int p = 0; p < 8; ++p) {
        float a = 2 * kPi * p / 8, w = 0.42f;
        auto petalPoint = [&](float r, float side) {
            float lift = r * std::sin(open), spread = r * std::cos(open);
            float b = a + side * w * (1 - r / length * 0.6f);
            return Vec3{spread * std::cos(b), lift, spread * std::sin(b)};
        };
        int c = m.point({0, 0, 0});
        int l = m.point(petalPoint(length * 0.6f, -1)), r = m.point(petalPoint(length * 0.6f, 1));
        int tip = m.point(petalPoint(length, 0));
        Vec3 up = {-std::sin(open) * std::cos(a), std::cos(open), -std::sin(open) * std::sin(a)};
        m.face({c, l, tip, r}, 0, up);
        m.face({c, l, tip, r}, 0, up * -1);
    }
    std::string name = "Datas/Objects/Cana-fleur" + std::to_string(frame + 1) + ".lwo";
    return writeLwo2(datasPath(datasDir, name.c_str()), surfaces, {{"", m}});
}

// A key every 50 frames of a motion that repeats every kLoop frames.
template <typename Motion>
std::vector<Key> loopKeys(Motion motion)
{
    std::vector<Key> keys;
    for (int f = 0; f <= kLoop; f += 50) {
        Key k = motion(2 * kPi * f / kLoop);
        k.frame = f;
        keys.push_back(k);
    }
    unwindAngles(keys);
    return keys;
}

}  // namespace

bool writeCanaScene(const std::string& datasDir)
{
    if (!writeCrate(datasDir) || !writeCanal(datasDir) || !writeReeds(datasDir) || !writeLanterns(datasDir)) return false;
    std::vector<std::string> flowers;
    for (int i = 0; i < kFlowerFrames; ++i) {
        float open = 0.25f + 0.75f * (0.5f - 0.5f * std::cos(2 * kPi * i / kFlowerFrames));
        if (!writeFlower(datasDir, i, open)) return false;
        flowers.push_back("Datas/Objects/Cana-fleur" + std::to_string(i + 1) + ".lwo");
    }

    std::vector<LwsObject> objects;
    const float crateAt[3][2] = {{-3.5f, 10}, {3.0f, -6}, {-1.5f, -22}};
    for (int i = 0; i < 3; ++i) {
        float x = crateAt[i][0], z = crateAt[i][1];
        // The crates' turns were made for the engine's order; the scene
        // keeps them in LightWave's, the same turns at every key.
        objects.push_back({"Datas/Objects/caisse.lwo", loopKeys([=](float t) {
                               float bob = std::sin(t * 3 + i * 2.0f);
                               const Vec3 turn = {t * 57.29578f * (i == 1 ? -1 : 1) + 40.0f * i, 8 * std::cos(t * 3 + i), 10 * bob};
                               return Key{0, {x + 0.6f * std::sin(t + i), 0.2f + 0.18f * bob, z + 1.5f * std::sin(t * 2 + i)},
                                          lightWaveAngles(turn)};
                           })});
    }
    objects.push_back({"Datas/Objects/Cana-roseaux.lwo", {}});
    objects.push_back({"Datas/Objects/Cana-canal.lwo", {}});
    // Last: the glows add onto everything drawn before them.
    objects.push_back({"Datas/Objects/Cana-lanternes.lwo", {}});
    std::vector<Key> camera = loopKeys([](float t) {
        Vec3 eye = {5.0f * std::sin(t), 2.6f + 0.8f * std::sin(2 * t), -26.0f * std::cos(t)};
        return Key{0, eye, aim(eye, {0.8f * std::sin(t), 1.0f, 0}, 6 * std::sin(t))};
    });
    if (!writeText(datasPath(datasDir, "Datas/Cana.lws"), lwsScene(objects, camera, kLoop))) return false;

    // The flower turns slowly where it floats.
    std::vector<Key> flower = loopKeys([](float t) { return Key{0, {0, 0.25f + 0.1f * std::sin(2 * t), 0}, {-t * 57.29578f, 0, 0}}; });
    std::string pof = pofHeader4(1.3333f);
    // The LightWave scene comes first: should an object of it fail to load,
    // its motion lands on the camera (the only earlier object), whose own
    // keys at the same frames then replace it.
    pof += pofObjectBlock({"Datas/Cana.lws"}, "Cana-lanternes.lwo", {});
    pof += pofObjectBlock(flowers, "Cana-fleur1.lwo", flower);
    return writeText(datasPath(datasDir, "Datas/Cana.pof"), pof);
}
