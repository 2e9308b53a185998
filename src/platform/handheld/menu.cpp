#include "platform/menu.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

int runMenuProgram() {
    if (chdir("/usr/gp2x") != 0) {
        // Ignored: execl below fails the same way if the folder is missing.
    }
    execl("/usr/gp2x/gp2xmenu", "/usr/gp2x/gp2xmenu", static_cast<char*>(nullptr));
    fprintf(stderr, "demo: cannot start the menu program /usr/gp2x/gp2xmenu: %s\n",
            strerror(errno));
    return 1;
}

} // namespace platform
