// LightWave objects to glTF 2.0: a node per layer at its pivot, under its
// parent layer's; a mesh per layer of one primitive per surface and drawing
// mode, vertices shared where all their attributes agree; pictures embedded
// in the .glb or named by URI. z is negated and polygons reversed (convert.cpp).
#include <cmath>
#include <cstdio>
#include <cstring>

#include <algorithm>
#include <map>
#include <tuple>
#include <sstream>

#include <tiny_gltf.h>

#include "convertparts.h"
#include "gltfmodel.h"

namespace {

// An output stream straight into a string made big enough beforehand: the
// GLB of a large object is written once, not regrown and copied.
class StringOut : public std::streambuf {
public:
    explicit StringOut(std::string* out) : out(out) {}

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        out->append(s, size_t(n));
        return n;
    }
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof()) out->push_back(char(c));
        return c;
    }

private:
    std::string* out;
};

// The same straight into an open file.
class FileOut : public std::streambuf {
public:
    explicit FileOut(FILE* file) : file(file) {}

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        return std::streamsize(std::fwrite(s, 1, size_t(n), file));
    }
    int_type overflow(int_type c) override
    {
        return c == traits_type::eof() || std::fputc(c, file) != EOF ? c : traits_type::eof();
    }

private:
    FILE* file;
};

enum { modePoints = 0, modeLines = 1, modeTriangles = 4 };

// The smoothed normals of one point differ from polygon to polygon by the
// order their neighbours were summed in, a few units in the last place:
// normals this close are one normal, or a smooth mesh would have a vertex per
// corner.
const float normalTolerance = 1e-5f;

// The vertices of a layer's primitives that have the same attributes,
// interleaved (position, then the normal, texture coordinates and colour they
// have) and appended straight to the glTF buffer: a corner becomes a vertex
// only when no vertex of the same point has all its attributes, whichever
// surface it came from. Nothing is staged elsewhere and copied, and the
// buffer is reserved once for the worst case: on a large object, fresh pages
// and copies cost more than the conversion's own work.
class VertexRun {
public:
    VertexRun(std::vector<unsigned char>& buffer, std::vector<int32_t>& head, std::vector<int32_t>& stamp, int32_t id,
              size_t floatCount, bool normals, size_t corners)
        : buffer(buffer), head(head), stamp(stamp), id(id), floatCount(floatCount), stride(floatCount * sizeof(float)),
          start(buffer.size()), normals(normals)
    {
        next.reserve(corners);
    }

    uint32_t add(int32_t point, const float* record)
    {
        size_t p = size_t(point);
        if (stamp[p] != id) {
            stamp[p] = id;
            head[p] = -1;
        }
        for (int32_t i = head[p]; i >= 0; i = next[size_t(i)])
            if (same(buffer.data() + start + size_t(i) * stride, record)) return uint32_t(i);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(record);
        buffer.insert(buffer.end(), bytes, bytes + stride);
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], double(record[k]));
            high[k] = std::max(high[k], double(record[k]));
        }
        next.push_back(head[p]);
        head[p] = int32_t(next.size() - 1);
        return uint32_t(next.size() - 1);
    }

    size_t count() const { return next.size(); }

    std::vector<unsigned char>& buffer;
    std::vector<int32_t>& head;
    std::vector<int32_t>& stamp;
    std::vector<int32_t> next;
    int32_t id;
    size_t floatCount, stride, start;
    bool normals;
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};

private:
    // `vertex` is one of the same point, so of the same position.
    bool same(const unsigned char* vertex, const float* record) const
    {
        float stored[12];
        std::memcpy(stored, vertex, stride);
        size_t k = 3;
        if (normals)
            for (; k < 6; ++k)
                if (!(std::fabs(stored[k] - record[k]) <= normalTolerance)) return false;
        // The rest bit for bit, word by word: inline, cheaper than a call to memcmp.
        for (; k < floatCount; ++k)
            if (std::memcmp(&stored[k], &record[k], sizeof(float)) != 0) return false;
        return true;
    }
};

