// LightWave objects to glTF 2.0 and OBJ. LightWave is left-handed with y up,
// both targets right-handed with y up: z is negated and every polygon's
// winding reversed. The reader's corner coordinates count v down from the
// picture's top row, as glTF does (its origin is the top-left corner); OBJ's
// origin is the bottom-left corner, like LightWave's maps: v -> 1 - v there.
#include "convert.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include <tiny_gltf.h>

#include "imagesearch.h"
#include "lwsubdiv.h"

// ---- shared --------------------------------------------------------------------------

// The length of the well-formed UTF-8 sequence at `s`, or 0: no overlong
// form, no surrogate, nothing past U+10FFFF (the JSON writer refuses those).
static int utf8Sequence(const unsigned char* s)
{
    unsigned char c = s[0], low = 0x80, high = 0xBF;
    int extra;
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        extra = 2;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    // A zero byte fails each test, so nothing past the text's end is read.
    if (s[1] < low || s[1] > high) return 0;
    for (int i = 2; i <= extra; ++i)
        if ((s[i] & 0xC0) != 0x80) return 0;
    return extra + 1;
}

// Latin-1 bytes that are not UTF-8 made UTF-8, control characters dropped:
// names go into JSON, whose writer refuses anything else.
static std::string utf8(const char* text)
{
    std::string out;
    if (!text) return out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    while (*s) {
        unsigned char c = *s;
        if (int n = utf8Sequence(s)) {
            out.append(reinterpret_cast<const char*>(s), size_t(n));
            s += n;
            continue;
        }
        if (c >= 0x80) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c >= 0x20) {
            out += char(c);
        }
        ++s;
    }
    return out;
}

static float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

static bool drawn(const LwPolygonRec& p)
{
    return p.type != lwId('C', 'U', 'R', 'V') && p.type != lwId('B', 'O', 'N', 'E') && p.cornerCount > 0;
}

static bool cornersValid(const LwPolygonRec& p, int32_t pointCount)
{
    for (int32_t c = 0; c < p.cornerCount; ++c)
        if (p.corners[c].point < 0 || p.corners[c].point >= pointCount) return false;
    return true;
}

// The surface's first colour layer when it is an image map.
static const LwTexture* imageLayer(const LwSurface* s)
{
    if (!s || !s->color.textures || s->color.textures->type != lwId('I', 'M', 'A', 'P')) return nullptr;
    return s->color.textures;
}

static std::string baseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file's first `limit` bytes (all of it by default).
static bool readFile(const std::string& path, std::string* bytes, size_t limit = size_t(-1))
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    bytes->clear();
    while (bytes->size() < limit && (n = std::fread(buffer, 1, std::min(sizeof buffer, limit - bytes->size()), f)) > 0)
        bytes->append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

static const char* imageMime(const std::string& bytes)
{
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return "image/png";
    if (bytes.size() >= 3 && std::memcmp(bytes.data(), "\xFF\xD8\xFF", 3) == 0) return "image/jpeg";
    return nullptr;
}

// URI-safe path: everything but unreserved characters and '/' percent-encoded.
static std::string uriOf(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("-._~/", c)) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The pictures of a conversion: each surface's image looked for once, read
// when it is to be embedded, named once beside the output when copied.
struct Pictures {
    const LwObject* object;
    const char* objectPath;
    const ConvertOptions* options;
    ConvertImages mode;
    ConvertResult* result;
    // OBJ and MTL have no quoting and no escapes: a name there holds no space.
    bool spaceless = false;
    struct Found {
        std::string path;   // "" when not usable
        std::string bytes;  // when embedded
        std::string mime;
        std::string uri;    // when copied or referenced: percent-encoded for glTF
        std::string name;   // the same as written in an MTL
    };
    std::map<int32_t, Found> byClip;

