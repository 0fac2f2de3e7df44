// Frame rendering: projection, the camera's eye transform, and every
// visible object's list at the transform of its ring head.
#include "engine.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "lighting.h"
#include "passes.h"
#include "toolkit.h"

// The scene is modelled with z pointing away from the eye.
static const GLfloat zMirror[16] = {
    1.0f, 0.0f, 0.0f, 0.0f,
    0.0f, 1.0f, 0.0f, 0.0f,
    0.0f, 0.0f, -1.0f, 0.0f,
    0.0f, 0.0f, 0.0f, 1.0f,
};

// Closes the animation step of this frame: the next advance moves players
// on by the ticks that arrive from now on. A negative count is left alone.
static void resetTicks()
{
    int32_t ticks = tickTimer.ticks.load();
    while (ticks > 0 && !tickTimer.ticks.compare_exchange_weak(ticks, 0)) {
    }
}

// A 3x4 placement (rows) as OpenGL's column-major 4x4.
static void toGl(const float m[12], GLfloat out[16])
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) out[4 * c + r] = m[4 * r + c];
    out[3] = out[7] = out[11] = 0.0f;
    out[15] = 1.0f;
}

// The eye transform of a camera placed by a matrix: its inverse (a singular
// one, a camera scaled to nothing, leaves the view as it is).
static void applyInverseMatrix(const float m[12])
{
    const double a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], k = m[10];
    const double det = a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
    if (!(det > 1e-12 || det < -1e-12)) return;
    const double inv[9] = {(e * k - f * h) / det, (c * h - b * k) / det, (b * f - c * e) / det,
                           (f * g - d * k) / det, (a * k - c * g) / det, (c * d - a * f) / det,
                           (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det};
    float out[12];
    for (int r = 0; r < 3; ++r) {
        double t = 0;
        for (int i = 0; i < 3; ++i) {
            out[4 * r + i] = static_cast<float>(inv[3 * r + i]);
            t -= inv[3 * r + i] * m[4 * i + 3];
        }
        out[4 * r + 3] = static_cast<float>(t);
    }
    GLfloat gl[16];
    toGl(out, gl);
    glMultMatrixf(gl);
}

// The inverse of a placement turning by heading, then pitch, then bank.
static void applyCamera(const SceneObject* camera)
{
    if (camera->hasMatrix == 1) {
        applyInverseMatrix(camera->matrix);
        return;
    }
    const Transform* t = camera->transform;
    if (!t) return;
    if (camera->lookAtMode == 1) {
        // gluLookAt builds a right-handed view, which the z-mirror in front
        // of it turns round: aimed at the target through the eye, the
        // mirrored view faces the target, with x to the right as by angles.
        const Transform& aim = camera->target;
        gluLookAt(t->x, t->y, t->z, 2.0f * t->x - aim.x, 2.0f * t->y - aim.y, 2.0f * t->z - aim.z, 0.0, 1.0, 0.0);
        return;
    }
    glRotatef(t->bank, 0.0f, 0.0f, -1.0f);
    glRotatef(t->pitch, -1.0f, 0.0f, 0.0f);
    glRotatef(t->heading, 0.0f, -1.0f, 0.0f);
    glTranslatef(-t->x, -t->y, -t->z);
}

void Scene::render()
{
    resetTicks();

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, pixelRatio, 0.1f, 1024.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(zMirror);

    glShadeModel(GL_SMOOTH);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    applyPassState(opaquePass);  // what every list expects when it is called
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_TEXTURE_2D);

    if (lighting == 1) beginLitFrame(lightCount);
    if (camera) applyCamera(camera);
    if (lighting == 1) placeSceneLights(lights, lightCount);

    // Only names of the range this scene reserved are called: an object made
    // after the last compilation, or a failed reservation, has no list, and
    // the names around the range may be someone else's lists.
    if (listsCompiled == 1 && listBase != 0) {
        for (int32_t i = 0; i < objectCount && i < listCount; i++) {
            const SceneObject* object = objects[i];
            if (!object || object->visible != 1 || object->isCamera != 0) continue;
            const SceneObject* head = object->ringHead ? object->ringHead : object;
            const Transform* h = head->transform;
            if (!h) continue;
            glPushMatrix();
            if (head->hasMatrix == 1) {
                GLfloat m[16];
                toGl(head->matrix, m);
                glMultMatrixf(m);
                glCallList(listBase + i);
                glPopMatrix();
                continue;
            }
            glTranslatef(h->x, h->y, h->z);
            if (head->headingFirst == 1) {
                glRotatef(h->heading, 0.0f, 1.0f, 0.0f);
                glRotatef(h->pitch, 1.0f, 0.0f, 0.0f);
            } else {
                glRotatef(h->pitch, 1.0f, 0.0f, 0.0f);
                glRotatef(h->heading, 0.0f, 1.0f, 0.0f);
            }
            glRotatef(h->bank, 0.0f, 0.0f, 1.0f);
            glCallList(listBase + i);
            glPopMatrix();
        }
    }

    if (lighting == 1) endLitFrame();
    glEnable(GL_TEXTURE_2D);
}