// The polygons of a layer of one surface and one drawing mode: a primitive.
struct Group {
    const LwSurface* surface;
    int mode;
    std::vector<int32_t> polygons;
    // The exact index count (every polygon of n corners makes n - 2
    // triangles), so that the indices precede their vertices.
    size_t corners, indexCount;
    bool textured, coloured;
    LwVertexColorMaps maps;
    size_t indexStart;
    tinygltf::Primitive primitive;
};

// Where the attributes lie in a vertex record, in floats: the position,
// then the normal, texture coordinates and colour the vertices have.
struct Layout {
    bool normals;
    size_t uvAt, rgbaAt, floatCount;

    explicit Layout(const Group& like)
        : normals(like.mode == modeTriangles), uvAt(normals ? 6 : 3), rgbaAt(uvAt + (like.textured ? 2 : 0)),
          floatCount(rgbaAt + (like.coloured ? 4 : 0))
    {
    }
};

class GltfWriter {
public:
    GltfWriter(const LwObject* object, Pictures* pictures, ConvertResult* result)
        : object(object), pictures(pictures), result(result)
    {
        model.asset.version = "2.0";
        model.asset.generator = "lwo-convert";
        model.buffers.resize(1);
    }

    tinygltf::Model build()
    {
        // At most every corner a vertex of 12 floats, and 3 indices a corner.
        size_t corners = 0;
        for (const LwLayer* layer = object->layers; layer; layer = layer->next)
            corners += size_t(layer->polygons.cornerCount > 0 ? layer->polygons.cornerCount : 0);
        model.buffers[0].data.reserve(corners * (12 + 3) * 4 + 4096);
        std::map<const LwLayer*, int> nodeOf;
        for (const LwLayer* layer = object->layers; layer; layer = layer->next) {
            tinygltf::Node node;
            node.name = wellFormedUtf8(layer->name);
            int mesh = meshOf(layer);
            if (mesh >= 0) node.mesh = mesh;
            nodeOf[layer] = int(model.nodes.size());
            model.nodes.push_back(node);
        }
        placeNodes(nodeOf);
        model.defaultScene = 0;
        if (model.buffers[0].data.empty()) model.buffers.clear();
        result->materials = int(model.materials.size());
        return std::move(model);
    }

private:
    // Parents by layer number; a parent that is missing, the layer itself
    // or one of its descendants leaves the layer at the root.
    std::vector<const LwLayer*> parents(std::map<const LwLayer*, int>& nodeOf) const
    {
        std::vector<const LwLayer*> parentOf(model.nodes.size(), nullptr);
        for (const LwLayer* layer = object->layers; layer; layer = layer->next) {
            const LwLayer* parent = nullptr;
            for (const LwLayer* p = object->layers; p && layer->parent >= 0; p = p->next)
                if (p->number == layer->parent && p != layer) {
                    parent = p;
                    break;
                }
            for (const LwLayer* up = parent; up; up = parentOf[size_t(nodeOf[up])])
                if (up == layer) {
                    parent = nullptr;
                    break;
                }
            if (!parent) continue;
            parentOf[size_t(nodeOf[layer])] = parent;
        }
        return parentOf;
    }

    // Each layer's node under its parent's, or in the scene, moved to its
    // pivot relative to the parent's.
    void placeNodes(std::map<const LwLayer*, int>& nodeOf)
    {
        const std::vector<const LwLayer*> parentOf = parents(nodeOf);
        tinygltf::Scene scene;
        for (const LwLayer* layer = object->layers; layer; layer = layer->next) {
            int n = nodeOf[layer];
            const LwLayer* parent = parentOf[size_t(n)];
            float base[3] = {0, 0, 0};
            if (parent) std::memcpy(base, parent->pivot, sizeof base);
            double t[3] = {double(layer->pivot[0]) - base[0], double(layer->pivot[1]) - base[1],
                           -(double(layer->pivot[2]) - base[2])};
            if (t[0] != 0.0 || t[1] != 0.0 || t[2] != 0.0) model.nodes[size_t(n)].translation.assign(t, t + 3);
            if (parent) model.nodes[size_t(nodeOf[parent])].children.push_back(n);
            else scene.nodes.push_back(n);
        }
        model.scenes.push_back(scene);
    }

