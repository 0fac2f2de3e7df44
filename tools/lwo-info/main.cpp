// lwo-info [--json [--full [--layer N]]] [--subdiv N] FILE...: what the LightWave reader makes of each file.
// --full adds every record the reader filled (points, polygons, corners, every surface, texture,
// clip and envelope field), one record a line; --layer N lists points and polygons of layer N only.
// Layers with SubPatches also give their control and subdivided polygon counts at level N (default 2).
// Exit status 0 when every file loaded, 1 otherwise (2 for bad usage).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "lightwave.h"
#include "lwsubdiv.h"

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

class Json {
public:
    std::string out;
    bool first = true;
    bool pretty = false;  // records opened with `line` start a new line

    void open(char c, bool line = false)
    {
        comma();
        if (pretty && line) out += '\n';
        out += c;
        first = true;
    }
    void close(char c)
    {
        out += c;
        first = false;
    }
    void key(const char* k)
    {
        comma();
        quoted(k);
        out += ':';
        first = true;  // the value follows without a comma
    }
    void string(const char* s)
    {
        comma();
        if (s) quoted(s);
        else out += "null";
    }
    void number(double v)
    {
        comma();
        if (std::isfinite(v)) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.9g", v);
            out += buf;
        } else {
            out += "null";
        }
        first = false;
    }
    void boolean(bool b)
    {
        comma();
        out += b ? "true" : "false";
        first = false;
    }
    void null()
    {
        comma();
        out += "null";
        first = false;
    }
    void floats(const float* v, int n)
    {
        open('[');
        for (int i = 0; i < n; ++i) number(v[i]);
        close(']');
    }

private:
    void quoted(const char* s)
    {
        out += '"';
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
            if (*p == '"' || *p == '\\') {
                out += '\\';
                out += char(*p);
            } else if (*p < 0x20 || *p >= 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", *p);
                out += buf;
            } else {
                out += char(*p);
            }
        }
        out += '"';
    }
    void comma()
    {
        if (!first) out += ',';
        first = false;
    }
};


// ---- full dump ------------------------------------------------------------------------

static bool full = false;
static int onlyLayer = -1;  // --layer N: points and polygons of that layer only

static void field(Json& j, const char* k, double v)
{
    j.key(k);
    j.number(v);
}

static void field(Json& j, const char* k, const char* v)
{
    j.key(k);
    j.string(v);
}

static void hexField(Json& j, const char* k, const unsigned char* data, int32_t size)
{
    j.key(k);
    if (!data) return j.null();
    std::string s;
    char b[3];
    for (int32_t i = 0; i < size; ++i) {
        std::snprintf(b, sizeof b, "%02x", data[i]);
        s += b;
    }
    j.string(s.c_str());
}

static void envField(Json& j, const char* k, const float* v, int n, int32_t envelope)
{
    j.key(k);
    j.open('[');
    for (int i = 0; i < n; ++i) j.number(v[i]);
    j.number(envelope);
    j.close(']');
}

static void envField(Json& j, const char* k, const LwEnvValue& v) { envField(j, k, &v.value, 1, v.envelope); }
static void envField(Json& j, const char* k, const LwEnvVector& v) { envField(j, k, v.value, 3, v.envelope); }

static void plugins(Json& j, const char* k, const LwPluginRef* p, int32_t count)
{
    field(j, (std::string(k) + "Count").c_str(), count);
    j.key(k);
    j.open('[');
    for (; p; p = p->next) {
        j.open('{', true);
        field(j, "ordinal", p->ordinal);
        field(j, "name", p->name);
        field(j, "flags", p->flags);
        hexField(j, "data", p->data, p->dataSize);
        j.close('}');
    }
    j.close(']');
}

