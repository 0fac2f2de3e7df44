// SubPatch layers refined at the scene's display level before they become
// engine objects; what went wrong is reported, and the cage shown instead.
#include "lwsubdiv.h"
#include "scenefiles.h"
#include "toolkit.h"

void subdivideSubPatches(LwObject* object, int32_t level)
{
    enum { lineSize = 256 };
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
        switch (r.problem) {
        case lwSubdivisionLevelLowered:
            reportFormatted(Scene::reportWarning, lineSize, "Subdivision : niveau %i demande, ramene a %i", int(level),
                            int(r.level));
            break;
        case lwSubdivisionTooLarge: Scene::reportWarning("Subdivision : cage trop grande, affichee telle quelle"); break;
        case lwSubdivisionRefused: Scene::reportWarning("Subdivision : topologie refusee, cage affichee telle quelle"); break;
        case lwSubdivisionNoMemory: Scene::reportWarning("Subdivision : memoire insuffisante, cage affichee telle quelle"); break;
        case lwSubdivisionFine: break;
        }
    }
}