    int materialOf(const LwSurface* s)
    {
        auto known = materials.find(s);
        if (known != materials.end()) return known->second;
        tinygltf::Material m;
        tinygltf::PbrMetallicRoughness& pbr = m.pbrMetallicRoughness;
        pbr.metallicFactor = 0.0;
        if (s) {
            m.name = wellFormedUtf8(s->name);
            float alpha = clamp01(1.0f - s->transparency.channel.value);
            pbr.baseColorFactor = {clamp01(s->color.rgb[0]), clamp01(s->color.rgb[1]), clamp01(s->color.rgb[2]), alpha};
            pbr.roughnessFactor = 1.0 - clamp01(s->glossiness.value);
            // A physically based node material (LWO3) gives its own metallic and roughness.
            if (s->physical) pbr.metallicFactor = s->metallic, pbr.roughnessFactor = s->roughness;
            float glow = clamp01(s->luminosity.value);
            m.emissiveFactor = {glow * clamp01(s->color.rgb[0]), glow * clamp01(s->color.rgb[1]),
                                glow * clamp01(s->color.rgb[2])};
            if (alpha < 1.0f) m.alphaMode = "BLEND";
            m.doubleSided = s->sidedness == 3;
            if (const Pictures::Found* f = pictures->of(s)) pbr.baseColorTexture.index = textureOf(f, s->color.textures);
        } else {
            m.name = "Default";
            pbr.roughnessFactor = 1.0;
        }
        model.materials.push_back(m);
        materials[s] = int(model.materials.size() - 1);
        return materials[s];
    }

    // The picture's texture with the block's wrap modes: mirror and edge as
    // they are; reset (nothing outside the picture) has no glTF form and
    // repeats, as repeat does.
    int textureOf(const Pictures::Found* f, const LwTexture* block)
    {
        auto wrap = [](int32_t type) {
            return type == 2   ? TINYGLTF_TEXTURE_WRAP_MIRRORED_REPEAT
                   : type == 3 ? TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE
                               : TINYGLTF_TEXTURE_WRAP_REPEAT;
        };
        const int wrapS = wrap(block ? block->image.wrapWidthType : 1), wrapT = wrap(block ? block->image.wrapHeightType : 1);
        const auto key = std::make_tuple(f, wrapS, wrapT);
        auto known = textures.find(key);
        if (known != textures.end()) return known->second;
        int sampler = 0;
        while (sampler < int(model.samplers.size()) &&
               (model.samplers[size_t(sampler)].wrapS != wrapS || model.samplers[size_t(sampler)].wrapT != wrapT))
            ++sampler;
        if (sampler == int(model.samplers.size())) {
            model.samplers.emplace_back();
            model.samplers.back().wrapS = wrapS, model.samplers.back().wrapT = wrapT;
        }
        auto shown = images.find(f);
        if (shown != images.end()) return addTexture(key, shown->second, sampler);
        tinygltf::Image image;
        image.name = wellFormedUtf8(baseName(f->path).c_str());
        if (f->uri.empty()) {
            image.mimeType = f->mime;
            image.bufferView = gltfBufferView(&model, f->bytes.data(), f->bytes.size(), 0);
        } else {
            image.uri = f->uri;
        }
        model.images.push_back(image);
        images[f] = int(model.images.size() - 1);
        return addTexture(key, images[f], sampler);
    }

    int addTexture(const std::tuple<const Pictures::Found*, int, int>& key, int image, int sampler)
    {
        tinygltf::Texture texture;
        texture.source = image;
        texture.sampler = sampler;
        model.textures.push_back(texture);
        return textures[key] = int(model.textures.size() - 1);
    }

