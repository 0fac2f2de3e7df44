#include "datagen.h"

#include <cstdio>
#include <sys/stat.h>

static void makeParents(const std::string& path)
{
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

bool writeFile(const std::string& path, const void* data, size_t size)
{
    makeParents(path);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
