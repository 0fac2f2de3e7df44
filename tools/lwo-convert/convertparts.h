// What the converter's files share: the polygons and surfaces
// worth converting, and the pictures of one conversion. Internal to lwconvert.
#pragma once
#include <map>
#include <string>

#include "cli.h"  // wellFormedUtf8: names go into JSON and OBJ lines
#include "convert.h"

inline float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

// Curves and bones are not drawn, nor a polygon without corners.
inline bool drawn(const LwPolygonRec& p)
{
    return p.type != lwId('C', 'U', 'R', 'V') && p.type != lwId('B', 'O', 'N', 'E') && p.cornerCount > 0;
}

inline bool cornersValid(const LwPolygonRec& p, int32_t pointCount)
{
    for (int32_t c = 0; c < p.cornerCount; ++c)
        if (p.corners[c].point < 0 || p.corners[c].point >= pointCount) return false;
    return true;
}

// The surface's first colour layer when it is an image map.
inline const LwTexture* imageLayer(const LwSurface* s)
{
    if (!s || !s->color.textures || s->color.textures->type != lwId('I', 'M', 'A', 'P')) return nullptr;
    return s->color.textures;
}

inline std::string baseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A path as a glTF URI, percent-encoded (pictures.cpp).
std::string uriOf(const std::string& path);

// The pictures of a conversion (pictures.cpp): each surface's image looked
// for once, read when it is to be embedded, named once beside the output
// when copied.
struct Pictures {
    const LwObject* object;
    const char* objectPath;
    const ConvertOptions* options;
    ConvertImages mode;
    ConvertResult* result;
    // OBJ and MTL have no quoting and no escapes: a name there holds no space.
    bool spaceless = false;
    struct Found {
        std::string path;   // "" when not usable
        std::string bytes;  // when embedded
        std::string mime;
        std::string uri;    // when copied or referenced: percent-encoded for glTF
        std::string name;   // the same as written in an MTL
    };
    std::map<int32_t, Found> byClip;

    // The surface's picture as the output names it; null when it has none
    // that can be used (a warning then says why, once per clip).
    const Found* of(const LwSurface* s);

private:
    // Looks for the clip's picture and recognises it; false, with a warning,
    // when it is missing or neither PNG nor JPEG.
    bool find(const LwSurface* s, int32_t clip, Found* f);
    // How the output names a found picture: embedded, referenced where it
    // is, or copied beside.
    void place(Found* f);
    // A side file copying the picture beside the output: named `wanted`,
    // or "1-wanted", "2-wanted"... when another side file has that name.
    std::string copyBeside(const std::string& path, const std::string& wanted);
};
