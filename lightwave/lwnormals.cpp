// Polygon normals, point-to-polygon adjacency and smoothed corner normals.
#include <cmath>
#include <cstdlib>

#include "lwalloc.h"
#include "lwread.h"

double dot3(const float a[3], const float b[3])
{
    return double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2];
}

void cross3(const float a[3], const float b[3], float r[3])
{
    float x = float(double(a[1]) * b[2] - double(a[2]) * b[1]);
    float y = float(double(a[2]) * b[0] - double(a[0]) * b[2]);
    float z = float(double(a[0]) * b[1] - double(a[1]) * b[0]);
    r[0] = x;
    r[1] = y;
    r[2] = z;
}

void normalize3(float v[3])
{
    float length = float(std::sqrt(dot3(v, v)));
    if (length > 0) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

void computePolygonNormals(const LwPointArray* points, LwPolygonArray* polygons)
{
    for (int32_t j = 0; j < polygons->count; ++j) {
        LwPolygonRec* p = &polygons->items[j];
        if (p->cornerCount < 3) continue;
        const float* p1 = points->items[p->corners[0].point].pos;
        const float* p2 = points->items[p->corners[1].point].pos;
        const float* pn = points->items[p->corners[p->cornerCount - 1].point].pos;
        float e1[3], e2[3];
        for (int i = 0; i < 3; ++i) {
            e1[i] = p2[i] - p1[i];
            e2[i] = pn[i] - p1[i];
        }
        cross3(e1, e2, p->normal);
        normalize3(p->normal);
    }
}

int buildPointPolygons(LwPointArray* points, const LwPolygonArray* polygons)
{
    return carveRuns(points->items, points->count, &LwPointRec::polygonCount, &LwPointRec::polygons,
                     &points->polygonBlock, [&](auto place) {
                         for (int32_t j = 0; j < polygons->count; ++j) {
                             const LwPolygonRec* poly = &polygons->items[j];
                             for (int32_t k = 0; k < poly->cornerCount; ++k)
                                 place(&points->items[poly->corners[k].point], j);
                         }
                     }) || refuse(LW_NO_MEMORY);
}

// The reference rule: the arc cosine of the clamped cosine, rounded to
// float, is at most the smoothing angle.
static bool withinExact(double cosine, float angle)
{
    return float(std::acos(cosine)) <= angle;
}

static double clampCosine(double cosine)
{
    if (cosine > 1.0) return 1.0;
    if (cosine < -1.0) return -1.0;
    return cosine;  // NaN stays NaN and is never within
}

bool withinSmoothAngle(double cosine, float angle) { return withinExact(clampCosine(cosine), angle); }

// Cosines above `above` are surely within the angle, below `below` surely
// not; only the thin band between needs the arc cosine. The arc cosine has
// slope at least 1 in magnitude, so a cosine 1e-6 away from cos(angle) puts
// the angle at least 1e-6 away, far more than float rounding can cross.
struct SmoothBand {
    float angle;
    double above, below;
};

static SmoothBand smoothBand(float angle)
{
    SmoothBand b;
    b.angle = angle;
    if (angle >= float(M_PI)) {
        // No arc cosine exceeds pi once rounded to float.
        b.above = -2.0;
        b.below = -3.0;
    } else {
        double c = std::cos(double(angle));
        b.above = c + 1e-6;
        b.below = c - 1e-6;
    }
    return b;
}

static inline bool withinBand(const SmoothBand& b, double cosine)
{
    if (cosine > b.above) return true;
    if (cosine < b.below) return false;
    return withinExact(cosine, b.angle);
}

void computeVertexNormals(const LwPointArray* points, LwPolygonArray* polygons, int32_t first)
{
    SmoothBand band = smoothBand(0.0f);
    for (int32_t j = first; j < polygons->count; ++j) {
        LwPolygonRec* poly = &polygons->items[j];
        float s = poly->surface ? poly->surface->smoothAngle : 0.0f;
        bool smooth = !(s <= 0.0f);
        if (smooth && !(band.angle == s)) band = smoothBand(s);
        for (int32_t k = 0; k < poly->cornerCount; ++k) {
            LwCorner* corner = &poly->corners[k];
            float n[3] = {poly->normal[0], poly->normal[1], poly->normal[2]};
            if (smooth) {
                const LwPointRec* point = &points->items[corner->point];
                for (int32_t e = 0; e < point->polygonCount; ++e) {
                    int32_t h = point->polygons[e];
                    if (h == j) continue;
                    const LwPolygonRec* other = &polygons->items[h];
                    if (other->smoothingGroup != poly->smoothingGroup) continue;
                    if (!withinBand(band, clampCosine(dot3(poly->normal, other->normal)))) continue;
                    n[0] += other->normal[0];
                    n[1] += other->normal[1];
                    n[2] += other->normal[2];
                }
                normalize3(n);
            }
            corner->normal[0] = n[0];
            corner->normal[1] = n[1];
            corner->normal[2] = n[2];
        }
    }
}

// ---- stored normals ------------------------------------------------------------------

static const float* storedNormal(const LwVMapLink* links, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const LwVMap* m = links[i].map;
        if (m->type == lwId('N', 'O', 'R', 'M') && m->dimension >= 3 && m->values) return m->values[links[i].entry];
    }
    return nullptr;
}

int32_t applyStoredNormals(const LwPointArray* points, LwPolygonArray* polygons)
{
    int32_t stored = 0;
    for (int32_t j = 0; j < polygons->count; ++j) {
        LwPolygonRec* p = &polygons->items[j];
        for (int32_t k = 0; k < p->cornerCount; ++k) {
            LwCorner* c = &p->corners[k];
            const float* v = storedNormal(c->vmapLinks, c->vmapCount);
            const LwPointRec* point = &points->items[c->point];
            if (!v) v = storedNormal(point->vmapLinks, point->vmapCount);
            float n[3] = {v ? v[0] : 0.0f, v ? v[1] : 0.0f, v ? v[2] : 0.0f};
            // A zero or non-finite normal is no direction: the smoothed one stays.
            double length = dot3(n, n);
            if (!(length > 1e-20 && length < 1e30)) continue;
            normalize3(n);
            c->normal[0] = n[0], c->normal[1] = n[1], c->normal[2] = n[2];
            ++stored;
        }
    }
    return stored;
}