    // The layer's drawn polygons grouped by surface and drawing mode, in the
    // order the surfaces first appear.
    static std::vector<Group> groupsOf(const LwLayer* layer)
    {
        const LwPolygonArray& polygons = layer->polygons;
        std::vector<Group> groups;
        for (int32_t j = 0; j < polygons.count; ++j) {
            const LwPolygonRec& p = polygons.items[j];
            if (!drawn(p) || !cornersValid(p, layer->points.count)) continue;
            int mode = p.cornerCount == 1 ? modePoints : p.cornerCount == 2 ? modeLines : modeTriangles;
            size_t g = 0;
            while (g < groups.size() && !(groups[g].surface == p.surface && groups[g].mode == mode)) ++g;
            if (g == groups.size()) {
                Group added{p.surface, mode, {}, 0, 0, imageLayer(p.surface) != nullptr, false, {}, 0, {}};
                if (p.surface) added.maps = findLwVertexColorMaps(layer, p.surface);
                added.coloured = added.maps.status == lwVertexColorFound;
                groups.push_back(added);
            }
            groups[g].polygons.push_back(j);
            size_t n = size_t(p.cornerCount);
            groups[g].corners += n;
            groups[g].indexCount += mode == modeTriangles ? 3 * (n - 2) : n;
        }
        return groups;
    }

    // One mesh for the layer, one primitive per surface and drawing mode;
    // -1 for a layer with nothing to draw. Primitives with the same
    // attributes share their vertices: a point on the border of two surfaces
    // is one vertex when its normal, coordinates and colour agree.
    int meshOf(const LwLayer* layer)
    {
        std::vector<Group> groups = groupsOf(layer);
        if (groups.empty()) return -1;
        head.assign(size_t(layer->points.count), -1);
        stamp.assign(size_t(layer->points.count), -1);
        std::vector<bool> placed(groups.size(), false);
        for (size_t first = 0; first < groups.size(); ++first) {
            if (placed[first]) continue;
            // The indices of every group of these attributes, then their vertices.
            size_t corners = 0;
            const std::vector<Group*> members = reserveIndices(groups, first, &placed, &corners);
            const Layout layout(groups[first]);
            VertexRun run(model.buffers[0].data, head, stamp, nextRun++, layout.floatCount, layout.normals, corners);
            for (Group* g : members) writeGroup(layer, g, layout, &run);
            const std::map<std::string, int> attributes = vertexAttributes(run, layout, groups[first]);
            for (Group* g : members) indexPrimitive(g, attributes);
        }
        // Primitives and materials in the order the surfaces first appear.
        tinygltf::Mesh mesh;
        mesh.name = wellFormedUtf8(layer->name);
        for (Group& g : groups) {
            g.primitive.material = materialOf(g.surface);
            mesh.primitives.push_back(g.primitive);
            ++result->primitives;
        }
        if (mesh.primitives.empty()) return -1;
        model.meshes.push_back(mesh);
        return int(model.meshes.size() - 1);
    }

    // The groups from `first` on that have its attributes, marked placed,
    // each given room for its indices; `corners` receives their corner count.
    std::vector<Group*> reserveIndices(std::vector<Group>& groups, size_t first, std::vector<bool>* placed,
                                       size_t* corners)
    {
        std::vector<unsigned char>& buffer = model.buffers[0].data;
        auto sameAttributes = [](const Group& a, const Group& b) {
            return (a.mode == modeTriangles) == (b.mode == modeTriangles) && a.textured == b.textured &&
                   a.coloured == b.coloured;
        };
        std::vector<Group*> members;
        for (size_t k = first; k < groups.size(); ++k) {
            if ((*placed)[k] || !sameAttributes(groups[first], groups[k])) continue;
            (*placed)[k] = true;
            members.push_back(&groups[k]);
            while (buffer.size() % 4) buffer.push_back(0);
            groups[k].indexStart = buffer.size();
            buffer.resize(buffer.size() + groups[k].indexCount * sizeof(uint32_t));
            *corners += groups[k].corners;
        }
        return members;
    }

