#include "platform/coprocessor_status.h"

#include "platform/desktop/second_cpu.h"

namespace platform {

bool coprocessorIdle() {
    return theSecondCpu.idle();
}

} // namespace platform
