// lwo-convert IN.lwo OUT.glb|OUT.gltf|OUT.obj [--subdiv N] [--content DIR]
//             [--embed-images|--copy-images|--reference-images]
// Converts a LightWave object (LWO2, LWOB, LWLO) to glTF 2.0 or OBJ + MTL.
// Exit status 0 on success, 1 when the object cannot be read (the reader's
// reason on stderr) or the output cannot be written, 2 for bad usage. Every
// file is written under a temporary name and renamed: a failed run leaves
// no output behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert.h"
#include "lightwave.h"

static int usage()
{
    std::fprintf(stderr,
                 "usage: lwo-convert IN.lwo OUT.glb|OUT.gltf|OUT.obj [--subdiv N] [--content DIR]\n"
                 "                   [--embed-images|--copy-images|--reference-images]\n");
    return 2;
}

static bool endsWith(const std::string& s, const char* end)
{
    size_t n = std::strlen(end);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != end[i]) return false;
    return true;
}

// Written whole under a temporary name in the same folder, then renamed.
static bool writeFile(const std::string& path, const std::string& bytes)
{
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    bool ok = done == bytes.size();
    ok = fchmod(fd, 0644) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temp.c_str());
    return ok;
}

static bool copyFile(const std::string& from, const std::string& to)
{
    FILE* f = std::fopen(from.c_str(), "rb");
    if (!f) return false;
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok && writeFile(to, bytes);
}

int main(int argc, char** argv)
{
    const char* in = nullptr;
    const char* out = nullptr;
    ConvertOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--subdiv") && i + 1 < argc) {
            char* end;
            long level = std::strtol(argv[++i], &end, 10);
            if (*end || end == argv[i] || level < 0 || level > 100) return usage();
            options.subdivisionLevel = int(level);
        } else if (!std::strcmp(a, "--content") && i + 1 < argc) {
            options.contentFolder = argv[++i];
        } else if (!std::strcmp(a, "--embed-images")) {
            options.images = ConvertImages::embed;
        } else if (!std::strcmp(a, "--copy-images")) {
            options.images = ConvertImages::copy;
        } else if (!std::strcmp(a, "--reference-images")) {
            options.images = ConvertImages::reference;
        } else if (a[0] == '-' && a[1]) {
            return usage();
        } else if (!in) {
            in = a;
        } else if (!out) {
            out = a;
        } else {
            return usage();
        }
    }
    if (!in || !out) return usage();
    std::string output = out;
    bool glb = endsWith(output, ".glb"), gltf = endsWith(output, ".gltf"), obj = endsWith(output, ".obj");
    if (!glb && !gltf && !obj) return usage();

    uint32_t failId = 0;
    int32_t failPos = 0;
    LwObject* object = readLwObjectQuietly(in, &failId, &failPos);
    if (!object) {
        const char* why = lwFailReason();
        std::fprintf(stderr, "lwo-convert: %s: %s (chunk %s at byte %d)\n", in, why ? why : "cannot be read",
                     lwIdText(failId).text, int(failPos));
        return 1;
    }
    ConvertResult result;
    subdivideForConversion(object, options, &result);
    std::string folder = output.find('/') == std::string::npos ? "" : output.substr(0, output.find_last_of('/') + 1);
    // glTF goes straight into a temporary file beside the output; OBJ is
    // made in memory first.
    std::string temp = output + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!file) {
        if (fd >= 0) close(fd);
        if (fd >= 0) std::remove(temp.c_str());
        freeLwObject(object);
        std::fprintf(stderr, "lwo-convert: %s: cannot be written\n", out);
        return 1;
    }
    bool ok;
    if (obj) {
        std::string mtl = output.substr(folder.size(), output.size() - folder.size() - 4) + ".mtl";
        // mtllib takes no quoting: the material file's name holds no space.
        for (char& c : mtl)
            if (c == ' ' || c == '\t') c = '_';
        ok = convertToObj(object, in, mtl, options, &result);
        freeLwObject(object);
        ok = ok && std::fwrite(result.bytes.data(), 1, result.bytes.size(), file) == result.bytes.size();
    } else {
        GltfModel* model = buildGltf(object, in, glb, options, &result);
        freeLwObject(object);
        ok = writeGltf(model, &result, file);
    }
    ok = fchmod(fileno(file), 0644) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    for (const std::string& w : result.warnings) std::fprintf(stderr, "lwo-convert: warning: %s\n", w.c_str());
    if (ok) {
        for (const ConvertSideFile& side : result.sideFiles) {
            std::string to = folder + side.name;
            bool done = side.source.empty() ? writeFile(to, side.bytes) : copyFile(side.source, to);
            if (!done) std::fprintf(stderr, "lwo-convert: warning: could not write %s\n", to.c_str());
        }
        ok = std::rename(temp.c_str(), output.c_str()) == 0;
    }
    if (!ok) {
        std::remove(temp.c_str());
        std::fprintf(stderr, "lwo-convert: %s: cannot be written\n", out);
        return 1;
    }
    std::printf("%s: %d primitive(s), %d material(s)\n", out, result.primitives, result.materials);
    return 0;
}
