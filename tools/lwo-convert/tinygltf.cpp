// The one compiled copy of tinygltf: no exceptions (nlohmann's JSON aborts
// instead of throwing, so every string handed to it is valid UTF-8 first), and
// no image decoding or encoding: images travel as the files' own bytes.
#define TINYGLTF_IMPLEMENTATION
// The configuration (TINYGLTF_NOEXCEPTION, JSON_NOEXCEPTION, TINYGLTF_NO_STB_*)
// is the library's compile definitions: every user of the header sees the same.
#include <tiny_gltf.h>
