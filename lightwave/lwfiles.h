// Where a clip's picture is looked for: the places LightWave itself would try
// for an image name saved on another machine, in order. Plain functions of
// their arguments (and of the files present): the tools use them without the engine.
#pragma once
#include <string>
#include <vector>

// Every place tried for an image name, in order and each once:
//  - the name as written, backslashes made slashes and a device prefix
//    ("Q:dir/file") read as "Q:/dir/file";
//  - from the object file's folder: the name without its device, then the
//    bare file name, then Images/ beside the object and one folder up;
//  - the same from the scene file's folder, when a scene loaded the object;
//  - from the content folder: the name without its device, the bare file name, Images/;
//  - the name without its device under each folder above the object's, up to
//    8 of them, stopping at the filesystem root (these are absolute paths).
// Absent folders (null or empty) add nothing.
std::vector<std::string> imageCandidates(const char* name, const char* objectFile, const char* sceneFile,
                                         const char* contentFolder);

// The first candidate that is a regular file, or "" when none is; `tried`,
// when given, receives every candidate. A LightWave scene's object names are
// looked for the same way.
std::string findImageFile(const char* name, const char* objectFile, const char* sceneFile, const char* contentFolder,
                          std::vector<std::string>* tried = nullptr);
