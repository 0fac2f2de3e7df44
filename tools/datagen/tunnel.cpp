// The tunnel scene (version 3 scene file): object 1 is a steel tunnel along
// z that the demo slides towards -z by hand and sends back every 2883 units,
// object 2 a little flyer with its own keys, then the camera's keys.
//
// 2883 = 93 x 31: the wall picture and the runway repeat every 31 units, so
// the jump back lands on an identical view. The tunnel runs from just behind
// the eye to beyond 2883 + 1024 (the far plane), so it fills the view at
// every offset.
#include <cmath>

#include "content.h"
#include "datagen.h"

namespace {

const float kRadius = 5.0f;
const int kSides = 16;
const float kRepeat = 31.0f;
const float kStart = -2 * kRepeat;
const float kEnd = 129 * kRepeat;  // 3999 > 2883 + 1024
const float kSegment = kRepeat / 2;

// The wall is mapped cylindrically round z. The bottom side holds the
// projection's seam (where the angle wraps from a full turn to 0), so it gets
// its own planar-mapped surface instead: a glowing runway.
bool writeTunnel(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {
        imageSurface("TunnelWall", tex::tunnelWall, lwCylindrical, axisZ, {1, 1, kRepeat}, {0, 0, 0}, 30),
        imageSurface("TunnelRunway light", tex::tunnelRunway, lwPlanar, axisY, {2 * kRadius * std::sin(3.14159265f / kSides), 1, kRepeat}),
    };
    Mesh m;
    const float pi = 3.14159265f;
    const float first = 1.5f * pi + pi / kSides;  // corner 0 just right of the bottom
    int segments = int((kEnd - kStart) / kSegment + 0.5f);
    std::vector<int> ring;
    for (int s = 0; s <= segments; ++s)
        for (int k = 0; k < kSides; ++k) {
            float a = first + 2 * pi * k / kSides;
            ring.push_back(m.point({kRadius * std::cos(a), kRadius * std::sin(a), kStart + s * kSegment}));
        }
    for (int s = 0; s < segments; ++s)
        for (int k = 0; k < kSides; ++k) {
            int k1 = (k + 1) % kSides;
            float a = first + 2 * pi * (k + 0.5f) / kSides;
            int surface = k == kSides - 1 ? 1 : 0;  // side 15 spans the bottom
            m.face({ring[s * kSides + k], ring[s * kSides + k1], ring[(s + 1) * kSides + k1], ring[(s + 1) * kSides + k]}, surface,
                   {-std::cos(a), -std::sin(a), 0});
        }
    return writeLwo2(datasPath(datasDir, "Datas/Objects/tunnel.lwo"), surfaces, {{"", m}});
}

// A small white flyer: body, swept wings, a fin and two engine flames that
// face backwards, towards the camera that follows it.
bool writeFlyer(const std::string& datasDir)
{
    std::vector<Surface> surfaces = {
        imageSurface("FlyerHull", tex::flyerHull, lwPlanar, axisY, {3.4f, 1, 3.0f}, {0, 0, 0.1f}, 40),
        imageSurface("FlyerFlameL light", tex::flyerFlame, lwPlanar, axisZ, {0.7f, 0.7f, 1}, {-0.32f, 0, 0}),
        imageSurface("FlyerFlameR light", tex::flyerFlame, lwPlanar, axisZ, {0.7f, 0.7f, 1}, {0.32f, 0, 0}),
    };
    Mesh m;
    addBox(m, {-0.28f, -0.18f, -1.2f}, {0.28f, 0.18f, 0.9f}, 0);
    // The nose: a pyramid in front of the body.
    int tip = m.point({0, -0.02f, 1.6f});
    int c[4] = {m.point({-0.28f, -0.18f, 0.9f}), m.point({0.28f, -0.18f, 0.9f}), m.point({0.28f, 0.18f, 0.9f}), m.point({-0.28f, 0.18f, 0.9f})};
    Vec3 out[4] = {{0, -1, 0.3f}, {1, 0, 0.3f}, {0, 1, 0.3f}, {-1, 0, 0.3f}};
    for (int i = 0; i < 4; ++i) m.face({c[i], c[(i + 1) % 4], tip}, 0, out[i]);
    // Swept wings: flat slabs, each a box sheared backwards at the tip.
    for (float side : {-1.0f, 1.0f}) {
        int top[4], bottom[4];
        Vec3 corners[4] = {{0.28f * side, 0, 0.5f}, {1.7f * side, 0, -0.5f}, {1.7f * side, 0, -0.95f}, {0.28f * side, 0, -0.7f}};
        for (int i = 0; i < 4; ++i) {
            top[i] = m.point(corners[i] + Vec3{0, 0.05f, 0});
            bottom[i] = m.point(corners[i] + Vec3{0, -0.05f, 0});
        }
        m.face({top[0], top[1], top[2], top[3]}, 0, {0, 1, 0});
        m.face({bottom[0], bottom[1], bottom[2], bottom[3]}, 0, {0, -1, 0});
        for (int i = 0; i < 4; ++i) {
            int j = (i + 1) % 4;
            Vec3 mid = (corners[i] + corners[j]) * 0.5f;
            m.face({top[i], top[j], bottom[j], bottom[i]}, 0, mid - Vec3{0.9f * side, 0, -0.2f});
        }
    }
    addBox(m, {-0.04f, 0.18f, -1.15f}, {0.04f, 0.75f, -0.55f}, 0);  // fin
    // The flames, a little behind the body.
    addPanel(m, {-0.32f, 0, -1.25f}, {0.35f, 0, 0}, {0, 0.35f, 0}, 1, {0, 0, -1});
    addPanel(m, {0.32f, 0, -1.25f}, {0.35f, 0, 0}, {0, 0.35f, 0}, 2, {0, 0, -1});
    // Drawn a little larger than modelled, maps and all.
    const float scale = 1.4f;
    for (float& v : m.points) v *= scale;
    for (Surface& s : surfaces)
        for (int k = 0; k < 3; ++k) {
            s.lw.image.size[k] *= scale;
            s.lw.image.center[k] *= scale;
        }
    return writeLwo2(datasPath(datasDir, "Datas/Objects/flyer.lwo"), surfaces, {{"", m}});
}

std::string keysV3(const std::vector<Key>& keys)
{
    std::string out;
    for (const Key& k : keys) {
        char line[200];
        std::snprintf(line, sizeof line, "<keyframe> %d\n<pos> %.3f %.3f %.3f\n<ang> %.3f %.3f %.3f\n", k.frame, k.position.x, k.position.y,
                      k.position.z, k.angles.x, k.angles.y, k.angles.z);
        out += line;
    }
    return out;
}

}  // namespace

