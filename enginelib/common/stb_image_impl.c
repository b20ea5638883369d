/* stb_image_impl.c - the one compiled copy of stb_image's decoder (Debian's libstb-dev header),
 * for the engines (through engine_common), the tools and the tests. TGA, JPEG and PNG only: the
 * formats the game's pictures and the review images use. Symbols are hidden from the engine
 * libraries' exports. Nothing else lives here. */
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
