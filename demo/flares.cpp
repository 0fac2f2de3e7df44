#include "flares.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdlib>

#include "toolkit.h"

unsigned char flaresBackgroundOnly = 0;

FlareLayer::FlareLayer() : hasBackground(0), spriteImage(nullptr), backgroundImage(nullptr), textureNames{0, 0} {}

FlareLayer::~FlareLayer()
{
    release();
}

// The three random parts of a fresh particle, always drawn in this order.
static void emit(FlareParticle& p, float x, float y, float z, float driftX, float driftY, float speedZ)
{
    p.life = 1.0f;
    p.x = x;
    p.y = y;
    p.z = z;
    p.vx = (std::rand() % 100 - 50) / 10000.0f + driftX;
    p.vy = (50 - std::rand() % 25) / 10000.0f + driftY;
    p.vz = speedZ;
    p.decay = (std::rand() % 25 + 50) / 10000.0f;
}

static void makeTexture(GLuint name, SDL_Surface* image)
{
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    // GL_CLAMP would blend the border colour (black) into the outermost
    // texels under linear filtering: a dark frame round the background.
    buildTexture(image, name, textureClampToEdge, textureClampToEdge);
}

void FlareLayer::load(const char* spritePath, const char* backgroundPath, float x, float y, float z)
{
    release();  // loading twice must not leak the first pictures and names
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glGenTextures(2, textureNames);

    spriteImage = loadImageRgb(spritePath);
    if (!spriteImage) fatalError("Impossible de charger la pic de Flares");
    makeTexture(textureNames[0], spriteImage);

    if (backgroundPath) {
        backgroundImage = loadImageRgb(backgroundPath);
        if (backgroundImage) {
            makeTexture(textureNames[1], backgroundImage);
            hasBackground = 1;
        }
    }

    // Staggered lives keep the fountain continuous from its first frame.
    for (int i = 0; i < 32; ++i) {
        FlareParticle& p = particles[i];
        p.life = 1.0f - i / 32.0f;
        p.x = x;
        p.y = y;
        p.z = z;
        p.vx = (std::rand() % 100 - 50) / 10000.0f;
        p.vy = (50 - std::rand() % 25) / 10000.0f;
        p.vz = 0.0f;
        p.decay = (std::rand() % 25 + 50) / 10000.0f;
    }
}

void FlareLayer::step(float x, float y, float z, float driftX, float driftY, float speedZ)
{
    if (flaresBackgroundOnly != 0) return;
    for (FlareParticle& p : particles) {
        if (p.life < 0.0f) emit(p, x, y, z, driftX, driftY, speedZ);

        // Motion slows with life, and the rise weakens every step.
        p.life -= p.decay;
        p.vy -= p.decay / 100.0f;
        p.x += p.vx * p.life;
        p.y += p.vy * p.life;
        p.z += p.vz * p.life;
    }
}

void FlareLayer::render()
{
    if (hasBackground == 1) {
        // A 4 x 4 quad at z = -2 fills the 90-degree view exactly.
        glDisable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, textureNames[1]);
        glColor3f(1.0f, 1.0f, 1.0f);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(-2.0f, -2.0f, -2.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(2.0f, -2.0f, -2.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(2.0f, 2.0f, -2.0f);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(-2.0f, 2.0f, -2.0f);
        glEnd();
    }
    if (flaresBackgroundOnly != 0) return;

    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, textureNames[0]);
    for (const FlareParticle& p : particles) {
        // Brightness is life under additive blending: a dying sprite fades
        // to black. It spins one full turn per unit of x.
        glPushMatrix();
        glTranslatef(p.x, p.y, p.z - 0.5f);
        glRotatef(p.x * 360.0f, 0.0f, 0.0f, 1.0f);
        glColor3f(p.life, p.life, p.life);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(-0.1f, -0.1f, 0.0f);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(0.1f, -0.1f, 0.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(0.1f, 0.1f, 0.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(-0.1f, 0.1f, 0.0f);
        glEnd();
        glPopMatrix();
    }
}

void FlareLayer::draw(float x, float y, float z, float driftX, float driftY, float speedZ)
{
    step(x, y, z, driftX, driftY, speedZ);
    render();
}

void FlareLayer::release()
{
    // A layer whose sprite never loaded has nothing to give back.
    if (!spriteImage) return;
    SDL_FreeSurface(spriteImage);
    spriteImage = nullptr;
    if (hasBackground == 1 && backgroundImage) SDL_FreeSurface(backgroundImage);
    backgroundImage = nullptr;
    hasBackground = 0;
    glDeleteTextures(2, textureNames);
    textureNames[0] = textureNames[1] = 0;
}

void fogStepDown(float& density)
{
    if (density > 0.0f) {
        glFogf(GL_FOG_DENSITY, density);
        density -= 0.01f;
    }
}

void fogStepUp(float& density)
{
    if (density < 1.0f) {
        if (density >= 0.0f) glFogf(GL_FOG_DENSITY, density);
        density += 0.01f;
    }
}

void FlareShow::take(Stage stage, uint32_t steps)
{
    flaresBackgroundOnly = stage == Fountains ? 0 : 1;
    for (uint32_t i = 0; i < steps; ++i) {
        if (stage == Fountains) {
            layers[0].step(x0, 0.2f, 0.0f, 0.0f, 0.001f, 0.0025f);
            layers[1].step(x1, 0.0f, 0.0f, 0.0f, 0.001f, 0.0025f);
            layers[2].step(x2, -0.25f, 0.0f, 0.0f, 0.001f, 0.005f);
            phase += 0.01f;
            x0 = static_cast<float>(std::cos(phase) / 5.0);
            x1 = static_cast<float>(std::cos(phase) / 10.0);
            x2 = static_cast<float>(std::cos(phase) / 2.5);
        }
        if (stage == FadeOut)
            fogStepUp(density);
        else
            fogStepDown(density);
    }
}

void FlareShow::frame(Stage stage, uint32_t nowMs)
{
    if (!pacer.started()) pacer.start(nowMs);
    take(stage, pacer.due(nowMs));
    // Once the fade-in is over the fog's density stays near 1e-6: within the
    // flares' depth (under 2.5) it darkens no pixel by a tenth of a level,
    // so it is switched off rather than computed for every sprite's pixels.
    GLfloat applied = 1.0f;
    glGetFloatv(GL_FOG_DENSITY, &applied);
    if (applied < 1e-4f)
        glDisable(GL_FOG);
    else
        glEnable(GL_FOG);
    if (stage == FadeIn) {
        layers[0].render();
    } else {
        for (int i = 0; i < 3; ++i) layers[i].render();
    }
}

void FlareShow::finish(Stage stage, uint32_t limitMs)
{
    take(stage, pacer.due(limitMs));
}
