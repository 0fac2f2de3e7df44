// lwo-info [--json [--full [--layer N]]] [--subdiv N] FILE...: what the LightWave reader makes of each file
// (a scene, a file whose first word is "LWSC", as scene.cpp prints it).
// --full adds every record the reader filled (points, polygons, corners, every surface, texture,
// clip and envelope field), one record a line; --layer N lists points and polygons of layer N only.
// Layers with SubPatches also give their control and subdivided polygon counts at level N (default 2).
// Exit status 0 when every file loaded, 1 otherwise (2 for bad usage).

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cli.h"
#include "lightwave.h"
#include "lwscene.h"
#include "lwsubdiv.h"
#include "scene.h"

// The form type from the file's header, or "" when there is none.
static std::string formOf(const char* path)
{
    unsigned char h[12];
    FILE* f = std::fopen(path, "rb");
    if (!f) return "";
    bool ok = std::fread(h, 1, 12, f) == 12 && std::memcmp(h, "FORM", 4) == 0;
    std::fclose(f);
    if (!ok) return "";
    return lwIdText(uint32_t(h[8]) << 24 | uint32_t(h[9]) << 16 | uint32_t(h[10]) << 8 | h[11]).text;
}

static const char* projectionName(int32_t p)
{
    static const char* names[lwProjectionCount] = {"planar", "cylindrical", "spherical", "cubic", "front", "uv"};
    return p >= lwPlanar && p < lwProjectionCount ? names[p] : "unknown";
}

static char axisName(int a) { return a == 0 ? 'X' : a == 1 ? 'Y' : a == 2 ? 'Z' : '?'; }

static const char* clipImage(const LwObject* o, const LwTexture* t)
{
    if (t->type != lwId('I', 'M', 'A', 'P')) return nullptr;
    return lwClipFirstName(findLwClip(o->clips, t->image.clip));
}

static int textureAxis(const LwTexture* t)
{
    return t->type == lwId('I', 'M', 'A', 'P') ? t->image.axis : t->axis;
}

// Where a textured surface's corner coordinates come from: its UV map, or the
// projection the reader applies (front and unknown values map as planar).
static bool fromUvMap(const LwTexture* t) { return t->type == lwId('I', 'M', 'A', 'P') && t->image.projection == lwUv; }

static const char* appliedProjection(const LwTexture* t)
{
    int32_t p = t->type == lwId('I', 'M', 'A', 'P') ? t->image.projection : lwPlanar;
    return p == lwCylindrical || p == lwSpherical || p == lwCubic ? projectionName(p) : "planar";
}

// ---- JSON ---------------------------------------------------------------------------

// Fields in the order written. The numbers are the reader's floats: as
// nlohmann writes them, they are as short as reads back the same float.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t, std::uint64_t,
                                  float>;

static Json number(float v) { return jsonNumber<Json>(v); }
static Json name(const char* s) { return jsonText<Json>(s); }
static Json idName(uint32_t id) { return lwIdText(id).text; }

static Json floats(const float* v, int n)
{
    Json a = Json::array();
    for (int i = 0; i < n; ++i) a.push_back(number(v[i]));
    return a;
}

// --full's layout, one record a line: every object in a list starts a line,
// but a polygon's corners stay on their polygon's.
static void writeRecords(const Json& v, bool lines, std::string& out)
{
    if (v.is_object()) {
        out += '{';
        for (auto i = v.begin(); i != v.end(); ++i) {
            if (i != v.begin()) out += ',';
            out += Json(i.key()).dump() + ':';
            writeRecords(*i, lines && i.key() != "corners", out);
        }
        out += '}';
    } else if (v.is_array()) {
        out += '[';
        for (size_t i = 0; i < v.size(); ++i) {
            if (i) out += ',';
            if (lines && v[i].is_object()) out += '\n';
            writeRecords(v[i], lines, out);
        }
        out += ']';
    } else {
        out += v.dump();
    }
}

// ---- full dump ------------------------------------------------------------------------

static bool full = false;
static int onlyLayer = -1;  // --layer N: points and polygons of that layer only

static Json hexData(const unsigned char* data, int32_t size)
{
    if (!data) return nullptr;
    std::string s;
    char b[3];
    for (int32_t i = 0; i < size; ++i) {
        std::snprintf(b, sizeof b, "%02x", data[i]);
        s += b;
    }
    return s;
}

