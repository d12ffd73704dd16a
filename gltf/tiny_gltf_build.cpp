// tinygltf's and stb_image's code, compiled here once; every other file sees their declarations
// only. The defines that must agree (no exceptions, no image writing, no files or images of
// tinygltf's own) come from the build.
#define TINYGLTF_IMPLEMENTATION
// Its writing code names file streams even without its own files; nothing calls it, so none of
// it is linked.
#include <fstream>
#include <tiny_gltf.h>

#define STB_IMAGE_IMPLEMENTATION
// Only the formats a model's base colour is expected in, as 8-bit pixels from memory: the rest
// would be dead weight in the page's download.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_LINEAR
#define STBI_NO_STDIO
#include <stb_image.h>
