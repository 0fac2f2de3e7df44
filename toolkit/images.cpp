// Picture files to pixel buffers OpenGL takes, and pixel buffers to
// mipmapped textures.
#include "toolkit.h"

#include "jpegcheck.h"

#include <GL/glu.h>
#include <SDL/SDL_image.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

void fixPathSeparators(char* name)
{
    if (!name) return;
    for (; *name; ++name)
        if (*name == '\\') *name = '/';
}

// ---- Loading ----------------------------------------------------------------


static std::vector<unsigned char> readWholeFile(const char* fileName)
{
    std::vector<unsigned char> bytes;
    SDL_RWops* rw = SDL_RWFromFile(fileName, "rb");
    if (!rw) return bytes;
    int size = SDL_RWseek(rw, 0, RW_SEEK_END);
    if (size > 0 && SDL_RWseek(rw, 0, RW_SEEK_SET) == 0) {
        bytes.resize(static_cast<size_t>(size));
        if (SDL_RWread(rw, bytes.data(), 1, size) != size) bytes.clear();
    }
    SDL_RWclose(rw);
    return bytes;
}

// The JPEG decoder pads a file that stops short with a fake end marker and
// hands back a half-grey picture. A JPEG with an end-of-image marker after its
// last start-of-scan is whole; neither can occur inside the coded data, where
// 0xFF bytes are always followed by 0x00 or a restart marker. Without it, the
// file may still hold every scan whole (older tools leave the marker out):
// libjpeg then tells whether a scan ran short.
static bool isTruncatedJpeg(const std::vector<unsigned char>& bytes)
{
    if (bytes.size() < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF) return false;
    bool sawScan = false, endAfterScan = false;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] != 0xFF) continue;
        if (bytes[i + 1] == 0xDA) {
            sawScan = true;
            endAfterScan = false;
        } else if (bytes[i + 1] == 0xD9 && sawScan) {
            endAfterScan = true;
        }
    }
    return !endAfterScan && !jpegScansComplete(bytes.data(), bytes.size());
}

static SDL_Surface* decodeFile(const char* fileName)
{
    if (!fileName) return nullptr;
    std::vector<unsigned char> bytes = readWholeFile(fileName);
    if (bytes.empty() || isTruncatedJpeg(bytes)) return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!rw) return nullptr;
    // The extension is a hint for the formats without a signature (TGA).
    const char* dot = std::strrchr(fileName, '.');
    return IMG_LoadTyped_RW(rw, 1, const_cast<char*>(dot ? dot + 1 : ""));
}

// Both layouts: bytes in memory are red, green, blue (, alpha).
static SDL_PixelFormat targetFormat(int bytesPerPixel)
{
    SDL_PixelFormat format;
    std::memset(&format, 0, sizeof format);
    format.BitsPerPixel = static_cast<Uint8>(bytesPerPixel * 8);
    format.BytesPerPixel = static_cast<Uint8>(bytesPerPixel);
    format.Rmask = 0x000000FF;
    format.Gmask = 0x0000FF00;
    format.Bmask = 0x00FF0000;
    format.Amask = 0xFF000000;
    format.Rshift = 0;
    format.Gshift = 8;
    format.Bshift = 16;
    format.Ashift = 24;
    format.alpha = 255;
    return format;
}

static SDL_Surface* loadConverted(const char* fileName, int bytesPerPixel)
{
    const char* shownName = fileName ? fileName : "";
    SDL_Surface* decoded = decodeFile(fileName);
    if (!decoded) {
        reportFormatted(warning, 0, "Impossible de charger:'%s'", shownName);  // a long path is reported whole
        return nullptr;
    }
    SDL_PixelFormat format = targetFormat(bytesPerPixel);
    SDL_Surface* converted = SDL_ConvertSurface(decoded, &format, 0);
    SDL_FreeSurface(decoded);
    if (!converted) reportFormatted(warning, 0, "Impossible de convertir:'%s'", shownName);
    return converted;
}

SDL_Surface* loadImageRgb(const char* fileName)
{
    return loadConverted(fileName, 3);
}

SDL_Surface* loadImageKeyed(const char* fileName)
{
    SDL_Surface* image = loadConverted(fileName, 4);
    if (!image) return nullptr;
    // Pure black is the key: alpha 255 there, 0 elsewhere; the engine's
    // alpha test (less than 0.8) then keeps everything but the black.
    for (int y = 0; y < image->h; ++y) {
        Uint8* pixel = static_cast<Uint8*>(image->pixels) + y * image->pitch;
        for (int x = 0; x < image->w; ++x, pixel += 4)
            pixel[3] = (pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0) ? 255 : 0;
    }
    return image;
}

// ---- Upload -----------------------------------------------------------------