// A value and its envelope's index.
static Json enveloped(const float* v, int n, int32_t envelope)
{
    Json a = floats(v, n);
    a.push_back(envelope);
    return a;
}

static Json enveloped(const LwEnvValue& v) { return enveloped(&v.value, 1, v.envelope); }
static Json enveloped(const LwEnvVector& v) { return enveloped(v.value, 3, v.envelope); }

static void plugins(Json& j, const char* k, const LwPluginRef* p, int32_t count)
{
    j[std::string(k) + "Count"] = count;
    Json list = Json::array();
    for (; p; p = p->next)
        list.push_back({{"ordinal", name(p->ordinal)},
                        {"name", name(p->name)},
                        {"flags", p->flags},
                        {"data", hexData(p->data, p->dataSize)}});
    j[k] = std::move(list);
}

static Json gradient(const LwGradientParams& g)
{
    Json keys = Json::array(), integerKeys = Json::array();
    for (int32_t i = 0; i < g.keyCount; ++i) {
        Json key = Json::array({number(g.keys[i].position)});
        for (float v : g.keys[i].rgba) key.push_back(number(v));
        keys.push_back(std::move(key));
    }
    for (int32_t i = 0; i < g.integerKeyCount; ++i) integerKeys.push_back(g.integerKeys[i]);
    return {{"parameter", name(g.parameterName)}, {"item", name(g.itemName)}, {"start", number(g.start)},
            {"end", number(g.end)},               {"repeat", g.repeat},       {"keys", keys},
            {"integerKeys", integerKeys}};
}

static Json fullTexture(const LwTexture* t)
{
    const LwImageParams& im = t->image;
    const LwProceduralParams& pr = t->procedural;
    const LwMapping& m = t->mapping;
    return {{"ordinal", name(t->ordinal)},
            {"type", idName(t->type)},
            {"channel", t->channel ? idName(t->channel) : Json(nullptr)},
            {"opacity", enveloped(t->opacity)},
            {"opacityType", t->opacityType},
            {"enabled", t->enabled},
            {"negative", t->negative},
            {"axis", t->axis},
            {"image",
             {{"clip", im.clip},
              {"projection", im.projection},
              {"vmap", name(im.vmapName)},
              {"axis", im.axis},
              {"wrapTypes", {im.wrapWidthType, im.wrapHeightType}},
              {"wrapWidth", enveloped(im.wrapWidth)},
              {"wrapHeight", enveloped(im.wrapHeight)},
              {"antialias", number(im.antialiasStrength)},
              {"antialiasFlags", im.antialiasFlags},
              {"pixelBlending", im.pixelBlending},
              {"sticky", enveloped(im.sticky)},
              {"amplitude", enveloped(im.amplitude)}}},
            {"procedural",
             {{"axis", pr.axis},
              {"value", floats(pr.value, 3)},
              {"name", name(pr.name)},
              {"data", hexData(pr.data, pr.dataSize)}}},
            {"gradient", gradient(t->gradient)},
            {"mapping",
             {{"size", enveloped(m.size)},
              {"center", enveloped(m.center)},
              {"rotation", enveloped(m.rotation)},
              {"falloff", enveloped(m.falloff)},
              {"falloffType", m.falloffType},
              {"reference", name(m.referenceObject)},
              {"coordinateSystem", m.coordinateSystem}}}};
}

static Json channel(const float* v, int n, int32_t envelope, const LwTexture* textures)
{
    Json list = Json::array();
    for (const LwTexture* t = textures; t; t = t->next) list.push_back(fullTexture(t));
    return {{"value", enveloped(v, n, envelope)}, {"textures", std::move(list)}};
}

static Json channel(const LwChannel& c) { return channel(&c.value, 1, c.envelope, c.textures); }

static Json mirror(const LwMirrorChannel& m)
{
    Json j = channel(m.channel);
    j["options"] = m.options;
    j["clip"] = m.clip;
    j["seamAngle"] = number(m.seamAngle);
    return j;
}

