// lwo-convert's scenes: glTF values worked out by hand for each span shape,
// behaviour, axis flip and pivot; and every sample scene's animation
// evaluated as glTF defines it (STEP, LINEAR with slerp, CUBICSPLINE) against
// the scene's own world matrices at many times, keys and their sides included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "convert.h"
#include "gltfmodel.h"
#include "lwscene.h"
#include "lwwriter.h"

namespace {

struct Converted {
    LwScene* scene = nullptr;
    GltfModel* gltf = nullptr;
    ConvertResult result;
    std::vector<int> items;
    ~Converted() { delete gltf, scene ? freeLwScene(scene) : void(); }
    const tinygltf::Model& m() const { return gltf->model; }
};

bool convertScene(const std::string& path, Converted* c, const ConvertOptions& options = ConvertOptions())
{
    c->scene = readLwScene(path.c_str());
    if (c->scene) c->gltf = buildSceneGltf(c->scene, path.c_str(), true, options, &c->result, &c->items);
    return c->gltf != nullptr;
}

// A scene of the given items written as s.lws (a cube object beside it as
// cube.lwo, a triangle (0,0,0) (1,0,0) (0,1,0) as tri.lwo), 30 frames a second.
std::string writeText(const std::string& range, const std::string& items)
{
    static const std::string dir = [] {
        char name[] = "/tmp/scene-convert-XXXXXX";
        std::string d = mkdtemp(name) ? name : "/tmp";
        LwwLayer tri;
        tri.points = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        tri.polygons = {{0, 1, 2}};
        for (auto o : {std::make_pair("/cube.lwo", lwwCube(0)), std::make_pair("/tri.lwo", lwwObject({}, {tri}))})
            std::ofstream(d + o.first, std::ios::binary).write(reinterpret_cast<char*>(o.second.data()), long(o.second.size()));
        return d;
    }();
    std::ofstream(dir + "/s.lws") << "LWSC\n3\n\n" << range << "\nFramesPerSecond 30\n\n" << items;
    return dir + "/s.lws";
}

bool convertText(const std::string& range, const std::string& items, Converted* c,
                 const ConvertOptions& options = ConvertOptions())
{
    return convertScene(writeText(range, items), c, options);
}

// One channel of keys given as "value time shape p1..p6" each; with `add` a new null moved by it.
std::string channel(int c, std::vector<const char*> keys, const char* behaviours = "1 1", bool add = true)
{
    std::string out = std::string(add ? "AddNullObject N\nObjectMotion\nNumChannels 9\n" : "") + "Channel " +
                      std::to_string(c) + "\n{ Envelope\n  " + std::to_string(keys.size()) + "\n";
    for (const char* k : keys) out += std::string("  Key ") + k + "\n";
    return out + "  Behaviors " + behaviours + "\n}\n";
}

std::vector<float> floats(const tinygltf::Model& m, int accessor)
{
    const tinygltf::Accessor& a = m.accessors[size_t(accessor)];
    const tinygltf::BufferView& v = m.bufferViews[size_t(a.bufferView)];
    const float* at = reinterpret_cast<const float*>(m.buffers[0].data.data() + v.byteOffset + a.byteOffset);
    return std::vector<float>(at, at + v.byteLength / 4);
}

// glTF's value of a node's path at time t, interpolated as glTF defines it;
// false when no channel drives it.
bool animated(const tinygltf::Model& m, int node, const std::string& path, double t, double* out)
{
    const int n = path == "rotation" ? 4 : 3;
    for (const tinygltf::Animation& a : m.animations)
        for (const tinygltf::AnimationChannel& c : a.channels) {
            if (c.target_node != node || c.target_path != path) continue;
            const tinygltf::AnimationSampler& s = a.samplers[size_t(c.sampler)];
            const std::vector<float> times = floats(m, s.input), v = floats(m, s.output);
            const bool cubic = s.interpolation == "CUBICSPLINE";
            const size_t stride = size_t(cubic ? 3 * n : n), at = cubic ? size_t(n) : 0;
            size_t k = 0;
            while (k + 2 < times.size() && times[k + 1] <= t) ++k;
            const double td = times[k + 1] - times[k], u = std::min(1.0, std::max(0.0, (t - times[k]) / td));
            const float* p = &v[k * stride + at];
            const float* q = &v[(k + 1) * stride + at];
            const double angle = std::acos(std::min(1.0, double(p[0]) * q[0] + p[1] * q[1] + p[2] * q[2] + (n == 4 ? p[3] * q[3] : 0)));
            for (int i = 0; i < n; ++i) {
                if (s.interpolation == "STEP" || t < times[0]) out[i] = t >= times[k + 1] ? q[i] : p[i];
                else if (cubic)
                    out[i] = (2 * u * u * u - 3 * u * u + 1) * p[i] + td * (u * u * u - 2 * u * u + u) * p[i + n] +
                             (-2 * u * u * u + 3 * u * u) * q[i] + td * (u * u * u - u * u) * q[i - n];
                else if (n == 4 && angle > 1e-9)
                    out[i] = (std::sin((1 - u) * angle) * p[i] + std::sin(u * angle) * q[i]) / std::sin(angle);
                else out[i] = (1 - u) * p[i] + u * q[i];
            }
            return true;
        }
    return false;
}

// The node's world matrix (3x4, rows) at time t.
void world(const tinygltf::Model& m, int node, double t, double* w)
{
    const tinygltf::Node& n = m.nodes[size_t(node)];
    double tr[3] = {0, 0, 0}, q[4] = {0, 0, 0, 1}, s[3] = {1, 1, 1};
    if (!animated(m, node, "translation", t, tr)) std::copy(n.translation.begin(), n.translation.end(), tr);
    if (!animated(m, node, "rotation", t, q)) std::copy(n.rotation.begin(), n.rotation.end(), q);
    if (!animated(m, node, "scale", t, s)) std::copy(n.scale.begin(), n.scale.end(), s);
    const double l = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    const double x = q[0] / l, y = q[1] / l, z = q[2] / l, r = q[3] / l;
    const double rot[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - z * r),     2 * (x * z + y * r),
                           2 * (x * y + z * r),     1 - 2 * (x * x + z * z), 2 * (y * z - x * r),
                           2 * (x * z - y * r),     2 * (y * z + x * r),     1 - 2 * (x * x + y * y)};
    double own[12];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) own[4 * i + j] = rot[3 * i + j] * s[j];
        own[4 * i + 3] = tr[i];
    }
    int parent = -1;
    for (size_t p = 0; p < m.nodes.size() && parent < 0; ++p)
        for (int c : m.nodes[p].children) parent = c == node ? int(p) : parent;
    if (parent < 0) return (void)std::copy(own, own + 12, w);
    double up[12];
    world(m, parent, t, up);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            w[4 * i + j] = up[4 * i] * own[j] + up[4 * i + 1] * own[4 + j] + up[4 * i + 2] * own[8 + j] + (j == 3 ? up[4 * i + 3] : 0);
}

