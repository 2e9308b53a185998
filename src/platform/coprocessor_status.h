// What can be seen from outside of the second CPU's progress, for tools that
// must wait until the music has been handed over (the capture tool's WAV).
#pragma once

namespace platform {

// True when the second CPU is known to hand over no more sound: it is held in
// reset or runs no program of ours, has no music placed, or has played its
// music to the end; and every block it produced has been taken. On the handheld the program's
// progress cannot be seen from the main CPU, so this is always false there.
bool coprocessorIdle();

} // namespace platform
