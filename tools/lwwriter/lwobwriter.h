// A small LWOB writer (the older single-layer LightWave object form), on the
// same byte assembler as the LWO2 writer.
#pragma once
#include <string>
#include <vector>

#include "lwwriter.h"

struct LwobSurface {
    std::string name;
    unsigned char color[3] = {200, 200, 200};
    int diffuse = 256;           // 1/256 units
    float smoothAngle = 0.0f;    // radians; 0 writes no SMAN
    std::string texture;         // e.g. "Planar Image Map"; empty: no colour texture
    std::string image;           // TIMG file name
    int axis = 0;                // 0 X, 1 Y, 2 Z
    float size[3] = {1, 1, 1};
    float center[3] = {0, 0, 0};
};

// SRFS: the surface names, numbered from 1 in polygon records.
void lwobSurfaceNames(LwWriter& w, const std::vector<std::string>& names);
// POLS: counts[i] corners each, U2 indices in order, surfaceNumbers[i] (1-based).
void lwobPolygons(LwWriter& w, const std::vector<int>& counts, const std::vector<int>& indices, const std::vector<int>& surfaceNumbers);
void lwobSurface(LwWriter& w, const LwobSurface& s);

// A whole object: PNTS, SRFS, POLS and one SURF per surface.
std::vector<unsigned char> lwobObject(const std::vector<float>& xyz, const std::vector<int>& counts, const std::vector<int>& indices,
                                      const std::vector<int>& surfaceNumbers, const std::vector<LwobSurface>& surfaces);
// The layered LWLO form: SRFS ("Default"), then per layer its LAYR (number,
// name), PNTS and POLS, every polygon on that surface; no SURF.
std::vector<unsigned char> lwloObject(const std::vector<LwwLayer>& layers);
