// The browser's SDL keeps the screen as 32-bit RGBA whatever depth was asked
// for, and copies it to the canvas when the surface is unlocked: the frame
// is converted here, each channel bit-replicated as in the PNG files.
#include "platform/frame_output.h"

#include <SDL.h>

#include "core/pixel.h"

namespace platform {

struct FrameOutput {
    const uint16_t* frame;
    int width;
    int height;
};

FrameOutput* openFrameOutput(uint16_t* frame, int width, int height) {
    return new FrameOutput{frame, width, height};
}

void presentFrame(FrameOutput* output, SDL_Surface* surface, int, int) {
    if (!output || surface->w < output->width || surface->h < output->height) return;
    SDL_LockSurface(surface);
    uint8_t* rows = static_cast<uint8_t*>(surface->pixels);
    for (int y = 0; y < output->height; y++) {
        uint8_t* rgba = rows + y * surface->pitch;
        const uint16_t* line = output->frame + y * output->width;
        for (int x = 0; x < output->width; x++, rgba += 4) {
            rgb565ToRgb888(line[x], rgba);
            rgba[3] = 0xFF;
        }
    }
    SDL_UnlockSurface(surface);
}

void closeFrameOutput(FrameOutput* output) {
    delete output;
}

} // namespace platform
