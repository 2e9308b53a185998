/* The decoder from Debian's own stb_image.h, compiled into the picture fuzz
 * target only: the system library is not instrumented, so without this
 * libFuzzer would see none of the decoder's branches. Its definitions take
 * the place of the shared library's in that one program; the show itself
 * links the system library. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