static void fullTexture(Json& j, const LwTexture* t)
{
    j.open('{', true);
    field(j, "ordinal", t->ordinal);
    field(j, "type", lwIdText(t->type).text);
    field(j, "channel", t->channel ? lwIdText(t->channel).text : nullptr);
    envField(j, "opacity", t->opacity);
    field(j, "opacityType", t->opacityType);
    field(j, "enabled", t->enabled);
    field(j, "negative", t->negative);
    field(j, "axis", t->axis);
    const LwImageParams& im = t->image;
    j.key("image");
    j.open('{');
    field(j, "clip", im.clip);
    field(j, "projection", im.projection);
    field(j, "vmap", im.vmapName);
    field(j, "axis", im.axis);
    j.key("wrapTypes");
    j.open('[');
    j.number(im.wrapWidthType);
    j.number(im.wrapHeightType);
    j.close(']');
    envField(j, "wrapWidth", im.wrapWidth);
    envField(j, "wrapHeight", im.wrapHeight);
    field(j, "antialias", im.antialiasStrength);
    field(j, "antialiasFlags", im.antialiasFlags);
    field(j, "pixelBlending", im.pixelBlending);
    envField(j, "sticky", im.sticky);
    envField(j, "amplitude", im.amplitude);
    j.close('}');
    const LwProceduralParams& pr = t->procedural;
    j.key("procedural");
    j.open('{');
    field(j, "axis", pr.axis);
    j.key("value");
    j.floats(pr.value, 3);
    field(j, "name", pr.name);
    hexField(j, "data", pr.data, pr.dataSize);
    j.close('}');
    const LwGradientParams& g = t->gradient;
    j.key("gradient");
    j.open('{');
    field(j, "parameter", g.parameterName);
    field(j, "item", g.itemName);
    field(j, "start", g.start);
    field(j, "end", g.end);
    field(j, "repeat", g.repeat);
    j.key("keys");
    j.open('[');
    for (int32_t i = 0; i < g.keyCount; ++i) {
        j.open('[');
        j.number(g.keys[i].position);
        for (float v : g.keys[i].rgba) j.number(v);
        j.close(']');
    }
    j.close(']');
    j.key("integerKeys");
    j.open('[');
    for (int32_t i = 0; i < g.integerKeyCount; ++i) j.number(g.integerKeys[i]);
    j.close(']');
    j.close('}');
    const LwMapping& m = t->mapping;
    j.key("mapping");
    j.open('{');
    envField(j, "size", m.size);
    envField(j, "center", m.center);
    envField(j, "rotation", m.rotation);
    envField(j, "falloff", m.falloff);
    field(j, "falloffType", m.falloffType);
    field(j, "reference", m.referenceObject);
    field(j, "coordinateSystem", m.coordinateSystem);
    j.close('}');
    j.close('}');
}

static void channel(Json& j, const char* k, const float* v, int n, int32_t envelope, const LwTexture* textures)
{
    j.key(k);
    j.open('{');
    envField(j, "value", v, n, envelope);
    j.key("textures");
    j.open('[');
    for (const LwTexture* t = textures; t; t = t->next) fullTexture(j, t);
    j.close(']');
}

static void channel(Json& j, const char* k, const LwChannel& c)
{
    channel(j, k, &c.value, 1, c.envelope, c.textures);
    j.close('}');
}

static void mirror(Json& j, const char* k, const LwMirrorChannel& m)
{
    channel(j, k, &m.channel.value, 1, m.channel.envelope, m.channel.textures);
    field(j, "options", m.options);
    field(j, "clip", m.clip);
    field(j, "seamAngle", m.seamAngle);
    j.close('}');
}

static void fullSurface(Json& j, const LwSurface* s)
{
    field(j, "source", s->sourceName);
    channel(j, "colorChannel", s->color.rgb, 3, s->color.envelope, s->color.textures);
    j.close('}');
    channel(j, "luminosity", s->luminosity);
    channel(j, "diffuseChannel", s->diffuse);
    channel(j, "specularChannel", s->specularity);
    channel(j, "glossiness", s->glossiness);
    mirror(j, "reflection", s->reflection);
    mirror(j, "transparency", s->transparency);
    channel(j, "refractionIndex", s->refractionIndex);
    channel(j, "translucency", s->translucency);
    channel(j, "bump", s->bump);
    field(j, "alpha", s->alpha);
    field(j, "alphaMode", s->alphaMode);
    envField(j, "colorHighlights", s->colorHighlights);
    envField(j, "colorFilter", s->colorFilter);
    envField(j, "additiveTransparency", s->additiveTransparency);
    envField(j, "diffuseSharpness", s->diffuseSharpness);
    envField(j, "glow", s->glow);
    j.key("line");
    j.open('[');
    j.number(s->line.enabled);
    j.number(s->line.flags);
    j.close(']');
    envField(j, "lineSize", s->line.size);
    plugins(j, "shaders", s->shaders, s->shaderCount);
}

