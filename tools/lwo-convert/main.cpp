// lwo-convert IN.lwo OUT.glb|OUT.gltf|OUT.obj [--subdiv N] [--content DIR]
//             [--embed-images|--copy-images|--reference-images]
// lwo-convert SCENE.lws OUT.glb|OUT.gltf|OUT.obj [the same] [--fps N] [--at MS]
// Converts a LightWave object (LWO2, LWOB, LWLO) to glTF 2.0 or OBJ + MTL, or
// a scene (a file beginning "LWSC") with its objects, cameras, lights and
// motion to glTF 2.0, or its still at MS milliseconds of the scene's time
// (its first frame by default) to OBJ + MTL, every object placed.
// Exit status 0 on success, 1 when the object or scene cannot be read (the reader's
// reason on stderr) or any of its files cannot be written, 2 for bad usage.
// Every file (the .mtl and copied pictures too) is written under a temporary
// name and all are renamed once all are written: a failed run leaves none.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "convert.h"
#include "lightwave.h"
#include "lwscene.h"

static const char usage[] =
    "usage: lwo-convert IN.lwo OUT.glb|OUT.gltf|OUT.obj [--subdiv N] [--content DIR]\n"
    "                   [--embed-images|--copy-images|--reference-images]\n"
    "       lwo-convert SCENE.lws OUT.glb|OUT.gltf|OUT.obj [the same options] [--fps N] [--at MS]\n";

static bool endsWith(const std::string& s, const char* end)
{
    size_t n = std::strlen(end);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != end[i]) return false;
    return true;
}

// The files of a run: each written whole under a temporary name beside its
// place, all put in place once every one is written; on any failure every
// one is removed, those already put in place included.
class Outputs {
public:
    ~Outputs()
    {
        for (const Output& o : files) std::remove((o.placed ? o.path : o.temp).c_str());
    }

    // A new file for `path`, open for writing; null when it cannot be made.
    FILE* open(const std::string& path)
    {
        std::string temp = path + ".XXXXXX";
        int fd = mkstemp(&temp[0]);
        if (fd < 0) return nullptr;
        files.push_back({temp, path, false});
        FILE* file = fdopen(fd, "wb");
        if (!file) close(fd);
        return file;
    }

    // Closes a file from open, readable by all as an ordinary file would be.
    static bool finish(FILE* file, bool ok)
    {
        ok = fchmod(fileno(file), 0644) == 0 && ok;
        return std::fclose(file) == 0 && ok;
    }