    const Found* find(const LwSurface* s)
    {
        const LwTexture* t = imageLayer(s);
        if (!t) return nullptr;
        auto known = byClip.find(t->image.clip);
        if (known != byClip.end()) return known->second.path.empty() ? nullptr : &known->second;
        Found& f = byClip[t->image.clip];
        const char* name = lwClipFirstName(findLwClip(object->clips, t->image.clip));
        std::string surface = utf8(s->name);
        if (!name) {
            result->warnings.push_back("surface <" + surface + ">: its image is not among the object's clips");
            return nullptr;
        }
        std::string path = findImageFile(name, objectPath, nullptr, options->contentFolder);
        std::string bytes;
        // Only an embedded image is read whole; the others are only recognised.
        if (path.empty() || !readFile(path, &bytes, mode == ConvertImages::embed ? size_t(-1) : 16)) {
            result->warnings.push_back("image <" + utf8(name) + "> not found: surface <" + surface + "> keeps its colour");
            return nullptr;
        }
        const char* mime = imageMime(bytes);
        if (!mime) {
            result->warnings.push_back("image <" + utf8(path.c_str()) + "> is neither PNG nor JPEG: surface <" + surface +
                                       "> keeps its colour");
            return nullptr;
        }
        f.path = path;
        f.mime = mime;
        if (mode == ConvertImages::embed) {
            f.bytes.swap(bytes);
            return &f;
        }
        if (mode == ConvertImages::reference) {
            // Absolute: the output need not be beside the object.
            char* absolute = realpath(path.c_str(), nullptr);
            f.name = absolute ? absolute : path;
            std::free(absolute);
            if (!spaceless || f.name.find_first_of(" \t") == std::string::npos) {
                f.uri = uriOf(f.name);
                return &f;
            }
        }
        std::string copy = baseName(path);
        if (spaceless) std::replace_if(copy.begin(), copy.end(), [](char c) { return c == ' ' || c == '\t'; }, '_');
        if (mode == ConvertImages::reference)
            result->warnings.push_back("image <" + utf8(f.name.c_str()) +
                                       ">: OBJ cannot name a path with spaces: copied beside as <" + utf8(copy.c_str()) +
                                       ">");
        std::string base = copy;
        for (int n = 1;; ++n) {
            bool taken = false;
            for (const ConvertSideFile& side : result->sideFiles) taken |= side.name == copy;
            if (!taken) break;
            copy = std::to_string(n) + "-" + base;
        }
        result->sideFiles.push_back({copy, path, ""});
        f.name = copy;
        f.uri = uriOf(copy);
        return &f;
    }
};

std::string subdivisionWarning(int32_t layerNumber, const LwSubdivision& r)
{
    const char* why = nullptr;
    switch (r.problem) {
    case lwSubdivisionFine: return "";
    case lwSubdivisionLevelLowered: why = "level lowered to fit"; break;
    case lwSubdivisionTooLarge: why = "cage kept: too large"; break;
    case lwSubdivisionRefused: why = "cage kept: topology refused"; break;
    case lwSubdivisionNoMemory:
        // Memory can also run out after the refinement, for the smoothing
        // lists or the colours of the new corners.
        why = r.level == 0 ? "cage kept: out of memory" : "out of memory: some refined corners unsmoothed or uncoloured";
        break;
    }
    return "layer " + std::to_string(layerNumber) + " SubPatches: " + (why ? why : "unknown problem");
}

void subdivideForConversion(LwObject* object, const ConvertOptions& options, ConvertResult* result)
{
    int level = options.subdivisionLevel < 0 ? int(lwSubdivisionDefaultLevel) : options.subdivisionLevel;
    for (LwLayer* layer = object->layers; layer; layer = layer->next) {
        LwSubdivision r;
        subdivideLwLayer(layer, level, &r);
        if (r.problem != lwSubdivisionFine && r.controlPolygons != 0)
            result->warnings.push_back(subdivisionWarning(layer->number, r));
    }
}

// ---- triangulation -------------------------------------------------------------------

