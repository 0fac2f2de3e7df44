// LightWave scenes to glTF 2.0: every item a node named as in the scene, under
// its parent's; the layers of each object file converted once (gltf.cpp) and
// their meshes shared by every item that loads the file; cameras and lights
// (KHR_lights_punctual) on their items' nodes; the motion (sceneanim.cpp).
//
// An item's placement T(position) R S T(-pivot) is two nodes where the pivot
// is not zero: the item's node holds T R S, a child named "<name> pivot"
// holds T(-pivot), and the item's meshes, camera, light and child items hang
// under that child, as LightWave's children hang in the pivot's frame.
//
// Axes: z negated as for objects. A placement M becomes F M F with F the z
// flip: translations and pivots have z negated, rotations are conjugated by
// F (still rotations), scales unchanged. An item looks along its +z in
// LightWave; F maps that to -z, where glTF's cameras and lights look, and
// keeps +y up: they need no turn of their own.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "convertparts.h"
#include "gltfmodel.h"
#include "lwfiles.h"
#include "lwscene.h"
#include "sceneparts.h"

namespace {

// What an object file gave, once: its layers' nodes (meshes already in the
// scene's model) and where each layer's vertices are measured from.
struct LoadedObject {
    bool ok = false;
    struct Layer {
        int32_t number;
        int mesh;  // -1: nothing drawn
        std::string name;
        double pivot[3];
    };
    std::vector<Layer> layers;
};

// Appends `from`'s buffers, views, accessors, images, samplers, textures,
// materials and meshes to `into`, indices moved along; answers the index of
// from's first mesh in `into`. Nodes and scenes are left to the caller.
int mergeModel(tinygltf::Model& into, tinygltf::Model& from)
{
    const int views = int(into.bufferViews.size()), accessors = int(into.accessors.size());
    const int images = int(into.images.size()), samplers = int(into.samplers.size());
    const int textures = int(into.textures.size()), materials = int(into.materials.size());
    const int meshes = int(into.meshes.size());
    size_t base = 0;
    if (!from.buffers.empty()) {
        if (into.buffers.empty()) into.buffers.resize(1);
        std::vector<unsigned char>& data = into.buffers[0].data;
        while (data.size() % 4) data.push_back(0);
        base = data.size();
        data.insert(data.end(), from.buffers[0].data.begin(), from.buffers[0].data.end());
    }
    for (tinygltf::BufferView& v : from.bufferViews) {
        v.buffer = 0;
        v.byteOffset += base;
        into.bufferViews.push_back(std::move(v));
    }
    for (tinygltf::Accessor& a : from.accessors) {
        if (a.bufferView >= 0) a.bufferView += views;
        into.accessors.push_back(std::move(a));
    }
    for (tinygltf::Image& i : from.images) {
        if (i.bufferView >= 0) i.bufferView += views;
        into.images.push_back(std::move(i));
    }
    for (tinygltf::Sampler& s : from.samplers) into.samplers.push_back(std::move(s));
    for (tinygltf::Texture& t : from.textures) {
        if (t.source >= 0) t.source += images;
        if (t.sampler >= 0) t.sampler += samplers;
        into.textures.push_back(std::move(t));
    }
    auto moved = [&](int& index) {
        if (index >= 0) index += textures;
    };
    for (tinygltf::Material& m : from.materials) {
        moved(m.pbrMetallicRoughness.baseColorTexture.index);
        moved(m.pbrMetallicRoughness.metallicRoughnessTexture.index);
        moved(m.normalTexture.index);
        moved(m.occlusionTexture.index);
        moved(m.emissiveTexture.index);
        into.materials.push_back(std::move(m));
    }
    for (tinygltf::Mesh& mesh : from.meshes) {
        for (tinygltf::Primitive& p : mesh.primitives) {
            for (auto& attribute : p.attributes) attribute.second += accessors;
            for (auto& target : p.targets)
                for (auto& attribute : target) attribute.second += accessors;
            if (p.indices >= 0) p.indices += accessors;
            if (p.material >= 0) p.material += materials;
        }
        into.meshes.push_back(std::move(mesh));
    }
    for (const std::string& e : from.extensionsUsed)
        if (std::find(into.extensionsUsed.begin(), into.extensionsUsed.end(), e) == into.extensionsUsed.end())
            into.extensionsUsed.push_back(e);
    return meshes;
}

}  // namespace

std::string sceneItemName(const LwSceneItem& item)
{
    std::string name = item.name ? item.name : "";
    if (item.kind != lwItemObject) return wellFormedUtf8(name.c_str());
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    return wellFormedUtf8(name.c_str());
}

