#include "platform/menu.h"

#include <unistd.h>

namespace platform {

void runMenuProgram() {
    if (chdir("/usr/gp2x") != 0) {
        // Ignored: execl below fails the same way if the folder is missing.
    }
    execl("/usr/gp2x/gp2xmenu", "/usr/gp2x/gp2xmenu", static_cast<char*>(nullptr));
}

} // namespace platform
