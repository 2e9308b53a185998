// The demo program: no arguments, no configuration. It plays the show from
// the data/ folder in the working directory and then hands over to the
// handheld's menu program (status 1 if that cannot be started).
#include "driver/show.h"
#include "platform/menu.h"

int main() {
    startUp();
    prepareFirstFrame();
    runMainLoop();
    shutDown();
    return platform::runMenuProgram();
}
