// Chunk readers and completion steps of the LightWave reader, shared by the
// object reader, the tests and the tools. Chunk readers are given the open
// file positioned at the chunk data and its padded size; they return 1 (or a
// record) on success and 0 (or null) on failure.
#pragma once
#include "lightwave.h"
#include "lwio.h"

// ---- sub-chunks (ID U4, size U2 padded to even) -------------------------------

// Reads the fields of one sub-chunk; returns 0 to fail the record. On return
// readCount holds the bytes it consumed (or READ_ERROR).
typedef int (*LwSubChunkReader)(FILE* file, uint32_t id, int32_t size, void* record);

// Reads sub-chunks until `size` bytes from `start` are consumed. Each must
// consume no more than its size (the rest is skipped) and together they must
// end exactly at start + size. On success readCount is position - start.
int readSubChunks(FILE* file, long start, int32_t size, LwSubChunkReader reader, void* record);

// ---- geometry chunks ----------------------------------------------------------

int readLayerChunk(FILE* file, int32_t size, LwLayer* layer);
int readPointsChunk(FILE* file, int32_t size, LwPointArray* points);
int readPolygonsChunk(FILE* file, int32_t size, LwPolygonArray* polygons, int32_t pointOffset, int32_t pointCount);
int readTagsChunk(FILE* file, int32_t size, LwTagTable* tags);
int readPolygonTagsChunk(FILE* file, int32_t size, LwTagTable* tags, LwPolygonArray* polygons);
LwVMap* readVMapChunk(FILE* file, int32_t size, const LwPointArray* points, const LwPolygonArray* polygons,
                      int perPolygon);
int growPolygons(LwPolygonArray* polygons, int32_t newPolygons, int32_t newCorners);

void computeBoundingBox(const LwPointArray* points, float box[6]);
int resolvePolygonSurfaces(LwPolygonArray* polygons, const LwTagTable* tags, LwSurface** surfaces,
                           int32_t* surfaceCount);
int linkPointVMaps(LwPointArray* points, LwVMap* maps);
int linkCornerVMaps(LwPolygonArray* polygons, LwVMap* maps);

void freeLayer(LwLayer* layer);
void freeVMap(LwVMap* map);
void freeTagTable(LwTagTable* tags);
void freePointArray(LwPointArray* points);
void freePolygonArray(LwPolygonArray* polygons);

// ---- the older LWOB form --------------------------------------------------------

int readLwobChunk(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current);
int readLwobPolygons(FILE* file, int32_t size, LwPolygonArray* polygons, int32_t pointOffset, int32_t pointCount);
LwSurface* readLwobSurface(FILE* file, int32_t size, LwObject* object);
LwTexture* makeLwobTexture(char* name);  // takes the name over
int32_t addLwobClip(char* name, LwObject* object);  // takes the name over; 0 on failure
int32_t addLwobVelocity(const float centre[3], const float velocity[3], LwObject* object);
// The layered LWLO form: LAYR here, every other chunk as in LWOB.
int readLwloChunk(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current);

// ---- LWO2 and LWO3 (lwo3.cpp) -------------------------------------------------------

int readLwo2Chunk(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current);
int readLwo3Chunk(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current);
// A refusal found inside a chunk names the nested chunk and its position
// instead of the chunk's ID and the position where reading stopped.
void setLwFailId(uint32_t id);
void setLwFailPosition(long position);

// ---- surfaces -------------------------------------------------------------------

LwSurface* readSurface(FILE* file, int32_t size);
LwSurface* makeDefaultSurface();
int addTexture(LwSurface* surface, LwTexture* texture);
LwTexture* readTextureBlock(FILE* file, int32_t size, uint32_t type);
int readMapping(FILE* file, int32_t size, LwMapping* mapping);
LwPluginRef* readShader(FILE* file, int32_t size);
void freeSurface(LwSurface* surface);
void freeTexture(LwTexture* texture);
void freePlugin(LwPluginRef* plugin);

// ---- clips and envelopes ---------------------------------------------------------

LwClip* readClip(FILE* file, int32_t size);
void freeClip(LwClip* clip);
// A clip's or an envelope's filter: plug-in name, flags and the rest of the sub-chunk as data.
LwPluginRef* readFilter(FILE* file, int32_t size);
// An ENVL chunk, its keys tidied for evaluation (lwenvelope.cpp).
LwEnvelope* readEnvelope(FILE* file, int32_t size);
void freeEnvelope(LwEnvelope* envelope);

// ---- normals ---------------------------------------------------------------------

double dot3(const float a[3], const float b[3]);
void cross3(const float a[3], const float b[3], float result[3]);
void normalize3(float v[3]);
void computePolygonNormals(const LwPointArray* points, LwPolygonArray* polygons);
int buildPointPolygons(LwPointArray* points, const LwPolygonArray* polygons);
// Corner normals of the polygons from `first` on, smoothed with their neighbours by the point lists.
void computeVertexNormals(const LwPointArray* points, LwPolygonArray* polygons, int32_t first = 0);
// Corners a NORM map gives a normal (the polygon's VMAD entry first, then the
// point's VMAP entry) take it instead of the smoothed one; returns how many.
// Needs the vertex-map links.
int32_t applyStoredNormals(const LwPointArray* points, LwPolygonArray* polygons);
// Whether two polygons with this cosine between their normals are smoothed
// together under the smoothing angle (radians).
bool withinSmoothAngle(double cosine, float angle);

// ---- texture coordinates -----------------------------------------------------------

int computeTextureCoords(LwPolygonArray* polygons, const LwLayer* layer);
float wrapUnit(double x);
double cylinderAngle(double a, double c);
void sphereAngles(double a, double b, double c, double* longitude, double* latitude);
int dominantAxis(const float normal[3]);
// Maps one point with a texture and a polygon normal to (u, v).
void mapTexturePoint(const LwTexture* texture, const float point[3], const float normal[3], float uv[2]);

// ---- vertex colours ------------------------------------------------------------------

// Makes room for `count` more entries at the end of the VMAD of `maps`, made
// after the VMAP (its name, type and size) when there is none: the caller
// writes their points, polygons and values from `first` on, then links the
// corners anew. Null when there is no room.
LwVMap* addLwCornerColors(LwLayer* layer, const LwVertexColorMaps& maps, int32_t count, int32_t* first);

// ---- UV maps and seams ---------------------------------------------------------------

// The layer's TXUV maps (two or more values) named `name`, at most `room` of them.
int32_t findUvMaps(const LwLayer* layer, const char* name, const LwVMap** maps, int32_t room);
// The polygon's corner coordinates (into p->uv) from one of `maps`: each corner's own
// per-polygon entry first, then its point's, else (0, 0); counted on the polygon's surface.
void uvMapPolygon(LwPolygonRec* p, const LwPointArray* points, const LwVMap* const* maps, int32_t mapCount);
// One warning line per surface whose UV map missed corners.
void reportUvMisses(const LwObject* object);
// Makes a cylindrical or spherical polygon's u continuous: corners more than
// half a wrap below the highest move up one wrap. A negative u marks a corner
// at a pole, which takes the mean u of the others.
void joinSeam(float* uv, int32_t cornerCount);
// mapTexturePoint telling whether the point lies on the projection's axis
// (a pole, where u is undefined).
bool mapTextureCorner(const LwTexture* texture, const float point[3], const float normal[3], float uv[2]);
