// OBJ and MTL: every layer's points, then a group per surface of its
// polygons, each corner with its own normal and texture coordinates. z is
// negated and polygons reversed (see convert.cpp); OBJ's texture origin is
// the bottom-left corner, like LightWave's maps: v -> 1 - v.
// A scene's still is its objects so written, each point moved by its item's
// world matrix first and each normal by that matrix's inverse transpose.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "convertparts.h"
#include "lwscene.h"
#include "sceneparts.h"

namespace {

std::string objName(const char* text, const char* fallback)
{
    std::string name = wellFormedUtf8(text && *text ? text : fallback);
    for (char& c : name)
        if (c == ' ' || c == '\t') c = '_';
    return name;
}

struct ObjWriter {
    Pictures* pictures = nullptr;
    ConvertResult* result = nullptr;
    std::string obj, mtl;
    std::map<const LwSurface*, std::string> materials;
    int64_t base = 1, baseTexture = 1, baseNormal = 1;  // OBJ counts from 1 across the whole file
    // A scene item's placement (3x4, rows, LightWave's axes) and its normals'
    // (the inverse transpose's 3x3); none for an object alone.
    const double* place = nullptr;
    double normals[9] = {};
    bool mirrored = false;  // the placement turns the polygons inside out
    std::string group;      // what group names begin with: the item's name and "_"

    void placeBy(const double* m)
    {
        place = m;
        const double c[9] = {m[5] * m[10] - m[6] * m[9], m[6] * m[8] - m[4] * m[10], m[4] * m[9] - m[5] * m[8],
                             m[2] * m[9] - m[1] * m[10], m[0] * m[10] - m[2] * m[8], m[1] * m[8] - m[0] * m[9],
                             m[1] * m[6] - m[2] * m[5], m[2] * m[4] - m[0] * m[6], m[0] * m[5] - m[1] * m[4]};
        const double det = m[0] * c[0] + m[1] * c[1] + m[2] * c[2];
        // The cofactors over the determinant: the inverse transpose (a flat scale keeps the cofactors).
        for (int k = 0; k < 9; ++k) normals[k] = det != 0.0 ? c[k] / det : c[k];
        mirrored = det < 0.0;
    }

    // v written with z negated, placed first when there is a placement.
    void vector(const char* kind, const float* v, bool normal, const char* format)
    {
        double x = v[0], y = v[1], z = v[2];
        if (place && !normal) {
            const double* m = place;
            x = m[0] * v[0] + m[1] * v[1] + m[2] * v[2] + m[3];
            y = m[4] * v[0] + m[5] * v[1] + m[6] * v[2] + m[7];
            z = m[8] * v[0] + m[9] * v[1] + m[10] * v[2] + m[11];
        } else if (place) {
            const double* n = normals;
            x = n[0] * v[0] + n[1] * v[1] + n[2] * v[2];
            y = n[3] * v[0] + n[4] * v[1] + n[5] * v[2];
            z = n[6] * v[0] + n[7] * v[1] + n[8] * v[2];
            const double length = std::sqrt(x * x + y * y + z * z);
            if (length > 0) x /= length, y /= length, z /= length;
        }
        char line[256];
        std::snprintf(line, sizeof line, format, kind, x, y, -z);
        obj += line;
    }

    // The surface's material name, its MTL entry written on first use.
    std::string materialOf(const LwSurface* s)
    {
        auto known = materials.find(s);
        if (known != materials.end()) return known->second;
        std::string name = objName(s ? s->name : nullptr, "Default");
        for (int n = 1;; ++n) {
            bool taken = false;
            for (auto& m : materials) taken |= m.second == name;
            if (!taken) break;
            name = objName(s ? s->name : nullptr, "Default") + "_" + std::to_string(n);
        }
        materials[s] = name;
        mtl += "newmtl " + name + "\n";
        float rgb[3] = {0.8f, 0.8f, 0.8f}, alpha = 1.0f, gloss = 0.0f, glow = 0.0f, specular = 0.0f;
        if (s) {
            for (int k = 0; k < 3; ++k) rgb[k] = clamp01(s->color.rgb[k]);
            alpha = clamp01(1.0f - s->transparency.channel.value);
            gloss = clamp01(s->glossiness.value);
            glow = clamp01(s->luminosity.value);
            specular = clamp01(s->specularity.value);
        }
        float diffuse = s ? clamp01(s->diffuse.value) : 1.0f;
        char line[256];
        std::snprintf(line, sizeof line, "Kd %g %g %g\nKs %g %g %g\nNs %g\nKe %g %g %g\nd %g\n", double(rgb[0] * diffuse),
                      double(rgb[1] * diffuse), double(rgb[2] * diffuse), double(specular), double(specular), double(specular),
                      double(2.0f + 1022.0f * gloss * gloss), double(glow * rgb[0]), double(glow * rgb[1]),
                      double(glow * rgb[2]), double(alpha));
        mtl += line;
        if (const Pictures::Found* f = s ? pictures->of(s) : nullptr) mtl += "map_Kd " + f->name + "\n";
        mtl += "\n";
        ++result->materials;
        return name;
    }

    // The layer's points, then one group per surface, in the order the surfaces first appear.
    void layer(const LwLayer* layer)
    {
        const LwPointArray& points = layer->points;
        for (int32_t i = 0; i < points.count; ++i) vector("v", points.items[i].pos, false, "%s %.9g %.9g %.9g\n");
        std::string layerName = group + objName(layer->name, ("layer" + std::to_string(layer->number)).c_str());
        std::vector<const LwSurface*> surfaces;
        for (int32_t j = 0; j < layer->polygons.count; ++j) {
            const LwSurface* s = layer->polygons.items[j].surface;
            if (std::find(surfaces.begin(), surfaces.end(), s) == surfaces.end()) surfaces.push_back(s);
        }
        for (const LwSurface* s : surfaces) {
            std::string material = materialOf(s);
            obj += "g " + layerName + "_" + material + "\nusemtl " + material + "\n";
            ++result->primitives;
            bool textured = imageLayer(s) != nullptr;
            for (int32_t j = 0; j < layer->polygons.count; ++j) {
                const LwPolygonRec& p = layer->polygons.items[j];
                if (p.surface == s && drawn(p) && cornersValid(p, points.count)) polygon(p, textured);
            }
        }
        base += points.count;
    }

