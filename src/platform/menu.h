// Leaving the show: the handheld replaces the process with its menu program.
#pragma once

namespace platform {

// chdir("/usr/gp2x") and execl of "/usr/gp2x/gp2xmenu" on the handheld; it
// returns only if that fails, after saying so on stderr, with the exit status
// 1. A desktop has no menu program: it returns 0 at once.
int runMenuProgram();

} // namespace platform
