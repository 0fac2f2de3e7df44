// OBJ and MTL: every layer's points, then a group per surface of its
// polygons, each corner with its own normal and texture coordinates. z is
// negated and polygons reversed (see convert.cpp); OBJ's texture origin is
// the bottom-left corner, like LightWave's maps: v -> 1 - v.
#include <algorithm>
#include <cstdio>
#include <map>

#include "convertparts.h"

namespace {

std::string objName(const char* text, const char* fallback)
{
    std::string name = wellFormedUtf8(text && *text ? text : fallback);
    for (char& c : name)
        if (c == ' ' || c == '\t') c = '_';
    return name;
}

struct ObjWriter {
    Pictures* pictures;
    ConvertResult* result;
    std::string obj, mtl;
    std::map<const LwSurface*, std::string> materials;
    int64_t base = 1, baseTexture = 1, baseNormal = 1;  // OBJ counts from 1 across the whole file

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
        char line[256];
        for (int32_t i = 0; i < points.count; ++i) {
            const float* p = points.items[i].pos;
            std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", double(p[0]), double(p[1]), double(-p[2]));
            obj += line;
        }
        std::string layerName = objName(layer->name, ("layer" + std::to_string(layer->number)).c_str());
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
            const float* n = p.corners[c].normal;
            std::snprintf(line, sizeof line, "vn %.7g %.7g %.7g\n", double(n[0]), double(n[1]), double(-n[2]));
            obj += line;
            if (textured && p.uv) {
                std::snprintf(line, sizeof line, "vt %.7g %.7g\n", double(p.uv[2 * c]), 1.0 - p.uv[2 * c + 1]);
                obj += line;
            }
        }
        obj += p.cornerCount == 1 ? "p" : p.cornerCount == 2 ? "l" : "f";
        // Reversed, first corner kept first: the z flip mirrors the polygon.
        for (int32_t k = 0; k < p.cornerCount; ++k) {
            int32_t c = k == 0 ? 0 : p.cornerCount - k;
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

}  // namespace

bool convertToObj(const LwObject* object, const char* objectPath, const std::string& mtlName,
                  const ConvertOptions& options, ConvertResult* result)
{
    ConvertImages mode = options.images == ConvertImages::automatic || options.images == ConvertImages::embed
                             ? ConvertImages::copy
                             : options.images;
    if (options.images == ConvertImages::embed) result->warnings.push_back("OBJ cannot embed images: copied beside");
    Pictures pictures{object, objectPath, &options, mode, result, true, {}};
    ObjWriter writer{&pictures, result, "# lwo-convert\nmtllib " + mtlName + "\n", "", {}};
    for (const LwLayer* layer = object->layers; layer; layer = layer->next) writer.layer(layer);
    result->bytes.swap(writer.obj);
    result->sideFiles.push_back({mtlName, "", writer.mtl});
    return true;
}
