// Whether a JPEG that lacks its end marker still holds every scan whole.
#pragma once
#include <cstddef>

// Decodes the picture with libjpeg and answers true when no scan ran out of
// coded data (a missing end marker alone does not count); false for a picture
// cut inside its data or one that does not decode.
bool jpegScansComplete(const unsigned char* bytes, size_t size);
