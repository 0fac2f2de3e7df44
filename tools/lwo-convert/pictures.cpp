// The pictures a converted object's surfaces use: looked for as LightWave
// would (lwfiles.h), recognised by their first bytes, then embedded,
// referenced where they are, or copied beside the output.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <algorithm>

#include "convertparts.h"
#include "lwfiles.h"

// The file's first `limit` bytes (all of it by default).
static bool readFile(const std::string& path, std::string* bytes, size_t limit = size_t(-1))
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    bytes->clear();
    while (bytes->size() < limit && (n = std::fread(buffer, 1, std::min(sizeof buffer, limit - bytes->size()), f)) > 0)
        bytes->append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

static const char* imageMime(const std::string& bytes)
{
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return "image/png";
    if (bytes.size() >= 3 && std::memcmp(bytes.data(), "\xFF\xD8\xFF", 3) == 0) return "image/jpeg";
    return nullptr;
}

// URI-safe path: everything but unreserved characters and '/' percent-encoded.
std::string uriOf(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("-._~/", c)) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

const Pictures::Found* Pictures::of(const LwSurface* s)
{
    const LwTexture* t = imageLayer(s);
    if (!t) return nullptr;
    auto known = byClip.find(t->image.clip);
    if (known != byClip.end()) return known->second.path.empty() ? nullptr : &known->second;
    Found& f = byClip[t->image.clip];
    if (!find(s, t->image.clip, &f)) return nullptr;
    place(&f);
    return &f;
}

bool Pictures::find(const LwSurface* s, int32_t clip, Found* f)
{
    const char* name = lwClipFirstName(findLwClip(object->clips, clip));
    std::string surface = wellFormedUtf8(s->name);
    if (!name) {
        result->warnings.push_back("surface <" + surface + ">: its image is not among the object's clips");
        return false;
    }
    std::string path = findImageFile(name, objectPath, nullptr, options->contentFolder);
    std::string bytes;
    // Only an embedded image is read whole (here, once); the others are only recognised.
    if (path.empty() || !readFile(path, &bytes, mode == ConvertImages::embed ? size_t(-1) : 16)) {
        result->warnings.push_back("image <" + wellFormedUtf8(name) + "> not found: surface <" + surface + "> keeps its colour");
        return false;
    }
    const char* mime = imageMime(bytes);
    if (!mime) {
        result->warnings.push_back("image <" + wellFormedUtf8(path.c_str()) + "> is neither PNG nor JPEG: surface <" + surface +
                                   "> keeps its colour");
        return false;
    }
    f->path = path;
    f->mime = mime;
    if (mode == ConvertImages::embed) f->bytes.swap(bytes);
    return true;
}

void Pictures::place(Found* f)
{
    if (mode == ConvertImages::embed) return;  // the bytes go into the output
    if (mode == ConvertImages::reference) {
        // Absolute: the output need not be beside the object.
        char* absolute = realpath(f->path.c_str(), nullptr);
        f->name = absolute ? absolute : f->path;
        std::free(absolute);
        if (!spaceless || f->name.find_first_of(" \t") == std::string::npos) {
            f->uri = uriOf(f->name);
            return;
        }
    }
    std::string copy = baseName(f->path);
    if (spaceless) std::replace_if(copy.begin(), copy.end(), [](char c) { return c == ' ' || c == '\t'; }, '_');
    if (mode == ConvertImages::reference)
        result->warnings.push_back("image <" + wellFormedUtf8(f->name.c_str()) +
                                   ">: OBJ cannot name a path with spaces: copied beside as <" + wellFormedUtf8(copy.c_str()) + ">");
    f->name = copyBeside(f->path, copy);
    f->uri = uriOf(f->name);
}

std::string Pictures::copyBeside(const std::string& path, const std::string& wanted)
{
    std::string copy = wanted;
    for (int n = 1;; ++n) {
        bool taken = false;
        for (const ConvertSideFile& side : result->sideFiles) taken |= side.name == copy;
        if (!taken) break;
        copy = std::to_string(n) + "-" + wanted;
    }
    result->sideFiles.push_back({copy, path, ""});
    return copy;
}
