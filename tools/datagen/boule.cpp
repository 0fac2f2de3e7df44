// The Boule scene: a painted ball bouncing and spinning on a marble floor in a
// ring of columns under a sunset sky, circled by the camera. The camera's
// keys end the part (the demo moves on when its animation has played out).
#include <cmath>

#include "content.h"
#include "datagen.h"

namespace {

const int kLastFrame = 2600;  // 26 s: the Cana part still gets its share before 95 s
const float kBallRadius = 2.5f;
const int kColumns = 8;
const float kColumnRing = 13.0f;
const float kPi = 3.14159265f;

// One object of four layers: floor, columns, sky dome and the ball's shadow.
bool writeDecor(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {
        imageSurface("BouleSol", tex::tiles, lwPlanar, axisY, {6, 1, 6}),
        imageSurface("BouleCiel", tex::sky, lwSpherical, axisY, {1, 1, 1}),
        imageSurface("BouleOmbre shadow", tex::tiles, lwPlanar, axisY, {6, 1, 6}),
    };
    std::vector<Layer> layers(4);
    layers[0].name = "";
    Mesh& floor = layers[0].mesh;
    // The floor in tiles of 6 so that no polygon is huge.
    for (int i = -8; i < 8; ++i)
        for (int k = -8; k < 8; ++k) addPanel(floor, {i * 6.0f + 3, 0, k * 6.0f + 3}, {3, 0, 0}, {0, 0, 3}, 0, {0, 1, 0});

    // Columns: each its own surface, so the cylindrical map turns about its own axis.
    layers[1].name = "Colonnes";
    Mesh& columns = layers[1].mesh;
    for (int c = 0; c < kColumns; ++c) {
        float a = 2 * kPi * (c + 0.5f) / kColumns;
        Vec3 at = {kColumnRing * std::cos(a), 0, kColumnRing * std::sin(a)};
        std::string name = "BouleColonne" + std::to_string(c + 1);
        surfaces.push_back(imageSurface(name.c_str(), tex::column, lwCylindrical, axisY, {1, 9, 1}, at + Vec3{0, 4.5f, 0}, 60));
        int surface = int(surfaces.size() - 1);
        addColumn(columns, at, 0.7f, 9, 16, surface);
        addBox(columns, at + Vec3{-1, 0, -1}, at + Vec3{1, 0.5f, 1}, surface);
        addBox(columns, at + Vec3{-1, 9, -1}, at + Vec3{1, 9.6f, 1}, surface);
    }

    layers[2].name = "Ciel";
    addSphere(layers[2].mesh, {0, 0, 0}, 300, 24, 12, 1, true);

    layers[3].name = "Ombre";
    addDisc(layers[3].mesh, {0, 0.02f, 0}, kBallRadius * 1.1f, 24, 2);
    return writeLwo2(datasPath(datasDir, "Datas/Objects/Boule-decor.lwo"), surfaces, layers);
}

// The ball with its tilted ring of light.
bool writeBall(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {
        imageSurface("Boule", tex::ball, lwSpherical, axisY, {1, 1, 1}, {0, 0, 0}, 89),
        imageSurface("BouleAnneau light", tex::halo, lwPlanar, axisY, {2 * kBallRadius * 2.4f, 1, 2 * kBallRadius * 2.4f}),
    };
    Mesh m;
    addSphere(m, {0, 0, 0}, kBallRadius, 32, 16, 0);
    // The ring: a flat annulus seen from both sides, tilted about x.
    const int sides = 48;
    const float inner = kBallRadius * 1.45f, outer = kBallRadius * 2.4f, tilt = 0.5f;
    std::vector<int> in, out;
    for (int k = 0; k < sides; ++k) {
        float a = 2 * kPi * k / sides;
        auto tilted = [&](float r) {
            float x = r * std::cos(a), z = r * std::sin(a);
            return Vec3{x, -z * std::sin(tilt), z * std::cos(tilt)};
        };
        in.push_back(m.point(tilted(inner)));
        out.push_back(m.point(tilted(outer)));
    }
    Vec3 up = {0, std::cos(tilt), std::sin(tilt)};
    for (int k = 0; k < sides; ++k) {
        int k1 = (k + 1) % sides;
        m.face({in[k], out[k], out[k1], in[k1]}, 1, up);
        m.face({in[k], out[k], out[k1], in[k1]}, 1, up * -1);
    }
    return writeLwo2(datasPath(datasDir, "Datas/Objects/Boule.lwo"), surfaces, {{"", m}});
}

}  // namespace

bool writeBouleScene(const std::string& datasDir)
{
    if (!writeDecor(datasDir) || !writeBall(datasDir)) return false;

    // Bounces that lose height, a key every 10 frames so the arcs stay round;
    // the ball spins two turns and a half over the part.
    std::vector<Key> ball;
    const float bounce = 170;  // frames per bounce
    for (int f = 0; f <= kLastFrame; f += 10) {
        float phase = std::fmod(f / bounce, 1.0f);
        float height = 4.5f * std::exp(-f / 2200.0f) * 4 * phase * (1 - phase);
        float squash = phase < 0.04f || phase > 0.96f ? 0.0f : 1.0f;
        ball.push_back({f, {0, kBallRadius + height * squash, 0}, {900.0f * f / kLastFrame, 0, 12 * std::sin(f / 160.0f)}});
    }

    // The camera circles the ball once and a quarter, drifting in and down,
    // then rises for a last look from above.
    std::vector<Key> camera;
    for (int f = 0; f <= kLastFrame; f += 100) {
        float t = float(f) / kLastFrame;
        float a = -kPi / 2 + t * 2.5f * kPi;
        float r = 22 - 11 * t + 2 * std::sin(t * 7);
        float y = 7 - 4 * t + 5 * t * t * t;
        Vec3 eye = {r * std::cos(a), y, r * std::sin(a)};
        camera.push_back({f, eye, aim(eye, {0, kBallRadius + 0.5f, 0})});
    }
    unwindAngles(camera);
    unwindAngles(ball);

    std::string pof = pofHeader4(1.3333f);
    pof += pofObjectBlock({"Datas/Objects/Boule-decor.lwo"}, "Boule-decor.lwo", {});
    pof += pofObjectBlock({"Datas/Objects/Boule.lwo"}, "Boule.lwo", ball);
    pof += pofCameraBlock(camera);
    return writeText(datasPath(datasDir, "Datas/Boule.pof"), pof);
}