    // A face with a normal (and texture coordinates) per corner, or a line or point.
    void polygon(const LwPolygonRec& p, bool textured)
    {
        char line[256];
        bool face = p.cornerCount > 2;
        for (int32_t c = 0; face && c < p.cornerCount; ++c) {
            vector("vn", p.corners[c].normal, true, "%s %.7g %.7g %.7g\n");
            if (textured && p.uv) {
                std::snprintf(line, sizeof line, "vt %.7g %.7g\n", double(p.uv[2 * c]), 1.0 - p.uv[2 * c + 1]);
                obj += line;
            }
        }
        obj += p.cornerCount == 1 ? "p" : p.cornerCount == 2 ? "l" : "f";
        // Reversed, first corner kept first: the z flip mirrors the polygon
        // (unless the placement mirrors it back).
        for (int32_t k = 0; k < p.cornerCount; ++k) {
            int32_t c = k == 0 || mirrored ? k : p.cornerCount - k;
            int64_t v = base + p.corners[c].point;
            if (!face) std::snprintf(line, sizeof line, " %lld", (long long)v);
            else if (textured && p.uv)
                std::snprintf(line, sizeof line, " %lld/%lld/%lld", (long long)v, (long long)(baseTexture + c),
                              (long long)(baseNormal + c));
            else std::snprintf(line, sizeof line, " %lld//%lld", (long long)v, (long long)(baseNormal + c));
            obj += line;
        }
        obj += "\n";
        if (face) {
            baseNormal += p.cornerCount;
            if (textured && p.uv) baseTexture += p.cornerCount;
        }
    }
};

ConvertImages objImages(const ConvertOptions& options, ConvertResult* result)
{
    if (options.images == ConvertImages::embed) result->warnings.push_back("OBJ cannot embed images: copied beside");
    return options.images == ConvertImages::automatic || options.images == ConvertImages::embed ? ConvertImages::copy
                                                                                               : options.images;
}

}  // namespace

bool convertToObj(const LwObject* object, const char* objectPath, const std::string& mtlName,
                  const ConvertOptions& options, ConvertResult* result)
{
    ConvertImages mode = objImages(options, result);
    Pictures pictures{object, objectPath, &options, mode, result, true, {}};
    ObjWriter writer;
    writer.pictures = &pictures;
    writer.result = result;
    writer.obj = "# lwo-convert\nmtllib " + mtlName + "\n";
    for (const LwLayer* layer = object->layers; layer; layer = layer->next) writer.layer(layer);
    result->bytes.swap(writer.obj);
    result->sideFiles.push_back({mtlName, "", writer.mtl});
    return true;
}

bool convertSceneToObj(LwScene* scene, const char* scenePath, const std::string& mtlName,
                       const ConvertOptions& options, ConvertResult* result)
{
    const ConvertImages mode = objImages(options, result);
    const double seconds = options.stillGiven ? options.stillSeconds : scene->firstFrame * lwSceneSecondsPerFrame(scene);
    const size_t n = size_t(scene->itemCount);
    std::vector<double> world(12 * n);
    std::vector<int32_t> scratch(2 * n);
    lwSceneWorld(scene, seconds, world.data(), scratch.data());
    ObjWriter writer;
    writer.result = result;
    writer.obj = "# lwo-convert\nmtllib " + mtlName + "\n";
    // Each file read once, however many items load it.
    struct Loaded {
        LwObject* object;
        Pictures pictures;
    };
    std::map<std::string, Loaded> objects;
    for (size_t i = 0; i < n; ++i) {
        const LwSceneItem& item = scene->items[i];
        if (item.kind != lwItemObject) continue;
        const std::string path = findSceneObject(item, scenePath, options, result);
        if (path.empty()) continue;
        auto known = objects.find(path);
        if (known == objects.end()) {
            LwObject* object = readSceneObject(item, path, options, result);
            known = objects.emplace(path, Loaded{object, {object, nullptr, &options, mode, result, true, {}}}).first;
            known->second.pictures.objectPath = known->first.c_str();
        }
        if (!known->second.object) continue;
        std::vector<const LwLayer*> layers;
        std::vector<int32_t> numbers;
        for (const LwLayer* layer = known->second.object->layers; layer; layer = layer->next) {
            layers.push_back(layer);
            numbers.push_back(layer->number);
        }
        writer.pictures = &known->second.pictures;
        writer.placeBy(&world[12 * i]);
        writer.group = objName(sceneItemName(item).c_str(), "item") + "_";
        size_t end = 0;
        for (size_t k = sceneLayers(item, numbers, &end, result); k < end; ++k) writer.layer(layers[k]);
    }
    for (auto& o : objects) freeLwObject(o.second.object);
    dropRepeatedPictures(result, 0, [&](const std::string& name, const std::string& kept) {
        const std::string from = "map_Kd " + name + "\n", to = "map_Kd " + kept + "\n";
        for (size_t at = writer.mtl.find(from); at != std::string::npos; at = writer.mtl.find(from, at + to.size()))
            writer.mtl.replace(at, from.size(), to);
    });
    result->bytes.swap(writer.obj);
    result->sideFiles.push_back({mtlName, "", writer.mtl});
    return true;
}
