// LightWave object reader: LWO2 and LWOB files into an LwObject with polygon and
// corner normals and per-corner texture coordinates.
//
// Records are plain, zero-filled when made and chained in doubly linked lists
// (`next`, `prev` first). One object is read at a time: the reader keeps a
// process-wide byte count (see lwio.h). An object and everything in it,
// arrays included, is released only through freeLwObject.
#pragma once
#include <cstdint>
#include <cstdio>

#include "lwenvelope.h"

constexpr uint32_t lwId(char a, char b, char c, char d)
{
    return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
           (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d));
}

// A four-character ID as text; bytes outside printable ASCII show as '?'.
struct LwIdText { char text[5]; };
inline LwIdText lwIdText(uint32_t id)
{
    LwIdText t;
    for (int i = 0; i < 4; ++i) {
        char c = char(id >> (24 - 8 * i) & 0xFF);
        t.text[i] = c >= 32 && c < 127 ? c : '?';
    }
    t.text[4] = 0;
    return t;
}

// Image map projections (the PROJ values). The stored fields stay int32_t: a
// file may hold any value, and every value but cylindrical, spherical and
// cubic maps as planar.
enum LwProjection : int32_t { lwPlanar, lwCylindrical, lwSpherical, lwCubic, lwFront, lwUv, lwProjectionCount };

struct LwTexture;
struct LwVMap;
struct LwSurface;

// ---- values and channels -------------------------------------------------

struct LwEnvValue { float value; int32_t envelope; };
struct LwEnvVector { float value[3]; int32_t envelope; };
struct LwChannel { float value; int32_t envelope; LwTexture* textures; };
struct LwColorChannel { float rgb[3]; int32_t envelope; LwTexture* textures; };
struct LwMirrorChannel { LwChannel channel; int32_t options; int32_t clip; float seamAngle; };
struct LwLineStyle { int16_t enabled; int16_t flags; LwEnvValue size; };
// VCOL: the vertex colour map (RGB or RGBA, by name) that tints the surface.
struct LwVertexColorRef { LwEnvValue intensity; uint32_t mapType; char* mapName; };

// Shader of a surface, or filter of a clip or envelope.
struct LwPluginRef {
    LwPluginRef* next;
    LwPluginRef* prev;
    char* ordinal;
    char* name;
    int32_t flags;
    unsigned char* data;
    int32_t dataSize;
};

// ---- textures --------------------------------------------------------------

struct LwImageParams {
    int32_t clip;
    int32_t projection;        // an LwProjection, as read
    char* vmapName;
    int32_t axis;
    int32_t wrapWidthType, wrapHeightType;  // outside the picture: 0 reset, 1 repeat, 2 mirror, 3 edge
    LwEnvValue wrapWidth, wrapHeight;
    float tiles[2];            // an Image node's repeats across u and v; 0: once
    float antialiasStrength;
    int32_t antialiasFlags;
    int32_t pixelBlending;
    LwEnvValue sticky;
    LwEnvValue amplitude;
};

struct LwProceduralParams {
    int32_t axis;
    float value[3];
    char* name;
    unsigned char* data;
    int32_t dataSize;
};

struct LwGradientKey { float position; float rgba[4]; };

struct LwGradientParams {
    char* parameterName;
    char* itemName;
    float start, end;
    int32_t repeat;
    LwGradientKey* keys;
    int16_t* integerKeys;
    int32_t keyCount;
    int32_t integerKeyCount;
};

struct LwMapping {
    LwEnvVector size, center, rotation, falloff;
    int32_t falloffType;
    char* referenceObject;
    int32_t coordinateSystem;
};

struct LwTexture {
    LwTexture* next;
    LwTexture* prev;
    char* ordinal;
    uint32_t type;      // IMAP, PROC or GRAD
    uint32_t channel;   // COLR, DIFF, ...
    LwEnvValue opacity;
    int16_t opacityType;
    int16_t enabled;
    int16_t negative;
    int16_t axis;
    LwImageParams image;            // meaningful for IMAP
    LwProceduralParams procedural;  // for PROC
    LwGradientParams gradient;      // for GRAD
    LwMapping mapping;
};

