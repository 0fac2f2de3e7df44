// The glTF model between buildGltf and writeGltf: scenes build theirs from
// their objects' (scene.cpp). Internal to lwconvert.
#pragma once
#include <tiny_gltf.h>

struct GltfModel {
    tinygltf::Model model;
    bool binary;
};
