// The browser's SDL keeps the screen as 32-bit RGBA whatever depth was asked
// for, and copies it to the canvas when the surface is unlocked: the frame
// is converted here, each channel bit-replicated as in the PNG files.
#include "platform/frame_output.h"

#include <SDL.h>

#include "video/image.h"
#include "video/screen.h"

namespace platform {

struct FrameOutput {
    const uint16_t* frame;
};

FrameOutput* openFrameOutput(uint16_t* frame) {
    return new FrameOutput{frame};
}

void presentFrame(FrameOutput* output, SDL_Surface* surface, int, int) {
    if (!output || surface->w < SCREEN_WIDTH || surface->h < SCREEN_HEIGHT) return;
    SDL_LockSurface(surface);
    uint8_t* rows = static_cast<uint8_t*>(surface->pixels);
    for (int y = 0; y < SCREEN_HEIGHT; y++) {
        uint8_t* rgba = rows + y * surface->pitch;
        const uint16_t* line = output->frame + y * SCREEN_WIDTH;
        for (int x = 0; x < SCREEN_WIDTH; x++, rgba += 4) {
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
