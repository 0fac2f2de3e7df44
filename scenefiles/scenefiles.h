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
    lightWaveWordSize = 1024,     // words and lines of a LightWave scene: 1,023 characters
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

// ---- LightWave scene lines (lwmotion.cpp) ---------------------------------
// Every line of a LightWave scene is read by this one rule: a line ends at
// LF, CR LF or a CR alone (the end is consumed, not kept); every other byte,
// 0xFF and tabs included, is kept as it is; at most size - 1 bytes are kept,
// and the rest of a longer line is skipped with a warning naming its line.
// `start`, when given, receives the line's offset. False at the end of the
// file, with nothing read.
bool readLightWaveLine(FILE* file, char* line, size_t size, long* start = nullptr);
// The rest of the current line by that rule, without the spaces and tabs at
// either end: empty when the word before it ended its line. Answers its length.
int32_t readRestOfLine(FILE* file, char* buffer, int32_t size);

// ---- LightWave scene subset (load.cpp) ------------------------------------
// A motion block: channel count N, key count K, K rows of N + 5 reals.
// Answers the rows (release with free) with K and N + 5, or null.
float* readMotionBlock(FILE* file, int32_t* keyCount, int32_t* rowLength);

// ---- LightWave motions as envelopes (lwmotion.cpp) -------------------------
#include "lwenvelope.h"
// The nine channels of an item's motion: x, y, z, heading, pitch, bank, scale.
struct LwSceneMotion {
    LwSceneMotion();
    ~LwSceneMotion();
    LwSceneMotion(const LwSceneMotion&) = delete;
    LwSceneMotion& operator=(const LwSceneMotion&) = delete;
    LwChannelEnvelope channels[9];
};
// A warning naming the line of byte `offset` of the scene being read.
void warnLightWaveLine(FILE* file, long offset, const char* what);
// Resets the per-scene warning count.
void beginLightWaveMotions();
// The newer layout, from just after its "NumChannels" word. Each problem is a
// warning naming its line. False when no channel was found.
bool readEnvelopeMotion(FILE* file, LwSceneMotion* motion);
// The interim layout, from the channel count, with the "Pre/PostBehavior"
// line after it when there is one. False when nothing could be read.
bool readInterimMotion(FILE* file, LwSceneMotion* motion);

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