static void fullClip(Json& j, const LwClip* c)
{
    const LwClipSource& s = c->source;
    field(j, "still", s.still.name);
    j.key("sequence");
    j.open('{');
    field(j, "prefix", s.sequence.prefix);
    field(j, "suffix", s.sequence.suffix);
    j.key("digitsFlagsOffsetStartEnd");
    j.open('[');
    for (int32_t v : {s.sequence.digits, s.sequence.flags, s.sequence.offset, s.sequence.start, s.sequence.end})
        j.number(v);
    j.close(']');
    j.close('}');
    j.key("animation");
    j.open('{');
    field(j, "name", s.animation.name);
    field(j, "server", s.animation.server);
    hexField(j, "data", s.animation.data, s.animation.dataSize);
    j.close('}');
    field(j, "reference", s.reference.string);
    field(j, "referenceIndex", s.reference.index);
    field(j, "cycle", s.cycle.name);
    field(j, "cycleLow", s.cycle.low);
    field(j, "cycleHigh", s.cycle.high);
    j.key("time");
    j.open('[');
    for (float v : {c->startTime, c->duration, c->frameRate}) j.number(v);
    j.close(']');
    envField(j, "contrast", c->contrast);
    envField(j, "brightness", c->brightness);
    envField(j, "saturation", c->saturation);
    envField(j, "hue", c->hue);
    envField(j, "gamma", c->gamma);
    field(j, "negative", c->negative);
    plugins(j, "imageFilters", c->imageFilters, c->imageFilterCount);
    plugins(j, "pixelFilters", c->pixelFilters, c->pixelFilterCount);
}

static void fullEnvelope(Json& j, const LwEnvelope* e)
{
    field(j, "type", e->type);
    field(j, "pre", e->preBehavior);
    field(j, "post", e->postBehavior);
    j.key("keyList");
    j.open('[');
    for (const LwEnvelopeKey* k = e->keys; k; k = k->next) {
        j.open('{', true);
        field(j, "time", k->time);
        field(j, "value", k->value);
        field(j, "shape", lwIdText(k->shape).text);
        j.key("tcb");
        j.open('[');
        for (float v : {k->tension, k->continuity, k->bias}) j.number(v);
        j.close(']');
        j.key("param");
        j.floats(k->param, 4);
        j.close('}');
    }
    j.close(']');
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
static void links(Json& j, const LwLayer* l, const LwVMapLink* links, int32_t count)
{
    j.key("vmaps");
    j.open('[');
    for (int32_t i = 0; i < count; ++i) {
        j.open('[');
        j.number(vmapIndex(l, links[i].map));
        j.number(links[i].entry);
        j.close(']');
    }
    j.close(']');
}

static void fullLayer(Json& j, const LwObject* o, const LwLayer* l)
{
    field(j, "flags", l->flags);
    j.key("pivot");
    j.floats(l->pivot, 3);
    field(j, "pointOffset", l->points.offset);
    field(j, "polygonOffset", l->polygons.offset);
    field(j, "cornerOffset", l->polygons.cornerOffset);
    field(j, "vmapCount", l->vmapCount);
    if (onlyLayer >= 0 && l->number != onlyLayer) return;
    j.key("pointList");
    j.open('[');
    for (int32_t i = 0; i < l->points.count; ++i) {
        const LwPointRec& p = l->points.items[i];
        j.open('{', true);
        j.key("pos");
        j.floats(p.pos, 3);
        j.key("polygons");
        j.open('[');
        for (int32_t k = 0; k < p.polygonCount; ++k) j.number(p.polygons[k]);
        j.close(']');
        links(j, l, p.vmapLinks, p.vmapCount);
        j.close('}');
    }
    j.close(']');
    j.key("polygonList");
    j.open('[');
    for (int32_t i = 0; i < l->polygons.count; ++i) {
        const LwPolygonRec& p = l->polygons.items[i];
        j.open('{', true);
        field(j, "surface", surfaceIndex(o, p.surface));
        field(j, "tag", p.surfaceTag);
        field(j, "part", p.part);
        field(j, "group", p.smoothingGroup);
        field(j, "flags", p.flags);
        field(j, "type", lwIdText(p.type).text);
        j.key("normal");
        j.floats(p.normal, 3);
        j.key("corners");
        j.open('[');
        for (int32_t k = 0; k < p.cornerCount; ++k) {
            j.open('{');
            field(j, "point", p.corners[k].point);
            j.key("normal");
            j.floats(p.corners[k].normal, 3);
            links(j, l, p.corners[k].vmapLinks, p.corners[k].vmapCount);
            j.close('}');
        }
        j.close(']');
        j.key("uv");
        if (p.uv) j.floats(p.uv, 2 * p.cornerCount);
        else j.null();
        j.close('}');
    }
    j.close(']');
}

static void fullVMap(Json& j, const LwLayer* l, const LwVMap* m)
{
    if (onlyLayer >= 0 && l->number != onlyLayer) return;
    j.key("entryList");
    j.open('[');
    for (int32_t e = 0; e < m->entryCount; ++e) {
        j.open('{', true);
        field(j, "point", m->pointIndex[e]);
        if (m->perPolygon) field(j, "polygon", m->polygonIndex[e]);
        j.key("values");
        if (m->values) j.floats(m->values[e], m->dimension);
        else j.null();
        j.close('}');
    }
    j.close(']');
}

// ---- SubPatches -------------------------------------------------------------------------

static int subdivisionLevel = lwSubdivisionDefaultLevel;

static const char* subdivisionProblem(LwSubdivisionProblem p)
{
    static const char* names[] = {nullptr, "level lowered", "too large, cage kept", "topology refused, cage kept",
                                  "out of memory, cage kept"};
    return p >= lwSubdivisionFine && p <= lwSubdivisionNoMemory ? names[p] : "unknown";
}

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
    j.key("subpatches");
    j.open('{');
    field(j, "level", r.level);
    field(j, "control", r.controlPolygons);
    field(j, "subdivided", r.subdividedPolygons);
    field(j, "degenerate", r.degenerate);
    field(j, "nonManifoldEdges", r.nonManifoldEdges);
    field(j, "problem", subdivisionProblem(r.problem));
    j.close('}');
}

