// lwo-info [--json] FILE...: what the LightWave reader makes of each file.
// Exit status 0 when every file loaded, 1 otherwise (2 for bad usage).
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "lightwave.h"

static std::string idText(uint32_t id)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = char(id >> shift & 0xFF);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

// The form type from the file's header, or "" when there is none.
static std::string formOf(const char* path)
{
    unsigned char h[12];
    FILE* f = std::fopen(path, "rb");
    if (!f) return "";
    bool ok = std::fread(h, 1, 12, f) == 12 && std::memcmp(h, "FORM", 4) == 0;
    std::fclose(f);
    if (!ok) return "";
    return idText(uint32_t(h[8]) << 24 | uint32_t(h[9]) << 16 | uint32_t(h[10]) << 8 | h[11]);
}

// Reads an object with the reader's own load lines kept off our output.
static LwObject* load(const char* path, uint32_t* failId, int32_t* failPos)
{
    std::fflush(stdout);
    int saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    if (saved >= 0 && null >= 0) dup2(null, 1);
    LwObject* o = readLwObject(path, failId, failPos);
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, 1);
        close(saved);
    }
    if (null >= 0) close(null);
    return o;
}

static const char* projectionName(int p)
{
    static const char* names[] = {"planar", "cylindrical", "spherical", "cubic", "front", "uv"};
    return p >= 0 && p < 6 ? names[p] : "unknown";
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

// ---- JSON ---------------------------------------------------------------------------

class Json {
public:
    std::string out;
    bool first = true;

    void open(char c)
    {
        comma();
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

static void jsonObject(Json& j, const LwObject* o)
{
    j.key("layers");
    j.open('[');
    for (const LwLayer* l = o->layers; l; l = l->next) {
        std::map<int, int> histogram;
        long corners = 0;
        for (int32_t i = 0; i < l->polygons.count; ++i) {
            ++histogram[l->polygons.items[i].cornerCount];
            corners += l->polygons.items[i].cornerCount;
        }
        j.open('{');
        j.key("name");
        j.string(l->name);
        j.key("number");
        j.number(l->number);
        j.key("parent");
        j.number(l->parent);
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
        j.close('}');
    }
    j.close(']');

    j.key("surfaces");
    j.open('[');
    for (const LwSurface* s = o->surfaces; s; s = s->next) {
        j.open('{');
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
            j.string(idText(t->type).c_str());
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
        j.close('}');
    }
    j.close(']');

    j.key("clips");
    j.open('[');
    for (const LwClip* c = o->clips; c; c = c->next) {
        j.open('{');
        j.key("index");
        j.number(c->index);
        j.key("kind");
        j.string(idText(c->type).c_str());
        j.key("name");
        j.string(lwClipFirstName(c));
        j.close('}');
    }
    j.close(']');

    j.key("envelopes");
    j.open('[');
    for (const LwEnvelope* e = o->envelopes; e; e = e->next) {
        j.open('{');
        j.key("index");
        j.number(e->index);
        j.key("name");
        j.string(e->name);
        j.key("keys");
        j.number(e->keyCount);
        j.close('}');
    }
    j.close(']');

    j.key("vmaps");
    j.open('[');
    for (const LwLayer* l = o->layers; l; l = l->next) {
        for (const LwVMap* m = l->vmaps; m; m = m->next) {
            j.open('{');
            j.key("layer");
            j.number(l->number);
            j.key("name");
            j.string(m->name);
            j.key("type");
            j.string(idText(m->type).c_str());
            j.key("dimension");
            j.number(m->dimension);
            j.key("entries");
            j.number(m->entryCount);
            j.key("perPolygon");
            j.boolean(m->perPolygon != 0);
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
        std::printf("  layer \"%s\" number %d parent %d: %d points, %d polygons (", text(l->name), l->number,
                    l->parent, l->points.count, l->polygons.count);
        const char* sep = "";
        for (const auto& h : histogram) {
            std::printf("%s%d corners x %d", sep, h.first, h.second);
            sep = ", ";
        }
        const float* b = l->bbox;
        std::printf(")\n    bbox (%g %g %g) - (%g %g %g)\n", b[0], b[1], b[2], b[3], b[4], b[5]);
    }
    for (const LwSurface* s = o->surfaces; s; s = s->next) {
        std::printf("  surface \"%s\": color (%g %g %g) diffuse %g specularity %g smoothing %g rad, %s\n",
                    text(s->name), s->color.rgb[0], s->color.rgb[1], s->color.rgb[2], s->diffuse.value,
                    s->specularity.value, s->smoothAngle, s->sidedness == 3 ? "double-sided" : "one-sided");
        const LwTexture* t = s->color.textures;
        if (!t) continue;
        bool image = t->type == lwId('I', 'M', 'A', 'P');
        const float* sz = t->mapping.size.value;
        const float* c = t->mapping.center.value;
        std::printf("    colour texture %s %s axis %c size (%g %g %g) centre (%g %g %g)", idText(t->type).c_str(),
                    image ? projectionName(t->image.projection) : "planar", axisName(textureAxis(t)), sz[0], sz[1],
                    sz[2], c[0], c[1], c[2]);
        if (image) std::printf(" clip %d \"%s\"", t->image.clip, text(clipImage(o, t)));
        std::printf("\n");
    }
    for (const LwClip* c = o->clips; c; c = c->next)
        std::printf("  clip %d %s \"%s\"\n", c->index, idText(c->type).c_str(), text(lwClipFirstName(c)));
    for (const LwEnvelope* e = o->envelopes; e; e = e->next)
        std::printf("  envelope %d \"%s\": %d keys\n", e->index, text(e->name), e->keyCount);
    for (const LwLayer* l = o->layers; l; l = l->next)
        for (const LwVMap* m = l->vmaps; m; m = m->next)
            std::printf("  vmap \"%s\" %s dimension %d: %d entries%s (layer %d)\n", text(m->name),
                        idText(m->type).c_str(), m->dimension, m->entryCount, m->perPolygon ? " per polygon" : "",
                        l->number);
}

int main(int argc, char** argv)
{
    bool json = false;
    int files = 0, failed = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            json = true;
            continue;
        }
        ++files;
        const char* path = argv[i];
        std::string form = formOf(path);
        uint32_t failId = 0;
        int32_t failPos = -1;
        LwObject* o = load(path, &failId, &failPos);
        if (!o) ++failed;
        if (json) {
            Json j;
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
                if (failId) j.string(idText(failId).c_str());
                else j.null();
                j.key("failPos");
                if (failPos >= 0) j.number(failPos);
                else j.null();
            }
            j.close('}');
            std::printf("%s\n", j.out.c_str());
        } else if (!o) {
            std::printf("%s: failed", path);
            if (failId) std::printf(" in chunk '%s'", idText(failId).c_str());
            if (failPos >= 0) std::printf(" at position %d", failPos);
            std::printf("\n");
        } else {
            std::printf("%s: form %s, %d layers, %d surfaces, %d clips, %d envelopes\n", path, form.c_str(),
                        o->layerCount, o->surfaceCount, o->clipCount, o->envelopeCount);
            printObject(o);
        }
        freeLwObject(o);
    }
    if (files == 0) {
        std::fprintf(stderr, "usage: lwo-info [--json] FILE...\n");
        return 2;
    }
    return failed ? 1 : 0;
}