static void fullSurface(Json& j, const LwSurface* s)
{
    j["source"] = name(s->sourceName);
    j["colorChannel"] = channel(s->color.rgb, 3, s->color.envelope, s->color.textures);
    j["luminosity"] = channel(s->luminosity);
    j["diffuseChannel"] = channel(s->diffuse);
    j["specularChannel"] = channel(s->specularity);
    j["glossiness"] = channel(s->glossiness);
    j["reflection"] = mirror(s->reflection);
    j["transparency"] = mirror(s->transparency);
    j["refractionIndex"] = channel(s->refractionIndex);
    j["translucency"] = channel(s->translucency);
    j["bump"] = channel(s->bump);
    j["alpha"] = number(s->alpha);
    j["alphaMode"] = s->alphaMode;
    j["colorHighlights"] = enveloped(s->colorHighlights);
    j["colorFilter"] = enveloped(s->colorFilter);
    j["additiveTransparency"] = enveloped(s->additiveTransparency);
    j["diffuseSharpness"] = enveloped(s->diffuseSharpness);
    j["glow"] = enveloped(s->glow);
    j["line"] = {s->line.enabled, s->line.flags};
    j["lineSize"] = enveloped(s->line.size);
    plugins(j, "shaders", s->shaders, s->shaderCount);
}

static void fullClip(Json& j, const LwClip* c)
{
    const LwClipSource& s = c->source;
    const LwSequenceSource& q = s.sequence;
    j["still"] = name(s.still.name);
    j["sequence"] = {{"prefix", name(q.prefix)},
                     {"suffix", name(q.suffix)},
                     {"digitsFlagsOffsetStartEnd", {q.digits, q.flags, q.offset, q.start, q.end}}};
    j["animation"] = {{"name", name(s.animation.name)},
                      {"server", name(s.animation.server)},
                      {"data", hexData(s.animation.data, s.animation.dataSize)}};
    j["reference"] = name(s.reference.string);
    j["referenceIndex"] = s.reference.index;
    j["cycle"] = name(s.cycle.name);
    j["cycleLow"] = s.cycle.low;
    j["cycleHigh"] = s.cycle.high;
    j["time"] = {number(c->startTime), number(c->duration), number(c->frameRate)};
    j["contrast"] = enveloped(c->contrast);
    j["brightness"] = enveloped(c->brightness);
    j["saturation"] = enveloped(c->saturation);
    j["hue"] = enveloped(c->hue);
    j["gamma"] = enveloped(c->gamma);
    j["negative"] = c->negative;
    plugins(j, "imageFilters", c->imageFilters, c->imageFilterCount);
    plugins(j, "pixelFilters", c->pixelFilters, c->pixelFilterCount);
}

static void fullEnvelope(Json& j, const LwEnvelope* e)
{
    j["type"] = e->type;
    j["pre"] = e->curve.pre;
    j["post"] = e->curve.post;
    Json keys = Json::array();
    for (int32_t i = 0; i < e->curve.count; ++i) {
        const LwChannelKey& k = e->curve.keys[i];
        keys.push_back({{"time", number(float(k.time))},
                        {"value", number(float(k.value))},
                        {"shape", idName(lwSpanShapeId(k.shape))},
                        {"p", floats(k.p, 6)}});
    }
    j["keyList"] = std::move(keys);
    plugins(j, "channelFilters", e->channelFilters, e->channelFilterCount);
}

static int surfaceIndex(const LwObject* o, const LwSurface* s)
{
    int i = 0;
    for (const LwSurface* x = o->surfaces; x; x = x->next, ++i)
        if (x == s) return i;
    return -1;
}

static int vmapIndex(const LwLayer* l, const LwVMap* m)
{
    int i = 0;
    for (const LwVMap* x = l->vmaps; x; x = x->next, ++i)
        if (x == m) return i;
    return -1;
}

// Vertex-map links as [map index in the layer, entry] pairs.
static Json links(const LwLayer* l, const LwVMapLink* links, int32_t count)
{
    Json a = Json::array();
    for (int32_t i = 0; i < count; ++i) a.push_back({vmapIndex(l, links[i].map), links[i].entry});
    return a;
}

static Json polygon(const LwObject* o, const LwLayer* l, const LwPolygonRec& p)
{
    Json corners = Json::array();
    for (int32_t k = 0; k < p.cornerCount; ++k)
        corners.push_back({{"point", p.corners[k].point},
                           {"normal", floats(p.corners[k].normal, 3)},
                           {"vmaps", links(l, p.corners[k].vmapLinks, p.corners[k].vmapCount)}});
    return {{"surface", surfaceIndex(o, p.surface)},
            {"tag", p.surfaceTag},
            {"part", p.part},
            {"group", p.smoothingGroup},
            {"flags", p.flags},
            {"type", idName(p.type)},
            {"normal", floats(p.normal, 3)},
            {"corners", std::move(corners)},
            {"uv", p.uv ? floats(p.uv, 2 * p.cornerCount) : Json(nullptr)}};
}

