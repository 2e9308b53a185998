#include "platform/menu.h"

namespace platform {

int runMenuProgram() {
    return 0;
}

} // namespace platform
