// LightWave objects to glTF 2.0 (gltf.cpp) and OBJ (obj.cpp). LightWave is
// left-handed with y up, both targets right-handed with y up: z is negated
// and every polygon's winding reversed. The reader's corner coordinates count
// v down from the picture's top row, as glTF does (its origin is the top-left
// corner); OBJ's origin is the bottom-left corner, like LightWave's maps.
// Here: the SubPatches refined first.
#include <string>

#include "convertparts.h"
#include "lwsubdiv.h"

std::string subdivisionWarning(int32_t layerNumber, const LwSubdivision& r)
{
    const char* why = lwSubdivisionProblemText(r);
    return why ? "layer " + std::to_string(layerNumber) + " SubPatches: " + why : "";
}

void subdivideForConversion(LwObject* object, const ConvertOptions& options, ConvertResult* result)
{
    int level = options.subdivisionLevel < 0 ? int(lwSubdivisionDefaultLevel) : options.subdivisionLevel;
    for (LwLayer* layer = object->layers; layer; layer = layer->next) {
        LwSubdivision r;
        subdivideLwLayer(layer, level, &r);
        if (r.problem != lwSubdivisionFine && r.controlPolygons != 0)
            result->warnings.push_back(subdivisionWarning(layer->number, r));
    }
}