void triangulatePolygon(const float* xyz, int count, const float normal[3], std::vector<int>* out)
{
    if (count < 3) return;
    if (count == 3) {
        out->insert(out->end(), {0, 1, 2});
        return;
    }
    // The plane: the normal's largest axis dropped (Newell's normal when the
    // given one is unusable).
    double n[3] = {normal[0], normal[1], normal[2]};
    if (!(std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]) > 1e-12)) {
        n[0] = n[1] = n[2] = 0.0;
        for (int i = 0; i < count; ++i) {
            const float* a = xyz + 3 * i;
            const float* b = xyz + 3 * ((i + 1) % count);
            n[0] += double(a[1] - b[1]) * (a[2] + b[2]);
            n[1] += double(a[2] - b[2]) * (a[0] + b[0]);
            n[2] += double(a[0] - b[0]) * (a[1] + b[1]);
        }
    }
    int drop = std::fabs(n[0]) > std::fabs(n[1]) ? (std::fabs(n[0]) > std::fabs(n[2]) ? 0 : 2)
                                                 : (std::fabs(n[1]) > std::fabs(n[2]) ? 1 : 2);
    int ax = (drop + 1) % 3, ay = (drop + 2) % 3;
    if (count == 4) {
        // Most polygons are convex quads: two triangles, no clipping.
        double turn[4];
        for (int i = 0; i < 4; ++i) {
            const float *a = xyz + 3 * ((i + 3) % 4), *b = xyz + 3 * i, *c = xyz + 3 * ((i + 1) % 4);
            turn[i] = (double(b[ax]) - a[ax]) * (double(c[ay]) - a[ay]) - (double(b[ay]) - a[ay]) * (double(c[ax]) - a[ax]);
        }
        if ((turn[0] > 0 && turn[1] > 0 && turn[2] > 0 && turn[3] > 0) ||
            (turn[0] < 0 && turn[1] < 0 && turn[2] < 0 && turn[3] < 0)) {
            out->insert(out->end(), {0, 1, 2, 0, 2, 3});
            return;
        }
    }
    std::vector<double> x(static_cast<size_t>(count)), y(static_cast<size_t>(count));
    double area = 0.0;
    for (int i = 0; i < count; ++i) {
        x[size_t(i)] = xyz[3 * i + ax];
        y[size_t(i)] = xyz[3 * i + ay];
    }
    for (int i = 0; i < count; ++i) {
        int j = (i + 1) % count;
        area += x[size_t(i)] * y[size_t(j)] - x[size_t(j)] * y[size_t(i)];
    }
    double sense = area < 0.0 ? -1.0 : 1.0;
    auto cross = [&](int a, int b, int c) {
        return sense * ((x[size_t(b)] - x[size_t(a)]) * (y[size_t(c)] - y[size_t(a)]) -
                        (y[size_t(b)] - y[size_t(a)]) * (x[size_t(c)] - x[size_t(a)]));
    };
    std::vector<int> left(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) left[size_t(i)] = i;
    size_t at = 0;
    while (left.size() > 3) {
        size_t m = left.size();
        bool clipped = false;
        for (size_t tries = 0; tries < m && !clipped; ++tries, at = (at + 1) % m) {
            int a = left[(at + m - 1) % m], b = left[at], c = left[(at + 1) % m];
            if (cross(a, b, c) <= 0.0) continue;  // reflex or flat
            bool inside = false;
            for (size_t k = 0; k < m && !inside; ++k) {
                int p = left[k];
                if (p == a || p == b || p == c) continue;
                inside = cross(a, b, p) >= 0.0 && cross(b, c, p) >= 0.0 && cross(c, a, p) >= 0.0;
            }
            if (inside) continue;
            out->insert(out->end(), {a, b, c});
            left.erase(left.begin() + long(at));
            clipped = true;
        }
        if (!clipped) {
            // Self-crossing or degenerate: no ear anywhere; cut one off all the same.
            out->insert(out->end(), {left[(at + m - 1) % m], left[at], left[(at + 1) % m]});
            left.erase(left.begin() + long(at));
        }
        if (at >= left.size()) at = 0;
    }
    out->insert(out->end(), {left[0], left[1], left[2]});
}

// ---- glTF ----------------------------------------------------------------------------

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
            node.name = utf8(layer->name);
            int mesh = meshOf(layer);
            if (mesh >= 0) node.mesh = mesh;
            nodeOf[layer] = int(model.nodes.size());
            model.nodes.push_back(node);
        }
        // Parents by layer number; a parent that is missing, the layer itself
        // or one of its descendants leaves the layer at the root.
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
        model.defaultScene = 0;
        if (model.buffers[0].data.empty()) model.buffers.clear();
        result->materials = int(model.materials.size());
        return std::move(model);
    }