static void fullLayer(Json& j, const LwObject* o, const LwLayer* l)
{
    j["flags"] = l->flags;
    j["pivot"] = floats(l->pivot, 3);
    j["pointOffset"] = l->points.offset;
    j["polygonOffset"] = l->polygons.offset;
    j["cornerOffset"] = l->polygons.cornerOffset;
    j["vmapCount"] = l->vmapCount;
    if (onlyLayer >= 0 && l->number != onlyLayer) return;
    Json points = Json::array(), polygons = Json::array();
    for (int32_t i = 0; i < l->points.count; ++i) {
        const LwPointRec& p = l->points.items[i];
        points.push_back({{"pos", floats(p.pos, 3)},
                          {"polygons", std::vector<int32_t>(p.polygons, p.polygons + p.polygonCount)},
                          {"vmaps", links(l, p.vmapLinks, p.vmapCount)}});
    }
    for (int32_t i = 0; i < l->polygons.count; ++i) polygons.push_back(polygon(o, l, l->polygons.items[i]));
    j["pointList"] = std::move(points);
    j["polygonList"] = std::move(polygons);
}

static void fullVMap(Json& j, const LwLayer* l, const LwVMap* m)
{
    if (onlyLayer >= 0 && l->number != onlyLayer) return;
    Json entries = Json::array();
    for (int32_t e = 0; e < m->entryCount; ++e) {
        Json entry = {{"point", m->pointIndex[e]}};
        if (m->perPolygon) entry["polygon"] = m->polygonIndex[e];
        entry["values"] = m->values ? floats(m->values[e], m->dimension) : Json(nullptr);
        entries.push_back(std::move(entry));
    }
    j["entryList"] = std::move(entries);
}

// ---- SubPatches -------------------------------------------------------------------------

static int subdivisionLevel = lwSubdivisionDefaultLevel;

// The layer's SubPatch counts; false when it has no SubPatch.
static bool subpatches(const LwLayer* l, LwSubdivision* r)
{
    measureLwSubdivision(l, subdivisionLevel, r);
    return r->controlPolygons > 0;
}

static void jsonSubpatches(Json& j, const LwLayer* l)
{
    LwSubdivision r;
    if (!subpatches(l, &r)) return;
    j["subpatches"] = {{"level", r.level},
                       {"control", r.controlPolygons},
                       {"subdivided", r.subdividedPolygons},
                       {"degenerate", r.degenerate},
                       {"nonManifoldEdges", r.nonManifoldEdges},
                       {"problem", name(lwSubdivisionProblemText(r))}};
}

static void printSubpatches(const LwLayer* l)
{
    LwSubdivision r;
    if (!subpatches(l, &r)) return;
    std::printf("    subpatches: %d control polygons, %d polygons at level %d", r.controlPolygons, r.subdividedPolygons,
                r.level);
    if (r.degenerate) std::printf(", %d degenerate left as they are", r.degenerate);
    if (r.nonManifoldEdges) std::printf(", %d non-manifold edges", r.nonManifoldEdges);
    if (r.problem) std::printf(" (%s)", lwSubdivisionProblemText(r));
    std::printf("\n");
}

// ---- vertex colours -----------------------------------------------------------------------

// How a surface's VCOL map serves its polygons: the corners it colours in
// every layer, and the first layer's problem with it (null when none).
struct VertexColorUse {
    long corners = 0;
    const char* problem = nullptr;
};

static VertexColorUse vertexColorUse(const LwObject* o, const LwSurface* s)
{
    VertexColorUse use;
    for (const LwLayer* l = o->layers; l; l = l->next) {
        LwVertexColorMaps maps = findLwVertexColorMaps(l, s);
        bool used = false;
        for (int32_t p = 0; p < l->polygons.count; ++p) {
            const LwPolygonRec& rec = l->polygons.items[p];
            if (rec.surface != s) continue;
            used = true;
            float rgba[4];
            for (int32_t c = 0; c < rec.cornerCount; ++c) use.corners += lwCornerColor(l, &rec, c, maps, rgba);
        }
        if (used && !use.problem) use.problem = lwVertexColorProblem(maps.status);
    }
    return use;
}

