// Polygons cut into triangles for glTF: in the plane the polygon mostly
// faces, convex quads split once, anything else by ear clipping.
#include <cmath>
#include <vector>

#include "convert.h"

// The two axes of the plane the polygon is drawn on: the normal's largest
// axis dropped (Newell's normal when the given one is unusable).
static void planeAxes(const float* xyz, int count, const float normal[3], int* ax, int* ay)
{
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
    *ax = (drop + 1) % 3;
    *ay = (drop + 2) % 3;
}

// Whether the quad turns the same way at every corner.
static bool convexQuad(const float* xyz, int ax, int ay)
{
    double turn[4];
    for (int i = 0; i < 4; ++i) {
        const float *a = xyz + 3 * ((i + 3) % 4), *b = xyz + 3 * i, *c = xyz + 3 * ((i + 1) % 4);
        turn[i] = (double(b[ax]) - a[ax]) * (double(c[ay]) - a[ay]) - (double(b[ay]) - a[ay]) * (double(c[ax]) - a[ax]);
    }
    return (turn[0] > 0 && turn[1] > 0 && turn[2] > 0 && turn[3] > 0) ||
           (turn[0] < 0 && turn[1] < 0 && turn[2] < 0 && turn[3] < 0);
}

// Ear clipping of the polygon's corners projected to (x, y).
static void clipEars(const std::vector<double>& x, const std::vector<double>& y, std::vector<int>* out)
{
    const int count = int(x.size());
    double area = 0.0;
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

void triangulatePolygon(const float* xyz, int count, const float normal[3], std::vector<int>* out)
{
    if (count < 3) return;
    if (count == 3) {
        out->insert(out->end(), {0, 1, 2});
        return;
    }
    int ax, ay;
    planeAxes(xyz, count, normal, &ax, &ay);
    // Most polygons are convex quads: two triangles, no clipping.
    if (count == 4 && convexQuad(xyz, ax, ay)) {
        out->insert(out->end(), {0, 1, 2, 0, 2, 3});
        return;
    }
    std::vector<double> x(static_cast<size_t>(count)), y(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        x[size_t(i)] = xyz[3 * i + ax];
        y[size_t(i)] = xyz[3 * i + ay];
    }
    clipEars(x, y, out);
}
