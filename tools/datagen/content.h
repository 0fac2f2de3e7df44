// Shared pieces of the show's content writers: meshes, LightWave objects,
// scene-file text and procedural pictures. Everything is deterministic.
#pragma once
#include <string>
#include <vector>

#include "lightwave.h"
#include "lwwriter.h"
#include "picture.h"

// ---- meshes --------------------------------------------------------------------------

struct Vec3 {
    float x, y, z;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float k);
float dot(Vec3 a, Vec3 b);
Vec3 cross(Vec3 a, Vec3 b);

// Points and polygons of one layer; every polygon names a surface by index.
struct Mesh {
    std::vector<float> points;
    std::vector<std::vector<int>> polygons;
    std::vector<int> surfaces;

    int point(Vec3 p);
    Vec3 at(int index) const;
    // A polygon seen from the side `facing` points to: the writer orders the
    // corners so that side is the front the engine draws.
    void face(std::vector<int> corners, int surface, Vec3 facing);
    void translate(Vec3 by);
};

// Boxes, tubes and spheres facing outwards (or inwards for `inside`).
void addBox(Mesh& m, Vec3 low, Vec3 high, int surface);
// A ring of `sides` around the z axis from z0 to z1, `segments` long.
void addTube(Mesh& m, float radius, float z0, float z1, int sides, int segments, int surface, bool inside, float startAngle = 0.0f);
// An upright tube (along y) from `base` up `height`, facing outwards.
void addColumn(Mesh& m, Vec3 base, float radius, float height, int sides, int surface);
void addSphere(Mesh& m, Vec3 centre, float radius, int slices, int stacks, int surface, bool inside = false);
// A flat regular polygon in the y = height plane, seen from above.
void addDisc(Mesh& m, Vec3 centre, float radius, int sides, int surface);
// A quad in the plane through `centre` spanned by `right` and `up` (half sizes), facing `facing`.
void addPanel(Mesh& m, Vec3 centre, Vec3 right, Vec3 up, int surface, Vec3 facing);

// ---- LightWave objects ----------------------------------------------------------------

struct Layer {
    std::string name;  // empty: unnamed
    Mesh mesh;
};

enum Axis { axisX = 0, axisY = 1, axisZ = 2 };

// An image-mapped surface; `image` is a path relative to the demo's working
// directory, as the import opens it.
struct Surface {
    LwwSurface lw;
    std::string image;
};
Surface imageSurface(const char* name, const char* image, LwProjection projection, Axis axis, Vec3 size, Vec3 centre = {0, 0, 0},
                     float smoothDegrees = 0.0f);

// Clips are numbered in surface order, one per surface.
bool writeLwo2(const std::string& path, const std::vector<Surface>& surfaces, const std::vector<Layer>& layers);
// The older single-layer form, through the LWOB writer.
bool writeLwob(const std::string& path, const std::vector<Surface>& surfaces, const Mesh& mesh);

// ---- scene files -----------------------------------------------------------------------

struct Key {
    int frame;
    Vec3 position;
    Vec3 angles;  // heading, pitch, bank in degrees
};

// Heading and pitch that aim from `eye` at `target` (positive pitch looks down).
Vec3 aim(Vec3 eye, Vec3 target, float bank = 0.0f);
// The angles that turn an object in LightWave's order (heading outside pitch
// outside bank) as `angles` turn it in the engine's own files (pitch outside
// heading outside bank).
Vec3 lightWaveAngles(Vec3 angles);
// Rewrites each key's angles to the nearest turn of the previous key's, so
// that linear interpolation never spins the long way round.
void unwindAngles(std::vector<Key>& keys);

std::string pofKeys(const std::vector<Key>& keys);
// A version 4 block: a group of object files (a flip-book when there are
// several), the object named `select` and its keys.
std::string pofObjectBlock(const std::vector<std::string>& files, const std::string& select, const std::vector<Key>& keys);
std::string pofCameraBlock(const std::vector<Key>& keys);
std::string pofHeader4(float pixelRatio);
std::string pofBlock(const std::string& records);  // wraps records in <scene_bloc> ... </scene_bloc>

// A LightWave scene: LoadObject lines, each with its ObjectMotion, then the camera's motion.
struct LwsObject {
    std::string file;
    std::vector<Key> keys;  // empty: no motion
};
std::string lwsScene(const std::vector<LwsObject>& objects, const std::vector<Key>& cameraKeys, int lastFrame);

bool writeText(const std::string& path, const std::string& text);

// ---- pictures ----------------------------------------------------------------------------

// The pictures every scene uses, under Datas/Textures.
bool writeSceneTextures(const std::string& datasDir);

// Picture files, named as the objects name them (relative to the working directory).
namespace tex {
const char* const tunnelWall = "Datas/Textures/tunnel-wall.jpg";
const char* const tunnelRunway = "Datas/Textures/tunnel-runway.jpg";
const char* const flyerHull = "Datas/Textures/flyer-hull.jpg";
const char* const flyerFlame = "Datas/Textures/flyer-flame.jpg";
const char* const ball = "Datas/Textures/boule.jpg";
const char* const tiles = "Datas/Textures/tiles.jpg";
const char* const column = "Datas/Textures/column.jpg";
const char* const sky = "Datas/Textures/sky.jpg";
const char* const halo = "Datas/Textures/halo.jpg";
const char* const water = "Datas/Textures/water.jpg";
const char* const crate = "Datas/Textures/crate.jpg";
const char* const reeds = "Datas/Textures/reeds.png";
const char* const lantern = "Datas/Textures/lantern.jpg";
const char* const petal = "Datas/Textures/petal.jpg";
const char* const banner = "Datas/Textures/banner.jpg";
const char* const credits = "Datas/Textures/credits.png";
const char* const stars = "Datas/Textures/stars.jpg";
const char* const glow = "Datas/Textures/glow.jpg";
const char* const stone = "Datas/Textures/stone.jpg";
}  // namespace tex

// Where a "Datas/..." name lands below the generator's output folder.
std::string datasPath(const std::string& datasDir, const char* name);