struct Row {
    const char *what, *range, *path, *interpolation;
    std::string items;
    std::vector<float> times, values;  // CUBICSPLINE: in-tangent, value, out-tangent per key
};

TEST(SceneConvert, HandWorkedKeysPerShapeBehaviourAndAxis)
{
    const float before1 = std::nextafter(1.0f, 0.0f), before2 = std::nextafter(2.0f, 0.0f);
    const char* r1 = "FirstFrame 0\nLastFrame 30";
    const char* r2 = "FirstFrame 0\nLastFrame 60";
    const char* r25 = "FirstFrame 0\nLastFrame 75";
    const std::vector<const char*> lin = {"0 0 3 0 0 0 0 0 0", "1 1 3 0 0 0 0 0 0"};
    const Row rows[] = {
        {"linear x", r1, "translation", "LINEAR", channel(0, {"0 0 3 0 0 0 0 0 0", "2 1 3 0 0 0 0 0 0"}), {0, 1}, {0, 0, 0, 2, 0, 0}},
        {"stepped z, flipped", r1, "translation", "STEP", channel(2, {"1 0 4 0 0 0 0 0 0", "3 1 4 0 0 0 0 0 0"}), {0, 1},
         {0, 0, -1, 0, 0, -3}},
        // TCB 0, 1, 0 at 0, 2, 3 s: first out 1 over 2 s, middle flat, last in -1 over 1 s.
        {"TCB", "FirstFrame 0\nLastFrame 90", "translation", "CUBICSPLINE",
         channel(0, {"0 0 0 0 0 0 0 0 0", "1 2 0 0 0 0 0 0 0", "0 3 0 0 0 0 0 0 0"}), {0, 2, 3},
         {0, 0, 0, 0, 0, 0, .5f, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0, 0}},
        // Hermite tangents 3 out and 1 in, over a 2 s span.
        {"Hermite", r2, "translation", "CUBICSPLINE", channel(1, {"0 0 1 0 0 0 0 3 0", "1 2 1 0 0 0 1 0 0"}), {0, 2},
         {0, 0, 0, 0, 0, 0, 0, 1.5f, 0, 0, .5f, 0, 0, 1, 0, 0, 0, 0}},
        {"repeat", r25, "translation", "LINEAR", channel(0, lin, "1 2"), {0, before1, 1, before2, 2, 2.5f},
         {0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, .5f, 0, 0}},
        {"offset repeat", r25, "translation", "LINEAR", channel(0, lin, "1 4"), {0, 1, 2, 2.5f},
         {0, 0, 0, 1, 0, 0, 2, 0, 0, 2.5f, 0, 0}},
        {"oscillate", r2, "translation", "LINEAR", channel(0, lin, "1 3"), {0, 1, 2}, {0, 0, 0, 1, 0, 0, 0, 0, 0}},
        {"linear after", r2, "translation", "LINEAR", channel(0, lin, "1 5"), {0, 1, 2}, {0, 0, 0, 1, 0, 0, 2, 0, 0}},
        {"constant after", r2, "translation", "LINEAR", channel(0, lin), {0, 1, 2}, {0, 0, 0, 1, 0, 0, 1, 0, 0}},
        {"reset before, from frame -30", "FirstFrame -30\nLastFrame 30", "scale", "LINEAR",
         channel(6, {"2 0 3 0 0 0 0 0 0", "3 1 3 0 0 0 0 0 0"}, "0 1"), {0, before1, 1, 2}, {0, 1, 1, 0, 1, 1, 2, 1, 1, 3, 1, 1}},
        // Heading a quarter turn at a steady rate: one slerp, about -y (+z turns to +x, +z being glTF's -z).
        {"heading", r1, "rotation", "LINEAR", channel(3, {"0 0 3 0 0 0 0 0 0", "1.5707963 1 3 0 0 0 0 0 0"}), {0, 1},
         {0, 0, 0, 1, 0, -0.70710678f, 0, 0.70710678f}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Converted c;
        ASSERT_TRUE(convertText(row.range, row.items, &c));
        ASSERT_EQ(c.m().animations.size(), 1u);
        const tinygltf::Animation& a = c.m().animations[0];
        ASSERT_EQ(a.channels.size(), 1u);
        EXPECT_EQ(a.channels[0].target_path + " " + a.samplers[0].interpolation, std::string(row.path) + " " + row.interpolation);
        std::vector<float> got = floats(c.m(), a.samplers[0].input), want = row.times, values = floats(c.m(), a.samplers[0].output);
        got.insert(got.end(), values.begin(), values.end());
        want.insert(want.end(), row.values.begin(), row.values.end());
        ASSERT_EQ(got.size(), want.size());
        for (size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], 1e-6) << k;
    }
}

