// The open-file box: zenity in a desktop session, a cancelled box elsewhere.
#include "platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int (*openFileDialogHook)(OPENFILENAMEA* box) = nullptr;

uint32_t GetCurrentDirectoryA(uint32_t size, char* buffer)
{
    if (!buffer || size == 0) return 0;
    if (!getcwd(buffer, size)) {
        buffer[0] = 0;
        return 0;
    }
    return static_cast<uint32_t>(std::strlen(buffer));
}

int SetCurrentDirectoryA(const char* path)
{
    return path && chdir(path) == 0;
}

static bool zenityAvailable()
{
    const char* display = std::getenv("DISPLAY");
    const char* path = std::getenv("PATH");
    if (!display || !*display || !path) return false;
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/zenity";
        if (end > start && access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Single quotes for the shell, with embedded quotes closed and reopened.
static std::string shellQuoted(const char* text)
{
    std::string out = "'";
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\'') out += "'\\''";
        else out += *p;
    }
    return out + "'";
}

// Writes the chosen paths (one per line) into the box's buffer in the
// Windows layout. Answers 0 when they do not fit.
static int fillChoice(OPENFILENAMEA* box, const std::string& lines)
{
    std::string paths[512];
    int count = 0;
    size_t start = 0;
    while (start < lines.size() && count < 512) {
        size_t end = lines.find('\n', start);
        if (end == std::string::npos) end = lines.size();
        if (end > start) paths[count++] = lines.substr(start, end - start);
        start = end + 1;
    }
    if (count == 0) return 0;

    std::string out;
    uint16_t offset;
    if (count == 1) {
        size_t slash = paths[0].rfind('/');
        out = paths[0];
        out += '\0';
        offset = static_cast<uint16_t>(slash == std::string::npos ? 0 : slash + 1);
    } else {
        size_t slash = paths[0].rfind('/');
        std::string dir = slash == std::string::npos ? "." : paths[0].substr(0, slash);
        if (dir.empty()) dir = "/";
        out = dir;
        out += '\0';
        offset = static_cast<uint16_t>(out.size());
        for (int i = 0; i < count; ++i) {
            size_t s = paths[i].rfind('/');
            out += s == std::string::npos ? paths[i] : paths[i].substr(s + 1);
            out += '\0';
        }
        out += '\0';
    }
    if (out.size() > box->nMaxFile || out.size() > 0xFFFF) return 0;
    std::memcpy(box->lpstrFile, out.data(), out.size());
    box->nFileOffset = offset;
    return 1;
}

int GetOpenFileNameA(OPENFILENAMEA* box)
{
    if (!box || !box->lpstrFile || box->nMaxFile == 0) return 0;
    if (openFileDialogHook) return openFileDialogHook(box);
    if (!zenityAvailable()) return 0;

    std::string command = "zenity --file-selection --separator='\n'";
    if (box->Flags & OFN_ALLOWMULTISELECT) command += " --multiple";
    if (box->lpstrTitle) command += " --title=" + shellQuoted(box->lpstrTitle);
    if (box->lpstrInitialDir) command += " --filename=" + shellQuoted((std::string(box->lpstrInitialDir) + "/").c_str());
    if (box->lpstrFilter) {
        // "description\0a;b\0" becomes "description | a b".
        const char* description = box->lpstrFilter;
        std::string pattern = description + std::strlen(description) + 1;
        for (char& c : pattern)
            if (c == ';') c = ' ';
        command += " --file-filter=" + shellQuoted((std::string(description) + " | " + pattern).c_str());
    }
    command += " 2>/dev/null";

    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return 0;
    std::string lines;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) lines.append(chunk, n);
    int status = pclose(pipe);
    if (status != 0) return 0;  // cancelled or failed
    return fillChoice(box, lines);
}
