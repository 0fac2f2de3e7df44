// LightWave objects to glTF 2.0 (.glb or .gltf) and OBJ + MTL, in memory:
// the caller reads the object, writes the bytes and copies the images.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "lightwave.h"
#include "lwsubdiv.h"

enum class ConvertImages { automatic, embed, copy, reference };

struct ConvertOptions {
    int subdivisionLevel = -1;            // -1: the display level (lwSubdivisionDefaultLevel)
    const char* contentFolder = nullptr;  // where images are also looked for
    ConvertImages images = ConvertImages::automatic;  // embed in .glb, copy beside .gltf and .obj
    double framesPerSecond = 0;           // scenes: where motion is sampled, this rate; 0: the scene's
    bool stillGiven = false;              // scenes to OBJ: the still at stillSeconds, else at the first frame
    double stillSeconds = 0;
    size_t sceneKeys = 1000000;           // scenes: keys sampled in the whole animation at most, a fifth of it a channel
};

// A file the output refers to: `source` (an image found on disk) is to be
// copied beside the output as `name`, or `bytes` written there.
struct ConvertSideFile {
    std::string name;
    std::string source;
    std::string bytes;
};

struct ConvertResult {
    std::string bytes;                    // the .glb, .gltf or .obj
    std::vector<ConvertSideFile> sideFiles;
    std::vector<std::string> warnings;
    int primitives = 0;                   // glTF primitives, or OBJ groups
    int materials = 0;
    int64_t animationKeys = 0;            // scenes: keys written over all animation channels
};

// Refines every layer's SubPatches to the options' level; problems become warnings.
void subdivideForConversion(LwObject* object, const ConvertOptions& options, ConvertResult* result);
// The warning for one layer's refinement ("" when it went fine).
std::string subdivisionWarning(int32_t layerNumber, const LwSubdivision& r);

// `objectPath` places the image search (may be null: only the content folder
// and the names as written are tried). With `file`, the glTF is written
// there instead of into result->bytes. False only when the writer fails.
bool convertToGltf(const LwObject* object, const char* objectPath, bool binary, const ConvertOptions& options,
                   ConvertResult* result, FILE* file = nullptr);
// The same in two steps: the model holds all it needs, so the object can be
// freed in between, and a large object's memory then serves the writing
// instead of fresh pages. writeGltf frees the model.
struct GltfModel;
GltfModel* buildGltf(const LwObject* object, const char* objectPath, bool binary, const ConvertOptions& options,
                     ConvertResult* result);
bool writeGltf(GltfModel* model, ConvertResult* result, FILE* file = nullptr);
// A LightWave scene (scene.cpp): every item a node, its objects' layers as
// meshes, cameras, lights and the motion over the scene's range.
// `scenePath` places the search for its objects. Each object that cannot be
// found or read is a warning and an empty node.
struct LwScene;
// `itemNodes`, when given, receives each item's node.
GltfModel* buildSceneGltf(LwScene* scene, const char* scenePath, bool binary, const ConvertOptions& options,
                          ConvertResult* result, std::vector<int>* itemNodes = nullptr);

// `mtlName` is the material file's name, written beside the .obj as a side file.
bool convertToObj(const LwObject* object, const char* objectPath, const std::string& mtlName,
                  const ConvertOptions& options, ConvertResult* result);
// The scene still (options.stillSeconds, else its first frame) as one OBJ:
// every object item's layers placed by the item's world matrix, z flipped
// as for objects. Objects that cannot be found or read are warnings.
bool convertSceneToObj(LwScene* scene, const char* scenePath, const std::string& mtlName,
                       const ConvertOptions& options, ConvertResult* result);

// Polygon triangulation by ear clipping in the plane of `normal`: corner
// indices (into `xyz`, three floats a corner) of cornerCount - 2 triangles in
// the polygon's own turning order, appended to `out`.
void triangulatePolygon(const float* xyz, int count, const float normal[3], std::vector<int>* out);
