#include "datagen.h"

#include <cstdio>
#include <filesystem>

bool writeFile(const std::string& path, const void* data, size_t size)
{
    // A folder that cannot be made shows as the file failing to open.
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
