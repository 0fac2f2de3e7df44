// Image names in objects are written on the modeller's machine: a device
// ("Q:"), Windows separators, a content folder that is not ours. The picture
// usually travels with the object, beside it or in an Images folder.
#include "lwfiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

static const int maxLevelsUp = 8;

static std::string folderOf(const char* file)
{
    std::string f = file ? file : "";
    size_t slash = f.rfind('/');
    return slash == std::string::npos ? std::string() : f.substr(0, slash + 1);
}

// The folders above `folder`, nearest first, at most `levels` of them and
// the root last when it is reached. A relative folder is taken from the
// working folder, so the walk knows where the root is; "." and ".." are
// resolved by name (a link is not followed).
static std::vector<std::string> foldersAbove(const std::string& folder, int levels)
{
    std::string full = folder;
    if (full.empty() || full[0] != '/') {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) return {};
        full = std::string(cwd) + "/" + full;
    }
    std::vector<std::string> parts;
    for (size_t at = 0; at < full.size();) {
        size_t end = full.find('/', at);
        if (end == std::string::npos) end = full.size();
        std::string part = full.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::vector<std::string> out;
    while (!parts.empty() && (int)out.size() < levels) {
        parts.pop_back();
        std::string above = "/";
        for (const std::string& part : parts) above += part + "/";
        out.push_back(above);
    }
    return out;
}

std::vector<std::string> imageCandidates(const char* name, const char* objectFile, const char* sceneFile,
                                         const char* content)
{
    std::vector<std::string> out;
    if (!name || !name[0]) return out;
    std::string written = name;
    std::replace(written.begin(), written.end(), '\\', '/');
    // A device is what comes before a colon that precedes every slash.
    size_t colon = written.find(':');
    std::string relative = written;
    if (colon != std::string::npos && colon > 0 && written.find('/') > colon) {
        relative = written.substr(colon + 1);
        if (relative.empty() || relative[0] != '/') written.insert(colon + 1, "/");
    }
    // An absolute name means nothing below another folder: only its file name does.
    if (relative.empty() || relative[0] == '/') relative.clear();
    std::string bare = written.substr(written.rfind('/') + 1);

    auto add = [&out](const std::string& folder, const std::string& file) {
        std::string path = folder + file;
        if (!file.empty() && std::find(out.begin(), out.end(), path) == out.end()) out.push_back(path);
    };
    add("", written);
    if (bare.empty()) return out;
    // A file in the working folder has "" for its folder: names stay as they are.
    for (const char* file : {objectFile, sceneFile}) {
        if (!file || !file[0]) continue;
        std::string folder = folderOf(file);
        add(folder, relative);
        add(folder, bare);
        add(folder + "Images/", bare);
        add(folder + "../Images/", bare);
    }
    if (content && content[0]) {
        std::string folder = content;
        if (folder.back() != '/') folder += '/';
        add(folder, relative);
        add(folder, bare);
        add(folder + "Images/", bare);
    }
    // LightWave names pictures from its content folder, somewhere above the
    // object: Content/Objects/Cars/car.lwo names Images/cars/paint.jpg.
    if (objectFile && objectFile[0] && !relative.empty())
        for (const std::string& folder : foldersAbove(folderOf(objectFile), maxLevelsUp)) add(folder, relative);
    return out;
}

std::string findImageFile(const char* name, const char* objectFile, const char* sceneFile, const char* content,
                          std::vector<std::string>* tried)
{
    std::vector<std::string> candidates = imageCandidates(name, objectFile, sceneFile, content);
    if (tried) *tried = candidates;
    for (const std::string& path : candidates) {
        struct stat s;
        if (stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode)) return path;
    }
    return std::string();
}
