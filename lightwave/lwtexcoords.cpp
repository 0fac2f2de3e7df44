// Per-corner texture coordinates from the first colour texture of each
// polygon's surface: planar, cylindrical, spherical or cubic projection, or
// its UV map.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "lwalloc.h"
#include "lwread.h"

static const double fullTurn = 6.2831854;
static const double halfTurn = 3.1415927;
static const double quarterTurn = 1.57079635;

float wrapUnit(double x)
{
    if (x >= 0.0 && x <= 1.0) return float(x);
    return float(x - std::floor(x));
}

double cylinderAngle(double a, double c)
{
    if (a == 0.0 && c == 0.0) return 0.0;
    double angle;
    if (c == 0.0) angle = a > 0.0 ? -quarterTurn : quarterTurn;
    else angle = -std::atan2(a, c);
    if (angle < 0.0) angle += fullTurn;
    return angle;
}

void sphereAngles(double a, double b, double c, double* longitude, double* latitude)
{
    if (a == 0.0 && c == 0.0) {
        *longitude = 0.0;
        *latitude = b == 0.0 ? 0.0 : b > 0.0 ? quarterTurn : -quarterTurn;
        return;
    }
    *longitude = cylinderAngle(a, c);
    float r = float(std::sqrt(a * a + c * c));
    if (r == 0.0f) *latitude = b >= 0.0 ? quarterTurn : -quarterTurn;
    else *latitude = std::atan(b / r);
}

int dominantAxis(const float normal[3])
{
    float ax = std::fabs(normal[0]), ay = std::fabs(normal[1]), az = std::fabs(normal[2]);
    if (ax < ay) return az < ay ? 1 : 2;
    return az < ax ? 0 : 2;
}

// A wrap amount never given (0) counts as one repetition.
static double wrapAmount(float value) { return value == 0.0f ? 1.0 : double(value); }

// Whether p lies on a cylinder's or sphere's axis, where every angle meets.
static bool onAxis(const float p[3], int axis)
{
    return (axis == 0 || p[0] == 0.0f) && (axis == 1 || p[1] == 0.0f) && (axis == 2 || p[2] == 0.0f);
}

void mapTexturePoint(const LwTexture* t, const float point[3], const float normal[3], float uv[2])
{
    mapTextureCorner(t, point, normal, uv);
}

bool mapTextureCorner(const LwTexture* t, const float point[3], const float normal[3], float uv[2])
{
    const float* centre = t->mapping.center.value;
    const float* s = t->mapping.size.value;
    float p[3] = {point[0] - centre[0], point[1] - centre[1], point[2] - centre[2]};
    bool image = t->type == lwId('I', 'M', 'A', 'P');
    // Image maps project along their own AXIS; other textures along the
    // block header's.
    int axis = image ? t->image.axis : t->axis;
    int32_t projection = image ? t->image.projection : lwPlanar;
    double w = image ? wrapAmount(t->image.wrapWidth.value) : 1.0;
    double h = image ? wrapAmount(t->image.wrapHeight.value) : 1.0;
    double u, v;
    bool pole = false;

    if (projection == lwCylindrical) {
        pole = onAxis(p, axis);
        double theta;
        if (axis == 0) {
            theta = cylinderAngle(p[2], -double(p[1]));
            v = -double(p[0]) / s[0] + 0.5;
        } else if (axis == 1) {
            theta = cylinderAngle(-double(p[0]), p[2]);
            v = -double(p[1]) / s[1] + 0.5;
        } else {
            theta = cylinderAngle(-double(p[0]), -double(p[1]));
            v = -double(p[2]) / s[2] + 0.5;
        }
        // Raise v by whole turns into [0, 1); a zero size gives no finite v,
        // which is stored as the middle of the image.
        if (!std::isfinite(v)) v = 0.5;
        else if (v < 0.0) v -= std::floor(v);
        u = 1.0 - theta / fullTurn;
        if (w != 1.0) u = wrapUnit(u * w);
    } else if (projection == lwSpherical) {
        pole = onAxis(p, axis);
        double longitude, latitude;
        if (axis == 0) sphereAngles(p[2], p[0], -double(p[1]), &longitude, &latitude);
        else if (axis == 1) sphereAngles(-double(p[0]), p[1], p[2], &longitude, &latitude);
        else sphereAngles(-double(p[0]), p[2], -double(p[1]), &longitude, &latitude);
        u = 1.0 - longitude / fullTurn;
        v = 0.5 - latitude / halfTurn;
        if (w != 1.0) u = wrapUnit(u * w);
        if (h != 1.0) v = wrapUnit(v * h);
    } else {
        if (projection == lwCubic) axis = dominantAxis(normal);
        u = axis == 0 ? double(p[2]) / s[2] + 0.5 : double(p[0]) / s[0] + 0.5;
        v = axis == 1 ? 0.5 - double(p[2]) / s[2] : 0.5 - double(p[1]) / s[1];
    }
    uv[0] = float(u);
    uv[1] = float(v);
    return pole;
}

