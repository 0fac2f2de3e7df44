// SubPatches: the PTCH and SUBD polygons of a layer refined Catmull-Clark
// style (OpenSubdiv) to a display level. The reader keeps the control cage;
// whoever shows the object asks for the refinement after reading it.
#pragma once
#include "lightwave.h"

enum {
    lwSubdivisionDefaultLevel = 2,
    lwSubdivisionMaxLevel = 6,              // higher levels are lowered to this
    lwSubdivisionMaxPolygons = 1 << 20,     // a level that would make more is lowered
};

enum LwSubdivisionProblem : int32_t {
    lwSubdivisionFine,
    lwSubdivisionLevelLowered,  // above the maximum, or beyond the polygon budget
    lwSubdivisionTooLarge,      // even one level is beyond the budget: the cage is kept
    lwSubdivisionRefused,       // OpenSubdiv refused the cage's topology: the cage is kept
    lwSubdivisionNoMemory,      // the cage is kept
};

struct LwSubdivision {
    int32_t level;               // the level applied, 0 when the cage was kept
    int32_t controlPolygons;     // PTCH and SUBD polygons of the layer
    int32_t subdividedPolygons;  // the polygons they make at that level (degenerate ones count as one)
    int32_t degenerate;          // control polygons left as they are: under 3 corners, or a point twice
    int32_t nonManifoldEdges;    // edges of three control polygons or more, or of two running the same way
    LwSubdivisionProblem problem;
};

// A refinement's problem in words ("level lowered", "cage kept: too large"...),
// null when it went fine: the one English text of each problem, for the tools.
// Memory running out after the refinement leaves the refined polygons, some
// corners unsmoothed or uncoloured: that is no kept cage.
const char* lwSubdivisionProblemText(const LwSubdivision& result);

// Whether the polygon is a SubPatch control polygon.
bool isLwSubPatch(const LwPolygonRec* polygon);

// Replaces the layer's valid control polygons by their refinement at `level`
// (clamped to 0 .. lwSubdivisionMaxLevel; 0 keeps the cage). The other
// polygons keep their order, corners, normals and texture coordinates and
// come first; the refined quads follow, grouped by control polygon, with its
// surface, tags, flags and type, corner normals smoothed by the surface's
// rule and texture coordinates interpolated bilinearly within each control
// polygon. The refined points are appended to the layer's points, which keep
// their indices; point-to-polygon lists are rebuilt and VMAD entries follow
// their polygon (one that named a control polygon names its first quad).
// Vertex colours (the surface's VCOL maps) are interpolated bilinearly within
// each control polygon like the texture coordinates, and given to the refined
// corners as entries of the map's VMAD (made when there is none).
// Called once per layer after the read. Answers 0 when the cage was kept
// for a problem (see `result`, which may be null), 1 otherwise.
int subdivideLwLayer(LwLayer* layer, int32_t level, LwSubdivision* result);

// The same counts and checks without changing the layer.
int measureLwSubdivision(const LwLayer* layer, int32_t level, LwSubdivision* result);
