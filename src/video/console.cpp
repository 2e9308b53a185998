#include "video/console.h"

namespace {
Console* theConsole = nullptr;
}

Console* Console::instance() {
    if (!theConsole) theConsole = new Console;
    return theConsole;
}

void Console::destroyInstance() {
    delete theConsole;
    theConsole = nullptr;
}

void Console::setFont(Font*) {}
void Console::moveTo(int, int) {}
void Console::print(const char*) {}
void Console::redraw(bool) {}
void Console::stepProgress() {}
