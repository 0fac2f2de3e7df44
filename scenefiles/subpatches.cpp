// SubPatch layers refined at the scene's display level before they become
// engine objects; what went wrong is reported in the engine's French (the
// tools' English words are lwSubdivisionProblemText's).
#include <cstdio>
#include <string>

#include "lwsubdiv.h"
#include "scenefiles.h"
#include "toolkit.h"

enum { lineSize = 256 };

// The engine's own words for each problem, in French as all its messages are.
std::string subdivisionProblemLine(int32_t asked, const LwSubdivision& r)
{
    char line[lineSize];
    switch (r.problem) {
    case lwSubdivisionFine: return "";
    case lwSubdivisionLevelLowered:
        std::snprintf(line, sizeof line, "Subdivision : niveau %i demande, ramene a %i", int(asked), int(r.level));
        return line;
    case lwSubdivisionTooLarge: return "Subdivision : cage trop grande, affichee telle quelle";
    case lwSubdivisionRefused: return "Subdivision : topologie refusee, cage affichee telle quelle";
    case lwSubdivisionNoMemory:
        // Memory can also run out after the refinement, for the smoothing
        // lists or the colours of the new corners: the refined polygons stay.
        return r.level == 0 ? "Subdivision : memoire insuffisante, cage affichee telle quelle"
                            : "Subdivision : memoire insuffisante, des coins raffines restent sans lissage ou sans couleur";
    }
    return "Subdivision : probleme inconnu";
}

void subdivideSubPatches(LwObject* object, int32_t level)
{
    for (LwLayer* layer = object->layers; layer; layer = layer->next) {
        LwSubdivision r;
        subdivideLwLayer(layer, level, &r);
        if (r.controlPolygons == 0) continue;
        reportFormatted(Scene::reportInfo, lineSize, "Subdivision niveau %i : %i polygones de controle, %i polygones",
                        int(r.level), int(r.controlPolygons), int(r.subdividedPolygons));
        if (r.degenerate)
            reportFormatted(Scene::reportWarning, lineSize,
                            "Subdivision : %i polygones de controle degeneres (moins de 3 points, ou un point deux fois) laisses tels quels",
                            int(r.degenerate));
        if (r.nonManifoldEdges)
            reportFormatted(Scene::reportWarning, lineSize,
                            "Subdivision : %i aretes non manifold (plus de deux polygones, ou deux de meme sens), traitees en aretes vives",
                            int(r.nonManifoldEdges));
        const std::string problem = subdivisionProblemLine(level, r);
        if (!problem.empty()) Scene::reportWarning(problem.c_str());
    }
}