namespace {

class SceneWriter {
public:
    SceneWriter(LwScene* scene, const char* scenePath, bool binary, const ConvertOptions& options,
                ConvertResult* result)
        : scene(scene), scenePath(scenePath), binary(binary), options(options), result(result)
    {
        model.asset.version = "2.0";
        model.asset.generator = "lwo-convert";
    }

    tinygltf::Model build()
    {
        const int32_t n = scene->itemCount;
        nodes.itemNode.assign(size_t(n), -1);
        nodes.contentNode.assign(size_t(n), -1);
        const double start = scene->firstFrame * lwSceneSecondsPerFrame(scene);
        for (int32_t i = 0; i < n; ++i) {
            LwSceneItem& item = scene->items[i];
            tinygltf::Node node;
            node.name = sceneItemName(item);
            double own[9];
            lwItemOwn(&item, start, own);
            placeNode(own, &node);
            nodes.itemNode[size_t(i)] = add(node);
            nodes.contentNode[size_t(i)] = nodes.itemNode[size_t(i)];
            if (item.pivot[0] != 0.0 || item.pivot[1] != 0.0 || item.pivot[2] != 0.0) {
                tinygltf::Node pivot;
                pivot.name = node.name + " pivot";
                pivot.translation = {-item.pivot[0], -item.pivot[1], item.pivot[2]};
                nodes.contentNode[size_t(i)] = add(pivot);
                model.nodes[size_t(nodes.itemNode[size_t(i)])].children.push_back(nodes.contentNode[size_t(i)]);
            }
            if (item.kind == lwItemObject) addObject(item, nodes.contentNode[size_t(i)]);
            else if (item.kind == lwItemCamera) addCamera(item, &model.nodes[size_t(nodes.contentNode[size_t(i)])]);
            else if (item.kind == lwItemLight) addLight(item, &model.nodes[size_t(nodes.contentNode[size_t(i)])]);
        }
        tinygltf::Scene root;
        for (int32_t i = 0; i < n; ++i) {
            int32_t parent = scene->items[i].parent;
            if (parent >= 0 && parent < n)
                model.nodes[size_t(nodes.contentNode[size_t(parent)])].children.push_back(nodes.itemNode[size_t(i)]);
            else root.nodes.push_back(nodes.itemNode[size_t(i)]);
        }
        // A scene without items has no scene: glTF's scenes hold at least one node.
        if (!root.nodes.empty()) {
            model.scenes.push_back(root);
            model.defaultScene = 0;
        }
        animateScene(scene, options, nodes, &model, result);
        if (!model.buffers.empty() && model.buffers[0].data.empty()) model.buffers.clear();
        result->materials = int(model.materials.size());
        return std::move(model);
    }

    const std::vector<int>& itemNodes() const { return nodes.itemNode; }

private:
    int add(const tinygltf::Node& node)
    {
        model.nodes.push_back(node);
        return int(model.nodes.size() - 1);
    }

    // The node's TRS from the nine channel values, only what differs from rest.
    static void placeNode(const double own[9], tinygltf::Node* node)
    {
        double t[3], q[4], s[3];
        gltfPlacement(own, t, q, s);
        if (t[0] != 0.0 || t[1] != 0.0 || t[2] != 0.0) node->translation.assign(t, t + 3);
        if (q[0] != 0.0 || q[1] != 0.0 || q[2] != 0.0) node->rotation.assign(q, q + 4);
        if (s[0] != 1.0 || s[1] != 1.0 || s[2] != 1.0) node->scale.assign(s, s + 3);
    }

    // The object file's layers as nodes under `parent`: all of them, or the
    // one "LoadObjectLayer" names (the first, with a warning, when it has none such).
    void addObject(const LwSceneItem& item, int parent)
    {
        std::string path = findSceneObject(item, scenePath, options, result);
        if (path.empty()) return;
        auto known = objects.find(path);
        if (known == objects.end()) known = objects.emplace(path, load(item, path)).first;
        const LoadedObject& object = known->second;
        if (!object.ok) return;
        std::vector<int32_t> numbers;
        for (const LoadedObject::Layer& layer : object.layers) numbers.push_back(layer.number);
        size_t end = 0;
        for (size_t k = sceneLayers(item, numbers, &end, result); k < end; ++k) {
            const LoadedObject::Layer& layer = object.layers[k];
            tinygltf::Node node;
            node.name = layer.name;
            if (layer.mesh >= 0) node.mesh = layer.mesh;
            if (layer.pivot[0] != 0.0 || layer.pivot[1] != 0.0 || layer.pivot[2] != 0.0)
                node.translation = {layer.pivot[0], layer.pivot[1], -layer.pivot[2]};
            int at = add(node);
            model.nodes[size_t(parent)].children.push_back(at);
        }
    }