TEST(SceneConvert, StillPlacementPivotsCamerasLightsAndObjects)
{
    Converted c;
    ASSERT_TRUE(convertText("FirstFrame 0\nLastFrame 30\nFrameSize 640 480",
                            "LoadObjectLayer 1 cube.lwo\nPivotPosition 1 2 3\n" + channel(3, {"1.5707963 0 0 0 0 0 0 0 0"}) +
                                "ParentItem 10000000\nLoadObject cube.lwo\nLoadObject nowhere.lwo\n"
                                "AddCamera\nCameraName Eye\n" + "ZoomFactor 3.2\n"
                                "AddLight\nLightName Spot\nLightColor 1 0.5 0\nLightIntensity 0.8\nLightType 2\nLightConeAngle 30\n"
                                "AddLight\nLightName Sun\nLightType 0\n",
                            &c));
    const tinygltf::Model& m = c.m();
    ASSERT_EQ(c.items.size(), 7u);
    const tinygltf::Node& cube = m.nodes[size_t(c.items[0])];
    EXPECT_EQ(cube.name, "cube");
    ASSERT_EQ(cube.children.size(), 1u);
    // Its pivot's node holds the layer, then the null made its child (both
    // placed as the world matrices test shows); the second load shares the mesh.
    const tinygltf::Node& pivot = m.nodes[size_t(cube.children[0])];
    ASSERT_EQ(pivot.children.size(), 2u);
    EXPECT_EQ(m.meshes.size(), 1u);
    EXPECT_EQ(m.nodes[size_t(m.nodes[size_t(c.items[2])].children.at(0))].mesh, m.nodes[size_t(pivot.children[0])].mesh);
    // The object not found: a warning naming it, an empty node of its name.
    EXPECT_EQ(m.nodes[size_t(c.items[3])].name, "nowhere");
    EXPECT_TRUE(m.nodes[size_t(c.items[3])].children.empty());
    EXPECT_TRUE(c.result.warnings.size() == 1 && c.result.warnings[0].find("nowhere.lwo not found") != std::string::npos);
    ASSERT_EQ(m.cameras.size(), 1u);
    EXPECT_NEAR(m.cameras[0].perspective.yfov, 2 * std::atan(1 / 3.2), 1e-7);
    EXPECT_NEAR(m.cameras[0].perspective.aspectRatio, 640.0 / 480, 1e-12);
    ASSERT_EQ(m.lights.size(), 2u);
    EXPECT_EQ(m.lights[0].type, "spot");
    EXPECT_EQ(m.lights[0].color, (std::vector<double>{1, 0.5, 0}));
    EXPECT_NEAR(m.lights[0].intensity, 0.8, 1e-7);
    EXPECT_NEAR(m.lights[0].spot.outerConeAngle, 3.14159265358979 / 6, 1e-9);
    EXPECT_EQ(m.lights[1].type, "directional");
    EXPECT_EQ(m.nodes[size_t(c.items[6])].extensions.at("KHR_lights_punctual").Get("light").Get<int>(), 1);
}

