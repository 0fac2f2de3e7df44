// Vertex colours of imported polygons: each surface's VCOL map looked up
// once per layer (a map that cannot serve is reported then), and each
// corner's colour tinted by it.
#pragma once
#include "engine.h"
#include "lightwave.h"

class VertexColours {
public:
    explicit VertexColours(const LwLayer* layer) : layer(layer) {}

    // The polygon's corner colours (r, g, b, a each, allocated with new[]):
    // the VCOL map's tint, by its intensity, over the surface's colour (white
    // over a texture); null when no corner has an entry.
    float* forPolygon(const LwPolygonRec& rec, const EngineSurface* surface);

private:
    const LwVertexColorMaps* mapsOf(const LwSurface* s);

    struct Entry {
        const LwSurface* surface;
        LwVertexColorMaps maps;
    };
    const LwLayer* layer;
    Entry seen[maxSceneSurfaces];
    int count = 0;
};
