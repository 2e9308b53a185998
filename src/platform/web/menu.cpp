#include "platform/menu.h"

#include <emscripten.h>

namespace platform {

// The page has no menu program: it is told that the show has ended, which
// is a normal end.
int runMenuProgram() {
    EM_ASM({
        if (Module.onShowEnded) Module.onShowEnded();
    });
    return 0;
}

} // namespace platform