static void jsonVertexColors(Json& j, const LwObject* o, const LwSurface* s)
{
    if (!s->vertexColor.mapName) return;
    VertexColorUse use = vertexColorUse(o, s);
    j["vertexColors"] = {{"map", name(s->vertexColor.mapName)},
                         {"type", idName(s->vertexColor.mapType)},
                         {"intensity", number(s->vertexColor.intensity.value)},
                         {"corners", use.corners},
                         {"problem", name(use.problem)}};
}

static void printVertexColors(const LwObject* o, const LwSurface* s)
{
    if (!s->vertexColor.mapName) return;
    VertexColorUse use = vertexColorUse(o, s);
    std::printf("    vertex colours \"%s\" %s intensity %g: %ld corners", s->vertexColor.mapName,
                lwIdText(s->vertexColor.mapType).text, s->vertexColor.intensity.value, use.corners);
    if (use.problem) std::printf(" (%s)", use.problem);
    std::printf("\n");
}

static void jsonTexCoords(Json& j, const LwSurface* s)
{
    const LwTexture* t = s->color.textures;
    if (!t) {
        j["texCoords"] = nullptr;
        return;
    }
    Json c = {{"source", fromUvMap(t) ? "uvmap" : "projection"}};
    if (fromUvMap(t)) {
        c["map"] = name(t->image.vmapName);
        c["mappedCorners"] = s->uvMappedCorners;
        c["missedCorners"] = s->uvMissedCorners;
    } else {
        c["projection"] = appliedProjection(t);
    }
    j["texCoords"] = std::move(c);
}

static Json jsonLayer(const LwObject* o, const LwLayer* l)
{
    std::map<int, int> histogram;
    long corners = 0;
    for (int32_t i = 0; i < l->polygons.count; ++i) {
        ++histogram[l->polygons.items[i].cornerCount];
        corners += l->polygons.items[i].cornerCount;
    }
    Json counts = Json::object();
    for (const auto& h : histogram) counts[std::to_string(h.first)] = h.second;
    Json j = {{"name", name(l->name)},
              {"number", l->number},
              {"parent", l->parent >= 0 ? Json(l->parent) : Json(nullptr)},
              {"points", l->points.count},
              {"polygons", l->polygons.count},
              {"corners", corners},
              {"histogram", std::move(counts)},
              {"bbox", floats(l->bbox, 6)}};
    jsonSubpatches(j, l);
    if (full) fullLayer(j, o, l);
    return j;
}

static Json jsonSurface(const LwObject* o, const LwSurface* s)
{
    const LwTexture* t = s->color.textures;
    Json texture = nullptr;
    if (t) {
        const bool image = t->type == lwId('I', 'M', 'A', 'P');
        texture = {{"type", idName(t->type)},
                   {"projection", image ? projectionName(t->image.projection) : "planar"},
                   {"axis", textureAxis(t)},
                   {"size", floats(t->mapping.size.value, 3)},
                   {"center", floats(t->mapping.center.value, 3)},
                   {"clip", image ? t->image.clip : 0},
                   {"image", name(clipImage(o, t))}};
    }
    Json j = {{"name", name(s->name)},
              {"color", floats(s->color.rgb, 3)},
              {"diffuse", number(s->diffuse.value)},
              {"specularity", number(s->specularity.value)},
              {"smoothAngle", number(s->smoothAngle)},
              {"sidedness", s->sidedness},
              {"texture", std::move(texture)}};
    jsonVertexColors(j, o, s);
    jsonTexCoords(j, s);
    if (full) fullSurface(j, s);
    return j;
}