struct LwSurface {
    LwSurface* next;
    LwSurface* prev;
    char* name;
    char* sourceName;
    LwColorChannel color;
    LwChannel luminosity;
    LwChannel diffuse;
    LwChannel specularity;
    LwChannel glossiness;
    LwMirrorChannel reflection;
    LwMirrorChannel transparency;
    LwChannel refractionIndex;
    LwChannel translucency;
    LwChannel bump;
    float smoothAngle;   // radians
    int32_t sidedness;
    float alpha;
    int32_t alphaMode;
    LwEnvValue colorHighlights;
    LwEnvValue colorFilter;
    LwEnvValue additiveTransparency;
    LwEnvValue diffuseSharpness;
    LwEnvValue glow;
    LwLineStyle line;
    LwPluginRef* shaders;
    int32_t shaderCount;
    LwVertexColorRef vertexColor;   // mapName null without VCOL
    // Corners of this surface's polygons given coordinates by its UV map, and
    // those the map missed (given (0, 0)); both zero unless projected by UV.
    int32_t uvMappedCorners;
    int32_t uvMissedCorners;
    // LWO3: the material node whose values the surface took (null for
    // surfaces without a node graph), and a physically based one's values.
    char* material;
    int32_t physical;   // metallic and roughness given
    float metallic;
    float roughness;
};

// ---- clips and envelopes ----------------------------------------------------

struct LwStillSource { char* name; };
struct LwSequenceSource { char* prefix; char* suffix; int32_t digits, flags, offset, start, end; };
struct LwAnimationSource { char* name; char* server; unsigned char* data; int32_t dataSize; };
struct LwReferenceSource { char* string; int32_t index; };
struct LwCycleSource { char* name; int32_t low, high; };

// Only the member matching the clip's `type` is meaningful.
struct LwClipSource {
    LwStillSource still;
    LwSequenceSource sequence;
    LwAnimationSource animation;
    LwReferenceSource reference;
    LwCycleSource cycle;
};

struct LwClip {
    LwClip* next;
    LwClip* prev;
    int32_t index;
    uint32_t type;   // STIL, ISEQ, ANIM, XREF, STCC (or whatever came first)
    LwClipSource source;
    float startTime, duration, frameRate;
    LwEnvValue contrast, brightness, saturation, hue, gamma;
    int32_t negative;
    LwPluginRef* imageFilters;
    int32_t imageFilterCount;
    LwPluginRef* pixelFilters;
    int32_t pixelFilterCount;
};

// An object's envelope (ENVL): its index, kind and name around the keys, spans
// and behaviours, which are the same record as a scene channel's and are
// evaluated the same way (lwEnvelopeValue on `curve`, tidied when read).
struct LwEnvelope {
    LwEnvelope* next;
    LwEnvelope* prev;
    int32_t index;
    int32_t type;
    char* name;
    LwChannelEnvelope curve;
    LwPluginRef* channelFilters;
    int32_t channelFilterCount;
};

// The SPAN sub-chunk's ID of a span shape ("TCB ", "HERM"...; 0 for none of them).
uint32_t lwSpanShapeId(int32_t shape);

// ---- geometry ---------------------------------------------------------------

struct LwVMapLink { LwVMap* map; int32_t entry; };

struct LwVMap {
    LwVMap* next;
    LwVMap* prev;
    char* name;
    uint32_t type;
    int32_t dimension;
    int32_t entryCount;
    int32_t perPolygon;     // 1 for VMAD
    int32_t* pointIndex;
    int32_t* polygonIndex;  // VMAD only
    float** values;         // entryCount runs of `dimension` floats in valueBlock
    float* valueBlock;
};

struct LwPointRec {
    float pos[3];
    int32_t polygonCount;
    int32_t* polygons;      // run inside the array's polygonBlock
    int32_t vmapCount;
    LwVMapLink* vmapLinks;  // run inside the array's linkBlock
};

struct LwPointArray {
    int32_t count;
    int32_t offset;         // first point of the latest PNTS chunk
    LwPointRec* items;
    int32_t* polygonBlock;  // every point's polygon list, one allocation
    LwVMapLink* linkBlock;  // every point's vertex-map links, one allocation
};

struct LwCorner {
    int32_t point;
    float normal[3];
    int32_t vmapCount;
    LwVMapLink* vmapLinks;  // run inside the polygon array's linkBlock
};

struct LwPolygonRec {
    LwSurface* surface;     // resolved surface, null when the file has no tags
    int32_t surfaceTag;     // tag index while reading
    int32_t part;
    int32_t smoothingGroup;
    int32_t flags;          // count word & 0xFC00
    uint32_t type;
    float normal[3];
    int32_t cornerCount;
    LwCorner* corners;      // run inside the array's cornerBlock
    float* uv;              // cornerCount (u, v) pairs inside uvBlock, or null
};

struct LwPolygonArray {
    int32_t count;
    int32_t offset;         // first polygon of the latest POLS chunk
    int32_t cornerCount;
    int32_t cornerOffset;
    LwPolygonRec* items;
    LwCorner* cornerBlock;
    float* uvBlock;
    LwVMapLink* linkBlock;
};

