#include "micro_support.h"

#include <string>

#include "video/image.h"
#include "video/screen.h"

void fillScreenWith(const char* name) {
    const std::string path = std::string("data/") + name;
    Image picture(path.c_str(), SCREEN_WIDTH, SCREEN_HEIGHT);
    picture.copyToScreen();
}