// The texture size GLU would pick: the nearest power of two, where sizes of
// the form 3 * 2^k round up; halved while the driver cannot take it.
static int textureSize(int size)
{
    int power = 1;
    for (unsigned v = static_cast<unsigned>(size); v > 1; v >>= 1) {
        if (v == 3) {
            power *= 4;
            break;
        }
        power *= 2;
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    while (largest > 0 && power > largest) power /= 2;
    return power;
}

// Area-weighted resampling along one axis: every output cell is the mean of
// the input cells it covers, each weighted by the overlap.
static void resampleAxis(const float* in, int inCount, ptrdiff_t inStep, float* out, int outCount, ptrdiff_t outStep,
                         int components)
{
    const double scale = static_cast<double>(inCount) / outCount;
    for (int o = 0; o < outCount; ++o) {
        double from = o * scale, to = (o + 1) * scale;
        float sum[4] = {0, 0, 0, 0};
        for (int i = static_cast<int>(from); i < inCount && i < to; ++i) {
            float weight = static_cast<float>((std::min(to, i + 1.0) - std::max(from, static_cast<double>(i))) / scale);
            for (int c = 0; c < components; ++c) sum[c] += weight * in[i * inStep + c];
        }
        for (int c = 0; c < components; ++c) out[o * outStep + c] = sum[c];
    }
}

// GLU's own rescaling of sizes that are not powers of two drops the last
// rows of the picture, so pictures are brought to the texture size here.
static std::vector<Uint8> resampled(const SDL_Surface* surface, int components, int width, int height)
{
    const int w = surface->w, h = surface->h;
    std::vector<float> source(static_cast<size_t>(w) * h * components);
    for (int y = 0; y < h; ++y) {
        const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
        for (int i = 0; i < w * components; ++i) source[static_cast<size_t>(y) * w * components + i] = row[i];
    }
    std::vector<float> across(static_cast<size_t>(width) * h * components);
    for (int y = 0; y < h; ++y)
        resampleAxis(&source[static_cast<size_t>(y) * w * components], w, components,
                     &across[static_cast<size_t>(y) * width * components], width, components, components);
    std::vector<float> both(static_cast<size_t>(width) * height * components);
    for (int x = 0; x < width; ++x)
        resampleAxis(&across[static_cast<size_t>(x) * components], h, static_cast<ptrdiff_t>(width) * components,
                     &both[static_cast<size_t>(x) * components], height, static_cast<ptrdiff_t>(width) * components,
                     components);
    std::vector<Uint8> out(both.size());
    for (size_t i = 0; i < both.size(); ++i) out[i] = static_cast<Uint8>(std::min(255.0f, both[i] + 0.5f));
    return out;
}

// OpenGL reads rows padded to the unpack alignment; find the alignment that
// lands exactly on the surface's pitch, or 0 when none does.
static int alignmentForPitch(int rowBytes, int pitch)
{
    for (int alignment = 8; alignment >= 1; alignment /= 2)
        if ((rowBytes + alignment - 1) / alignment * alignment == pitch) return alignment;
    return 0;
}

static void buildFromBytes(const SDL_Surface* surface, GLint components, GLenum format)
{
    const int rowBytes = surface->w * components;
    const int width = textureSize(surface->w), height = textureSize(surface->h);
    GLint savedAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &savedAlignment);

    int alignment = alignmentForPitch(rowBytes, surface->pitch);
    if (width == surface->w && height == surface->h && alignment) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, surface->pixels);
    } else {
        std::vector<Uint8> pixels;
        if (width == surface->w && height == surface->h) {
            // A pitch with more padding than any alignment explains: repack tightly.
            pixels.resize(static_cast<size_t>(rowBytes) * surface->h);
            for (int y = 0; y < surface->h; ++y)
                std::memcpy(&pixels[static_cast<size_t>(y) * rowBytes],
                            static_cast<const Uint8*>(surface->pixels) + y * surface->pitch, rowBytes);
        } else {
            pixels = resampled(surface, components, width, height);
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, savedAlignment);
}

static bool usable(const SDL_Surface* surface)
{
    return surface && surface->format && surface->pixels && surface->w > 0 && surface->h > 0 &&
           surface->format->BytesPerPixel >= 1 && surface->format->BytesPerPixel <= 4;
}

static bool buildMipmaps(SDL_Surface* surface)
{
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0) return false;
    bool built = true;
    const int bytesPerPixel = surface->format->BytesPerPixel;
    if (bytesPerPixel == 3) {
        buildFromBytes(surface, 3, GL_RGB);
    } else if (bytesPerPixel == 4) {
        buildFromBytes(surface, 4, GL_RGBA);
    } else {
        // Paletted and 16-bit pictures match no byte layout OpenGL takes as
        // colour: expand them to 24-bit RGB first.
        SDL_PixelFormat rgb = targetFormat(3);
        SDL_Surface* expanded = SDL_ConvertSurface(surface, &rgb, 0);
        if (expanded) {
            buildFromBytes(expanded, 3, GL_RGB);
            SDL_FreeSurface(expanded);
        } else {
            built = false;
        }
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return built;
}

static GLint glWrap(TextureWrap wrap)
{
    return wrap == textureRepeat ? GL_REPEAT : wrap == textureMirroredRepeat ? GL_MIRRORED_REPEAT : GL_CLAMP_TO_EDGE;
}

bool buildTexture(SDL_Surface* surface, GLuint name, TextureWrap wrapS, TextureWrap wrapT)
{
    if (!usable(surface)) return false;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, glWrap(wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, glWrap(wrapT));
    return buildMipmaps(surface);
}

bool uploadTexture(SDL_Surface* surface, int index, const GLuint* textureNames, TextureWrap wrapS, TextureWrap wrapT)
{
    if (!textureNames || index < 0 || !buildTexture(surface, textureNames[index], wrapS, wrapT)) return false;
    SDL_FreeSurface(surface);
    return true;
}