struct LwTagTable {
    int32_t count;
    int32_t offset;         // first tag of the latest TAGS chunk
    char** strings;         // empty tags are null
};

struct LwLayer {
    LwLayer* next;
    LwLayer* prev;
    char* name;
    int32_t number;
    int32_t parent;         // the parent layer's number; -1: none given, 0xFFFF, or no other layer's
    int32_t flags;
    float pivot[3];
    float bbox[6];          // min x y z, max x y z
    LwPointArray points;
    LwPolygonArray polygons;
    int32_t vmapCount;
    LwVMap* vmaps;
    int32_t storedNormals;  // corners whose normal a NORM map gave, not smoothing
};

struct LwObject {
    LwLayer* layers;
    LwEnvelope* envelopes;
    LwClip* clips;
    LwSurface* surfaces;
    LwTagTable tags;
    int32_t layerCount;
    int32_t envelopeCount;
    int32_t clipCount;
    int32_t surfaceCount;
};

// ---- entry points -----------------------------------------------------------

// Reads an object file, LWO2 or the older LWOB (or its layered LWLO). On failure returns null; failId receives the chunk ID
// being handled and failPos the file position (both optional), and lwFailReason says why.
LwObject* readLwObject(const char* path, uint32_t* failId, int32_t* failPos);

// ---- Reports ----------------------------------------------------------------
// Every line the reader reports (its two load lines per object, its warnings)
// goes to one function, without its line end. By default it is printed to
// stdout; a tool whose output is its own takes the lines or drops them.
enum LwLogLevel : int32_t { lwLogLoad, lwLogWarning };
typedef void (*LwLogFunction)(LwLogLevel level, const char* line, void* user);
// Null restores the default.
void lwSetLog(LwLogFunction function, void* user);
void lwLogNowhere(LwLogLevel level, const char* line, void* user);
void lwLogToStream(LwLogLevel level, const char* line, void* stream);  // stream: a FILE*
void lwLog(LwLogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Same from an open stream (fmemopen works); the stream is closed in every case.
// `name` is only printed.
LwObject* readLwObjectStream(FILE* file, const char* name, uint32_t* failId, int32_t* failPos);
// Reads an LWOB (or LWLO) file only (any other form fails with failPos 12).
LwObject* readLwobObject(const char* path, uint32_t* failId, int32_t* failPos);
void freeLwObject(LwObject* object);
// Why the latest read refused its file, in a few words (a static text); null after a read that succeeded.
const char* lwFailReason();

LwClip* findLwClip(LwClip* first, int32_t index);
const char* lwClipFirstName(const LwClip* clip);

// ---- vertex colours ---------------------------------------------------------

// How a surface's VCOL map was found in a layer.
enum LwVertexColorStatus : int32_t {
    lwVertexColorNone,            // no VCOL, or an empty map name
    lwVertexColorFound,
    lwVertexColorMissing,         // no map of that name in the layer
    lwVertexColorNotColor,        // maps of that name, none RGB or RGBA
    lwVertexColorWrongDimension,  // an RGB or RGBA map with fewer than 3 values
};

struct LwVertexColorMaps {
    const LwVMap* points;   // the VMAP, or null
    const LwVMap* corners;  // its VMAD overrides, or null
    int32_t channels;       // 3 or 4 values read from each entry
    int32_t status;         // an LwVertexColorStatus
};

// The maps a surface's VCOL names, among the layer's RGB and RGBA maps.
LwVertexColorMaps findLwVertexColorMaps(const LwLayer* layer, const LwSurface* surface);
// A corner's colour (alpha 1 for RGB maps): the polygon's VMAD entry for the
// corner when there is one, else its point's VMAP entry. False, with rgba
// untouched, when neither has one.
bool lwCornerColor(const LwLayer* layer, const LwPolygonRec* polygon, int32_t corner, const LwVertexColorMaps& maps,
                   float rgba[4]);
// A few words for a status that is a problem ("map missing"...); null for none and found.
const char* lwVertexColorProblem(int32_t status);

// Optional timing of a load, step by step, in seconds; filled by every
// successful readLwObject while set (null to stop).
struct LwLoadTimes {
    double read;            // header and chunk loop
    double boundingBox;
    double polygonNormals;
    double pointPolygons;
    double surfaces;
    double vertexNormals;
    double pointVMaps;
    double cornerVMaps;
    double textureCoords;
};
void setLwLoadTimes(LwLoadTimes* times);
