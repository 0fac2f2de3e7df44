// Vertex colours of imported polygons.
#include "vertexcolours.h"

#include "toolkit.h"

float* VertexColours::forPolygon(const LwPolygonRec& rec, const EngineSurface* surface)
{
    const LwVertexColorMaps* maps = mapsOf(rec.surface);
    if (!maps || maps->status != lwVertexColorFound || !surface) return nullptr;
    float k = rec.surface->vertexColor.intensity.value;
    k = k < 0.0f ? 0.0f : k > 1.0f ? 1.0f : k;
    float* out = nullptr;
    for (int32_t c = 0; c < rec.cornerCount; ++c) {
        float rgba[4];
        if (!lwCornerColor(layer, &rec, c, *maps, rgba)) continue;
        if (!out) {
            out = new float[4 * rec.cornerCount];
            for (int32_t i = 0; i < rec.cornerCount; ++i)
                for (int j = 0; j < 4; ++j) out[4 * i + j] = j < 3 && surface->textured != 1 ? surface->ambient[j] : 1.0f;
        }
        for (int j = 0; j < 4; ++j) out[4 * c + j] += k * (rgba[j] - out[4 * c + j]);
    }
    return out;
}

const LwVertexColorMaps* VertexColours::mapsOf(const LwSurface* s)
{
    if (!s || !s->vertexColor.mapName) return nullptr;
    for (int i = 0; i < count; ++i)
        if (seen[i].surface == s) return &seen[i].maps;
    if (count == maxSceneSurfaces) return nullptr;  // more than a scene keeps: untinted
    Entry& e = seen[count++];
    e.surface = s;
    e.maps = findLwVertexColorMaps(layer, s);
    static const char* const why[] = {nullptr, nullptr, "absente du calque", "ni RGB ni RGBA", "moins de 3 valeurs par point"};
    if (e.maps.status > lwVertexColorFound && e.maps.status <= lwVertexColorWrongDimension)
        reportFormatted(Scene::reportWarning, 1024, "Surface <%s> : carte de couleurs '%s' %s, couleurs ignorees",
                        s->name ? s->name : "", s->vertexColor.mapName, why[e.maps.status]);
    return &e.maps;
}
