// Continuous coordinates across the wrap line of cylindrical and spherical
// projections, so that no polygon spans the whole picture backwards.
#include "lwread.h"

void joinSeam(float* uv, int32_t cornerCount)
{
    float high = 0.0f, low = 0.0f;
    int32_t known = 0;
    for (int32_t k = 0; k < cornerCount; ++k) {
        float u = uv[2 * k];
        if (u < 0.0f) continue;
        if (known == 0 || u > high) high = u;
        if (known == 0 || u < low) low = u;
        ++known;
    }
    if (known == cornerCount && high - low <= 0.5f) return;  // most polygons
    // A corner more than half a wrap below the highest lies across the line.
    double sum = 0.0;
    for (int32_t k = 0; k < cornerCount; ++k) {
        float& u = uv[2 * k];
        if (u < 0.0f) continue;
        if (u < high - 0.5f) u += 1.0f;
        sum += u;
    }
    // A pole has every longitude: it takes the others' mean (the middle of
    // the picture when the polygon has nothing else).
    float pole = known ? float(sum / known) : 0.5f;
    for (int32_t k = 0; k < cornerCount; ++k)
        if (uv[2 * k] < 0.0f) uv[2 * k] = pole;
}
