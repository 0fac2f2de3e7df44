// The lens-flare opening: a full-screen background and fountains of
// glowing sprites, drawn additively and moved by steps of the show's clock.
#pragma once
#include <SDL/SDL.h>
#include <GL/gl.h>

#include <cstdint>

#include "pacing.h"

struct FlareParticle {
    float x, y, z;
    float vx, vy, vz;  // per step, scaled by life when applied
    float life;        // brightness; re-emitted once below 0
    float decay;       // taken off life every step
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
    // One step of the fountain: re-emits the dead particles at the origin with
    // the drift, then moves every particle. Nothing moves while
    // flaresBackgroundOnly is set.
    void step(float x, float y, float z, float driftX, float driftY, float speedZ);
    // Draws the background, then (unless flaresBackgroundOnly) the particles as they stand.
    void render();
    // One step, then the picture.
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

// The three flare loops over three layers: a fade-in of the background, the
// fountains (their sway follows a phase), a fade-out. Every step is the one a
// drawn frame once took, in the same order, now taken per 20 ms of the clock.
struct FlareShow {
    enum Stage { FadeIn, Fountains, FadeOut };

    explicit FlareShow(FlareLayer* threeLayers) : layers(threeLayers) {}

    // Takes the steps due at nowMs, then draws the layers (no clear, no swap).
    void frame(Stage stage, uint32_t nowMs);
    // At the end of a stage: the steps due by its limit that no frame came to take.
    void finish(Stage stage, uint32_t limitMs);

    FlareLayer* layers;
    StepPacer pacer;
    float density = 1.0f;  // fog, stepped down through the first two stages, up in the last
    float phase = 0.0f;
    float x0 = 0.0f, x1 = 0.0f, x2 = 0.0f;  // the fountains' origins, used by the next step

private:
    void take(Stage stage, uint32_t steps);
};
