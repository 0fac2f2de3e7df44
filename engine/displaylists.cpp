// Display list compilation: one list per object, its polygons recorded in
// three passes (opaque, additive, multiplicative), and the scene rewind.
#include "engine.h"

#include <GL/gl.h>

#include <initializer_list>

#include "lighting.h"
#include "passes.h"

static GLenum primitiveFor(int32_t corners)
{
    switch (corners) {
    case 1: return GL_POINTS;
    case 3: return GL_TRIANGLES;
    case 4: return GL_QUADS;
    default: return GL_POLYGON;
    }
}

// The state a surface change records: texturing and binding, and the
// front-face material (kept even though lighting stays off).
static void recordSurface(const EngineSurface* surface, BlendPass pass, bool lit)
{
    if (lit) recordLitSurface(surface);
    if (!surface || surface->textured != 1) {
        glDisable(GL_TEXTURE_2D);
    } else {
        glEnable(GL_TEXTURE_2D);
        // The opaque pass keeps the previous binding for a name OpenGL does not know.
        if (pass != opaquePass || glIsTexture(surface->textureName)) glBindTexture(GL_TEXTURE_2D, surface->textureName);
    }
    if (!surface) return;
    glMaterialfv(GL_FRONT, GL_AMBIENT, surface->ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, surface->diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, surface->specular);
}

// Walks the polygons of one blend class and answers how many are drawn;
// with record set, records them. State is recorded only when the surface
// changes from one polygon to the next.
static int walkPass(const SceneObject* object, BlendPass pass, bool record, bool lit = false)
{
    int drawn = 0;
    if (!object->polygons) return 0;
    const EngineSurface* current = nullptr;
    bool started = false;  // the first polygon sets its surface up, even when it has none
    bool textured = false;
    bool draw = false;
    bool tinted = false;  // an untextured polygon left its colour as the current one

    for (int32_t p = 0; p < object->polygonCount; p++) {
        const EnginePolygon* polygon = &object->polygons[p];
        const EngineSurface* surface = polygon->surface;

        if (!started || surface != current) {
            started = true;
            current = surface;
            // Untextured polygons are flat colour, drawn in the opaque pass only.
            textured = surface && surface->textured == 1;
            draw = textured ? surfaceDrawnInPass(surface, pass) : pass == opaquePass;
            if (record) recordSurface(surface, pass, lit);
        }

        int32_t corners = polygon->vertexCount;
        if (!draw || corners <= 0 || corners == 2 || !polygon->vertices) continue;
        if (corners == 1 && pass != opaquePass) continue;
        drawn++;
        if (!record) continue;

        bool alphaTested = textured && surface->alphaTest == 1;
        if (alphaTested) {
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_LESS, 0.8f);
        }

        if (lit) {
            float colour[4];
            litColor(surface, textured, colour);
            glColor4fv(colour);
            tinted = true;
        } else if (textured && tinted) {
            // Textures are modulated by the current colour: give them white back.
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            tinted = false;
        }
        if (!lit && !textured && pass == opaquePass) {
            if (surface) {
                glColor3f(surface->ambient[0], surface->ambient[1], surface->ambient[2]);
                tinted = true;
            } else {
                glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            }
        }

        // Vertex colours stand for the surface's colour, scaled like it when lit.
        const float* colours = polygon->colors;
        const float scale = lit && surface ? surface->diffuseLevel : 1.0f;
        if (colours) tinted = true;

        glBegin(primitiveFor(corners));
        for (int32_t c = 0; c < corners; c++) {
            const float* vertex = polygon->vertices[c];
            if (!vertex) continue;
            if (colours) {
                const float* rgba = &colours[4 * c];
                glColor4f(rgba[0] * scale, rgba[1] * scale, rgba[2] * scale, rgba[3]);
            }
            if (textured && polygon->uvs) glTexCoord2f(polygon->uvs[2 * c], polygon->uvs[2 * c + 1]);
            if (polygon->normals) glNormal3fv(&polygon->normals[3 * c]);
            glVertex3fv(vertex);
        }
        glEnd();

        if (alphaTested) glDisable(GL_ALPHA_TEST);
    }

    // The next passes and the next objects expect a white current colour.
    if (tinted) glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    return drawn;
}

void Scene::compileDisplayLists()
{
    if (listsCompiled == 1) {
        if (listBase != 0 && listCount > 0) glDeleteLists(listBase, listCount);
        listBase = 0;
        listCount = 0;
        reportInfo("Effacement des precedentes Listes Opengl");
    }
    listsCompiled = 1;
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);

    listBase = objectCount > 0 ? glGenLists(objectCount) : 0;
    if (listBase == 0) {
        reportWarning("Impossible de re-creer des Listes Opengl!!");
        return;
    }
    listCount = objectCount;
    reportInfo("Creation des Listes Opengl");

    for (int32_t i = 0; i < objectCount; i++) {
        const SceneObject* object = objects[i];
        if (!object) continue;
        if (object->visible == 0 && object->ringHead == object) continue;

        glNewList(listBase + i, GL_COMPILE);
        reportInfo("Nouvelle Liste en cours d'enregistrement...");

        // The opaque pass's state is in force when the list is called: render
        // and the end of every list see to it.
        const bool lit = lighting == 1;
        walkPass(object, opaquePass, true, lit);

        // A blended pass with nothing to draw records no state: the driver
        // would otherwise revalidate its pipeline for every object drawn.
        for (BlendPass pass : {additivePass, multiplicativePass}) {
            if (walkPass(object, pass, false) == 0) continue;
            applyPassState(pass);
            walkPass(object, pass, true, lit);
        }
        applyPassState(opaquePass);
        if (lit) recordLitListEnd();
        glEndList();
    }
}

void Scene::reinitialise()
{
    bool corrupt = false;
    for (int32_t i = 0; i < objectCount; i++) {
        if (!objects[i]) {
            reportWarning("Erreur lors de la re-initialisation de la scene, la scene est corrompue!");
            corrupt = true;
            break;
        }
        KeyframePlayer* player = objects[i]->player;
        if (!player) continue;
        player->currentFrame = 0;
        // A player that has turned its ring follows a member: take it back to the head.
        if (player->object && player->object->next != player->object) player->object = player->object->ringHead;
    }

    if (!corrupt) {
        for (int32_t i = 0; i < objectCount; i++) {
            SceneObject* member = objects[i];
            if (member->next == member) continue;
            member->countdown = member->period;
            hideObject(member);
        }
        for (int32_t i = 0; i < objectCount; i++) {
            SceneObject* member = objects[i];
            if (member->next != member && member->ringHead == member) showObject(member);
        }
    }

    if (listsCompiled == 0) compileDisplayLists();
}
