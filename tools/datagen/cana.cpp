#include "datagen.h"

bool writeCanaScene(const std::string&) { return true; }
