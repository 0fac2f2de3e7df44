// An LWO3 surface's node graph (FORM NODS): its nodes (NNDS: a server name,
// then FORM NTAG with the node's name and attributes) and its connections
// (NCON: runs of INME node, IINM its input, IINN the node connected, IONM that
// node's output). The look is taken from the material node connected to the
// Surface node's Material input: its attributes (FORM ENTR: NAME, then FORM
// VALU with a type name and its numbers, and layered textures in FORM TXTR).
// An Image node connected to the material's Color gives the colour texture.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "lwo3.h"

namespace {
constexpr int kMaxNodes = 256;
constexpr int kMaxConnections = 1024;
constexpr int kMaxDepth = 16;

struct Node {
    const char* server;  // NRNM, else the NSRV before it
    const char* name;    // NNME
    Lwo3Span data;       // FORM NDTA's body
};

struct Connection {
    const char* node;
    const char* input;
    const char* from;
};

struct Graph {
    Node nodes[kMaxNodes];
    int nodeCount;
    Connection connections[kMaxConnections];
    int connectionCount;
    bool tooMany;
};

// A chunk's S0, or null when it has no NUL inside.
const char* chunkString(const Lwo3Chunk& c)
{
    const void* nul = std::memchr(c.body.at, 0, size_t(c.body.end - c.body.at));
    return nul ? reinterpret_cast<const char*>(c.body.at) : nullptr;
}

bool same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

double f8(const unsigned char* p)
{
    uint64_t bits = uint64_t(lwo3U4(p)) << 32 | lwo3U4(p + 4);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

// -1: a chunk that does not fit (refused); 1: read.
int readNodeList(Lwo3Span span, Graph* g)
{
    Lwo3Chunk c;
    int more;
    const char* server = nullptr;
    while ((more = lwo3Next(&span, &c)) > 0) {
        if (!c.form && c.id == lwId('N', 'S', 'R', 'V')) server = chunkString(c);
        if (!c.form || c.id != lwId('N', 'T', 'A', 'G')) continue;
        if (g->nodeCount == kMaxNodes) {
            g->tooMany = true;
            continue;
        }
        Node* n = &g->nodes[g->nodeCount++];
        *n = {server, nullptr, {nullptr, nullptr}};
        Lwo3Span fields = c.body;
        Lwo3Chunk f;
        int inner;
        while ((inner = lwo3Next(&fields, &f)) > 0) {
            if (!f.form && f.id == lwId('N', 'R', 'N', 'M') && chunkString(f)) n->server = chunkString(f);
            if (!f.form && f.id == lwId('N', 'N', 'M', 'E')) n->name = chunkString(f);
            if (f.form && f.id == lwId('N', 'D', 'T', 'A')) n->data = f.body;
        }
        if (inner < 0) return -1;
    }
    return more < 0 ? -1 : 1;
}

int readConnections(Lwo3Span span, Graph* g)
{
    Lwo3Chunk c;
    int more;
    Connection* k = nullptr;
    while ((more = lwo3Next(&span, &c)) > 0) {
        if (c.form) continue;
        if (c.id == lwId('I', 'N', 'M', 'E')) {
            k = nullptr;
            if (g->connectionCount == kMaxConnections) {
                g->tooMany = true;
                continue;
            }
            k = &g->connections[g->connectionCount++];
            *k = {chunkString(c), nullptr, nullptr};
        } else if (k && c.id == lwId('I', 'I', 'N', 'M')) {
            k->input = chunkString(c);
        } else if (k && c.id == lwId('I', 'I', 'N', 'N')) {
            k->from = chunkString(c);
        }
    }
    return more < 0 ? -1 : 1;
}

const Node* findNode(const Graph& g, const char* name)
{
    for (int i = 0; i < g.nodeCount; ++i)
        if (same(g.nodes[i].name, name)) return &g.nodes[i];
    return nullptr;
}

// The name of the node connected to `input` of the node named `node`.
const char* connectedTo(const Graph& g, const char* node, const char* input)
{
    for (int i = 0; i < g.connectionCount; ++i)
        if (same(g.connections[i].node, node) && same(g.connections[i].input, input)) return g.connections[i].from;
    return nullptr;
}

// ---- attributes ---------------------------------------------------------------------------

struct Attribute {
    const char* name;
    double value[4];
    int count;
    Lwo3Span textures;  // FORM TXTR's body, or empty
};

// FORM VALU: a header chunk with the value's type name and, for plain types,
// the value itself; a parameter's numbers are in a nested VALU (U4 count, F8s).
int readValue(Lwo3Span span, Attribute* a, bool numbers)
{
    Lwo3Chunk c;
    int more;
    const char* type = nullptr;
    while ((more = lwo3Next(&span, &c)) > 0) {
        long n = c.body.end - c.body.at;
        if (!c.form && c.id == lwId(' ', ' ', ' ', ' ')) {
            if (!numbers) {
                const void* nul = std::memchr(c.body.at, 0, size_t(n));
                if (!nul) continue;
                type = reinterpret_cast<const char*>(c.body.at);
                long at = static_cast<const unsigned char*>(nul) - c.body.at + 1;
                at += at & 1;
                if (same(type, "double") && n - at >= 8) a->value[0] = f8(c.body.at + at), a->count = 1;
                if (same(type, "int") && n - at >= 4) a->value[0] = int32_t(lwo3U4(c.body.at + at)), a->count = 1;
            } else if (n >= 4) {
                uint32_t k = lwo3U4(c.body.at);
                for (uint32_t i = 0; i < k && i < 4 && 4 + 8 * long(i + 1) <= n; ++i)
                    a->value[i] = f8(c.body.at + 4 + 8 * i), a->count = int(i + 1);
            }
        } else if (c.form && c.id == lwId('V', 'A', 'L', 'U') && !numbers) {
            if (readValue(c.body, a, true) < 0) return -1;
        } else if (c.form && c.id == lwId('T', 'X', 'T', 'R')) {
            a->textures = c.body;
        }
    }
    return more < 0 ? -1 : 1;
}

int readAttribute(Lwo3Span span, Attribute* a)
{
    *a = {};
    Lwo3Chunk c;
    int more;
    while ((more = lwo3Next(&span, &c)) > 0) {
        if (!c.form && c.id == lwId('N', 'A', 'M', 'E')) a->name = chunkString(c);
        if (c.form && c.id == lwId('V', 'A', 'L', 'U') && readValue(c.body, a, false) < 0) return -1;
    }
    return more < 0 ? -1 : 1;
}

typedef bool (*AttributeVisit)(const Attribute& a, LwSurface* s);

// Visits every FORM ENTR under a node's data, however deep its wrappers.
int visitAttributes(Lwo3Span span, AttributeVisit visit, LwSurface* s, int depth)
{
    if (depth > kMaxDepth) return lwo3Refuse(span.at, "forms nested too deep") - 1;
    Lwo3Chunk c;
    int more;
    while ((more = lwo3Next(&span, &c)) > 0) {
        if (!c.form) continue;
        if (c.id == lwId('E', 'N', 'T', 'R')) {
            Attribute a;
            if (readAttribute(c.body, &a) < 0 || (a.name && !visit(a, s))) return -1;
        } else if (visitAttributes(c.body, visit, s, depth + 1) < 0) {
            return -1;
        }
    }
    return more < 0 ? -1 : 1;
}

float clampUnit(double v) { return v < 0 ? 0.0f : v > 1 ? 1.0f : float(v); }

// The colour input's layered textures become the surface's colour textures;
// false for a block the reader refuses.
bool takeTextures(Lwo3Span span, LwSurface* s)
{
    Lwo3Chunk c;
    int more;
    while ((more = lwo3Next(&span, &c)) > 0) {
        if (!c.form || c.id != lwId('B', 'L', 'O', 'K')) continue;
        LwTexture* t;
        if (!lwo3ReadBlock(c.body, &t)) return false;
        if (!t) continue;
        t->channel = lwId('C', 'O', 'L', 'R');
        addTexture(s, t);
    }
    return more == 0;
}

// The attributes the material nodes share, by the names LightWave gives them:
// Standard, Phong, Lambert, Blinn and the like (Color, Diffuse, Specular,
// Glossiness...), Principled BSDF (Color, Metallic, Roughness, Luminous...).
bool takeAttribute(const Attribute& a, LwSurface* s)
{
    const char* n = a.name;
    if ((same(n, "Color") || same(n, "Base Color")) && a.count >= 3) {
        for (int i = 0; i < 3; ++i) s->color.rgb[i] = float(a.value[i]);
        return !a.textures.at || takeTextures(a.textures, s);
    }
    if (a.count < 1) return true;
    float v = float(a.value[0]);
    if (same(n, "Diffuse")) s->diffuse.value = v;
    else if (same(n, "Specular")) s->specularity.value = v;
    else if (same(n, "Glossiness")) s->glossiness.value = v;
    else if (same(n, "Luminosity") || same(n, "Luminous")) s->luminosity.value = v;
    else if (same(n, "Transparency")) s->transparency.channel.value = v;
    else if (same(n, "Reflection")) s->reflection.channel.value = v;
    else if (same(n, "Refraction Index")) s->refractionIndex.value = v;
    else if (same(n, "Translucency")) s->translucency.value = v;
    else if (same(n, "Metallic")) s->metallic = clampUnit(v), s->physical = 1;
    else if (same(n, "Roughness")) {
        s->roughness = clampUnit(v);
        s->physical = 1;
        s->glossiness.value = 1.0f - s->roughness;
    }
    return true;
}

bool isMaterial(const char* server)
{
    static const char* const known[] = {"Standard", "Principled BSDF", "Phong", "Lambert", "Blinn",
                                        "Conductor", "Dielectric", "Delta", "Simple Skin", "Material Mixer"};
    for (const char* k : known)
        if (same(server, k)) return true;
    return false;
}

// ---- the Image node ---------------------------------------------------------------------

struct ImageNode {
    const char* file;     // its clip's still picture
    const char* uvMap;    // IUVI or VMAP: a UV map by name
    int projection;       // PROJ, else UV with a map and planar without
    int axis;             // AXIS or IAXS
    int wrap[2];          // IUTL, IVTL: outside the picture, as an image block's WRAP
    float tiles[2];       // FORM IUTD, IVTD: repeats across u and v
};

// A tiling form's number: the F4 that opens the first chunk of its FORM
// VPVL, however deep; false when there is none.
bool tilingValue(Lwo3Span span, float* value, int depth)
{
    Lwo3Chunk c;
    while (depth <= kMaxDepth && lwo3Next(&span, &c) > 0) {
        if (c.form && c.id == lwId('V', 'P', 'V', 'L')) {
            Lwo3Chunk first;
            if (lwo3Next(&c.body, &first) <= 0 || first.form || first.body.end - first.body.at < 4) return false;
            const uint32_t bits = lwo3U4(first.body.at);
            std::memcpy(value, &bits, 4);
            return std::isfinite(*value);
        }
        if (c.form && tilingValue(c.body, value, depth + 1)) return true;
    }
    return false;
}

// The Image node's fields, however deep its wrappers: its clip (FORM CLIP
// holding FORM STIL with the file name in a header chunk), its UV map, PROJ,
// AXIS, the wrap modes and the tiling.
int readImageNode(Lwo3Span span, ImageNode* image, int depth)
{
    if (depth > kMaxDepth) return lwo3Refuse(span.at, "forms nested too deep") - 1;
    Lwo3Chunk c;
    int more;
    while ((more = lwo3Next(&span, &c)) > 0) {
        long n = c.body.end - c.body.at;
        const int wrap = c.id == lwId('I', 'U', 'T', 'L') ? 0 : c.id == lwId('I', 'V', 'T', 'L') ? 1 : -1;
        const int tiles = c.id == lwId('I', 'U', 'T', 'D') ? 0 : c.id == lwId('I', 'V', 'T', 'D') ? 1 : -1;
        if (c.form && c.id == lwId('S', 'T', 'I', 'L')) {
            Lwo3Chunk name;
            if (lwo3Find(c.body, lwId(' ', ' ', ' ', ' '), false, &name) && chunkString(name))
                image->file = chunkString(name);
        } else if (c.form && tiles >= 0) {
            float value;
            if (tilingValue(c.body, &value, 0)) image->tiles[tiles] = value;
        } else if (c.form) {
            if (readImageNode(c.body, image, depth + 1) < 0) return -1;
        } else if ((c.id == lwId('I', 'U', 'V', 'I') || c.id == lwId('V', 'M', 'A', 'P')) && chunkString(c)) {
            image->uvMap = chunkString(c);
        } else if (c.id == lwId('P', 'R', 'O', 'J') && n >= 2) {
            image->projection = c.body.at[0] << 8 | c.body.at[1];
        } else if ((c.id == lwId('A', 'X', 'I', 'S') && n >= 2) || (c.id == lwId('I', 'A', 'X', 'S') && n >= 4)) {
            image->axis = c.body.at[n - 2] << 8 | c.body.at[n - 1];
        } else if (wrap >= 0 && n >= 4 && lwo3U4(c.body.at) <= 3) {
            image->wrap[wrap] = int(lwo3U4(c.body.at));
        }
    }
    return more < 0 ? -1 : 1;
}

// The object's clip of that still picture, a new one when none names it:
// the node holds the file name, the surface's texture a clip index.
int32_t clipOf(LwObject* object, const char* file)
{
    int32_t last = 0;
    for (LwClip* c = object->clips; c; c = c->next) {
        if (c->type == lwId('S', 'T', 'I', 'L') && same(c->source.still.name, file)) return c->index;
        if (c->index > last) last = c->index;
    }
    LwClip* c = static_cast<LwClip*>(std::calloc(1, sizeof(LwClip)));
    if (!c || !(c->source.still.name = strdup(file))) return std::free(c), -1;
    c->index = last < INT32_MAX ? last + 1 : last;  // past the largest index, which a file may have taken
    c->type = lwId('S', 'T', 'I', 'L');
    c->contrast.value = c->brightness.value = c->saturation.value = c->gamma.value = 1.0f;  // as a read clip
    listAppend(&object->clips, c);
    ++object->clipCount;
    return c->index;
}

// An Image node feeding the material's Color: the surface's colour texture.
// 1 when taken, 0 when refused, -1 when the node names no picture.
int takeImageNode(const Node& node, LwSurface* s, LwObject* object)
{
    ImageNode image = {nullptr, nullptr, -1, 0, {1, 1}, {1, 1}};
    if (node.data.at && readImageNode(node.data, &image, 0) < 0) return 0;
    if (!image.file) return -1;
    int32_t clip = clipOf(object, image.file);
    LwTexture* t = static_cast<LwTexture*>(std::calloc(1, sizeof(LwTexture)));
    if (clip < 0 || !t) return std::free(t), refuse(LW_NO_MEMORY);
    t->type = lwId('I', 'M', 'A', 'P');
    t->channel = lwId('C', 'O', 'L', 'R');
    t->mapping.size.value[0] = t->mapping.size.value[1] = t->mapping.size.value[2] = 1.0f;
    t->opacity.value = 1.0f;
    t->enabled = 1;
    t->image.clip = clip;
    t->image.projection = image.projection >= 0 && image.projection < lwProjectionCount ? image.projection
                          : image.uvMap                                                    ? lwUv
                                                                                           : lwPlanar;
    t->image.axis = t->axis = image.axis;
    t->image.wrapWidthType = image.wrap[0];
    t->image.wrapHeightType = image.wrap[1];
    t->image.wrapWidth.value = t->image.wrapHeight.value = 1.0f;
    t->image.tiles[0] = image.tiles[0];
    t->image.tiles[1] = image.tiles[1];
    if (image.uvMap && !(t->image.vmapName = strdup(image.uvMap))) return std::free(t), refuse(LW_NO_MEMORY);
    addTexture(s, t);
    return 1;
}

void warn(const LwSurface* s, const char* what, const char* name)
{
    lwLog(lwLogWarning, "LwLoader[Warning]:: surface <%s>: node graph %s%s%s, surface left at its defaults ",
          s->name ? s->name : "", what, name ? " " : "", name ? name : "");
}
}  // namespace

int readLwNodes(Lwo3Span nodes, LwSurface* s, LwObject* object)
{
    Graph* g = static_cast<Graph*>(std::calloc(1, sizeof(Graph)));
    if (!g) return refuse(LW_NO_MEMORY);
    int ok = 1;
    Lwo3Chunk c;
    int more;
    while ((more = lwo3Next(&nodes, &c)) > 0 && ok) {
        if (c.form && c.id == lwId('N', 'N', 'D', 'S')) ok = readNodeList(c.body, g) > 0;
        if (c.form && c.id == lwId('N', 'C', 'O', 'N')) ok = readConnections(c.body, g) > 0;
    }
    if (more < 0) ok = 0;
    const Node* surfaceNode = nullptr;
    for (int i = 0; i < g->nodeCount && !surfaceNode; ++i)
        if (same(g->nodes[i].server, "Surface")) surfaceNode = &g->nodes[i];
    const char* materialName = surfaceNode ? connectedTo(*g, surfaceNode->name, "Material") : nullptr;
    const Node* material = findNode(*g, materialName);
    if (!ok) {
    } else if (g->tooMany) {
        warn(s, "with more nodes or connections than", "can be read");
    } else if (!surfaceNode) {
        warn(s, "without a Surface node", nullptr);
    } else if (!materialName) {
        warn(s, "with nothing connected to", "Material");
    } else if (!material) {
        warn(s, "connected to a missing node", materialName);
    } else if (!isMaterial(material->server)) {
        warn(s, "with an unknown material node", material->server ? material->server : "(unnamed)");
    } else {
        std::free(s->material);
        s->material = strdup(material->server);
        ok = material->data.at ? visitAttributes(material->data, takeAttribute, s, 0) > 0 : 1;
        // Only the material's own values are read: a colour another node computes is not.
        const Node* feeder = findNode(*g, connectedTo(*g, material->name, "Color"));
        int image = ok && feeder && same(feeder->server, "Image") ? takeImageNode(*feeder, s, object) : -1;
        if (image == 0) ok = 0;
        if (ok && feeder && image < 0)
            lwLog(lwLogWarning, "LwLoader[Warning]:: surface <%s>: colour from node %s not read, %s's own used ",
                  s->name ? s->name : "", feeder->server ? feeder->server : "(unnamed)", s->material);
    }
    std::free(g);
    return ok;
}
