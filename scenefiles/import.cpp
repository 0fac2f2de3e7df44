// LightWave objects into engine objects: one SceneObject per layer, surfaces
// shared by name inside the Scene, textures uploaded as the surfaces come.
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "imagesearch.h"
#include "lightwave.h"
#include "scenefiles.h"
#include "vertexcolours.h"
#include "toolkit.h"

// Surface and object lines fit 1,024 characters, polygon lines 128.
enum { lineSize = 1024, polygonLineSize = 128 };

static const char* baseName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The frame buffer as a 24-bit RGB picture, rows from the lower left corner.
static SDL_Surface* captureFrameBuffer()
{
    SDL_Surface* display = SDL_GetVideoSurface();
    if (!display || display->w <= 0 || display->h <= 0) return nullptr;
    SDL_Surface* picture = SDL_CreateRGBSurface(SDL_SWSURFACE, display->w, display->h, 24,
                                                0x000000FF, 0x0000FF00, 0x00FF0000, 0);
    if (!picture) return nullptr;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);  // SDL pads rows to 4 bytes as well
    glReadPixels(0, 0, display->w, display->h, GL_RGB, GL_UNSIGNED_BYTE, picture->pixels);
    return picture;
}

static void setRenderMode(EngineSurface* surface)
{
    const char* name = surface->name;
    if (std::strstr(name, "light")) {
        surface->additive = 1;
        reportFormatted(Scene::reportInfo, lineSize, "Chargement surface '%s', en mode Lighting et AlphaZeroColor", name);
    } else if (std::strstr(name, "shadow")) {
        surface->multiplicative = 1;
        reportFormatted(Scene::reportInfo, lineSize, "Chargement surface '%s', en mode Lighting et AlphaZeroColor", name);
    }
    if (std::strstr(name, "blackbg")) {
        surface->alphaTest = 1;
        reportFormatted(Scene::reportInfo, lineSize, "Chargement surface '%s', en mode AlphaZeroColor", name);
    } else {
        surface->alphaTest = 0;
    }
    if (std::strstr(name, "screenshoot")) {
        // The capture is taken as asked, but the clip's picture is what the
        // surface shows: it is loaded in the capture's place just after.
        if (surface->image) SDL_FreeSurface(surface->image);
        surface->image = captureFrameBuffer();
    }
}

// The pictures of one object's clips, each looked for once: a picture not
// found is reported once, with the places tried, whatever uses it.
struct ClipPictures {
    const char* objectFile;
    std::map<int32_t, std::string> found;  // by clip index; "" when not found
};

static std::string clipPicture(ClipPictures* pictures, const LwClip* clip, const char* clipName)
{
    auto known = pictures->found.find(clip->index);
    if (known != pictures->found.end()) return known->second;
    std::vector<std::string> tried;
    std::string path = findImageFile(clipName, pictures->objectFile, sceneLoadingObjects(), imageContentFolder(), &tried);
    if (path.empty()) {
        std::string places;
        for (const std::string& t : tried) places += (places.empty() ? "<" : ", <") + t + ">";
        reportFormatted(Scene::reportWarning, 4 * lineSize, "Image <%s> introuvable, cherchee en: %s", clipName, places.c_str());
    }
    pictures->found[clip->index] = path;
    return path;
}