private:
    int bufferView(const void* data, size_t size, int target)
    {
        std::vector<unsigned char>& buffer = model.buffers[0].data;
        while (buffer.size() % 4) buffer.push_back(0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = size;
        view.target = target;
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        if (bytes) buffer.insert(buffer.end(), bytes, bytes + size);
        else buffer.resize(buffer.size() + size);  // filled by the caller
        model.bufferViews.push_back(view);
        return int(model.bufferViews.size() - 1);
    }

    int materialOf(const LwSurface* s)
    {
        auto known = materials.find(s);
        if (known != materials.end()) return known->second;
        tinygltf::Material m;
        tinygltf::PbrMetallicRoughness& pbr = m.pbrMetallicRoughness;
        pbr.metallicFactor = 0.0;
        if (s) {
            m.name = utf8(s->name);
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
            if (const Pictures::Found* f = pictures->find(s)) pbr.baseColorTexture.index = textureOf(f);
        } else {
            m.name = "Default";
            pbr.roughnessFactor = 1.0;
        }
        model.materials.push_back(m);
        materials[s] = int(model.materials.size() - 1);
        return materials[s];
    }

    int textureOf(const Pictures::Found* f)
    {
        auto known = textures.find(f);
        if (known != textures.end()) return known->second;
        tinygltf::Image image;
        image.name = utf8(baseName(f->path).c_str());
        if (f->uri.empty()) {
            image.mimeType = f->mime;
            image.bufferView = bufferView(f->bytes.data(), f->bytes.size(), 0);
        } else {
            image.uri = f->uri;
        }
        model.images.push_back(image);
        if (model.samplers.empty()) model.samplers.emplace_back();  // repeat both ways
        tinygltf::Texture texture;
        texture.source = int(model.images.size() - 1);
        texture.sampler = 0;
        model.textures.push_back(texture);
        textures[f] = int(model.textures.size() - 1);
        return textures[f];
    }

    // One mesh for the layer, one primitive per surface and drawing mode;
    // -1 for a layer with nothing to draw. Primitives with the same
    // attributes share their vertices: a point on the border of two surfaces
    // is one vertex when its normal, coordinates and colour agree.
    int meshOf(const LwLayer* layer)
    {
        const LwPolygonArray& polygons = layer->polygons;
        const LwPointArray& points = layer->points;
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
        std::vector<Group> groups;
        for (int32_t j = 0; j < polygons.count; ++j) {
            const LwPolygonRec& p = polygons.items[j];
            if (!drawn(p) || !cornersValid(p, points.count)) continue;
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
        if (groups.empty()) return -1;
        head.assign(size_t(points.count), -1);
        stamp.assign(size_t(points.count), -1);
        std::vector<int> triangles;
        std::vector<float> xyz;
        std::vector<uint32_t> corner;
        std::vector<unsigned char>& buffer = model.buffers[0].data;
        auto sameAttributes = [](const Group& a, const Group& b) {
            return (a.mode == modeTriangles) == (b.mode == modeTriangles) && a.textured == b.textured &&
                   a.coloured == b.coloured;
        };
        std::vector<bool> placed(groups.size(), false);
        for (size_t first = 0; first < groups.size(); ++first) {
            if (placed[first]) continue;
            // The indices of every group of these attributes, then their vertices.
            std::vector<Group*> members;
            size_t corners = 0;
            for (size_t k = first; k < groups.size(); ++k) {
                if (placed[k] || !sameAttributes(groups[first], groups[k])) continue;
                placed[k] = true;
                members.push_back(&groups[k]);
                while (buffer.size() % 4) buffer.push_back(0);
                groups[k].indexStart = buffer.size();
                buffer.resize(buffer.size() + groups[k].indexCount * sizeof(uint32_t));
                corners += groups[k].corners;
            }
            const Group& like = groups[first];
            bool normals = like.mode == modeTriangles;
            size_t uvAt = normals ? 6 : 3, rgbaAt = uvAt + (like.textured ? 2 : 0);
            size_t floatCount = rgbaAt + (like.coloured ? 4 : 0);
            VertexRun run(buffer, head, stamp, nextRun++, floatCount, normals, corners);
            for (Group* g : members) {
                const LwSurface* s = g->surface;
                float intensity = s ? clamp01(s->vertexColor.intensity.value) : 0.0f;
                size_t at = g->indexStart;
                auto put = [&](uint32_t index) {
                    std::memcpy(buffer.data() + at, &index, sizeof index);
                    at += sizeof index;
                };
                float v[12];
                for (int32_t j : g->polygons) {
                    const LwPolygonRec& p = polygons.items[j];
                    corner.resize(size_t(p.cornerCount));
                    for (int32_t c = 0; c < p.cornerCount; ++c) {
                        int32_t point = p.corners[c].point;
                        const float* pos = points.items[point].pos;
                        v[0] = pos[0] - layer->pivot[0];
                        v[1] = pos[1] - layer->pivot[1];
                        v[2] = -(pos[2] - layer->pivot[2]);
                        if (normals) {
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
                        if (g->textured) {
                            v[uvAt] = p.uv ? p.uv[2 * c] : 0.0f;
                            v[uvAt + 1] = p.uv ? p.uv[2 * c + 1] : 0.0f;
                        }
                        if (g->coloured) {
                            float rgba[4] = {1, 1, 1, 1};
                            lwCornerColor(layer, &p, c, g->maps, rgba);
                            for (size_t k = 0; k < 4; ++k)
                                v[rgbaAt + k] = 1.0f + intensity * (clamp01(rgba[k]) - 1.0f);
                        }
                        corner[size_t(c)] = run.add(point, v);
                    }
                    if (g->mode != modeTriangles) {
                        for (uint32_t index : corner) put(index);
                        continue;
                    }
                    triangles.clear();
                    if (p.cornerCount > 3) {
                        xyz.resize(3 * size_t(p.cornerCount));
                        for (int32_t c = 0; c < p.cornerCount; ++c)
                            std::memcpy(&xyz[3 * size_t(c)], points.items[p.corners[c].point].pos, 3 * sizeof(float));
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
            if (normals) attributes["NORMAL"] = attribute(3, TINYGLTF_TYPE_VEC3);
            if (like.textured) attributes["TEXCOORD_0"] = attribute(uvAt, TINYGLTF_TYPE_VEC2);
            if (like.coloured) attributes["COLOR_0"] = attribute(rgbaAt, TINYGLTF_TYPE_VEC4);
            for (Group* g : members) {
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
        }
        // Primitives and materials in the order the surfaces first appear.
        tinygltf::Mesh mesh;
        mesh.name = utf8(layer->name);
        for (Group& g : groups) {
            g.primitive.material = materialOf(g.surface);
            mesh.primitives.push_back(g.primitive);
            ++result->primitives;
        }
        if (mesh.primitives.empty()) return -1;
        model.meshes.push_back(mesh);
        return int(model.meshes.size() - 1);
    }

    const LwObject* object;
    Pictures* pictures;
    ConvertResult* result;
    tinygltf::Model model;
    std::map<const LwSurface*, int> materials;
    std::map<const Pictures::Found*, int> textures;
    std::vector<int32_t> head, stamp;
    int32_t nextRun = 0;
};

}  // namespace

struct GltfModel {
    tinygltf::Model model;
    bool binary;
};

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

// ---- OBJ -----------------------------------------------------------------------------

static std::string objName(const char* text, const char* fallback)
{
    std::string name = utf8(text && *text ? text : fallback);
    for (char& c : name)
        if (c == ' ' || c == '\t') c = '_';
    return name;
}

bool convertToObj(const LwObject* object, const char* objectPath, const std::string& mtlName,
                  const ConvertOptions& options, ConvertResult* result)
{
    ConvertImages mode = options.images == ConvertImages::automatic || options.images == ConvertImages::embed
                             ? ConvertImages::copy
                             : options.images;
    if (options.images == ConvertImages::embed) result->warnings.push_back("OBJ cannot embed images: copied beside");
    Pictures pictures{object, objectPath, &options, mode, result, true, {}};
    std::string obj, mtl;
    char line[256];
    obj += "# lwo-convert\nmtllib " + mtlName + "\n";
    std::map<const LwSurface*, std::string> materials;
    auto materialOf = [&](const LwSurface* s) {
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
        std::snprintf(line, sizeof line, "Kd %g %g %g\nKs %g %g %g\nNs %g\nKe %g %g %g\nd %g\n", double(rgb[0] * diffuse),
                      double(rgb[1] * diffuse), double(rgb[2] * diffuse), double(specular), double(specular), double(specular),
                      double(2.0f + 1022.0f * gloss * gloss), double(glow * rgb[0]), double(glow * rgb[1]),
                      double(glow * rgb[2]), double(alpha));
        mtl += line;
        if (const Pictures::Found* f = s ? pictures.find(s) : nullptr) mtl += "map_Kd " + f->name + "\n";
        mtl += "\n";
        ++result->materials;
        return name;
    };
    int64_t base = 1, baseTexture = 1, baseNormal = 1;
    int layerIndex = 0;
    for (const LwLayer* layer = object->layers; layer; layer = layer->next, ++layerIndex) {
        const LwPointArray& points = layer->points;
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
                if (p.surface != s || !drawn(p) || !cornersValid(p, points.count)) continue;
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
        }
        base += points.count;
    }
    result->bytes.swap(obj);
    result->sideFiles.push_back({mtlName, "", mtl});
    return true;
}
