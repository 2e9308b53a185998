// The generator's jobs: each writes one or more files into `dir` and returns
// false (after printing why) when a file cannot be written.
#pragma once

#include <string>
#include <vector>

#include "raster.h"

bool writeConsoleFont(const std::string& dir);  // font.png
bool writeGreetingFont(const std::string& dir); // fontgreet.png
bool writeTransitions(const std::string& dir);  // trans1-5.png
bool writeWaterfall(const std::string& dir);    // waterfall1-3.png, waterfall_pal.png
bool writeCave(const std::string& dir);         // luola.png, luola_alpha.png
bool writeLighthouse(const std::string& dir);   // majakka.png, majakka_light.png
bool writeLogo(const std::string& dir);         // quorvane_logo/alpha.png, map_twirl.png, spark.png
bool writeDragonfly(const std::string& dir);    // dragonfly(_opac).png, df_wing1-3.png
bool writeCredits(const std::string& dir);      // credits(_opac).png
bool writeMeadow(const std::string& dir);       // bg.png
bool writeFlowerTexture(const std::string& dir); // kukka.png
bool writeFeather(const std::string& dir);       // bg3.png, feather(_alpha).png
bool writeFruit(const std::string& dir);         // hedelmae(_opac).png
bool writeWindow(const std::string& dir);        // bg2.png
bool writeDrops(const std::string& dir);         // drops01.png
bool writeClouds(const std::string& dir);        // cloud1-3.png
bool writeSkies(const std::string& dir);         // skybax.png
bool writeLacquer(const std::string& dir);       // env_red.png
bool writeBiplane(const std::string& dir);       // sopwith.ase
bool writeFlower(const std::string& dir);        // kukka.ase
bool writeProgramImage(const std::string& dir);  // ogg940.bin

// Writes `pixels` (RGB565, width x height) as dir/name.
bool savePictureAs(const std::string& dir, const std::string& name,
                   const std::vector<uint16_t>& pixels, int width, int height);
inline bool saveCanvas(const std::string& dir, const std::string& name, const Canvas& canvas,
                       bool dither = true) {
    return savePictureAs(dir, name, toRgb565(canvas, dither), canvas.width, canvas.height);
}
// A plane as a picture whose green field carries the value (0..1 -> 0..63);
// red and blue get a tint so the file is pleasant to look at.
std::vector<uint16_t> greenPicture(const Plane& plane, Rgb low, Rgb high);
