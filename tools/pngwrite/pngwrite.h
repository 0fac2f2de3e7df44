#pragma once
#include <cstdint>

// Writes rows of RGB bytes, top row first, as an 8-bit RGB PNG file.
bool writePng(const char* fileName, const uint8_t* rgb, int width, int height);
