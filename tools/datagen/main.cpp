// make-datas OUTDIR: writes the demo's Datas folder (music, pictures, objects, scenes).
#include <cstdio>
#include <string>

#include "datagen.h"

struct Writer {
    const char* what;
    bool (*write)(const std::string& datasDir);
};

static const Writer writers[] = {
    {"Datas/Zik/under.xm", writeMusic},
    {"flare pictures", writeFlarePictures},
    {"scene pictures", writeSceneTextures},
    {"tunnel scene", writeTunnelScene},
    {"Boule scene", writeBouleScene},
    {"Cana scene", writeCanaScene},
    {"Banniere scene", writeBanniereScene},
};

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-datas OUTDIR\n");
        return 2;
    }
    std::string dir = argv[1];
    int failures = 0;
    for (const Writer& w : writers) {
        if (!w.write(dir)) {
            std::fprintf(stderr, "make-datas: could not write %s\n", w.what);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
