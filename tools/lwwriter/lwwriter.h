// A small LWO2 writer: big-endian values, chunks and sub-chunks assembled in
// memory, plus helpers for the common chunks and a few ready-made objects.
// Used to make test fixtures, fuzzing seeds, benchmark input and demo data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class LwWriter {
public:
    std::vector<unsigned char> bytes;

    void u1(unsigned v);
    void u2(unsigned v);
    void i2(int v) { u2(unsigned(uint16_t(int16_t(v)))); }
    void u4(uint32_t v);
    void i4(int32_t v) { u4(uint32_t(v)); }
    void f4(float v);
    void id(const char* four);
    void vx(uint32_t index);
    void s0(const char* s);  // NUL and the pad byte for even length; null writes an empty string
    void raw(const void* data, size_t size);

    // "FORM", size, type; endForm patches the size.
    size_t beginForm(const char* type);
    void endForm(size_t mark);
    // ID and U4 size; endChunk patches the size and adds the pad byte.
    size_t beginChunk(const char* id);
    void endChunk(size_t mark);
    // ID and U2 size inside a SURF, BLOK, CLIP or ENVL.
    size_t beginSub(const char* id);
    void endSub(size_t mark);
    // A sub-chunk whose body `write` writes.
    template <class Body>
    void sub(const char* id, Body write)
    {
        size_t mark = beginSub(id);
        write();
        endSub(mark);
    }

    bool save(const char* path) const;

private:
    // ID and a size field of `width` bytes, patched by endSized with the pad byte.
    size_t beginSized(const char* id, int width);
    void endSized(size_t mark, int width);
};

// ID of the specularity channel's sub-chunk.
constexpr char lwwSpecularityId[5] = {'S', 'P', 'E', 'C', 0};

// ---- common chunks ----------------------------------------------------------------

void lwwLayer(LwWriter& w, int number, const char* name, int parent = -1);  // parent -1: no parent field
void lwwPoints(LwWriter& w, const float* xyz, size_t count);
// POLS of `type` ("FACE"...): counts[i] corners each (flags may be or-ed in
// above bit 10), indices in order.
void lwwPolygons(LwWriter& w, const char* type, const std::vector<int>& counts, const std::vector<int>& indices);
void lwwTags(LwWriter& w, const std::vector<std::string>& tags);
void lwwPolygonTags(LwWriter& w, const char* type, const std::vector<int>& polygons, const std::vector<int>& tags);

struct LwwImageMap {
    int clip = 1;
    int projection = 0;
    int axis = 0;
    float size[3] = {1, 1, 1};
    float center[3] = {0, 0, 0};
    float rotation[3] = {0, 0, 0};
    float wrapWidth = 1, wrapHeight = 1;
    int wrapTypes[2] = {1, 1};  // outside the picture: 0 reset, 1 repeat, 2 mirror, 3 edge
    const char* ordinal = "\x80";
    const char* channel = "COLR";
    const char* vmap = nullptr;  // the UV map a projection 5 (UV) block names
};

struct LwwSurface {
    std::string name;
    float color[3] = {0.5f, 0.5f, 0.5f};
    float diffuse = 1.0f;
    float specular = 0.0f;
    float glossiness = 0.4f;
    float smoothAngle = 0.0f;
    int sidedness = 1;
    bool textured = false;
    LwwImageMap image;
    const char* procedural = nullptr;  // a colour procedural of that function name, after the image map
    std::string vertexColors;          // VCOL naming an RGB map of that name (empty: none)
    float vertexColorIntensity = 1.0f;
};
void lwwSurface(LwWriter& w, const LwwSurface& s);
void lwwImageBlock(LwWriter& w, const LwwImageMap& m);  // a BLOK sub-chunk
void lwwProceduralBlock(LwWriter& w, const char* channel, const char* function);  // a BLOK sub-chunk
void lwwStillClip(LwWriter& w, int index, const char* fileName);
// An ENVL of keys (time, value pairs), each followed by its SPAN: spans[i] when
// given (its shape ID, then its values), else TCB with zero parameters.
struct LwwSpan {
    const char* shape;
    std::vector<float> values;
};
void lwwEnvelope(LwWriter& w, int index, const char* name, const std::vector<float>& timeValuePairs,
                 const std::vector<LwwSpan>& spans = {});

// ---- layered objects ---------------------------------------------------------------