TEST(SceneConvert, ObjStillPlacesObjectsUnderMovedParents)
{
    // The null: x from 0 to 2 over 1 s, y 2, heading 90 degrees (+z turns to +x, x to -z). The triangle
    // in it at z 1, x scaled by 2. At 500 ms, (1,0,0): scaled (2,0,0), moved (2,0,1), turned (1,0,-2),
    // the null's (1,2,0) added (2,2,-2), z flipped (2,2,2). Its normal (0,0,1) turns to (1,0,0).
    const std::string path = writeText("FirstFrame 0\nLastFrame 30",
        channel(0, {"0 0 3 0 0 0 0 0 0", "2 1 3 0 0 0 0 0 0"}) + channel(1, {"2 0 3 0 0 0 0 0 0"}, "1 1", false) +
            channel(3, {"1.5707963267948966 0 3 0 0 0 0 0 0"}, "1 1", false) + "LoadObject tri.lwo\nObjectMotion\nNumChannels 9\n" +
            channel(2, {"1 0 3 0 0 0 0 0 0"}, "1 1", false) + channel(6, {"2 0 3 0 0 0 0 0 0"}, "1 1", false) + "ParentItem 10000000\n");
    for (int at : {-1, 500}) {
        ConvertOptions options;
        options.stillGiven = at >= 0, options.stillSeconds = at / 1000.0;
        ConvertResult r;
        LwScene* scene = readLwScene(path.c_str());
        ASSERT_TRUE(scene && convertSceneToObj(scene, path.c_str(), "s.mtl", options, &r));
        freeLwScene(scene);
        std::istringstream lines(r.bytes);
        std::vector<double> got;
        std::string line, faces;
        while (std::getline(lines, line)) {
            std::istringstream words(line.substr(line.find(' ') + 1));
            for (double x; line[0] == 'v' && words >> x;) got.push_back(x);
            if (line[0] == 'f' || line[0] == 'g') faces += line + "\n";
        }
        // The first frame: the null at x 0, everything 1 less in x.
        const double dx = at < 0 ? -1 : 0;
        const std::vector<double> want = {2 + dx, 2, 0, 2 + dx, 2, 2, 2 + dx, 3, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0};
        ASSERT_EQ(got.size(), want.size()) << r.bytes;
        for (size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], 1e-6) << k << " at " << at;
        EXPECT_EQ(faces, "g tri_layer0_Default\nf 1//1 3//3 2//2\n");
    }
}