static void jsonObject(Json& j, const LwObject* o)
{
    if (full) {
        j["layerCount"] = o->layerCount;
        j["surfaceCount"] = o->surfaceCount;
        j["clipCount"] = o->clipCount;
        j["envelopeCount"] = o->envelopeCount;
        j["tagOffset"] = o->tags.offset;
        Json tags = Json::array();
        for (int32_t i = 0; i < o->tags.count; ++i) tags.push_back(name(o->tags.strings[i]));
        j["tags"] = std::move(tags);
    }
    Json layers = Json::array(), surfaces = Json::array(), clips = Json::array(), envelopes = Json::array(),
         vmaps = Json::array();
    for (const LwLayer* l = o->layers; l; l = l->next) layers.push_back(jsonLayer(o, l));
    for (const LwSurface* s = o->surfaces; s; s = s->next) surfaces.push_back(jsonSurface(o, s));
    for (const LwClip* c = o->clips; c; c = c->next) {
        Json clip = {{"index", c->index}, {"kind", idName(c->type)}, {"name", name(lwClipFirstName(c))}};
        if (full) fullClip(clip, c);
        clips.push_back(std::move(clip));
    }
    for (const LwEnvelope* e = o->envelopes; e; e = e->next) {
        Json envelope = {{"index", e->index}, {"name", name(e->name)}, {"keys", e->curve.count}};
        if (full) fullEnvelope(envelope, e);
        envelopes.push_back(std::move(envelope));
    }
    for (const LwLayer* l = o->layers; l; l = l->next) {
        for (const LwVMap* m = l->vmaps; m; m = m->next) {
            Json vmap = {{"layer", l->number},        {"name", name(m->name)},      {"type", idName(m->type)},
                         {"dimension", m->dimension}, {"entries", m->entryCount}, {"perPolygon", m->perPolygon != 0}};
            if (full) fullVMap(vmap, l, m);
            vmaps.push_back(std::move(vmap));
        }
    }
    j["layers"] = std::move(layers);
    j["surfaces"] = std::move(surfaces);
    j["clips"] = std::move(clips);
    j["envelopes"] = std::move(envelopes);
    j["vmaps"] = std::move(vmaps);
}

// ---- text -----------------------------------------------------------------------------

static const char* text(const char* s) { return s ? s : "(none)"; }

static void printObject(const LwObject* o)
{
    for (const LwLayer* l = o->layers; l; l = l->next) {
        std::map<int, int> histogram;
        for (int32_t i = 0; i < l->polygons.count; ++i) ++histogram[l->polygons.items[i].cornerCount];
        std::printf("  layer \"%s\" number %d", text(l->name), l->number);
        if (l->parent >= 0) std::printf(" parent %d", l->parent);
        std::printf(": %d points, %d polygons (", l->points.count, l->polygons.count);
        const char* sep = "";
        for (const auto& h : histogram) {
            std::printf("%s%d corners x %d", sep, h.first, h.second);
            sep = ", ";
        }
        const float* b = l->bbox;
        std::printf(")\n    bbox (%g %g %g) - (%g %g %g)\n", b[0], b[1], b[2], b[3], b[4], b[5]);
        if (l->storedNormals) std::printf("    normals: %d corners from a NORM map, the rest smoothed\n", l->storedNormals);
        printSubpatches(l);
    }
    for (const LwSurface* s = o->surfaces; s; s = s->next) {
        std::printf("  surface \"%s\": color (%g %g %g) diffuse %g specularity %g smoothing %g rad, %s\n",
                    text(s->name), s->color.rgb[0], s->color.rgb[1], s->color.rgb[2], s->diffuse.value,
                    s->specularity.value, s->smoothAngle, s->sidedness == 3 ? "double-sided" : "one-sided");
        if (s->material) std::printf("    material from node \"%s\"", s->material);
        if (s->material && s->physical) std::printf(" metallic %g roughness %g", s->metallic, s->roughness);
        if (s->material) std::printf("\n");
        printVertexColors(o, s);
        const LwTexture* t = s->color.textures;
        if (!t) continue;
        bool image = t->type == lwId('I', 'M', 'A', 'P');
        const float* sz = t->mapping.size.value;
        const float* c = t->mapping.center.value;
        std::printf("    colour texture %s %s axis %c size (%g %g %g) centre (%g %g %g)", lwIdText(t->type).text,
                    image ? projectionName(t->image.projection) : "planar", axisName(textureAxis(t)), sz[0], sz[1],
                    sz[2], c[0], c[1], c[2]);
        if (image) std::printf(" clip %d \"%s\"", t->image.clip, text(clipImage(o, t)));
        // What shows beyond the picture, where it is not repeated, and an Image node's tiling.
        const int32_t across = t->image.wrapWidthType, down = t->image.wrapHeightType;
        static const char* const wraps[] = {"reset", "repeat", "mirror", "edge"};
        if (image && (across >= 2 || down >= 2) && across >= 0 && across <= 3 && down >= 0 && down <= 3)
            std::printf(" wrap %s %s", wraps[across], wraps[down]);
        const float* tiles = t->image.tiles;
        if (image && ((tiles[0] != 0 && tiles[0] != 1) || (tiles[1] != 0 && tiles[1] != 1)))
            std::printf(" tiles (%g %g)", tiles[0] == 0 ? 1.0 : tiles[0], tiles[1] == 0 ? 1.0 : tiles[1]);
        std::printf("\n");
        if (fromUvMap(t))
            std::printf("    texture coordinates from UV map \"%s\": %d corners mapped, %d missed\n",
                        text(t->image.vmapName), s->uvMappedCorners, s->uvMissedCorners);
        else
            std::printf("    texture coordinates from %s projection\n", appliedProjection(t));
    }
    for (const LwClip* c = o->clips; c; c = c->next)
        std::printf("  clip %d %s \"%s\"\n", c->index, lwIdText(c->type).text, text(lwClipFirstName(c)));
    for (const LwEnvelope* e = o->envelopes; e; e = e->next)
        std::printf("  envelope %d \"%s\": %d keys\n", e->index, text(e->name), e->curve.count);
    for (const LwLayer* l = o->layers; l; l = l->next)
        for (const LwVMap* m = l->vmaps; m; m = m->next)
            std::printf("  vmap \"%s\" %s dimension %d: %d entries%s (layer %d)\n", text(m->name),
                        lwIdText(m->type).text, m->dimension, m->entryCount, m->perPolygon ? " per polygon" : "",
                        l->number);
}

