// The glTF model between buildGltf and writeGltf: scenes build theirs from
// their objects' (scene.cpp). Internal to lwconvert.
#pragma once
#include <tiny_gltf.h>

struct GltfModel {
    tinygltf::Model model;
    bool binary;
};

// `size` bytes appended to the model's one buffer (made when there is none),
// 4-aligned, as a new buffer view of that target (0: none); answers its index.
int gltfBufferView(tinygltf::Model* model, const void* data, size_t size, int target);