// Each item's glTF world matrix against LightWave's (z flipped) at 2001
// times and 10 us and 1 ms either side of every key (at a step's own instant
// the two may differ: glTF shows the value after it). Answers the largest
// difference; the bound is 1e-4 of the largest position key (entries of the
// rotation part: 0.01 degree is below that here).
void compareWorlds(const Converted& c)
{
    LwScene* s = c.scene;
    const double spf = lwSceneSecondsPerFrame(s), start = s->firstFrame * spf, end = s->lastFrame * spf;
    double size = 0, worst = 0;
    std::vector<double> times;
    for (int k = 0; k <= 2000; ++k) times.push_back(start + (end - start) * k / 2000);
    for (int32_t i = 0; i < s->itemCount; ++i)
        for (int ch = 0; ch < 9; ++ch)
            for (int32_t k = 0; k < s->items[i].channels[ch].count; ++k) {
                const LwChannelKey& key = s->items[i].channels[ch].keys[k];
                if (ch < 3) size = std::max(size, std::fabs(key.value));
                for (double dt : {-1e-3, -1e-5, 1e-5, 1e-3})
                    if (key.time + dt >= start && key.time + dt <= end) times.push_back(key.time + dt);
            }
    std::vector<double> lw(size_t(12 * s->itemCount));
    std::vector<int32_t> scratch(size_t(2 * s->itemCount));
    for (double t : times) {
        lwSceneWorld(s, t, lw.data(), scratch.data());
        for (int32_t i = 0; i < s->itemCount; ++i) {
            int node = c.items[size_t(i)];
            const tinygltf::Node& n = c.m().nodes[size_t(node)];
            if (!n.children.empty() && c.m().nodes[size_t(n.children[0])].name == n.name + " pivot") node = n.children[0];
            double g[12];
            world(c.m(), node, t - start, g);
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 4; ++k) {
                    const double want = lw[size_t(12 * i + 4 * r + k)] * ((r == 2) != (k == 2) ? -1 : 1);
                    worst = std::max(worst, std::fabs(g[4 * r + k] - want));
                    if (std::fabs(g[4 * r + k] - want) > 1e-4 * size + 1e-6) {
                        return ADD_FAILURE() << "item " << i << " at " << t << " s, entry " << r << k << ": " << g[4 * r + k]
                                             << ", LightWave " << want;
                    }
                }
        }
    }
    std::printf("largest difference %.3g (bound %.3g), %lld keys\n", worst, 1e-4 * size,
                static_cast<long long>(c.result.animationKeys));
}

