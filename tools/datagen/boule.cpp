#include "datagen.h"

bool writeBouleScene(const std::string&) { return true; }
