// The lens-flare opening: a full-screen background and fountains of
// glowing sprites, drawn additively and moved once per drawn frame.
#pragma once
#include <SDL/SDL.h>
#include <GL/gl.h>

struct FlareParticle {
    float x, y, z;
    float vx, vy, vz;  // per drawn frame, scaled by life when applied
    float life;        // brightness; re-emitted once below 0
    float decay;       // taken off life every frame
};

// While non-zero, layers draw their background only and the particles stay frozen.
extern unsigned char flaresBackgroundOnly;

class FlareLayer {
public:
    FlareLayer();
    ~FlareLayer();

    // Needs a current GL context. A sprite that does not load is fatal; a
    // background that does not load (or none given) leaves the layer without one.
    void load(const char* spritePath, const char* backgroundPath, float x, float y, float z);
    // The origin and the drift are used only by particles re-emitted in this call.
    void draw(float x, float y, float z, float driftX, float driftY, float speedZ);
    void release();

    unsigned char hasBackground;
    SDL_Surface* spriteImage;
    SDL_Surface* backgroundImage;
    GLuint textureNames[2];  // [0] sprite, [1] background
    FlareParticle particles[32];
};

// Fog fades of the flare loops, one step per frame: the density is applied,
// then moved by 0.01; a density below 0 is never applied.
void fogStepDown(float& density);
void fogStepUp(float& density);
