#include "generate.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "core/pixel.h"
#include "generators.h"
#include "tools/coprocessor_image_file.h"
#include "tools/image_writer.h"

#ifdef HAVE_ASSET_MUSIC
#include "music.h"
#endif

bool savePictureAs(const std::string& dir, const std::string& name,
                   const std::vector<uint16_t>& pixels, int width, int height) {
    return savePicture(dir + "/" + name, pixels, width, height);
}

std::vector<uint16_t> greenPicture(const Plane& plane, Rgb low, Rgb high) {
    std::vector<uint16_t> out(plane.v.size());
    for (size_t i = 0; i < out.size(); i++) {
        const double v = plane.v[i];
        const Rgb tint = mix(low, high, dm::clamp01(v));
        out[i] = packRgb565(level(tint.r, 31), level(v, 63), level(tint.b, 31));
    }
    return out;
}

bool writeProgramImage(const std::string& dir) {
    const std::vector<uint8_t> image = makeCoprocessorImage();
    const std::string path = dir + "/ogg940.bin";
    FILE* file = fopen(path.c_str(), "wb");
    bool ok = file && fwrite(image.data(), 1, image.size(), file) == image.size();
    if (file && fclose(file) != 0) ok = false;
    if (!ok) fprintf(stderr, "demo-assets: cannot write %s\n", path.c_str());
    return ok;
}

namespace {

struct Job {
    const char* label;
    std::function<bool(const std::string&)> run;
};

} // namespace

bool generateAssets(const std::string& dir, bool withMusic) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir)) {
        fprintf(stderr, "demo-assets: cannot make the folder %s\n", dir.c_str());
        return false;
    }
    // Slowest jobs first, so the two threads finish close together.
    std::vector<Job> jobs;
#ifdef HAVE_ASSET_MUSIC
    if (withMusic)
        jobs.push_back({"music", [](const std::string& d) {
                            std::string why;
                            if (writeMusic(d + "/warmer.ogg", &why)) return true;
                            fprintf(stderr, "demo-assets: music: %s\n", why.c_str());
                            return false;
                        }});
#else
    (void)withMusic;
#endif
    jobs.insert(jobs.end(), {
                                {"cave", writeCave},
                                {"lighthouse", writeLighthouse},
                                {"logo", writeLogo},
                                {"meadow", writeMeadow},
                                {"skies", writeSkies},
                                {"window", writeWindow},
                                {"feather", writeFeather},
                                {"fruit", writeFruit},
                                {"clouds", writeClouds},
                                {"waterfall", writeWaterfall},
                                {"transitions", writeTransitions},
                                {"lacquer", writeLacquer},
                                {"flower texture", writeFlowerTexture},
                                {"dragonfly", writeDragonfly},
                                {"credits", writeCredits},
                                {"drops", writeDrops},
                                {"greeting font", writeGreetingFont},
                                {"console font", writeConsoleFont},
                                {"biplane", writeBiplane},
                                {"flower", writeFlower},
                                {"program image", writeProgramImage},
                            });
    std::atomic<size_t> next{0};
    std::atomic<bool> ok{true};
    auto worker = [&]() {
        for (size_t i = next.fetch_add(1); i < jobs.size(); i = next.fetch_add(1))
            if (!jobs[i].run(dir)) {
                fprintf(stderr, "demo-assets: %s failed\n", jobs[i].label);
                ok.store(false);
            }
    };
    std::thread helper(worker);
    worker();
    helper.join();
    return ok.load();
}