static const char usage[] = "usage: lwo-info [--json [--full [--layer N]]] [--subdiv N] FILE...\n";

int main(int argc, char** argv)
{
    // What the reader makes of a file is this tool's output, not its load lines.
    lwSetLog(lwLogNowhere, nullptr);
    bool json = false;
    static const option longOptions[] = {{"json", no_argument, nullptr, 'j'},
                                         {"full", no_argument, nullptr, 'f'},
                                         {"layer", required_argument, nullptr, 'l'},
                                         {"subdiv", required_argument, nullptr, 's'},
                                         {}};
    const int first = parseOptions(argc, argv, "", longOptions, usage, 1, -1, [&](int val, const char* argument) {
        switch (val) {
        case 'j': json = true; return true;
        case 'f': full = true; return true;
        case 'l': return numberArgument("--layer", argument, 0, 0xFFFF, &onlyLayer);
        default: return numberArgument("--subdiv", argument, 0, 100, &subdivisionLevel);
        }
    });
    if (first < 0) return 2;
    int failed = 0;
    for (int i = first; i < argc; ++i) {
        const char* path = argv[i];
        if (lwIsSceneFile(path)) {
            failed += !printLwScene(path, json);
            continue;
        }
        std::string form = formOf(path);
        uint32_t failId = 0;
        int32_t failPos = -1;
        LwObject* o = readLwObject(path, &failId, &failPos);
        if (!o) ++failed;
        if (json) {
            Json j = {{"file", name(path)}, {"ok", o != nullptr}, {"form", form.empty() ? Json(nullptr) : Json(form)}};
            if (o) {
                jsonObject(j, o);
            } else {
                j["failId"] = failId ? idName(failId) : Json(nullptr);
                j["failPos"] = failPos >= 0 ? Json(failPos) : Json(nullptr);
                j["failReason"] = name(lwFailReason());
            }
            std::string out;
            writeRecords(j, full, out);
            std::printf("%s\n", out.c_str());
        } else if (!o) {
            std::printf("%s: failed", path);
            if (failId) std::printf(" in chunk '%s'", lwIdText(failId).text);
            if (failPos >= 0) std::printf(" at position %d", failPos);
            if (lwFailReason()) std::printf(": %s", lwFailReason());
            std::printf("\n");
        } else {
            std::printf("%s: form %s, %d layers, %d surfaces, %d clips, %d envelopes\n", path, form.c_str(),
                        o->layerCount, o->surfaceCount, o->clipCount, o->envelopeCount);
            printObject(o);
        }
        freeLwObject(o);
    }
    return failed ? 1 : 0;
}
