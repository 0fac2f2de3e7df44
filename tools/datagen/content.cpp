#include "content.h"

#include <cmath>
#include <cstdio>

#include "datagen.h"
#include "lwobwriter.h"

// ---- meshes --------------------------------------------------------------------------

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

static const float kPi = 3.14159265f;

int Mesh::point(Vec3 p)
{
    points.push_back(p.x);
    points.push_back(p.y);
    points.push_back(p.z);
    return int(points.size() / 3 - 1);
}

Vec3 Mesh::at(int index) const { return {points[3 * index], points[3 * index + 1], points[3 * index + 2]}; }

// The engine's front is the side from which the corners run clockwise in
// LightWave's left-handed axes: there the normal (b - a) x (c - b) points.
void Mesh::face(std::vector<int> corners, int surface, Vec3 facing)
{
    Vec3 n = {0, 0, 0};
    for (size_t i = 0; i < corners.size(); ++i) {
        Vec3 a = at(corners[i % corners.size()]), b = at(corners[(i + 1) % corners.size()]), c = at(corners[(i + 2) % corners.size()]);
        n = n + cross(b - a, c - b);
    }
    if (dot(n, facing) < 0) {
        std::vector<int> reversed(corners.rbegin(), corners.rend());
        corners = reversed;
    }
    polygons.push_back(corners);
    surfaces.push_back(surface);
}

void Mesh::translate(Vec3 by)
{
    for (size_t i = 0; i < points.size(); i += 3) {
        points[i] += by.x;
        points[i + 1] += by.y;
        points[i + 2] += by.z;
    }
}

void addBox(Mesh& m, Vec3 lo, Vec3 hi, int surface)
{
    int p[8];
    for (int i = 0; i < 8; ++i) p[i] = m.point({i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z});
    m.face({p[0], p[2], p[6], p[4]}, surface, {-1, 0, 0});
    m.face({p[1], p[3], p[7], p[5]}, surface, {1, 0, 0});
    m.face({p[0], p[1], p[5], p[4]}, surface, {0, -1, 0});
    m.face({p[2], p[3], p[7], p[6]}, surface, {0, 1, 0});
    m.face({p[0], p[1], p[3], p[2]}, surface, {0, 0, -1});
    m.face({p[4], p[5], p[7], p[6]}, surface, {0, 0, 1});
}

void addTube(Mesh& m, float radius, float z0, float z1, int sides, int segments, int surface, bool inside, float startAngle)
{
    std::vector<int> ring((segments + 1) * sides);
    for (int s = 0; s <= segments; ++s)
        for (int k = 0; k < sides; ++k) {
            float a = startAngle + 2 * kPi * k / sides;
            ring[s * sides + k] = m.point({radius * std::cos(a), radius * std::sin(a), z0 + (z1 - z0) * s / segments});
        }
    for (int s = 0; s < segments; ++s)
        for (int k = 0; k < sides; ++k) {
            int k1 = (k + 1) % sides;
            float a = startAngle + 2 * kPi * (k + 0.5f) / sides;
            Vec3 out = {std::cos(a), std::sin(a), 0};
            m.face({ring[s * sides + k], ring[s * sides + k1], ring[(s + 1) * sides + k1], ring[(s + 1) * sides + k]}, surface,
                   inside ? out * -1 : out);
        }
}

void addColumn(Mesh& m, Vec3 base, float radius, float height, int sides, int surface)
{
    Mesh tube;
    addTube(tube, radius, 0, height, sides, 1, surface, false);
    // (x, y, z) -> (x, z, -y) is a rotation, so the fronts stay outside.
    int first = int(m.points.size() / 3);
    for (size_t i = 0; i < tube.points.size(); i += 3)
        m.point(base + Vec3{tube.points[i], tube.points[i + 2], -tube.points[i + 1]});
    for (size_t p = 0; p < tube.polygons.size(); ++p) {
        std::vector<int> corners = tube.polygons[p];
        for (int& i : corners) i += first;
        m.polygons.push_back(corners);
        m.surfaces.push_back(surface);
    }
}