static void textureSurface(EngineSurface* surface, const LwTexture* layer, LwObject* lw, ClipPictures* pictures)
{
    LwClip* clip = findLwClip(lw->clips, layer->image.clip);
    const char* clipName = clip ? lwClipFirstName(clip) : nullptr;
    if (!clip || !clipName) {
        reportFormatted(Scene::reportWarning, lineSize, "Surface <%s> : image %i introuvable parmi les clips de l'objet", surface->name,
                        static_cast<int>(layer->image.clip));
        return;
    }
    std::string found = clipPicture(pictures, clip, clipName);
    char imageFile[1024];
    copyText(imageFile, sizeof imageFile, found.c_str());
    setRenderMode(surface);
    if (found.empty()) {
        surface->textured = 0;  // reported with its clip
        return;
    }

    if (surface->image) SDL_FreeSurface(surface->image);
    surface->image = surface->alphaTest == 1 ? loadImageKeyed(imageFile) : loadImageRgb(imageFile);
    if (!surface->image) {
        reportFormatted(Scene::reportWarning, lineSize, "Surface <%s> ne peut pas etre texturee, fichier <%s> innaccessible ",
                        surface->name, imageFile);
        surface->textured = 0;
        return;
    }
    // LightWave's wrap modes: mirror and edge as they are; reset (nothing
    // outside the picture) has no GL form and repeats, as repeat does.
    auto wrap = [](int32_t type) { return type == 2 ? textureMirroredRepeat : type == 3 ? textureClampToEdge : textureRepeat; };
    GLuint name = surface->textureName;
    if (uploadTexture(surface->image, 0, &name, wrap(layer->image.wrapWidthType), wrap(layer->image.wrapHeightType)))
        surface->image = nullptr;
    else Scene::reportWarning("Probleme de transfert SDL->OpenGL");
    surface->textured = 1;
    reportFormatted(Scene::reportInfo, lineSize, "Chargement surface '%s' ", imageFile);
}

// What lit drawing adds to the colours above: glow, highlights and sides.
static void setLitMaterial(EngineSurface* surface, const LwSurface* s)
{
    for (int i = 0; i < 3; ++i) surface->emission[i] = s->luminosity.value * s->color.rgb[i];
    surface->emission[3] = 1.0f;
    // Glossiness 0 to 1 as an exponent of 4 to 128, doubling every tenth up to 50 %.
    float gloss = s->glossiness.value < 0.0f ? 0.0f : s->glossiness.value > 1.0f ? 1.0f : s->glossiness.value;
    surface->shininess = std::fmin(128.0f, std::exp2(2.0f + 10.0f * gloss));
    surface->diffuseLevel = s->diffuse.value;
    surface->twoSided = s->sidedness == 3 ? 1 : 0;
}

static void createSurfaces(Scene* scene, LwObject* lw, const char* fileName)
{
    ClipPictures pictures = {fileName, {}};
    for (LwSurface* s = lw->surfaces; s; s = s->next) {
        const char* surfaceName = s->name ? s->name : "";
        EngineSurface* surface = scene->createSurface(surfaceName);
        if (!surface) {
            Scene::reportInfo("La surface existe deja ");
            continue;
        }
        reportFormatted(Scene::reportInfo, lineSize, "----- GENERATION SURFACE::  <%s>", surfaceName);
        for (int i = 0; i < 3; ++i) {
            surface->ambient[i] = s->color.rgb[i];
            surface->diffuse[i] = s->diffuse.value * s->color.rgb[i];
            surface->specular[i] = s->specularity.value * s->color.rgb[i];
        }
        setLitMaterial(surface, s);
        const LwTexture* layer = s->color.textures;
        if (!layer) {
            surface->textured = 0;
            continue;
        }
        if (layer->type != lwId('I', 'M', 'A', 'P')) {
            reportFormatted(Scene::reportWarning, polygonLineSize, "Image pour Surface inexistante, '%s' non trouve", surfaceName);
            continue;
        }
        textureSurface(surface, layer, lw, &pictures);
    }
}

// The polygon's surface, textured or not; none, with a warning, when the
// scene has not got it.
static EngineSurface* surfaceOf(Scene* scene, const LwPolygonRec& rec)
{
    if (!rec.surface) return nullptr;
    const char* surfaceName = rec.surface->name ? rec.surface->name : "";
    EngineSurface* surface = scene->findSurface(surfaceName);
    if (!surface) {
        reportFormatted(Scene::reportWarning, polygonLineSize, "Echec lors de la recherche d'une surface, '%s' non trouve", surfaceName);
        return nullptr;
    }
    return surface;
}

static bool cornersInRange(const LwPolygonRec& rec, int32_t vertexCount)
{
    for (int32_t i = 0; i < rec.cornerCount; ++i)
        if (rec.corners[i].point < 0 || rec.corners[i].point >= vertexCount) return false;
    return true;
}

