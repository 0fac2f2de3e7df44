// What the scene-file fuzzer needs: a GL context (its LLVMFuzzerInitialize),
// a file for the input, and a fresh Scene per input with the readers'
// program-wide state put back.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine.h"

// Writes header + data to the input file and runs `read` on a fresh Scene and
// the file's name; an input that names a device or system folder is skipped
// (reading those never ends).
void fuzzScene(const char* header, const uint8_t* data, size_t size, void (*read)(Scene* scene, char* path));
