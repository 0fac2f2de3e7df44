// Lit drawing: a headlight or the scene's own lights, a material per surface.
#include "lighting.h"

#include <GL/gl.h>

#include <cmath>

static const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};

void beginLitFrame(int32_t sceneLightCount)
{
    static const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    if (sceneLightCount <= 0) {
        // Set under an identity modelview, the light stays at the eye whatever the camera does.
        static const GLfloat towardsEye[4] = {0.0f, 0.0f, 1.0f, 0.0f};
        glPushMatrix();
        glLoadIdentity();
        glLightfv(GL_LIGHT0, GL_POSITION, towardsEye);
        glPopMatrix();
        glLightfv(GL_LIGHT0, GL_AMBIENT, none);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0, GL_SPECULAR, white);
        glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180.0f);  // a scene's spot may have had this light
        glEnable(GL_LIGHT0);
    }
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
    // Highlights are added after texturing, so a dark texture still shines.
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    // A scaled matrix placement scales the normals too.
    glEnable(GL_NORMALIZE);
    // The z mirror makes the faces the scene shows GL's back faces; two-sided
    // lighting flips the normals of back faces, so they are named front here
    // (same culling, other name).
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
}

void placeSceneLights(const SceneLight* lights, int32_t count)
{
    for (int32_t i = 0; i < count && i < sceneMaxLights; ++i) {
        const SceneLight& l = lights[i];
        const GLenum light = GL_LIGHT0 + i;
        // GL leaves light colours unclamped: above 1 the lit colour saturates, below 0 it darkens.
        GLfloat colour[4] = {l.colour[0] * l.intensity, l.colour[1] * l.intensity, l.colour[2] * l.intensity, 1.0f};
        // A distant light's position is the way towards it.
        GLfloat position[4] = {-l.direction[0], -l.direction[1], -l.direction[2], 0.0f};
        if (l.kind != sceneLightDistant)
            for (int k = 0; k < 4; ++k) position[k] = k < 3 ? l.position[k] : 1.0f;
        glLightfv(light, GL_AMBIENT, none);
        glLightfv(light, GL_DIFFUSE, colour);
        glLightfv(light, GL_SPECULAR, colour);
        glLightfv(light, GL_POSITION, position);
        glLightf(light, GL_SPOT_CUTOFF, l.kind == sceneLightSpot ? l.coneDegrees : 180.0f);
        if (l.kind == sceneLightSpot) glLightfv(light, GL_SPOT_DIRECTION, l.direction);
        glEnable(light);
    }
}

void endLitFrame()
{
    for (int i = 0; i < sceneMaxLights; ++i) glDisable(GL_LIGHT0 + i);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_NORMALIZE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glFrontFace(GL_CCW);
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
}

void recordLitSurface(const EngineSurface* surface)
{
    static const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    bool twoSided = surface && surface->twoSided;
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, surface ? surface->emission : black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, surface ? surface->specular : black);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, surface ? surface->shininess : 0.0f);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, twoSided ? GL_TRUE : GL_FALSE);
    if (twoSided) glDisable(GL_CULL_FACE);
    else glEnable(GL_CULL_FACE);
}

void recordLitListEnd()
{
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glEnable(GL_CULL_FACE);
}

void litColor(const EngineSurface* surface, bool textured, float rgba[4])
{
    for (int k = 0; k < 3; ++k) rgba[k] = !surface ? 1.0f : textured ? surface->diffuseLevel : surface->diffuse[k];
    rgba[3] = 1.0f;
}

void Scene::setLighting(bool on)
{
    if ((lighting != 0) == on) return;
    lighting = on ? 1 : 0;
    if (listsCompiled == 1) compileDisplayLists();
}

// How much a light gives, to choose which to keep: intensity x (red + green
// + blue), so a negative light comes last. Lights do not fade, so a point
// light's distance plays no part.
static float strength(const SceneLight& l)
{
    return l.intensity * (l.colour[0] + l.colour[1] + l.colour[2]);
}

void Scene::setLights(const SceneLight* given, int32_t count)
{
    if (!given || count < 0) count = 0;
    if (count > sceneMaxLights && !lightsDropped) {
        lightsDropped = 1;
        reportWarning(" MAXIMUM de lumieres depasse, les 8 plus fortes sont gardees ");
    }
    // The strongest first, ties in the caller's order; no allocation, so it can run every frame.
    float kept[sceneMaxLights];
    lightCount = 0;
    for (int32_t i = 0; i < count; ++i) {
        const float s = strength(given[i]);
        int32_t at = lightCount;
        while (at > 0 && kept[at - 1] < s) --at;
        if (at == sceneMaxLights) continue;
        if (lightCount < sceneMaxLights) ++lightCount;
        for (int32_t j = lightCount - 1; j > at; --j) lights[j] = lights[j - 1], kept[j] = kept[j - 1];
        kept[at] = s;
        SceneLight& l = lights[at];
        l = given[i];
        // GL makes directions unit itself, but has none for a zero one: shine forward, as an unturned light does.
        float* d = l.direction;
        if (d[0] * d[0] + d[1] * d[1] + d[2] * d[2] < 1e-12f) d[0] = d[1] = 0.0f, d[2] = 1.0f;
        l.coneDegrees = std::isnan(l.coneDegrees) ? 0.0f : std::fmin(std::fmax(l.coneDegrees, 0.0f), 90.0f);
    }
}
