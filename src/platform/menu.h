// Leaving the show: the handheld replaces the process with its menu program.
#pragma once

namespace platform {

// chdir("/usr/gp2x") and execl of "/usr/gp2x/gp2xmenu" on the handheld;
// returns only if that fails. A desktop has no menu program: returns at once.
void runMenuProgram();

} // namespace platform
