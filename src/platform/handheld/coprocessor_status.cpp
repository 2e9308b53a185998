#include "platform/coprocessor_status.h"

namespace platform {

bool coprocessorIdle() {
    return false;
}

} // namespace platform
