// The demo's content, made in code: every writer puts its files below the
// given Datas folder and answers false when a file could not be written.
#pragma once
#include <string>

bool writeFile(const std::string& path, const void* data, size_t size);  // makes the folders too

bool writeMusic(const std::string& datasDir);  // Zik/under.xm

// Writes a baseline JPEG of width x height pixels, rows of red, green, blue bytes.
bool writeJpeg(const std::string& path, const unsigned char* rgb, int width, int height, int quality);

bool writeFlarePictures(const std::string& datasDir);  // the four pictures of the flare opening

// The show's four scenes (objects, scene files) and the pictures they use.
bool writeSceneTextures(const std::string& datasDir);  // Textures/
bool writeTunnelScene(const std::string& datasDir);    // tunnel-tux.pof, the tunnel and its flyer
bool writeBouleScene(const std::string& datasDir);     // Boule.pof
bool writeCanaScene(const std::string& datasDir);      // Cana.pof, Cana.lws
bool writeBanniereScene(const std::string& datasDir);  // Banniere.pof