// Spherical and cylindrical maps about y wrap where x = 0 and z > 0, and
// squeeze the whole picture into any polygon across that line. So the mesh
// opens there: the first and last columns of points lie a hair either side of
// it, and each polar triangle has its own pole point, nudged towards its slice.
void addSphere(Mesh& m, Vec3 c, float r, int slices, int stacks, int surface, bool inside)
{
    const float seam = kPi / 2, hair = 1e-5f;
    auto angle = [&](float k) { return seam + hair + (2 * kPi - 2 * hair) * k / slices; };
    auto onSphere = [&](float phi, float theta) {
        return Vec3{c.x + r * std::sin(phi) * std::cos(theta), c.y + r * std::cos(phi), c.z + r * std::sin(phi) * std::sin(theta)};
    };
    std::vector<int> grid((stacks - 1) * (slices + 1));
    for (int i = 1; i < stacks; ++i)
        for (int k = 0; k <= slices; ++k) grid[(i - 1) * (slices + 1) + k] = m.point(onSphere(kPi * i / stacks, angle(float(k))));
    float sign = inside ? -1.0f : 1.0f;
    auto outward = [&](int a) { return (m.at(a) - c) * sign; };
    int last = (stacks - 2) * (slices + 1);
    for (int k = 0; k < slices; ++k) {
        int top = m.point(onSphere(1e-3f, angle(k + 0.5f))), bottom = m.point(onSphere(kPi - 1e-3f, angle(k + 0.5f)));
        m.face({top, grid[k], grid[k + 1]}, surface, outward(grid[k]));
        m.face({bottom, grid[last + k + 1], grid[last + k]}, surface, outward(grid[last + k]));
        for (int i = 0; i + 2 < stacks; ++i) {
            int a = grid[i * (slices + 1) + k], b = grid[i * (slices + 1) + k + 1];
            int d = grid[(i + 1) * (slices + 1) + k], e = grid[(i + 1) * (slices + 1) + k + 1];
            m.face({a, b, e, d}, surface, outward(a) + outward(e));
        }
    }
}

void addDisc(Mesh& m, Vec3 c, float r, int sides, int surface)
{
    std::vector<int> corners;
    for (int k = 0; k < sides; ++k) {
        float a = 2 * kPi * k / sides;
        corners.push_back(m.point({c.x + r * std::cos(a), c.y, c.z + r * std::sin(a)}));
    }
    m.face(corners, surface, {0, 1, 0});
}

void addPanel(Mesh& m, Vec3 c, Vec3 right, Vec3 up, int surface, Vec3 facing)
{
    int a = m.point(c - right - up), b = m.point(c + right - up), d = m.point(c + right + up), e = m.point(c - right + up);
    m.face({a, b, d, e}, surface, facing);
}

// ---- LightWave objects ----------------------------------------------------------------

Surface imageSurface(const char* name, const char* image, LwProjection projection, Axis axis, Vec3 size, Vec3 centre, float smoothDegrees)
{
    Surface s;
    s.image = image;
    s.lw.name = name;
    s.lw.color[0] = s.lw.color[1] = s.lw.color[2] = 0.8f;
    s.lw.smoothAngle = smoothDegrees * kPi / 180.0f;
    s.lw.textured = true;
    s.lw.image.projection = projection;
    s.lw.image.axis = axis;
    s.lw.image.size[0] = size.x;
    s.lw.image.size[1] = size.y;
    s.lw.image.size[2] = size.z;
    s.lw.image.center[0] = centre.x;
    s.lw.image.center[1] = centre.y;
    s.lw.image.center[2] = centre.z;
    return s;
}

bool writeLwo2(const std::string& path, const std::vector<Surface>& surfaces, const std::vector<Layer>& layers)
{
    std::vector<LwwSurface> lw;
    std::vector<LwwClip> clips;
    for (size_t i = 0; i < surfaces.size(); ++i) {
        lw.push_back(surfaces[i].lw);
        lw.back().image.clip = int(i + 1);
        clips.push_back({int(i + 1), surfaces[i].image});
    }
    std::vector<LwwLayer> out;
    for (const Layer& l : layers) out.push_back({l.name, l.mesh.points, l.mesh.polygons, l.mesh.surfaces});
    std::vector<unsigned char> bytes = lwwObject(lw, out, clips);
    return writeFile(path, bytes.data(), bytes.size());
}

bool writeLwob(const std::string& path, const std::vector<Surface>& surfaces, const Mesh& mesh)
{
    static const char* kinds[lwProjectionCount] = {"Planar Image Map", "Cylindrical Image Map", "Spherical Image Map",
                                                   "Cubic Image Map",  "Front Image Map",       "Image Map"};
    std::vector<LwobSurface> old;
    for (const Surface& s : surfaces) {
        LwobSurface o;
        o.name = s.lw.name;
        for (int k = 0; k < 3; ++k) {
            o.color[k] = static_cast<unsigned char>(s.lw.color[k] * 255.0f + 0.5f);
            o.size[k] = s.lw.image.size[k];
            o.center[k] = s.lw.image.center[k];
        }
        o.diffuse = int(s.lw.diffuse * 256.0f);
        o.smoothAngle = s.lw.smoothAngle;
        o.texture = kinds[s.lw.image.projection];
        o.image = s.image;
        o.axis = s.lw.image.axis;
        old.push_back(o);
    }
    std::vector<int> counts, indices, numbers;
    for (size_t k = 0; k < mesh.polygons.size(); ++k) {
        counts.push_back(int(mesh.polygons[k].size()));
        indices.insert(indices.end(), mesh.polygons[k].begin(), mesh.polygons[k].end());
        numbers.push_back(mesh.surfaces[k] + 1);
    }
    std::vector<unsigned char> bytes = lwobObject(mesh.points, counts, indices, numbers, old);
    return writeFile(path, bytes.data(), bytes.size());
}

// ---- scene files -----------------------------------------------------------------------

static float degrees(float radians) { return radians * 180.0f / kPi; }