    LoadedObject load(const LwSceneItem& item, const std::string& path)
    {
        LoadedObject loaded;
        LwObject* object = readSceneObject(item, path, options, result);
        if (!object) return loaded;
        for (const LwLayer* layer = object->layers; layer; layer = layer->next)
            loaded.layers.push_back({layer->number, -1, wellFormedUtf8(layer->name),
                                     {layer->pivot[0], layer->pivot[1], layer->pivot[2]}});
        const size_t sidesBefore = result->sideFiles.size();
        GltfModel* built = buildGltf(object, path.c_str(), binary, options, result);
        freeLwObject(object);
        dropRepeatedPictures(result, sidesBefore, [&](const std::string& from, const std::string& to) {
            for (tinygltf::Image& image : built->model.images)
                if (image.uri == uriOf(from)) image.uri = uriOf(to);
        });
        const int meshBase = mergeModel(model, built->model);
        // The object's nodes are its layers in order, each with its mesh or none.
        for (size_t k = 0; k < loaded.layers.size() && k < built->model.nodes.size(); ++k)
            if (built->model.nodes[k].mesh >= 0) loaded.layers[k].mesh = built->model.nodes[k].mesh + meshBase;
        delete built;
        loaded.ok = true;
        return loaded;
    }

    // A perspective camera of the item's zoom (LightWave's 3.2 when the
    // scene gives none) and the frame's aspect when the scene gives it.
    void addCamera(const LwSceneItem& item, tinygltf::Node* node)
    {
        tinygltf::Camera camera;
        camera.type = "perspective";
        camera.name = node->name;
        camera.perspective.yfov = lwZoomFieldOfView(item.zoom > 0 ? item.zoom : 3.2) * lwRadiansPerDegree;
        camera.perspective.znear = 0.01;
        camera.perspective.zfar = 1e6;
        if (scene->frameWidth > 0 && scene->frameHeight > 0)
            camera.perspective.aspectRatio = double(scene->frameWidth) / scene->frameHeight;
        model.cameras.push_back(camera);
        node->camera = int(model.cameras.size() - 1);
    }

    // distant, point and spot lights as glTF's directional, point and spot.
    // LightWave's intensity (1 for 100%) is the glTF intensity as it is: 1
    // lux for a directional light, 1 candela for the others.
    void addLight(const LwSceneItem& item, tinygltf::Node* node)
    {
        const LwLightRecord& l = item.light;
        tinygltf::Light light;
        light.name = node->name;
        light.type = l.type == 0 ? "directional" : l.type == 2 ? "spot" : "point";
        if (l.type < 0 || l.type > 2) warn(item, "light type " + std::to_string(l.type) + " made a point light");
        for (double c : l.colour) light.color.push_back(c > 0 ? (c < 1 ? c : 1.0) : 0.0);
        light.intensity = l.intensity > 0 ? l.intensity : 0.0;
        if (l.type == 2) {
            // A hard edge: glTF's falloff kept to the last thousandth of the cone.
            double cone = l.coneDegrees > 0 ? std::min(l.coneDegrees, 90.0) * lwRadiansPerDegree : 30 * lwRadiansPerDegree;
            light.spot.outerConeAngle = cone;
            light.spot.innerConeAngle = cone * 0.999;
        }
        model.lights.push_back(light);
        tinygltf::Value::Object which;
        which["light"] = tinygltf::Value(int(model.lights.size() - 1));
        node->extensions["KHR_lights_punctual"] = tinygltf::Value(which);
        if (model.lights.size() == 1) model.extensionsUsed.push_back("KHR_lights_punctual");
    }

    void warn(const LwSceneItem& item, const std::string& text) { sceneWarning(item, text, result); }

    LwScene* scene;
    const char* scenePath;
    bool binary;
    const ConvertOptions& options;
    ConvertResult* result;
    tinygltf::Model model;
    SceneNodes nodes;
    std::map<std::string, LoadedObject> objects;
};

}  // namespace

void dropRepeatedPictures(ConvertResult* result, size_t first,
                          const std::function<void(const std::string& from, const std::string& to)>& rename)
{
    for (size_t k = first; k < result->sideFiles.size();) {
        const ConvertSideFile& side = result->sideFiles[k];
        size_t same = 0;
        while (same < k && (side.source.empty() || result->sideFiles[same].source != side.source)) ++same;
        if (same == k) {
            ++k;
            continue;
        }
        rename(side.name, result->sideFiles[same].name);
        result->sideFiles.erase(result->sideFiles.begin() + long(k));
    }
}

