// The three passes every display list records its polygons in, and the GL
// state each one draws with: one table for list compilation and rendering.
#pragma once
#include <GL/gl.h>

#include "engine.h"

enum BlendPass { opaquePass, additivePass, multiplicativePass, passCount };

struct PassState {
    bool blend;
    GLenum source, destination;  // the blend function (also kept while blending is off)
    GLboolean depthWrites;
};

// Opaque: no blending. Additive: the polygon's colour is added. Multiplicative:
// the colour already in the frame buffer is multiplied by itself, whatever the
// polygon's own colour. Blended passes leave the depth buffer as it is.
constexpr PassState passStates[passCount] = {
    {false, GL_ONE, GL_ONE, GL_TRUE},
    {true, GL_ONE, GL_ONE, GL_FALSE},
    {true, GL_ZERO, GL_DST_COLOR, GL_FALSE},
};

// Whether a textured surface's polygons are drawn in the pass.
inline bool surfaceDrawnInPass(const EngineSurface* surface, BlendPass pass)
{
    switch (pass) {
    case opaquePass: return surface->additive == 0 && surface->multiplicative == 0;
    case additivePass: return surface->additive == 1;
    default: return surface->multiplicative == 1;
    }
}

inline void applyPassState(BlendPass pass)
{
    const PassState& state = passStates[pass];
    glBlendFunc(state.source, state.destination);
    if (state.blend) glEnable(GL_BLEND);
    else glDisable(GL_BLEND);
    glDepthMask(state.depthWrites);
}