Vec3 aim(Vec3 eye, Vec3 target, float bank)
{
    Vec3 d = target - eye;
    float flat = std::sqrt(d.x * d.x + d.z * d.z);
    return {degrees(std::atan2(d.x, d.z)), degrees(std::atan2(-d.y, flat)), bank};
}

Vec3 lightWaveAngles(Vec3 angles)
{
    const double k = 3.14159265358979323846 / 180.0;
    const double ch = std::cos(angles.x * k), sh = std::sin(angles.x * k), cp = std::cos(angles.y * k),
                 sp = std::sin(angles.y * k), cb = std::cos(angles.z * k), sb = std::sin(angles.z * k);
    // Of Rx(pitch) Ry(heading) Rz(bank), the entries that give the angles of
    // Ry Rx Rz: heading from the third column, pitch and bank from the second row.
    const double r02 = sh, r12 = -sp * ch, r22 = cp * ch;
    const double r10 = sp * sh * cb + cp * sb, r11 = cp * cb - sp * sh * sb;
    return {float(std::atan2(r02, r22) / k), float(std::asin(std::fmax(-1.0, std::fmin(1.0, -r12))) / k),
            float(std::atan2(r10, r11) / k)};
}

void unwindAngles(std::vector<Key>& keys)
{
    for (size_t i = 1; i < keys.size(); ++i) {
        float* now = &keys[i].angles.x;
        const float* before = &keys[i - 1].angles.x;
        for (int k = 0; k < 3; ++k) {
            while (now[k] - before[k] > 180.0f) now[k] -= 360.0f;
            while (now[k] - before[k] < -180.0f) now[k] += 360.0f;
        }
    }
}

static std::string format(const char* pattern, double a, double b, double c)
{
    char line[160];
    std::snprintf(line, sizeof line, pattern, a, b, c);
    return line;
}

std::string pofKeys(const std::vector<Key>& keys)
{
    std::string out;
    for (const Key& k : keys) {
        out += "  <keyframe> " + std::to_string(k.frame) + "\n";
        out += format("  <pos> %.3f %.3f %.3f\n", k.position.x, k.position.y, k.position.z);
        out += format("  <ang> %.3f %.3f %.3f\n", k.angles.x, k.angles.y, k.angles.z);
    }
    return out;
}

std::string pofHeader4(float pixelRatio)
{
    return "Pomo_Object_File\nVersion: 4\n" + pofBlock(format("<pixel_ratio> %1.4f\n<anim_speed> %.0f\n", pixelRatio, 60, 0));
}

std::string pofBlock(const std::string& records) { return "<scene_bloc>\n" + records + "</scene_bloc>\n"; }

static const char* endRecord = "<end> <--! ignore par la version 4-->\n";

std::string pofObjectBlock(const std::vector<std::string>& files, const std::string& select, const std::vector<Key>& keys)
{
    std::string r = "<load_object>";
    for (const std::string& f : files) r += " '" + f + "'";
    r += " </load_object>\n";
    r += "<name_selection> '" + select + "'\n<pos_spliner> off\n<ang_spliner> off\n";
    return pofBlock(r + pofKeys(keys) + endRecord);
}

std::string pofCameraBlock(const std::vector<Key>& keys)
{
    return pofBlock("<load_camera> 'camera'\n<name_selection> 'camera'\n<pos_spliner> off\n<ang_spliner> off\n" + pofKeys(keys) + endRecord);
}

static std::string motion(const char* word, const std::vector<Key>& keys)
{
    std::string out = std::string(word) + " (unnamed)\n  9\n  " + std::to_string(keys.size()) + "\n";
    for (const Key& k : keys) {
        out += format("  %.3f %.3f %.3f", k.position.x, k.position.y, k.position.z);
        out += format(" %.3f %.3f %.3f 1 1 1\n", k.angles.x, k.angles.y, k.angles.z);
        out += "  " + std::to_string(k.frame) + " 0 0 0 0\n";
    }
    return out;
}

std::string lwsScene(const std::vector<LwsObject>& objects, const std::vector<Key>& cameraKeys, int lastFrame)
{
    std::string out = "LWSC\n1\n\nFirstFrame 0\nLastFrame " + std::to_string(lastFrame) + "\nFrameStep 1\n";
    out += "PreviewFirstFrame 0\nPreviewLastFrame " + std::to_string(lastFrame) + "\nPreviewFrameStep 1\n\n";
    for (const LwsObject& o : objects) {
        out += "LoadObject " + o.file + "\nShowObject 6 7\n";
        if (!o.keys.empty()) out += motion("ObjectMotion", o.keys);
        out += "\n";
    }
    out += "AddCamera\nCameraName Camera\nShowCamera 1 2\n";
    out += motion("CameraMotion", cameraKeys);
    return out;
}

bool writeText(const std::string& path, const std::string& text) { return writeFile(path, text.data(), text.size()); }

std::string datasPath(const std::string& datasDir, const char* name)
{
    const char* prefix = "Datas/";
    std::string rest = std::string(name).compare(0, 6, prefix) == 0 ? name + 6 : name;
    return datasDir + "/" + rest;
}
