// Writer of version 4 scene files, one player's block at a time.
#include <cstring>

#include "scenefiles.h"
#include "toolkit.h"

char lastSavedSceneFile[256] = "";
unsigned char appendMode = 0;

static const char saveFailed[] = "Probleme lors d'une tentative de sauvegarde de:<%s>";

// "<load_object>" with the object and the rest of its ring, in ring order.
// The walk is bounded: a ring broken by hand never loops forever.
static void writeObjectGroup(FILE* file, const Scene* scene, const SceneObject* object)
{
    std::fprintf(file, "<load_object> '%s' ", object->sourceFile);
    int32_t members = 1;
    int32_t limit = scene ? scene->objectCount : maxSceneObjects;
    for (const SceneObject* m = object->next; m && m != object && members < limit; m = m->next) {
        std::fprintf(file, "'%s' ", m->sourceFile);
        ++members;
    }
    std::fprintf(file, "</load_object>\n");
    if (members > 1) std::fprintf(file, "<object_playspeed> %i\n", object->period);
}

bool KeyframePlayer::saveSceneFile(const char* fileName)
{
    // A player that never received a key is bound to no object: nothing to say.
    if (!frames || !object || !scene) {
        warning("Pas d'animation a sauvegarder!");
        return false;
    }
    FILE* file = fileName ? std::fopen(fileName, appendMode == 1 ? "a" : "w") : nullptr;
    if (!file) {
        reportFormatted(warning, 128, saveFailed, fileName ? fileName : "");
        return false;
    }

    if (appendMode != 1) {
        std::fprintf(file, "Pomo_Object_File\nVersion: 4\n");
        std::fprintf(file, "<scene_bloc>\n");
        std::fprintf(file, "<pixel_ratio> %1.4f\n", scene->pixelRatio);
        std::fprintf(file, "<anim_speed> %i\n", animSpeed);
        std::fprintf(file, "</scene_bloc>\n");
    }
    std::fprintf(file, "<scene_bloc>\n");
    if (object->isCamera) {
        std::fprintf(file, "<load_camera> '%s'\n", object->name);
    } else if (object->visible) {
        writeObjectGroup(file, scene, object);
    }
    std::fprintf(file, "<name_selection> '%s'\n", object->name);
    std::fprintf(file, "<pos_spliner> off\n");
    std::fprintf(file, "<ang_spliner> off\n");
    for (int32_t i = 0; i <= lastFrame; ++i) {
        const Keyframe& f = frames[i];
        if (f.isKey == 1) {
            std::fprintf(file, "  <keyframe> %i\n", i);
            std::fprintf(file, "  <pos> %2.2f %2.2f %2.2f\n", f.position[0], f.position[1], f.position[2]);
            std::fprintf(file, "  <ang> %2.2f %2.2f %2.2f\n", f.angles[0], f.angles[1], f.angles[2]);
        }
        if (f.lookAt == 1) std::fprintf(file, "<target> %2.2f %2.2f %2.2f\n", f.target[0], f.target[1], f.target[2]);
    }
    std::fprintf(file, "<end> <--! ignor\xE9 par la version 4-->\n</scene_bloc>\n");

    // A full disk is a failed save, not a success.
    bool written = !std::ferror(file);
    if (std::fclose(file) != 0) written = false;
    if (!written) {
        reportFormatted(warning, 128, saveFailed, fileName);
        return false;
    }
    // A name too long to keep is not kept cut: appending would write elsewhere.
    // When appending, fileName is lastSavedSceneFile itself.
    if (std::strlen(fileName) < sizeof lastSavedSceneFile) copyText(lastSavedSceneFile, sizeof lastSavedSceneFile, fileName);
    else lastSavedSceneFile[0] = 0;
    appendMode = 0;
    return true;
}

bool KeyframePlayer::appendToLastSceneFile()
{
    appendMode = 1;
    return saveSceneFile(lastSavedSceneFile);
}