static void printSubpatches(const LwLayer* l)
{
    LwSubdivision r;
    if (!subpatches(l, &r)) return;
    std::printf("    subpatches: %d control polygons, %d polygons at level %d", r.controlPolygons, r.subdividedPolygons,
                r.level);
    if (r.degenerate) std::printf(", %d degenerate left as they are", r.degenerate);
    if (r.nonManifoldEdges) std::printf(", %d non-manifold edges", r.nonManifoldEdges);
    if (r.problem) std::printf(" (%s)", subdivisionProblem(r.problem));
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
    j.key("vertexColors");
    j.open('{');
    field(j, "map", s->vertexColor.mapName);
    field(j, "type", lwIdText(s->vertexColor.mapType).text);
    field(j, "intensity", s->vertexColor.intensity.value);
    field(j, "corners", double(use.corners));
    field(j, "problem", use.problem);
    j.close('}');
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
    j.key("texCoords");
    if (!t) {
        j.null();
        return;
    }
    j.open('{');
    j.key("source");
    j.string(fromUvMap(t) ? "uvmap" : "projection");
    if (fromUvMap(t)) {
        j.key("map");
        j.string(t->image.vmapName);
        j.key("mappedCorners");
        j.number(s->uvMappedCorners);
        j.key("missedCorners");
        j.number(s->uvMissedCorners);
    } else {
        j.key("projection");
        j.string(appliedProjection(t));
    }
    j.close('}');
}

