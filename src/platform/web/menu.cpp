#include "platform/menu.h"

#include <emscripten.h>

namespace platform {

// The page has no menu program: it is told that the show has ended.
void runMenuProgram() {
    EM_ASM({
        if (Module.onShowEnded) Module.onShowEnded();
    });
}

} // namespace platform
