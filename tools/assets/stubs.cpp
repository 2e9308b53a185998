#include "generators.h"
namespace {
bool flat(const std::string& dir, const char* name, int w, int h, uint32_t c) {
    return saveCanvas(dir, name, Canvas(w, h, hex(c)));
}
} // namespace
bool writeLighthouse(const std::string& d) {
    return flat(d, "majakka.png", 320, 240, 0x101830) &&
           flat(d, "majakka_light.png", 128, 128, 0x000000);
}
bool writeDragonfly(const std::string& d) {
    return flat(d, "dragonfly.png", 32, 84, 0x208040) && flat(d, "dragonfly_opac.png", 32, 84, 0) &&
           flat(d, "df_wing1.png", 192, 120, 0xFFFFFF) &&
           flat(d, "df_wing2.png", 192, 120, 0xFFFFFF) &&
           flat(d, "df_wing3.png", 192, 120, 0xFFFFFF);
}
bool writeCredits(const std::string& d) {
    return flat(d, "credits.png", 256, 176, 0xFFFFFF) && flat(d, "credits_opac.png", 256, 176, 0);
}
bool writeMeadow(const std::string& d) {
    return flat(d, "bg.png", 320, 240, 0x80C060);
}
bool writeFeather(const std::string& d) {
    return flat(d, "bg3.png", 320, 240, 0xE0D0F0) && flat(d, "feather.png", 128, 128, 0xFFFFFF) &&
           flat(d, "feather_alpha.png", 128, 128, 0);
}
bool writeFruit(const std::string& d) {
    return flat(d, "hedelmae.png", 320, 240, 0xF04040) && flat(d, "hedelmae_opac.png", 320, 240, 0);
}
bool writeWindow(const std::string& d) {
    return flat(d, "bg2.png", 320, 240, 0x203040);
}
bool writeSkies(const std::string& d) {
    return flat(d, "skybax.png", 320, 240, 0x80A0E0);
}