static void jsonObject(Json& j, const LwObject* o)
{
    if (full) {
        field(j, "layerCount", o->layerCount);
        field(j, "surfaceCount", o->surfaceCount);
        field(j, "clipCount", o->clipCount);
        field(j, "envelopeCount", o->envelopeCount);
        field(j, "tagOffset", o->tags.offset);
        j.key("tags");
        j.open('[');
        for (int32_t i = 0; i < o->tags.count; ++i) j.string(o->tags.strings[i]);
        j.close(']');
    }
    j.key("layers");
    j.open('[');
    for (const LwLayer* l = o->layers; l; l = l->next) {
        std::map<int, int> histogram;
        long corners = 0;
        for (int32_t i = 0; i < l->polygons.count; ++i) {
            ++histogram[l->polygons.items[i].cornerCount];
            corners += l->polygons.items[i].cornerCount;
        }
        j.open('{', true);
        j.key("name");
        j.string(l->name);
        j.key("number");
        j.number(l->number);
        j.key("parent");
        if (l->parent >= 0) j.number(l->parent);
        else j.null();
        j.key("points");
        j.number(l->points.count);
        j.key("polygons");
        j.number(l->polygons.count);
        j.key("corners");
        j.number(double(corners));
        j.key("histogram");
        j.open('{');
        for (const auto& h : histogram) {
            j.key(std::to_string(h.first).c_str());
            j.number(h.second);
        }
        j.close('}');
        j.key("bbox");
        j.floats(l->bbox, 6);
        jsonSubpatches(j, l);
        if (full) fullLayer(j, o, l);
        j.close('}');
    }
    j.close(']');

    j.key("surfaces");
    j.open('[');
    for (const LwSurface* s = o->surfaces; s; s = s->next) {
        j.open('{', true);
        j.key("name");
        j.string(s->name);
        j.key("color");
        j.floats(s->color.rgb, 3);
        j.key("diffuse");
        j.number(s->diffuse.value);
        j.key("specularity");
        j.number(s->specularity.value);
        j.key("smoothAngle");
        j.number(s->smoothAngle);
        j.key("sidedness");
        j.number(s->sidedness);
        j.key("texture");
        const LwTexture* t = s->color.textures;
        if (!t) {
            j.null();
        } else {
            j.open('{');
            j.key("type");
            j.string(lwIdText(t->type).text);
            j.key("projection");
            j.string(t->type == lwId('I', 'M', 'A', 'P') ? projectionName(t->image.projection) : "planar");
            j.key("axis");
            j.number(textureAxis(t));
            j.key("size");
            j.floats(t->mapping.size.value, 3);
            j.key("center");
            j.floats(t->mapping.center.value, 3);
            j.key("clip");
            j.number(t->type == lwId('I', 'M', 'A', 'P') ? t->image.clip : 0);
            j.key("image");
            j.string(clipImage(o, t));
            j.close('}');
        }
        jsonVertexColors(j, o, s);
        jsonTexCoords(j, s);
        if (full) fullSurface(j, s);
        j.close('}');
    }
    j.close(']');

    j.key("clips");
    j.open('[');
    for (const LwClip* c = o->clips; c; c = c->next) {
        j.open('{', true);
        j.key("index");
        j.number(c->index);
        j.key("kind");
        j.string(lwIdText(c->type).text);
        j.key("name");
        j.string(lwClipFirstName(c));
        if (full) fullClip(j, c);
        j.close('}');
    }
    j.close(']');

    j.key("envelopes");
    j.open('[');
    for (const LwEnvelope* e = o->envelopes; e; e = e->next) {
        j.open('{', true);
        j.key("index");
        j.number(e->index);
        j.key("name");
        j.string(e->name);
        j.key("keys");
        j.number(e->keyCount);
        if (full) fullEnvelope(j, e);
        j.close('}');
    }
    j.close(']');

    j.key("vmaps");
    j.open('[');
    for (const LwLayer* l = o->layers; l; l = l->next) {
        for (const LwVMap* m = l->vmaps; m; m = m->next) {
            j.open('{', true);
            j.key("layer");
            j.number(l->number);
            j.key("name");
            j.string(m->name);
            j.key("type");
            j.string(lwIdText(m->type).text);
            j.key("dimension");
            j.number(m->dimension);
            j.key("entries");
            j.number(m->entryCount);
            j.key("perPolygon");
            j.boolean(m->perPolygon != 0);
            if (full) fullVMap(j, l, m);
            j.close('}');
        }
    }
    j.close(']');
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
        std::printf("  envelope %d \"%s\": %d keys\n", e->index, text(e->name), e->keyCount);
    for (const LwLayer* l = o->layers; l; l = l->next)
        for (const LwVMap* m = l->vmaps; m; m = m->next)
            std::printf("  vmap \"%s\" %s dimension %d: %d entries%s (layer %d)\n", text(m->name),
                        lwIdText(m->type).text, m->dimension, m->entryCount, m->perPolygon ? " per polygon" : "",
                        l->number);
}

int main(int argc, char** argv)
{
    // What the reader makes of a file is this tool's output, not its load lines.
    lwSetLog(lwLogNowhere, nullptr);
    bool json = false;
    int files = 0, failed = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            json = true;
            continue;
        }
        if (std::strcmp(argv[i], "--full") == 0) {
            full = true;
            continue;
        }
        if (std::strcmp(argv[i], "--layer") == 0 && i + 1 < argc) {
            onlyLayer = std::atoi(argv[++i]);
            continue;
        }
        if (std::strcmp(argv[i], "--subdiv") == 0 && i + 1 < argc) {
            subdivisionLevel = std::atoi(argv[++i]);
            continue;
        }
        ++files;
        const char* path = argv[i];
        std::string form = formOf(path);
        uint32_t failId = 0;
        int32_t failPos = -1;
        LwObject* o = readLwObject(path, &failId, &failPos);
        if (!o) ++failed;
        if (json) {
            Json j;
            j.pretty = full;
            j.open('{');
            j.key("file");
            j.string(path);
            j.key("ok");
            j.boolean(o != nullptr);
            j.key("form");
            j.string(form.empty() ? nullptr : form.c_str());
            if (o) {
                jsonObject(j, o);
            } else {
                j.key("failId");
                if (failId) j.string(lwIdText(failId).text);
                else j.null();
                j.key("failPos");
                if (failPos >= 0) j.number(failPos);
                else j.null();
                j.key("failReason");
                j.string(lwFailReason());
            }
            j.close('}');
            std::printf("%s\n", j.out.c_str());
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
    if (files == 0) {
        std::fprintf(stderr, "usage: lwo-info [--json [--full [--layer N]]] [--subdiv N] FILE...\n");
        return 2;
    }
    return failed ? 1 : 0;
}
