// Reader of the engine's own scene files (".pof", versions 3 and 4).
#include <cstring>

#include "scenefiles.h"
#include "toolkit.h"

FILE* sceneFile = nullptr;
int32_t sceneFileVersion = 0;
int32_t pendingKeyLines = 0;
unsigned char sceneFileReading = 0;

// The Scene whose version 3 reading left sceneFile open; another Scene never
// continues it.
static Scene* sceneFileOwner = nullptr;

static const char magicWord[] = "Pomo_Object_File";

enum { messageSize = 128 };  // messages are cut to 127 characters

static void closeSceneFile(Scene* scene)
{
    if (sceneFile) std::fclose(sceneFile);
    sceneFile = nullptr;
    sceneFileOwner = nullptr;
    scene->recordPending = 0;
}

// Skips words up to and including the given one; false at the end of the file.
static bool skipTo(const char* wanted)
{
    char word[sceneWordSize];
    while (readWord(sceneFile, word, sizeof word))
        if (std::strcmp(word, wanted) == 0) return true;
    return false;
}

// A name argument, cut to 127 characters.
static void readName(char* name)
{
    copyText(name, sceneWordSize, readDelimitedToken(sceneFile, '\''));
}

static void copyObjectName(SceneObject* object, const char* name)
{
    copyText(object->name, sizeof object->name, name);
}

// Loads one named file; answers the object it added, or null when the load
// failed or added no object (a LightWave scene whose objects all failed).
static SceneObject* loadNamedObject(Scene* scene, const char* name)
{
    char path[sceneWordSize];
    copyText(path, sizeof path, name);
    int32_t before = scene->objectCount;
    if (!scene->load(path)) return nullptr;
    if (scene->objectCount <= before) return nullptr;
    return scene->objects[scene->objectCount - 1];
}

namespace {

struct Reading {
    Scene* scene;
    const char* path;
    SceneObject* current;
    int32_t keyNumber;
    int32_t animSpeed;
    float position[3];
    float angles[3];
};

enum Outcome { goOn, finishTrue, finishFalse, stopTrue, stopFalse };

}  // namespace

// Version 4: a list of names ended by the closing tag becomes one ring.
static Outcome loadObjectGroup(Reading& r)
{
    char name[sceneWordSize];
    readName(name);
    SceneObject* head = loadNamedObject(r.scene, name);
    if (!head) return finishTrue;

    r.scene->showObject(head);
    if (head->player) head->player->animSpeed = r.animSpeed;
    head->ringHead = head;
    r.current = head;
    SceneObject* last = head;
    for (;;) {
        readName(name);
        if (std::strcmp(name, "/load_object") == 0 || std::strcmp(name, "<eof>") == 0) break;
        SceneObject* member = loadNamedObject(r.scene, name);
        if (!member) break;
        last->next = member;
        r.scene->hideObject(member);
        member->ringHead = head;
        r.current = member;
        last = member;
    }
    last->next = head;
    if (head->player) head->player->resize(0);
    return goOn;
}

static void selectByName(Reading& r, const char* name)
{
    if (std::strstr(name, "camera") || std::strstr(name, "Camera")) {
        r.current = r.scene->camera;
        if (r.current) copyObjectName(r.current, name);
        return;
    }
    r.current = r.scene->findObject(name);
    if (!r.current) {
        reportFormatted(warning, messageSize, "%s Objet Introuvable!! ", name);
    }
}

static void readTriple(float* values)
{
    for (int i = 0; i < 3; ++i) readReal(sceneFile, &values[i]);
}

