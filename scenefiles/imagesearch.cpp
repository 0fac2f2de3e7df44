#include "imagesearch.h"

static std::string contentFolder;

void setImageContentFolder(const char* folder) { contentFolder = folder ? folder : ""; }

const char* imageContentFolder() { return contentFolder.empty() ? nullptr : contentFolder.c_str(); }
