#include "pngwrite.h"

#include <png.h>

#include <cstdio>

bool writePng(const char* fileName, const uint8_t* rgb, int width, int height)
{
    FILE* file = std::fopen(fileName, "wb");
    if (!file) return false;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    bool ok = png_image_write_to_stdio(&image, file, 0, rgb, width * 3, nullptr) != 0;
    png_image_free(&image);
    if (std::fclose(file) != 0) ok = false;
    return ok;
}
