// What scene.cpp and sceneanim.cpp share. Internal to lwconvert.
#pragma once
#include <vector>

#include "convert.h"
#include "gltfmodel.h"
#include "lwscene.h"

// Each item's node (its TRS) and the node its meshes, camera, light and
// children hang under (its pivot's child, or the same node).
struct SceneNodes {
    std::vector<int> itemNode, contentNode;
};

// glTF's translation, rotation (x, y, z, w; w >= 0) and scale of LightWave's
// nine channel values (angles in radians), z flipped.
void gltfPlacement(const double own[9], double t[3], double q[4], double s[3]);
// The frame's width over its height when the scene gives its size, else 0.
double sceneAspect(const char* scenePath);
// One animation over the scene's range for every item that moves.
void animateScene(LwScene* scene, const ConvertOptions& options, const SceneNodes& nodes, tinygltf::Model* model,
                  ConvertResult* result);