// Whether two textures map every point alike (the fields mapTexturePoint reads).
static bool sameMapping(const LwTexture* a, const LwTexture* b)
{
    if (a == b) return true;
    if (!a || !b || a->type != b->type || a->axis != b->axis) return false;
    if (std::memcmp(a->mapping.size.value, b->mapping.size.value, sizeof(float[3])) != 0 ||
        std::memcmp(a->mapping.center.value, b->mapping.center.value, sizeof(float[3])) != 0)
        return false;
    if (a->type != lwId('I', 'M', 'A', 'P')) return true;
    return a->image.axis == b->image.axis && a->image.projection == b->image.projection &&
           std::memcmp(&a->image.wrapWidth.value, &b->image.wrapWidth.value, sizeof(float)) == 0 &&
           std::memcmp(&a->image.wrapHeight.value, &b->image.wrapHeight.value, sizeof(float)) == 0;
}

// An Image node's tiling repeats the picture across u and v from
// LightWave's origin, the bottom left (v here counts from the top).
static void tile(const LwTexture* t, float* uv, int32_t corners)
{
    const double u = wrapAmount(t->image.tiles[0]), v = wrapAmount(t->image.tiles[1]);
    if (u == 1.0 && v == 1.0) return;
    for (int32_t k = 0; k < corners; ++k, uv += 2) {
        uv[0] = float(uv[0] * u);
        uv[1] = float(1.0 - (1.0 - double(uv[1])) * v);
    }
}

int computeTextureCoords(LwPolygonArray* polygons, const LwLayer* layer)
{
    int64_t total = 0;
    for (int32_t j = 0; j < polygons->count; ++j) {
        const LwPolygonRec* p = &polygons->items[j];
        if (p->surface && p->surface->color.textures) total += p->cornerCount;
    }
    if (total == 0) return 0;
    polygons->uvBlock = static_cast<float*>(lwAlloc(size_t(total) * 2, sizeof(float)));
    if (!polygons->uvBlock) return -1;

    // Every corner on a point maps it alike unless the projection follows the
    // polygon normal (cubic): remember the last result per point.
    struct Cached {
        const LwTexture* texture;
        float uv[2];
    };
    const LwPointArray* points = &layer->points;
    Cached* cache = static_cast<Cached*>(lwAlloc(size_t(points->count), sizeof(Cached)));
    // The UV maps of the latest UV-projected texture.
    const LwVMap** uvMaps = static_cast<const LwVMap**>(lwAlloc(size_t(layer->vmapCount) + 1, sizeof(LwVMap*)));
    const LwTexture* uvTexture = nullptr;
    int32_t uvMapCount = 0;

    float* at = polygons->uvBlock;
    for (int32_t j = 0; j < polygons->count; ++j) {
        LwPolygonRec* p = &polygons->items[j];
        if (!p->surface || !p->surface->color.textures) continue;
        const LwTexture* t = p->surface->color.textures;
        bool image = t->type == lwId('I', 'M', 'A', 'P');
        p->uv = at;
        if (image && t->image.projection == lwUv) {
            if (t != uvTexture) {
                uvTexture = t;
                uvMapCount = uvMaps ? findUvMaps(layer, t->image.vmapName, uvMaps, layer->vmapCount) : 0;
            }
            uvMapPolygon(p, points, uvMaps, uvMapCount);
            at += 2 * p->cornerCount;
            tile(t, p->uv, p->cornerCount);
            continue;
        }
        bool wraps = image && (t->image.projection == lwCylindrical || t->image.projection == lwSpherical);
        bool cacheable = cache && !(image && t->image.projection == lwCubic);
        for (int32_t k = 0; k < p->cornerCount; ++k, at += 2) {
            int32_t point = p->corners[k].point;
            if (cacheable && sameMapping(cache[point].texture, t)) {
                at[0] = cache[point].uv[0];
                at[1] = cache[point].uv[1];
                continue;
            }
            // A pole is kept as a negative u until the polygon's seam is joined.
            if (mapTextureCorner(t, points->items[point].pos, p->normal, at) && wraps) at[0] = -1.0f;
            if (cacheable) {
                cache[point].texture = t;
                cache[point].uv[0] = at[0];
                cache[point].uv[1] = at[1];
            }
        }
        if (wraps) joinSeam(p->uv, p->cornerCount);
        tile(t, p->uv, p->cornerCount);
    }
    lwFree(uvMaps);
    lwFree(cache);
    return 0;
}