    // The group's vertices added to the run, its indices written in the room kept for them.
    void writeGroup(const LwLayer* layer, Group* g, const Layout& layout, VertexRun* run)
    {
        std::vector<unsigned char>& buffer = model.buffers[0].data;
        size_t at = g->indexStart;
        auto put = [&](uint32_t index) {
            std::memcpy(buffer.data() + at, &index, sizeof index);
            at += sizeof index;
        };
        float v[12];
        for (int32_t j : g->polygons) {
            const LwPolygonRec& p = layer->polygons.items[j];
            corner.resize(size_t(p.cornerCount));
            for (int32_t c = 0; c < p.cornerCount; ++c) {
                vertexRecord(layer, p, c, *g, layout, v);
                corner[size_t(c)] = run->add(p.corners[c].point, v);
            }
            if (g->mode != modeTriangles) {
                for (uint32_t index : corner) put(index);
                continue;
            }
            triangles.clear();
            if (p.cornerCount > 3) {
                xyz.resize(3 * size_t(p.cornerCount));
                for (int32_t c = 0; c < p.cornerCount; ++c)
                    std::memcpy(&xyz[3 * size_t(c)], layer->points.items[p.corners[c].point].pos, 3 * sizeof(float));
                triangulatePolygon(xyz.data(), p.cornerCount, p.normal, &triangles);
            } else {
                triangles = {0, 1, 2};
            }
            // Reversed: the z flip mirrors the polygon.
            for (size_t t = 0; t < triangles.size(); t += 3) {
                put(corner[size_t(triangles[t])]);
                put(corner[size_t(triangles[t + 2])]);
                put(corner[size_t(triangles[t + 1])]);
            }
        }
    }

    // Corner c of the polygon as a vertex record: its position from the
    // layer's pivot, and the attributes the layout has.
    static void vertexRecord(const LwLayer* layer, const LwPolygonRec& p, int32_t c, const Group& g, const Layout& layout,
                             float* v)
    {
        const float* pos = layer->points.items[p.corners[c].point].pos;
        v[0] = pos[0] - layer->pivot[0];
        v[1] = pos[1] - layer->pivot[1];
        v[2] = -(pos[2] - layer->pivot[2]);
        if (layout.normals) {
            const float* n = p.corners[c].normal;
            float len = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
            if (!(len > 0.98f && len < 1.02f)) n = p.normal;  // the validator wants unit normals
            len = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
            static const float up[3] = {0, 1, 0};
            if (!(len > 0.98f && len < 1.02f)) n = up;
            v[3] = n[0];
            v[4] = n[1];
            v[5] = -n[2];
        }
        if (g.textured) {
            v[layout.uvAt] = p.uv ? p.uv[2 * c] : 0.0f;
            v[layout.uvAt + 1] = p.uv ? p.uv[2 * c + 1] : 0.0f;
        }
        if (g.coloured) {
            const float intensity = g.surface ? clamp01(g.surface->vertexColor.intensity.value) : 0.0f;
            float rgba[4] = {1, 1, 1, 1};
            lwCornerColor(layer, &p, c, g.maps, rgba);
            for (size_t k = 0; k < 4; ++k) v[layout.rgbaAt + k] = 1.0f + intensity * (clamp01(rgba[k]) - 1.0f);
        }
    }

    // The run's vertex view and an accessor for each attribute it has.
    std::map<std::string, int> vertexAttributes(const VertexRun& run, const Layout& layout, const Group& like)
    {
        tinygltf::BufferView vertexView;
        vertexView.buffer = 0;
        vertexView.byteOffset = run.start;
        vertexView.byteLength = run.count() * run.stride;
        vertexView.byteStride = run.stride;
        vertexView.target = TINYGLTF_TARGET_ARRAY_BUFFER;
        model.bufferViews.push_back(vertexView);
        int view = int(model.bufferViews.size() - 1);
        auto attribute = [&](size_t offset, int type) {
            tinygltf::Accessor a;
            a.bufferView = view;
            a.byteOffset = offset * sizeof(float);
            a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
            a.count = run.count();
            a.type = type;
            model.accessors.push_back(a);
            return int(model.accessors.size() - 1);
        };
        std::map<std::string, int> attributes;
        attributes["POSITION"] = attribute(0, TINYGLTF_TYPE_VEC3);
        model.accessors.back().minValues.assign(run.low, run.low + 3);
        model.accessors.back().maxValues.assign(run.high, run.high + 3);
        if (layout.normals) attributes["NORMAL"] = attribute(3, TINYGLTF_TYPE_VEC3);
        if (like.textured) attributes["TEXCOORD_0"] = attribute(layout.uvAt, TINYGLTF_TYPE_VEC2);
        if (like.coloured) attributes["COLOR_0"] = attribute(layout.rgbaAt, TINYGLTF_TYPE_VEC4);
        return attributes;
    }

