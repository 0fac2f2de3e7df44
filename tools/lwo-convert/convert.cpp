// LightWave objects to glTF 2.0 (gltf.cpp) and OBJ (obj.cpp). LightWave is
// left-handed with y up, both targets right-handed with y up: z is negated
// and every polygon's winding reversed. The reader's corner coordinates count
// v down from the picture's top row, as glTF does (its origin is the top-left
// corner); OBJ's origin is the bottom-left corner, like LightWave's maps.
// Here: the names made fit for JSON, and the SubPatches refined first.
#include <string>

#include "convertparts.h"
#include "lwsubdiv.h"

// The length of the well-formed UTF-8 sequence at `s`, or 0: no overlong
// form, no surrogate, nothing past U+10FFFF (the JSON writer refuses those).
static int utf8Sequence(const unsigned char* s)
{
    unsigned char c = s[0], low = 0x80, high = 0xBF;
    int extra;
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        extra = 2;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    // A zero byte fails each test, so nothing past the text's end is read.
    if (s[1] < low || s[1] > high) return 0;
    for (int i = 2; i <= extra; ++i)
        if ((s[i] & 0xC0) != 0x80) return 0;
    return extra + 1;
}

// Latin-1 bytes that are not UTF-8 made UTF-8, control characters dropped:
// names go into JSON, whose writer refuses anything else.
std::string utf8(const char* text)
{
    std::string out;
    if (!text) return out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    while (*s) {
        unsigned char c = *s;
        if (int n = utf8Sequence(s)) {
            out.append(reinterpret_cast<const char*>(s), size_t(n));
            s += n;
            continue;
        }
        if (c >= 0x80) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c >= 0x20) {
            out += char(c);
        }
        ++s;
    }
    return out;
}

std::string subdivisionWarning(int32_t layerNumber, const LwSubdivision& r)
{
    const char* why = lwSubdivisionProblemText(r);
    return why ? "layer " + std::to_string(layerNumber) + " SubPatches: " + why : "";
}

void subdivideForConversion(LwObject* object, const ConvertOptions& options, ConvertResult* result)
{
    int level = options.subdivisionLevel < 0 ? int(lwSubdivisionDefaultLevel) : options.subdivisionLevel;
    for (LwLayer* layer = object->layers; layer; layer = layer->next) {
        LwSubdivision r;
        subdivideLwLayer(layer, level, &r);
        if (r.problem != lwSubdivisionFine && r.controlPolygons != 0)
            result->warnings.push_back(subdivisionWarning(layer->number, r));
    }
}
