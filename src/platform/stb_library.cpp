// The implementation of the system's stb_image and stb_image_resize, in a
// translation unit of its own so that its build can differ from the rest.
//
// stb_image 2.27 reads a PNG whose first image data chunk is empty (valid,
// and some writers make one) by copying 0 bytes to a buffer it has not
// allocated yet: memcpy with a null destination. Copying nothing touches no
// memory, but the C library declares the argument never null, and the
// sanitizer builds stop on it. CMakeLists.txt turns off that one check
// (nonnull-attribute) for this unit alone; every other check stays on here,
// and every check stays on in the program's own code.
//
// image_decoder.cpp is the only user.

// Only the codecs Windows itself decodes (and TGA, which the program's
// textures folder may hold); stb's other readers stay out of reach of files.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
// stb leaves parts of its decoder state unset until the file's own segments
// fill them: a Huffman table that a JPEG scan names but no segment defines
// would be read as whatever the heap held. Zeroed memory decodes such a
// table's every code as zero, so the file gives a plain picture instead.
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(pointer, size) std::realloc(pointer, size)
#define STBI_FREE(pointer) std::free(pointer)
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_IMPLEMENTATION

#include <cstdlib>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#include <stb/stb_image.h>
#include <stb/stb_image_resize.h>
#pragma GCC diagnostic pop
