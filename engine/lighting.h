// Lit drawing (Scene::setLighting): the GL state a lit frame is drawn with
// and what a display list records for a surface under it. Unlit scenes never
// come here, so the show draws exactly as it always has.
#pragma once
#include "engine.h"

// Before a lit frame's lists, with the modelview matrix current: the
// headlight when the scene has no lights of its own, colour-tracked ambient
// and diffuse, and faces turned so that two-sided lighting lights the side
// that faces the eye.
void beginLitFrame(int32_t sceneLightCount);
// After the camera's eye transform: the scene's own lights, placed in the world.
void placeSceneLights(const SceneLight* lights, int32_t count);
// After the lists: lighting and every light off, the faces of applySceneGlState.
void endLitFrame();
// In a list, where the surface changes: emission, specular and sides.
void recordLitSurface(const EngineSurface* surface);
// At the end of a list: culling back on for the next list.
void recordLitListEnd();
// The colour a lit polygon is drawn with (ambient and diffuse follow it):
// colour x diffuse untextured, the diffuse level over a texture.
void litColor(const EngineSurface* surface, bool textured, float rgba[4]);
