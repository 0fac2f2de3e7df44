// What the two scene fuzzers share: a GL context, a file for the input, and
// a fresh Scene per input with the readers' program-wide state put back.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine.h"

void fuzzInitialise();
// Writes header + data to the input file and answers its name, or null when
// the input names a device or system folder (reading those never ends).
char* fuzzInputFile(const char* header, const uint8_t* data, size_t size);
Scene* fuzzNewScene();
void fuzzDeleteScene(Scene* scene);
