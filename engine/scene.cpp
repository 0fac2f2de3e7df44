// The scene and its object model: construction and destruction, the object
// and surface tables, texture names, showing, hiding and placing objects.
#include "engine.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "toolkit.h"

int32_t emptyObjectCounter = 0;

static const char defaultSceneName[] = "Trevoskin, Vordelle3DV4.1 Scene Par defaut";
static const char unallocatedSource[] = "-xxx.Vordelle3DV4.1-Unallocated.xxx-";

static void clearTransform(Transform* t)
{
    std::memset(t, 0, sizeof(*t));
}

void applySceneGlState()
{
    glEnable(GL_DEPTH_TEST);
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

Scene::Scene()
{
    videoSurface = SDL_GetVideoSurface();
    if (!videoSurface) reportInfo(" Sortie Video SDL non utilisee ");

    name = new char[sizeof(defaultSceneName)];
    std::memcpy(name, defaultSceneName, sizeof(defaultSceneName));
    objectCount = 0;
    for (int i = 0; i < maxSceneObjects; i++) objects[i] = nullptr;
    std::memset(&surfaces, 0, sizeof(surfaces));

    camera = createObject("camera");
    if (camera) {
        camera->isCamera = 1;
        camera->visible = 0;
        clearTransform(&camera->current);
        clearTransform(&camera->startTransform);
        clearTransform(&camera->target);
        camera->transform = &camera->current;
        // createObject already gave it its player: one is enough.
        if (camera->player) camera->player->object = camera;
    } else {
        reportWarning("Allocation Camera echouee");
    }

    if (videoSurface && videoSurface->h != 0)
        pixelRatio = static_cast<float>(videoSurface->w) / static_cast<float>(videoSurface->h);
    else
        pixelRatio = 1.3f;

    // Zero-filled so that names OpenGL did not hand out (no context) read as none.
    textureNames = new (std::nothrow) uint32_t[maxSceneSurfaces]();
    if (textureNames) glGenTextures(maxSceneSurfaces, textureNames);

    surfaceCount = 0;
    textureCounter = 0;
    listsCompiled = 0;
    listBase = 0;
    listCount = 0;
    lighting = 0;

    applySceneGlState();

    reportInfo(" est parmis nous ");
    recordPending = 0;
}

static void releaseObject(SceneObject* object)
{
    delete[] object->vertices;
    if (object->polygons) {
        for (int32_t p = 0; p < object->polygonCount; p++) {
            EnginePolygon* polygon = &object->polygons[p];
            delete[] polygon->normals;
            delete[] polygon->vertices;
            delete[] polygon->uvs;
            delete[] polygon->colors;
        }
        delete[] object->polygons;
    }
    delete object->player;
    std::free(object);
}

Scene::~Scene()
{
    reportInfo(" nous quitte ");
    delete[] name;
    name = nullptr;
    delete animation;
    animation = nullptr;

    // Every entry, not only up to the first hole, so none is left behind.
    for (int i = 0; i < maxSceneObjects; i++) {
        if (!objects[i]) continue;
        releaseObject(objects[i]);
        objects[i] = nullptr;
    }
    camera = nullptr;

    // Only the range this scene reserved: other list names are not ours.
    if (listsCompiled == 1 && listBase != 0 && listCount > 0) glDeleteLists(listBase, listCount);

    if (textureNames) {
        glDeleteTextures(maxSceneSurfaces, textureNames);
        delete[] textureNames;
        textureNames = nullptr;
    }
}

SceneObject* Scene::createObject(const char* objectName)
{
    if (objectCount >= maxSceneObjects) return nullptr;

    char emptyName[objectNameSize];
    if (!objectName) {
        formatText(emptyName, sizeof(emptyName), "Empty %i", static_cast<int>(emptyObjectCounter));
        emptyObjectCounter++;
        objectName = emptyName;
    }

    SceneObject* object = static_cast<SceneObject*>(std::calloc(1, sizeof(SceneObject)));
    if (!object) return nullptr;
    objects[objectCount] = object;
    copyText(object->name, sizeof(object->name), objectName);

    object->polygons = nullptr;
    object->vertices = nullptr;
    object->transform = &object->current;
    object->lookAtMode = 0;
    object->visible = 0;
    object->isCamera = 0;
    object->next = object;
    object->ringHead = object;
    object->countdown = 0;
    object->period = 50;
    object->player = nullptr;
    showObject(object);

    copyText(object->sourceFile, sizeof(object->sourceFile), unallocatedSource);
    objectCount++;
    return object;
}

SceneObject* Scene::findObject(const char* objectName)
{
    if (!objectName) return nullptr;
    for (int32_t i = 0; i < objectCount; i++) {
        if (objects[i] && std::strcmp(objects[i]->name, objectName) == 0) return objects[i];
    }
    return nullptr;
}

EngineSurface* Scene::createSurface(const char* surfaceName)
{
    if (findSurface(surfaceName)) return nullptr;
    if (surfaceCount >= maxSceneSurfaces) {
        reportWarning(" MAXIMUM  de Surfaces depasse ");
        return nullptr;
    }
    surfaceCount++;
    EngineSurface* surface = &surfaces.items[surfaceCount];
    std::memset(surface, 0, sizeof(*surface));
    copyText(surface->name, sizeof(surface->name), surfaceName);
    surface->textureName = nextTextureName();
    surface->diffuseLevel = 1.0f;  // lit textures keep their brightness until a material says otherwise
    return surface;
}

EngineSurface* Scene::findSurface(const char* surfaceName)
{
    if (!surfaceName) return nullptr;
    for (int32_t i = 1; i <= surfaceCount; i++) {
        if (std::strcmp(surfaces.items[i].name, surfaceName) == 0) return &surfaces.items[i];
    }
    return nullptr;
}

// Hands out the names reserved at construction, in order, so that a scene
// never binds over a texture it does not own.
uint32_t Scene::nextTextureName()
{
    if (textureCounter >= maxSceneSurfaces) return 0;
    textureCounter++;
    if (!textureNames) return 0;
    return textureNames[textureCounter - 1];
}

void Scene::showObject(SceneObject* object)
{
    if (!object) return;
    object->visible = 1;
    if (!object->player) {
        object->player = new (std::nothrow) KeyframePlayer();
        if (!object->player)
            reportFatal("FATAL!! l'allocation du player a echoue, cet echec va entrainer un crash de l'instance");
    }
    object->player->object = object;
}

void Scene::hideObject(SceneObject* object)
{
    if (object) object->visible = 0;
}

void Scene::setObjectTransform(SceneObject* object, float x, float y, float z, float heading, float pitch, float bank)
{
    if (!object || !object->transform) return;
    Transform* t = object->transform;
    t->x = x;
    t->y = y;
    t->z = z;
    t->heading = heading;
    t->pitch = pitch;
    t->bank = bank;
}

void Scene::setLookAtTarget(SceneObject* object, float x, float y, float z)
{
    if (!object) return;
    object->target.x = x;
    object->target.y = y;
    object->target.z = z;
    object->target.heading = 0.0f;
    object->target.pitch = 0.0f;
    object->target.bank = 0.0f;
    object->lookAtMode = 1;
}

void Scene::clearLookAt(SceneObject* object)
{
    if (object) object->lookAtMode = 0;
}
