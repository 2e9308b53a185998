// SDL converts the frame itself: a surface over the frame's memory is blitted
// to the video surface, whatever its format.
#include "platform/frame_output.h"

#include <SDL.h>

namespace platform {

struct FrameOutput {
    SDL_Surface* frameSurface;
};

FrameOutput* openFrameOutput(uint16_t* frame, int width, int height) {
    SDL_Surface* wrapped =
        SDL_CreateRGBSurfaceFrom(frame, width, height, 16, width * 2, 0xF800, 0x07E0, 0x001F, 0);
    return wrapped ? new FrameOutput{wrapped} : nullptr;
}

void presentFrame(FrameOutput* output, SDL_Surface* surface, int width, int height) {
    if (output) SDL_BlitSurface(output->frameSurface, nullptr, surface, nullptr);
    SDL_UpdateRect(surface, 0, 0, width, height);
}

void closeFrameOutput(FrameOutput* output) {
    if (!output) return;
    SDL_FreeSurface(output->frameSurface);
    delete output;
}

} // namespace platform
