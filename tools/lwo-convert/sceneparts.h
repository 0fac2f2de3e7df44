// What scene.cpp and sceneanim.cpp share. Internal to lwconvert.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "convert.h"
#include "gltfmodel.h"
#include "lwscene.h"

// Each item's node (its TRS) and the node its meshes, camera, light and
// children hang under (its pivot's child, or the same node).
struct SceneNodes {
    std::vector<int> itemNode, contentNode;
};

// The item's name as LightWave lists it: an object by its file's name
// without folder and extension.
std::string sceneItemName(const LwSceneItem& item);
// A warning on the item's line.
void sceneWarning(const LwSceneItem& item, const std::string& text, ConvertResult* result);
// The file an object item loads, or "" with a warning saying where it was looked for.
std::string findSceneObject(const LwSceneItem& item, const char* scenePath, const ConvertOptions& options,
                            ConvertResult* result);
// The object file an item loads, read and its SubPatches refined for conversion;
// null with a warning naming the reason when it cannot be read.
LwObject* readSceneObject(const LwSceneItem& item, const std::string& path, const ConvertOptions& options,
                          ConvertResult* result);
// The object's layers (their numbers in file order) the item shows, from the
// answer to *end: all, or the one "LoadObjectLayer" names (the first, with a
// warning, when there is none such).
size_t sceneLayers(const LwSceneItem& item, const std::vector<int32_t>& numbers, size_t* end, ConvertResult* result);
// Drops each side file from `first` on whose picture an earlier one already
// copies, after `rename` has pointed the output's references from the
// dropped name to the kept one: a picture two objects use is copied once.
void dropRepeatedPictures(ConvertResult* result, size_t first,
                          const std::function<void(const std::string& from, const std::string& to)>& rename);

// glTF's translation, rotation (x, y, z, w; w >= 0) and scale of LightWave's
// nine channel values (angles in radians), z flipped.
void gltfPlacement(const double own[9], double t[3], double q[4], double s[3]);
// One animation over the scene's range for every item that moves.
void animateScene(LwScene* scene, const ConvertOptions& options, const SceneNodes& nodes, tinygltf::Model* model,
                  ConvertResult* result);
