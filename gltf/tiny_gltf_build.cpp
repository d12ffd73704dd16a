// tinygltf's and stb_image's code, compiled here once; every other file sees their declarations
// only. The defines that must agree (no exceptions, no image writing) come from the build.
#define TINYGLTF_IMPLEMENTATION
#define STB_IMAGE_IMPLEMENTATION
// Only the formats a model's base colour is expected in: the rest would be dead weight in the
// page's download.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <tiny_gltf.h>
