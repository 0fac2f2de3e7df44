#include "options.h"

#include <cstdlib>
#include <cstring>

const char* const kUsage =
    "usage: demo [--window] [--size WxH] [--stats] [--record FICHIER.mp4 [--until MS]]\n"
    "  --window           dans une fenetre 640x480, sans changer le mode de l'ecran\n"
    "  --size WxH         rendu en W x H points (la fenetre ou l'ecran suivent)\n"
    "  --stats            a la fin: images, duree des images et chargements, par partie\n"
    "  --record F.mp4     enregistre la demo (60 images/s, H.264 et AAC) au lieu de la jouer\n"
    "  --until MS         arrete la demo quand l'horloge passe MS millisecondes\n";

namespace {

// Whole decimal number, nothing else.
bool readNumber(const char* text, long max, long& value)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *end == 0 && text[0] >= '0' && text[0] <= '9' && value >= 0 && value <= max;
}

bool readSize(const char* text, int& width, int& height)
{
    const char* x = text ? std::strchr(text, 'x') : nullptr;
    if (!x) return false;
    char w[16] = {};
    size_t n = static_cast<size_t>(x - text);
    if (n == 0 || n >= sizeof w) return false;
    std::memcpy(w, text, n);
    long lw = 0, lh = 0;
    if (!readNumber(w, 16384, lw) || !readNumber(x + 1, 16384, lh) || lw < 16 || lh < 16) return false;
    width = static_cast<int>(lw);
    height = static_cast<int>(lh);
    return true;
}

}  // namespace

bool parseOptions(int argc, char** argv, ShowOptions& options)
{
    ShowOptions read;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long number = 0;
        if (std::strcmp(a, "--stats") == 0) {
            read.stats = true;
        } else if (std::strcmp(a, "--window") == 0) {
            read.window = true;
        } else if (std::strcmp(a, "--size") == 0 && readSize(value, read.width, read.height)) {
            ++i;
        } else if (std::strcmp(a, "--record") == 0 && value && *value && value[0] != '-') {
            read.recordPath = value;
            ++i;
        } else if (std::strcmp(a, "--until") == 0 && readNumber(value, 100000000L, number) && number > 0) {
            read.untilMs = static_cast<uint32_t>(number);
            ++i;
        } else {
            return false;
        }
    }
    options = read;
    return true;
}
