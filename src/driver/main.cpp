// The demo program: no arguments, no configuration. It plays the show from
// the data/ folder in the working directory and then hands over to the
// handheld's menu program.
#include "driver/show.h"
#include "platform/menu.h"

int main() {
    startUp();
    prepareFirstFrame();
    runMainLoop();
    shutDown();
    platform::runMenuProgram();
    return 0;
}
