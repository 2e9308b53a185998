/* The picture decoder and writer from Debian's own stb headers, compiled for
 * the browser, which has no system library to link them from. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