    // The group's index view and accessor, and its primitive over the shared attributes.
    void indexPrimitive(Group* g, const std::map<std::string, int>& attributes)
    {
        tinygltf::BufferView indexView;
        indexView.buffer = 0;
        indexView.byteOffset = g->indexStart;
        indexView.byteLength = g->indexCount * sizeof(uint32_t);
        indexView.target = TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER;
        model.bufferViews.push_back(indexView);
        tinygltf::Accessor indices;
        indices.bufferView = int(model.bufferViews.size() - 1);
        indices.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        indices.count = g->indexCount;
        indices.type = TINYGLTF_TYPE_SCALAR;
        model.accessors.push_back(indices);
        g->primitive.mode = g->mode;
        g->primitive.attributes = attributes;
        g->primitive.indices = int(model.accessors.size() - 1);
    }

    const LwObject* object;
    Pictures* pictures;
    ConvertResult* result;
    tinygltf::Model model;
    std::map<const LwSurface*, int> materials;
    std::map<std::tuple<const Pictures::Found*, int, int>, int> textures;  // picture, wrapS, wrapT
    std::map<const Pictures::Found*, int> images;
    std::vector<int32_t> head, stamp;
    int32_t nextRun = 0;
    // A polygon's vertex numbers, corner positions and triangles: kept from
    // polygon to polygon, so that they are not made anew for each.
    std::vector<uint32_t> corner;
    std::vector<float> xyz;
    std::vector<int> triangles;
};

}  // namespace


GltfModel* buildGltf(const LwObject* object, const char* objectPath, bool binary, const ConvertOptions& options,
                     ConvertResult* result)
{
    ConvertImages mode = options.images;
    if (mode == ConvertImages::automatic) mode = binary ? ConvertImages::embed : ConvertImages::copy;
    Pictures pictures{object, objectPath, &options, mode, result, false, {}};
    GltfWriter writer(object, &pictures, result);
    return new GltfModel{writer.build(), binary};
}

bool writeGltf(GltfModel* built, ConvertResult* result, FILE* file)
{
    const tinygltf::Model& model = built->model;
    bool binary = built->binary;
    tinygltf::TinyGLTF gltf;
    result->bytes.clear();
    bool ok;
    if (file) {
        FileOut buffer(file);
        std::ostream out(&buffer);
        ok = gltf.WriteGltfSceneToStream(&model, out, !binary, binary) && !std::ferror(file);
    } else {
        size_t data = model.buffers.empty() ? 0 : model.buffers[0].data.size();
        result->bytes.reserve((binary ? data : data / 3 * 4) + 65536 + 512 * model.accessors.size());
        StringOut buffer(&result->bytes);
        std::ostream out(&buffer);
        ok = gltf.WriteGltfSceneToStream(&model, out, !binary, binary);
    }
    delete built;
    return ok;
}

bool convertToGltf(const LwObject* object, const char* objectPath, bool binary, const ConvertOptions& options,
                   ConvertResult* result, FILE* file)
{
    return writeGltf(buildGltf(object, objectPath, binary, options, result), result, file);
}

int gltfBufferView(tinygltf::Model* model, const void* data, size_t size, int target)
{
    if (model->buffers.empty()) model->buffers.resize(1);
    std::vector<unsigned char>& buffer = model->buffers[0].data;
    while (buffer.size() % 4) buffer.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.size();
    view.byteLength = size;
    view.target = target;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    buffer.insert(buffer.end(), bytes, bytes + size);
    model->bufferViews.push_back(view);
    return int(model->bufferViews.size() - 1);
}