struct LwwLayer {
    std::string name;                        // empty: unnamed
    std::vector<float> points;               // x, y, z
    std::vector<std::vector<int>> polygons;  // corner point indices, FACE polygons
    std::vector<int> surfaces;               // surface (tag) index per polygon; empty: no PTAG
    int parent = -1;                         // the LAYR's parent field; -1: none
    int number = -1;                         // the LAYR number; -1: the layer's place (LWO2 from 0, LWLO from 1)
};
struct LwwClip {
    int index;
    std::string file;  // a still image
};
// A whole LWO2 object: TAGS (the surface names, when there are any), then
// LAYR/PNTS/POLS/PTAG per layer (numbered from 0 unless it says), then the clips, then SURF per surface.
std::vector<unsigned char> lwwObject(const std::vector<LwwSurface>& surfaces, const std::vector<LwwLayer>& layers,
                                     const std::vector<LwwClip>& clips = {});
// The object with a VMAP of that type and name added at its end (for its last
// layer): `dimension` values per point, from point 0.
std::vector<unsigned char> lwwWithVMap(std::vector<unsigned char> object, const char* type, const char* name,
                                       unsigned dimension, const std::vector<float>& values);
// The same for an RGB map: r, g, b per point.
std::vector<unsigned char> lwwWithColorMap(std::vector<unsigned char> object, const char* name, const std::vector<float>& rgb);

// ---- ready-made objects --------------------------------------------------------------

// A unit cube centred on the origin: 8 points, 6 quads, one surface; mapped by
// projection 5 (UV), it has a UV map "cube" (VMAP, and VMAD on one face).
std::vector<unsigned char> lwwCube(float smoothAngle, bool textured = false, int projection = 0);
// An object that uses every chunk kind the reader knows: two layers, tags,
// part and smoothing-group tags, VMAP and VMAD, a textured surface with a
// procedural and a gradient block and a shader, a clip and an envelope.
std::vector<unsigned char> lwwSampleObject();
// The older LWOB form: a cube (one detail polygon on the top face) with a
// textured surface, a procedural, a shader, a reflection image and a
// moving texture centre.
std::vector<unsigned char> lwwLwobObject();
// A torus of rings x sides quads in layer 1 and a small sphere in layer 2,
// three surfaces, a TXUV map with VMAD entries on the seams, an envelope and
// a still clip; one torus surface is mapped by that UV map, the other
// cylindrically, the sphere spherically.
std::vector<unsigned char> lwwTorusObject(int rings, int sides);

// ---- the LWO3 form (lwo3writer.cpp) ----------------------------------------------------

// The writer's LWO2 object in the LWO3 form: geometry as it is, every surface
// a FORM SURF whose colour, diffuse, specular and glossiness (or metallic and
// roughness for "Principled BSDF") and colour blocks are in a node graph, a
// Surface node fed by a `material` node; clips and envelopes as FORMs. With
// `imageNodes`, a surface's first image block on its colour is an Image node
// feeding the material's Color instead (the clip's file, UV map, projection).
std::vector<unsigned char> lwwToLwo3(const std::vector<unsigned char>& lwo2, const char* material = "Standard",
                                     bool imageNodes = false);

// ---- SubPatch objects (lwsubpatch.cpp) -------------------------------------------------

// One layer: `patches` as PTCH polygons, then `faces` as FACE polygons, all on the
// surface; a still clip of the file when one is named (the surface's image clip).
std::vector<unsigned char> lwwSubPatchObject(const LwwSurface& surface, const std::vector<float>& points,
                                             const std::vector<std::vector<int>>& patches,
                                             const std::vector<std::vector<int>>& faces = {},
                                             const char* clipFile = nullptr);
// The unit cube of lwwCube as six PTCH quads, smoothed; image-mapped (planar on Z) when a clip file is named.
std::vector<unsigned char> lwwSubPatchCube(const char* clipFile = nullptr);
// A flat grid of n x n PTCH quads over the unit square at z = 0, and one FACE triangle on it.
std::vector<unsigned char> lwwSubPatchGrid(int n);
// The cube with vertex colours: an RGB VMAP "paint" on every point and RGBA
// VMAD overrides on two faces, painted double-sided; one face names a missing
// map and one an RGB map of two values. Its faces are of `polygonType` (PTCH: SubPatches).
std::vector<unsigned char> lwwVertexColorCube(const char* polygonType = "FACE");