static Outcome handleWord(Reading& r, const char* word)
{
    if (std::strcmp(word, "Version:") == 0 || std::strcmp(word, "Version") == 0) {
        readInteger(sceneFile, &sceneFileVersion);
        if (sceneFileVersion == 3) {
            info("Chargement d'un .pof en Version 3, Camera par defaut");
        } else if (sceneFileVersion < 3) {
            warning("Version du .pof anterieure a la 3, support non garanti.");
        } else {
            info("Chargement d'un .pof en Version 4++.");
            if (!skipTo("<scene_bloc>")) {
                reportFormatted(info, messageSize, "<%s> ne contien pas de bloc scene!", r.path);
                return stopFalse;
            }
        }
    } else if (std::strcmp(word, "</scene_bloc>") == 0) {
        if (!skipTo("<scene_bloc>")) return finishTrue;
    } else if (std::strcmp(word, "<pixel_ratio>") == 0) {
        readReal(sceneFile, &r.scene->pixelRatio);
    } else if (std::strcmp(word, "<anim_speed>") == 0) {
        readInteger(sceneFile, &r.animSpeed);
    } else if (std::strcmp(word, "<load_camera>") == 0) {
        char name[sceneWordSize];
        readName(name);
        r.current = r.scene->camera;
        if (r.current) copyObjectName(r.current, name);
    } else if (std::strcmp(word, "<load_object>") == 0) {
        if (sceneFileVersion >= 4) return loadObjectGroup(r);
        char name[sceneWordSize];
        readName(name);
        SceneObject* object = loadNamedObject(r.scene, name);
        if (object) {
            r.current = object;
            if (object->player) object->player->resize(0);
        }
    } else if (std::strcmp(word, "<name_selection>") == 0) {
        char name[sceneWordSize];
        readName(name);
        selectByName(r, name);
    } else if (std::strcmp(word, "<keyframe>") == 0) {
        int32_t n = r.keyNumber;
        readInteger(sceneFile, &n);
        r.keyNumber = n;
        if (n > maxKeyFrame) {
            warning("Numero de clef trop grand, clef ignoree");
        } else if (r.current && r.current->player) {
            r.current->player->resize(n);
        }
    } else if (std::strcmp(word, "<pos>") == 0) {
        readTriple(r.position);
        ++pendingKeyLines;
    } else if (std::strcmp(word, "<ang>") == 0) {
        readTriple(r.angles);
        ++pendingKeyLines;
    } else if (std::strcmp(word, "<end>") == 0) {
        if (sceneFileVersion < 4) return stopTrue;
    }
    return goOn;
}

bool Scene::readSceneFile(const char* fileName)
{
    reportFormatted(info, messageSize, "Chargement de:<%s>", fileName);
    if (recordPending && sceneFile && sceneFileOwner == this) {
        info("chargement Record Suivant");
    } else {
        info("chargement Premier Record");
        // A reading another Scene left pending cannot be continued by it
        // any more once its file is taken over here.
        if (sceneFile) std::fclose(sceneFile);
        sceneFile = nullptr;
        sceneFileOwner = nullptr;
        recordPending = 0;
        sceneFile = std::fopen(fileName, "r");
        if (!sceneFile) {
            reportFormatted(info, messageSize, "Probleme lors d'une tentative de lecture de:<%s>", fileName);
            return false;
        }
        sceneFileOwner = this;
        if (!skipTo(magicWord)) {
            reportFormatted(info, messageSize, "<%s> n'est pas un fichier .pof!", fileName);
            closeSceneFile(this);
            return false;
        }
    }

    Reading r = {};
    r.scene = this;
    r.path = fileName;
    r.current = nullptr;
    r.keyNumber = 1;
    r.animSpeed = 50;

    // While this runs, a scene file named inside it is refused (Scene::load).
    unsigned char outerReading = sceneFileReading;
    sceneFileReading = 1;
    Outcome outcome = goOn;
    char word[sceneWordSize];
    while (outcome == goOn) {
        if (!readWord(sceneFile, word, sizeof word)) {
            outcome = finishFalse;
            break;
        }
        outcome = handleWord(r, word);
        if (pendingKeyLines > 1 && r.current && r.current->player) {
            r.current->player->setKey(r.keyNumber, this, r.current, r.position, r.angles);
            pendingKeyLines = 0;
        }
    }
    sceneFileReading = outerReading;

    switch (outcome) {
    case stopTrue:  // a version 3 record ends: the file stays open for the next call
        recordPending = 1;
        return true;
    case stopFalse:
        closeSceneFile(this);
        return false;
    default:
        if (r.current && r.current->player) r.current->player->buildFrames();
        compileDisplayLists();
        closeSceneFile(this);
        return outcome == finishTrue;
    }
}
