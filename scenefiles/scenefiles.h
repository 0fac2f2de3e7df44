// Scene files and import: the one door through which files enter a Scene
// (Scene::load), the engine's own ".pof" scene files (read and written), the
// small LightWave scene subset, and LightWave objects turned into engine
// objects. The Scene and KeyframePlayer members themselves are declared in
// engine.h; this header holds the readers' shared state and helpers.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>
#include <string>

#include "engine.h"

enum {
    sceneWordSize = 128,          // words and names of a scene file: 127 characters
    maxKeyFrame = 360000,         // one hour of 10 ms frames; later keys are refused
    maxLoadNesting = 8,           // LightWave scenes naming LightWave scenes
};

// ---- Scene-file reader state (program-wide: one reading at a time) --------
extern FILE* sceneFile;              // open between calls while a record is pending
extern int32_t sceneFileVersion;     // kept from one file to the next
extern int32_t pendingKeyLines;      // <pos>/<ang> records since the last stored key
extern unsigned char sceneFileReading;  // 1 while Scene::readSceneFile runs

// ---- Scene-file writer state ----------------------------------------------
extern char lastSavedSceneFile[256];
extern unsigned char appendMode;     // 1: the next save appends

// ---- Text input shared by the readers (words.cpp) -------------------------
// Next blank-separated word; a longer word is cut to size - 1 characters
// and the rest of it dropped; the blank after it is left in the file. False
// at the end of the file.
bool readWord(FILE* file, char* word, size_t size);
bool readInteger(FILE* file, int32_t* value);   // decimal, 0x hexadecimal, 0 octal
bool readReal(FILE* file, float* value);
// A frame number read from a file, as a key index: below 0 stays -1 (refused
// by the player), above maxKeyFrame becomes maxKeyFrame + 1 (refused here).
int32_t frameFromReal(float value);

// ---- Object import (import.cpp) --------------------------------------------
// The layers the latest Scene::importLightWaveObject made, in file order, by
// the number Modeler shows them under (from 1): LWO2 files number layers
// from 0, LWLO files from 1, an LWOB is one layer. Emptied by each import.
extern std::vector<int32_t> importedLayerNumbers;

// ---- SubPatches (subpatches.cpp) ------------------------------------------
struct LwObject;
// Refines every layer's SubPatches at `level` (see lwsubdiv.h), with reports.
void subdivideSubPatches(LwObject* object, int32_t level);
struct LwSubdivision;
// The warning for a layer's refinement problem ("" when none); `asked` is the level asked for.
std::string subdivisionProblemLine(int32_t asked, const LwSubdivision& result);