static void fillLayer(Scene* scene, SceneObject* object, const LwLayer* layer)
{
    VertexColours colours(layer);
    const int32_t vertexCount = layer->points.count > 0 ? layer->points.count : 0;
    object->vertexCount = vertexCount;
    object->vertices = vertexCount ? new float[3 * vertexCount] : nullptr;
    for (int32_t v = 0; v < vertexCount; ++v)
        for (int i = 0; i < 3; ++i) object->vertices[3 * v + i] = layer->points.items[v].pos[i];

    const int32_t polygonCount = layer->polygons.count > 0 ? layer->polygons.count : 0;
    object->polygonCount = polygonCount;
    object->polygons = polygonCount ? new EnginePolygon[polygonCount]() : nullptr;
    for (int32_t p = 0; p < polygonCount; ++p) {
        const LwPolygonRec& rec = layer->polygons.items[p];
        EnginePolygon& polygon = object->polygons[p];
        const int32_t n = rec.cornerCount;
        // A polygon without corners (or pointing outside the layer's points)
        // stays in the array, empty.
        if (n <= 0 || !rec.corners || !cornersInRange(rec, vertexCount)) continue;
        polygon.vertexCount = n;
        polygon.normals = new float[3 * n];
        polygon.vertices = new float*[n];
        polygon.surface = surfaceOf(scene, rec);
        if (polygon.surface && polygon.surface->textured == 1) polygon.uvs = new float[2 * n];
        for (int32_t i = 0; i < n; ++i) {
            const LwCorner& corner = rec.corners[i];
            polygon.vertices[i] = object->vertices + 3 * corner.point;
            for (int k = 0; k < 3; ++k) polygon.normals[3 * i + k] = corner.normal[k];
            if (polygon.uvs) {
                polygon.uvs[2 * i] = rec.uv ? rec.uv[2 * i] : 0.0f;
                polygon.uvs[2 * i + 1] = rec.uv ? rec.uv[2 * i + 1] : 0.0f;
            }
        }
        polygon.colors = colours.forPolygon(rec, polygon.surface);
    }
}

static SceneObject* createOrDie(Scene* scene, const char* name)
{
    SceneObject* object = scene->createObject(name);
    if (!object) fatalError("Saturation d'allocation d'objets");
    return object;
}

std::vector<int32_t> importedLayerNumbers;

// An LWLO file numbers its layers from 1, as Modeler shows them; LWO2 from 0.
static bool layersCountFromOne(const char* fileName)
{
    char head[12] = {0};
    FILE* file = std::fopen(fileName, "rb");
    if (!file) return false;
    const bool read = std::fread(head, 1, sizeof head, file) == sizeof head;
    std::fclose(file);
    return read && std::memcmp(head + 8, "LWLO", 4) == 0;
}

bool Scene::importLightWaveObject(const char* fileName)
{
    importedLayerNumbers.clear();
    reportInfo("Chargement d'un Objet en cours");
    reportInfo(fileName);
    LwObject* lw = readLwObject(fileName, nullptr, nullptr);
    if (!lw) {
        reportWarning(" Erreur, impossible de charger l'objet en tant qu'objet lwo");
        return false;
    }
    if (!lw->layers) {
        reportWarning("Probleme de chargement, lwobj Aucun Layer");
        freeLwObject(lw);
        return false;
    }

    char objectName[1024];
    formatText(objectName, sizeof objectName, "%s%s", lw->layers->name ? lw->layers->name : "", baseName(fileName));
    SceneObject* first = createOrDie(this, objectName);
    showObject(first);
    copyText(first->sourceFile, sizeof first->sourceFile, fileName);
    reportFormatted(info, lineSize, "%s Chargement ok", first->name);

    createSurfaces(this, lw, fileName);
    subdivideSubPatches(lw, subdivisionLevel);

    const int32_t fromOne = layersCountFromOne(fileName) ? 0 : 1;
    for (const LwLayer* layer = lw->layers; layer; layer = layer->next) {
        // An empty layer name counts as none: the object gets an "Empty" name.
        const char* layerName = layer->name && layer->name[0] ? layer->name : nullptr;
        SceneObject* object = layer == lw->layers ? first : createOrDie(this, layerName);
        fillLayer(this, object, layer);
        importedLayerNumbers.push_back(layer->number + fromOne);
    }
    freeLwObject(lw);
    return true;
}
