#include "datagen.h"

bool writeBanniereScene(const std::string&) { return true; }