// Motions no key count can follow within the bound, and the scene's key
// budget: converted coarser, with a warning, in bounded time.
TEST(SceneConvert, RunawayMotionsAndKeyBudget)
{
    // Heading 3,000,000 rad in 2 s at 30 frames a second: followed at each
    // of the 60 frames (slerp keys, a pair where pieces do not meet), glTF's
    // value at each frame LightWave's there.
    Converted spin;
    ASSERT_TRUE(convertText("FirstFrame 0\nLastFrame 60", channel(3, {"0 0 3 0 0 0 0 0 0", "3000000 2 3 0 0 0 0 0 0"}), &spin));
    ASSERT_EQ(spin.result.warnings.size(), 1u);
    EXPECT_NE(spin.result.warnings[0].find("rotation: more than"), std::string::npos) << spin.result.warnings[0];
    EXPECT_NE(spin.result.warnings[0].find("cut at 60 even steps"), std::string::npos) << spin.result.warnings[0];
    const tinygltf::Animation& a = spin.m().animations.at(0);
    EXPECT_EQ(a.samplers.at(0).interpolation, "LINEAR");
    EXPECT_LE(floats(spin.m(), a.samplers[0].input).size(), 2u * 61);
    for (int frame : {0, 1, 31, 59, 60}) {
        // Heading h about y, seen from glTF's flipped z: (0, -sin(h/2), 0, cos(h/2)), either sign.
        const double h = 1500000.0 * frame / 30;
        double q[4];
        ASSERT_TRUE(animated(spin.m(), spin.items[0], "rotation", frame / 30.0, q));
        const double sign = q[3] * std::cos(h / 2) < 0 ? -1 : 1;
        EXPECT_NEAR(q[1], -sign * std::sin(h / 2), 1e-4) << frame;
        EXPECT_NEAR(q[3], sign * std::cos(h / 2), 1e-4) << frame;
    }
    // A budget of 16 keys: a channel is begun only with 16 to spare, so the
    // first null moves (1 piece spent) and the other two stay still.
    ConvertOptions tight;
    tight.sceneKeys = 16;
    Converted many;
    const std::vector<const char*> keys = {"0 0 3 0 0 0 0 0 0", "1 1 3 0 0 0 0 0 0"};
    ASSERT_TRUE(convertText("FirstFrame 0\nLastFrame 30", channel(0, keys) + channel(0, keys) + channel(0, keys),
                            &many, tight));
    ASSERT_EQ(many.m().animations.at(0).channels.size(), 1u);
    ASSERT_EQ(many.result.warnings.size(), 1u);
    EXPECT_NE(many.result.warnings[0].find("more than 16 keys in the scene"), std::string::npos) << many.result.warnings[0];
}

TEST(SceneConvert, ScenesMoveAsLightWaveMovesThem)
{
    // Turning on three axes at once (TCB, Hermite, stepped), under a moving parent, about a pivot.
    Converted made;
    ASSERT_TRUE(convertText("FirstFrame 0\nLastFrame 90",
                            channel(0, {"0 0 0 0 0 0 0 0 0", "2 1.5 0 0 0 0 0 0 0", "-1 3 0 0 0 0 0 0 0"}) +
                                channel(3, {"0 0 0 0 0 0 0 0 0", "3 1 0 0.3 0 0 0 0 0", "1 3 0 0 0 0 0 0 0"}) +
                                channel(4, {"0 0 1 0 0 0 0 2 0", "1.2 2 1 0 0 0 -1 0 0"}, "1 1", false) +
                                channel(5, {"0 0 4 0 0 0 0 0 0", "0.5 1 4 0 0 0 0 0 0"}, "1 1", false) +
                                "PivotPosition 0.5 0 -0.25\nParentItem 10000000\n",
                            &made));
    compareWorlds(made);
    const std::filesystem::path dir = "/usr/share/assimp/models/LWS";
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no sample scenes in " << dir;
    int scenes = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().extension() != ".lws") continue;
        SCOPED_TRACE(e.path());
        Converted c;
        ASSERT_TRUE(convertScene(e.path(), &c));
        std::printf("%s: ", e.path().filename().c_str());
        compareWorlds(c);
        ++scenes;
    }
    EXPECT_EQ(scenes, 14);
}

}  // namespace
