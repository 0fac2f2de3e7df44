// What the engine's loading adds to the picture search of lwfiles.h: the
// scene being read and the content folder the user named.
#pragma once
#include "lwfiles.h"

// The scene file (or LightWave scene) being read, null outside (load.cpp).
const char* sceneLoadingObjects();

// The content folder the user names (scene-view --content); none by default.
void setImageContentFolder(const char* folder);
const char* imageContentFolder();
