// The loading entry, Scene::load, and the nesting of LightWave scenes.
#include <cstring>

#include "imagesearch.h"
#include "lwitems.h"
#include "scenefiles.h"
#include "toolkit.h"

enum { lineSize = 1024 };  // the longest report line

// LightWave scenes being read, outermost first. A scene that names one of
// them (itself included) is refused, and so is nesting deeper than the table:
// neither the stack nor the reading time can run away.
static const char* lightWaveScenesOpen[maxLoadNesting];
static int32_t loadNesting = 0;

// The innermost scene being read, whose folder is searched for pictures.
static const char* sceneBeingRead = nullptr;

const char* sceneLoadingObjects() { return sceneBeingRead; }

static bool lightWaveSceneRefused(const char* name)
{
    if (loadNesting >= maxLoadNesting) {
        reportFormatted(Scene::reportWarning, lineSize, " '%s' Scenes Lightwave trop imbriquees, refuse", name);
        return true;
    }
    for (int32_t i = 0; i < loadNesting; ++i) {
        if (std::strcmp(lightWaveScenesOpen[i], name) == 0) {
            reportFormatted(Scene::reportWarning, lineSize, " '%s' Scene Lightwave deja en cours de lecture, refuse", name);
            return true;
        }
    }
    return false;
}

bool Scene::load(char* fileName)
{
    char* name = fileName ? fileName : selectFiles("Selectionnez une Scene .lwo ou un objet .lwob svp");
    bool loaded = false;
    while (name) {
        fixPathSeparators(name);
        FILE* file = std::fopen(name, "rb");
        if (!file) {
            reportFormatted(Scene::reportWarning, lineSize, " '%s' Fichier Inexistant", name);
            return false;
        }
        char word[lineSize];
        readWord(file, word, sizeof word);
        reportInfo(word);
        std::fclose(file);

        if (std::strcmp(word, "Pomo_Object_File") == 0) {
            // One scene file is read at a time: a scene file named inside
            // another is refused, so the outer reading keeps its open file.
            if (sceneFileReading) {
                reportFormatted(Scene::reportWarning, lineSize, " '%s' Fichier scene dans un fichier scene, refuse", name);
                return false;
            }
            const char* outer = sceneBeingRead;
            sceneBeingRead = name;
            bool read = readSceneFile(name);
            sceneBeingRead = outer;
            return read;
        }
        if (std::strcmp(word, "LWSC") == 0) {
            loaded = true;
            reportInfo("Chargement d'une scene en cours");
            if (lightWaveSceneRefused(name)) return false;
            lightWaveScenesOpen[loadNesting++] = name;
            const char* outer = sceneBeingRead;
            sceneBeingRead = name;
            bool opened = importLightWaveScene(this, name);
            sceneBeingRead = outer;
            --loadNesting;
            if (!opened) return false;
        } else if (importLightWaveObject(name)) {
            loaded = true;
        } else {
            reportInfo("Format non supporte en tant qu'objet ou scene");
        }
        reportInfo("fin de chargement");

        if (fileName) break;
        reportInfo("load of...");
        name = selectFiles(nullptr);
        reportInfo("...selected file");
        if (!name) break;
        reportInfo(name);
    }
    return loaded;
}
