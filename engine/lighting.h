// Lit drawing (Scene::setLighting): the GL state a lit frame is drawn with
// and what a display list records for a surface under it. Unlit scenes never
// come here, so the show draws exactly as it always has.
#pragma once
#include "engine.h"

// Before a lit frame's lists, with the modelview matrix current: the
// headlight, colour-tracked ambient and diffuse, and faces turned so that
// two-sided lighting lights the side that faces the eye.
void beginLitFrame();
// After them: lighting off and the faces of applySceneGlState.
void endLitFrame();
// In a list, where the surface changes: emission, specular and sides.
void recordLitSurface(const EngineSurface* surface);
// At the end of a list: culling back on for the next list.
void recordLitListEnd();
// The colour a lit polygon is drawn with (ambient and diffuse follow it):
// colour x diffuse untextured, the diffuse level over a texture.
void litColor(const EngineSurface* surface, bool textured, float rgba[4]);