    bool write(const std::string& path, const std::string& bytes)
    {
        FILE* file = open(path);
        return file && finish(file, std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    }

    // All in place, or false (naming the file that failed) and none.
    bool place(std::string* failed)
    {
        for (Output& o : files) {
            o.placed = std::rename(o.temp.c_str(), o.path.c_str()) == 0;
            if (!o.placed) {
                *failed = o.path;
                return false;
            }
        }
        files.clear();
        return true;
    }

private:
    struct Output {
        std::string temp, path;
        bool placed;
    };
    std::vector<Output> files;
};

static bool readFile(const std::string& path, std::string* bytes)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

int main(int argc, char** argv)
{
    ConvertOptions options;
    static const option longOptions[] = {{"subdiv", required_argument, nullptr, 's'},
                                         {"content", required_argument, nullptr, 'c'},
                                         {"embed-images", no_argument, nullptr, 'e'},
                                         {"copy-images", no_argument, nullptr, 'p'},
                                         {"reference-images", no_argument, nullptr, 'r'},
                                         {"fps", required_argument, nullptr, 'f'},
                                         {"at", required_argument, nullptr, 'a'},
                                         {}};
    int first = parseOptions(argc, argv, "", longOptions, usage, 2, 2, [&](int val, const char* argument) {
        switch (val) {
        case 's': return numberArgument("--subdiv", argument, 0, 100, &options.subdivisionLevel);
        case 'c': options.contentFolder = argument; return true;
        case 'e': options.images = ConvertImages::embed; return true;
        case 'p': options.images = ConvertImages::copy; return true;
        case 'a': {
            int ms = 0;
            options.stillGiven = numberArgument("--at", argument, -2000000000, 2000000000, &ms);
            options.stillSeconds = ms / 1000.0;
            return options.stillGiven;
        }
        case 'f': {
            char* end = nullptr;
            options.framesPerSecond = std::strtod(argument, &end);
            if (end != argument && *end == 0 && options.framesPerSecond >= 0.001 && options.framesPerSecond <= 1e6)
                return true;
            std::fprintf(stderr, "lwo-convert: --fps: a number of frames per second from 0.001 to 1000000\n");
            return false;
        }
        default: options.images = ConvertImages::reference; return true;
        }
    });
    if (first < 0) return 2;
    const char* in = argv[first];
    const char* out = argv[first + 1];
    std::string output = out;
    bool glb = endsWith(output, ".glb"), gltf = endsWith(output, ".gltf"), obj = endsWith(output, ".obj");
    if (!glb && !gltf && !obj) return usageError(usage);

    uint32_t failId = 0;
    int32_t failPos = 0;
    // The output is the file: the reader's lines would only be noise.
    lwSetLog(lwLogNowhere, nullptr);
    ConvertResult result;
    LwScene* scene = nullptr;
    const bool isScene = lwIsSceneFile(in);
    if (options.stillGiven && !(isScene && obj)) {
        std::fprintf(stderr, "lwo-convert: --at: only for a scene written as .obj\n");
        return 2;
    }
    if (isScene) {
        const char* why = nullptr;
        scene = readLwScene(in, &why);
        if (!scene) {
            std::fprintf(stderr, "lwo-convert: %s: %s\n", in, why ? why : "cannot be read");
            return 1;
        }
        for (int32_t w = 0; w < scene->warningCount; ++w)
            result.warnings.push_back("line " + std::to_string(scene->warnings[w].line) + ": " + scene->warnings[w].text);
    }
    LwObject* object = scene ? nullptr : readLwObject(in, &failId, &failPos);
    if (!object && !scene) {
        const char* why = lwFailReason();
        std::fprintf(stderr, "lwo-convert: %s: %s (chunk %s at byte %d)\n", in, why ? why : "cannot be read",
                     lwIdText(failId).text, int(failPos));
        return 1;
    }
    if (object) subdivideForConversion(object, options, &result);
    std::string folder = output.find('/') == std::string::npos ? "" : output.substr(0, output.find_last_of('/') + 1);
    // glTF goes straight into its file; OBJ is made in memory first.
    Outputs outputs;
    std::string failed = output;
    FILE* file = outputs.open(output);
    bool ok = file != nullptr;
    if (ok && obj) {
        std::string mtl = output.substr(folder.size(), output.size() - folder.size() - 4) + ".mtl";
        // mtllib takes no quoting: the material file's name holds no space.
        for (char& c : mtl)
            if (c == ' ' || c == '\t') c = '_';
        ok = scene ? convertSceneToObj(scene, in, mtl, options, &result) : convertToObj(object, in, mtl, options, &result);
        freeLwObject(object);
        object = nullptr;
        ok = ok && std::fwrite(result.bytes.data(), 1, result.bytes.size(), file) == result.bytes.size();
    } else if (ok) {
        GltfModel* model = scene ? buildSceneGltf(scene, in, glb, options, &result)
                                 : buildGltf(object, in, glb, options, &result);
        freeLwObject(object);
        object = nullptr;
        ok = writeGltf(model, &result, file);
    }
    freeLwObject(object);
    const int32_t items = scene ? scene->itemCount : 0;
    if (scene) freeLwScene(scene);
    ok = file && Outputs::finish(file, ok);
    for (const std::string& w : result.warnings) std::fprintf(stderr, "lwo-convert: warning: %s\n", w.c_str());
    for (size_t i = 0; ok && i < result.sideFiles.size(); ++i) {
        const ConvertSideFile& side = result.sideFiles[i];
        failed = folder + side.name;
        std::string bytes;
        if (!side.source.empty() && !readFile(side.source, &bytes)) {
            std::fprintf(stderr, "lwo-convert: %s: cannot be read\n", side.source.c_str());
            ok = false;
        }
        ok = ok && outputs.write(failed, side.source.empty() ? side.bytes : bytes);
    }
    if (!ok || !outputs.place(&failed)) {
        std::fprintf(stderr, "lwo-convert: %s: cannot be written; nothing written\n", failed.c_str());
        return 1;
    }
    if (items > 0 || result.animationKeys > 0)
        std::printf("%s: %d item(s), %d primitive(s), %d material(s), %lld animation key(s)\n", out, int(items),
                    result.primitives, result.materials, static_cast<long long>(result.animationKeys));
    else
        std::printf("%s: %d primitive(s), %d material(s)\n", out, result.primitives, result.materials);
    return 0;
}