void sceneWarning(const LwSceneItem& item, const std::string& text, ConvertResult* result)
{
    result->warnings.push_back("line " + std::to_string(item.line) + ": " + text);
}

LwObject* readSceneObject(const LwSceneItem& item, const std::string& path, const ConvertOptions& options,
                          ConvertResult* result)
{
    LwObject* object = readLwObject(path.c_str(), nullptr, nullptr);
    if (!object) {
        const char* why = lwFailReason();
        sceneWarning(item, "object " + wellFormedUtf8(path.c_str()) + ": " + (why ? why : "cannot be read"), result);
        return nullptr;
    }
    subdivideForConversion(object, options, result);
    return object;
}

std::string findSceneObject(const LwSceneItem& item, const char* scenePath, const ConvertOptions& options,
                            ConvertResult* result)
{
    std::vector<std::string> tried;
    std::string path = findImageFile(item.name, nullptr, scenePath, options.contentFolder, &tried);
    if (path.empty())
        sceneWarning(item, "object " + wellFormedUtf8(item.name) + " not found" +
                               (tried.empty() ? "" : " (looked for " + wellFormedUtf8(tried[0].c_str()) + ")"),
                     result);
    return path;
}

size_t sceneLayers(const LwSceneItem& item, const std::vector<int32_t>& numbers, size_t* end, ConvertResult* result)
{
    size_t first = 0;
    *end = numbers.size();
    if (item.layer > 0) {
        while (first < *end && numbers[first] + 1 != item.layer) ++first;
        if (first == *end) {
            sceneWarning(item, "object " + sceneItemName(item) + " has no layer " + std::to_string(item.layer) +
                                   ": the first is taken", result);
            first = 0;
        }
        *end = std::min(*end, first + 1);
    }
    return first;
}

void gltfPlacement(const double own[9], double t[3], double q[4], double s[3])
{
    static const double zero[3] = {0, 0, 0};
    const double unit[9] = {0, 0, 0, own[3], own[4], own[5], 1, 1, 1};
    double m[12];
    lwOwnMatrix(unit, zero, m);
    // F R F: the entries that mix z with x or y change sign.
    double r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = m[4 * i + j] * ((i == 2) != (j == 2) ? -1.0 : 1.0);
    // The quaternion (x, y, z, w) of a rotation matrix, from its largest component.
    const double trace = r[0][0] + r[1][1] + r[2][2];
    if (trace > 0) {
        double k = 0.5 / std::sqrt(trace + 1.0);
        q[3] = 0.25 / k;
        q[0] = (r[2][1] - r[1][2]) * k;
        q[1] = (r[0][2] - r[2][0]) * k;
        q[2] = (r[1][0] - r[0][1]) * k;
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        double k = 2.0 * std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]);
        q[3] = (r[2][1] - r[1][2]) / k;
        q[0] = 0.25 * k;
        q[1] = (r[0][1] + r[1][0]) / k;
        q[2] = (r[0][2] + r[2][0]) / k;
    } else if (r[1][1] > r[2][2]) {
        double k = 2.0 * std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]);
        q[3] = (r[0][2] - r[2][0]) / k;
        q[0] = (r[0][1] + r[1][0]) / k;
        q[1] = 0.25 * k;
        q[2] = (r[1][2] + r[2][1]) / k;
    } else {
        double k = 2.0 * std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]);
        q[3] = (r[1][0] - r[0][1]) / k;
        q[0] = (r[0][2] + r[2][0]) / k;
        q[1] = (r[1][2] + r[2][1]) / k;
        q[2] = 0.25 * k;
    }
    if (q[3] < 0)
        for (int k = 0; k < 4; ++k) q[k] = -q[k];
    // Exact zeros stay zeros, so a rest rotation is written as none.
    for (int k = 0; k < 3; ++k)
        if (std::fabs(q[k]) < 1e-15) q[k] = 0.0;
    t[0] = own[0];
    t[1] = own[1];
    t[2] = -own[2];
    s[0] = own[6];
    s[1] = own[7];
    s[2] = own[8];
}

GltfModel* buildSceneGltf(LwScene* scene, const char* scenePath, bool binary, const ConvertOptions& options,
                          ConvertResult* result, std::vector<int>* itemNodes)
{
    SceneWriter writer(scene, scenePath, binary, options, result);
    GltfModel* built = new GltfModel{writer.build(), binary};
    if (itemNodes) *itemNodes = writer.itemNodes();
    return built;
}
