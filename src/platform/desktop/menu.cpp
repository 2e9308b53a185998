#include "platform/menu.h"

namespace platform {

void runMenuProgram() {}

} // namespace platform
