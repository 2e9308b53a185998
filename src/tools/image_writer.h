// Writes RGB565 pixels as files: PNG with bit-replicated channels (so loading
// the PNG as the show loads pictures gives back the exact RGB565 values) and
// raw little-endian RGB565.
#pragma once

#include <cstdint>
#include <string>

bool writeFramePng(const std::string& path, const uint16_t* pixels, int width, int height);
bool writeFrameRaw(const std::string& path, const uint16_t* pixels, int count);
