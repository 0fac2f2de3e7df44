// Lit drawing: one directional light at the eye, a material per surface.
#include "lighting.h"

#include <GL/gl.h>

void beginLitFrame()
{
    // Set under an identity modelview, the light stays at the eye whatever the camera does.
    static const GLfloat towardsEye[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    static const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    static const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    glPushMatrix();
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, towardsEye);
    glPopMatrix();
    glLightfv(GL_LIGHT0, GL_AMBIENT, none);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
    // Highlights are added after texturing, so a dark texture still shines.
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    // The z mirror makes the faces the scene shows GL's back faces; two-sided
    // lighting flips the normals of back faces, so they are named front here
    // (same culling, other name).
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
}

void endLitFrame()
{
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