bool writeTunnelScene(const std::string& datasDir)
{
    if (!writeTunnel(datasDir) || !writeFlyer(datasDir)) return false;

    // The tunnel turns slowly about its axis; the demo sets its z itself.
    std::vector<Key> tunnelKeys = {{0, {0, 0, 0}, {0, 0, 0}}, {5500, {0, 0, 0}, {0, 0, 120}}};
    // The flyer swoops in from above and behind the eye, weaves, rolls and
    // leaves down the tunnel before frame 2000.
    // It flies a little below the eye, nose up, so its back shows.
    std::vector<Key> flyerKeys = {
        {0, {0, 3.5f, -4}, {0, 20, 0}},            {150, {0, 0.6f, 9}, {0, 0, 0}},          {350, {0, -0.9f, 13}, {0, -12, 0}},
        {550, {-1.8f, -1.2f, 14}, {-12, -10, -35}}, {800, {1.8f, -0.6f, 13}, {12, -14, 35}},  {1050, {0, -1.4f, 11}, {0, -8, 0}},
        {1250, {-1.2f, -0.6f, 15}, {-8, -12, -20}}, {1350, {-0.6f, -0.4f, 16}, {0, -8, -120}}, {1450, {0.3f, -0.6f, 16}, {6, -8, -240}},
        {1550, {1.0f, -1.0f, 15}, {8, -10, -360}},  {1750, {0, -1.0f, 13}, {0, -10, -360}},   {1850, {0, -0.4f, 40}, {0, -3, -360}},
        {2000, {0, 0.5f, 420}, {0, 0, -360}},
    };
    std::vector<Key> cameraKeys = {{0, {0, 0, 0}, {0, 0, 0}}, {2000, {0, 0, 0}, {0, 0, 0}}};

    std::string pof = "Pomo_Object_File\nVersion: 3\n<pixel_ratio> 1.3333\n";
    pof += "<load_object> 'Datas/Objects/tunnel.lwo'\n" + keysV3(tunnelKeys);
    pof += "<load_object> 'Datas/Objects/flyer.lwo'\n" + keysV3(flyerKeys);
    pof += "<load_camera> 'camera'\n" + keysV3(cameraKeys);
    return writeText(datasPath(datasDir, "Datas/tunnel-tux.pof"), pof);
}
