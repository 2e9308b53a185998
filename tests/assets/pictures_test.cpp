// The generated pictures: sizes through the show's own loader, exact RGB565
// content in the PNG files, and the data the scenes read from them.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdlib>
#include <vector>

#include "generated_assets.h"
#include "video/image.h"

namespace {

struct Size {
    const char* name;
    int width, height;
};

const Size SIZES[] = {
    {"font.png", 128, 45},
    {"skybax.png", 320, 240},
    {"trans1.png", 320, 240},
    {"trans2.png", 320, 240},
    {"trans3.png", 320, 240},
    {"trans4.png", 320, 240},
    {"trans5.png", 320, 240},
    {"luola.png", 320, 240},
    {"luola_alpha.png", 128, 240},
    {"waterfall1.png", 128, 256},
    {"waterfall2.png", 128, 256},
    {"waterfall3.png", 128, 256},
    {"fontgreet.png", 256, 80},
    {"env_red.png", 256, 256},
    {"majakka.png", 320, 240},
    {"majakka_light.png", 128, 128},
    {"map_twirl.png", 320, 240},
    {"spark.png", 32, 32},
    {"quorvane_logo.png", 320, 240},
    {"quorvane_alpha.png", 320, 240},
    {"dragonfly.png", 32, 84},
    {"dragonfly_opac.png", 32, 84},
    {"credits.png", 256, 176},
    {"credits_opac.png", 256, 176},
    {"bg.png", 320, 240},
    {"kukka.png", 256, 256},
    {"bg3.png", 320, 240},
    {"feather.png", 128, 128},
    {"feather_alpha.png", 128, 128},
    {"hedelmae.png", 320, 240},
    {"hedelmae_opac.png", 320, 240},
    {"bg2.png", 320, 240},
    {"drops01.png", 256, 256},
    {"cloud1.png", 256, 256},
    {"cloud2.png", 256, 256},
    {"cloud3.png", 256, 256},
};

std::string file(const std::string& name) {
    return generatedAssets() + "/" + name;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint16_t> pixels;
    uint16_t at(int x, int y) const { return pixels[y * width + x]; }
};

Picture load(const std::string& name) {
    Picture p;
    p.pixels = testing_support::loadPicture(file(name), &p.width, &p.height);
    return p;
}

using testing_support::blue;
using testing_support::green;
using testing_support::red;

} // namespace

TEST(AssetPictures, HaveTheSizesTheScenesRelyOn) {
    for (const Size& s : SIZES) {
        Image image(file(s.name).c_str());
        EXPECT_EQ(s.width, image.width) << s.name;
        EXPECT_EQ(s.height, image.height) << s.name;
    }
    for (int k = 1; k <= 3; k++) {
        const std::string name = "df_wing" + std::to_string(k) + ".png";
        Image wing(file(name).c_str());
        EXPECT_EQ(192, wing.width) << name;
        EXPECT_GE(wing.height, 1) << name;
        EXPECT_LE(wing.height, 120) << name;
    }
    Image palette(file("waterfall_pal.png").c_str());
    EXPECT_GE(palette.pixelCount, 190);
}

// Every channel byte in the files is a 5- or 6-bit value widened by bit
// replication, so the loader's truncation gives back exactly what was drawn.
TEST(AssetPictures, StoreExactRgb565Values) {
    std::vector<std::string> names;
    for (const Size& s : SIZES)
        names.push_back(s.name);
    names.push_back("waterfall_pal.png");
    for (int k = 1; k <= 3; k++)
        names.push_back("df_wing" + std::to_string(k) + ".png");
    for (const std::string& name : names) {
        int w = 0, h = 0, n = 0;
        unsigned char* rgb = stbi_load(file(name).c_str(), &w, &h, &n, 3);
        ASSERT_NE(nullptr, rgb) << name;
        int bad = 0;
        for (int i = 0; i < w * h; i++) {
            const int r = rgb[3 * i] >> 3, g = rgb[3 * i + 1] >> 2, b = rgb[3 * i + 2] >> 3;
            if (rgb[3 * i] != ((r << 3) | (r >> 2)) || rgb[3 * i + 1] != ((g << 2) | (g >> 4)) ||
                rgb[3 * i + 2] != ((b << 3) | (b >> 2)))
                bad++;
        }
        stbi_image_free(rgb);
        EXPECT_EQ(0, bad) << name;
    }
}

TEST(AssetPictures, FontSheetsUseTheTransparentKeyAndHaveEveryGlyph) {
    const Picture console = load("font.png");
    EXPECT_EQ(0xF81F, console.at(0, 0)); // the space cell
    auto drawn = [](const Picture& p, int left, int top, int w, int h) {
        int count = 0;
        for (int y = top; y < top + h; y++)
            for (int x = left; x < left + w; x++)
                count += p.at(x, y) != 0xF81F;
        return count;
    };
    for (int ch = 33; ch <= 102; ch++) {
        const int k = ch - 32;
        EXPECT_GT(drawn(console, 8 * (k % 16), 9 * (k / 16), 8, 9), 0) << "console glyph " << ch;
    }
    // The empty bar's middle piece and the filled piece differ.
    EXPECT_NE(console.at(8 * (66 % 16) + 3, 9 * 4 + 4), console.at(8 * (70 % 16) + 3, 9 * 4 + 4));

    const Picture greet = load("fontgreet.png");
    for (int ch = 'A'; ch <= 'Z'; ch++) {
        const int k = ch - 32, left = 16 * (k % 16), top = 16 * (k / 16);
        EXPECT_GT(drawn(greet, left + 1, top + 1, 15, 15), 30) << char(ch);
        // Column 0 and row 0 of a cell are never sampled: keep them clear.
        EXPECT_EQ(0, drawn(greet, left, top, 16, 1) + drawn(greet, left, top, 1, 16)) << char(ch);
    }
}

TEST(AssetPictures, TransitionPatternsUseTheFullRangeOfBlueMinusRed) {
    for (int k = 1; k <= 5; k++) {
        const Picture p = load("trans" + std::to_string(k) + ".png");
        int lo = 99, hi = -99;
        std::vector<int> seen(63, 0);
        for (uint16_t v : p.pixels) {
            const int d = blue(v) - red(v);
            lo = std::min(lo, d);
            hi = std::max(hi, d);
            seen[d + 31] = 1;
        }
        EXPECT_EQ(-31, lo) << k;
        EXPECT_EQ(31, hi) << k;
        int distinct = 0;
        for (int s : seen)
            distinct += s;
        // A smooth ramp passes through (nearly) every value on its way.
        EXPECT_GE(distinct, 55) << k;
    }
}

TEST(AssetPictures, RaindropTilesKeepOnlyLensOffsetsThatSurviveStamping) {
    const Picture drops = load("drops01.png");
    int previous = 0;
    for (int stage = 0; stage < 8; stage++) {
        int inside = 0;
        for (int y = 32 * stage; y < 32 * stage + 32; y++)
            for (int x = 0; x < 32; x++) {
                const uint16_t v = drops.at(x, y);
                EXPECT_EQ(0, blue(v));
                if (v == 0x7BE0) continue;
                inside++;
                // Offsets 0..15 in both directions (red 16..31, green 32..63).
                EXPECT_GE(red(v), 16);
                EXPECT_GE(green(v), 32);
            }
        EXPECT_GT(inside, previous) << "stage " << stage << " should be larger";
        previous = inside;
    }
    // Tile edges stay neutral so stamped tiles leave no seams.
    for (int stage = 0; stage < 8; stage++)
        for (int i = 0; i < 32; i++) {
            EXPECT_EQ(0x7BE0, drops.at(i, 32 * stage));
            EXPECT_EQ(0x7BE0, drops.at(i, 32 * stage + 31));
            EXPECT_EQ(0x7BE0, drops.at(0, 32 * stage + i));
            EXPECT_EQ(0x7BE0, drops.at(31, 32 * stage + i));
        }
}

namespace {

// Mean absolute step of the green field between neighbouring rows (or
// columns), and across the wrap from the last to the first.
void wrapSteps(const Picture& p, bool rows, double* inner, double* wrap) {
    const int n = rows ? p.height : p.width, m = rows ? p.width : p.height;
    double sum = 0, across = 0;
    for (int i = 0; i < n; i++)
        for (int j = 0; j < m; j++) {
            auto g = [&](int a) { return green(rows ? p.at(j, a % n) : p.at(a % n, j)); };
            const double step = std::abs(g(i + 1) - g(i));
            (i == n - 1 ? across : sum) += step;
        }
    *inner = sum / ((n - 1) * double(m));
    *wrap = across / m;
}

} // namespace

TEST(AssetPictures, WaterfallAndCloudLayersRepeatWithoutSeams) {
    for (int k = 1; k <= 3; k++) {
        double inner, wrap;
        const Picture fall = load("waterfall" + std::to_string(k) + ".png");
        wrapSteps(fall, true, &inner, &wrap);
        EXPECT_LE(wrap, 3 * inner + 1) << "waterfall" << k;
        const Picture cloud = load("cloud" + std::to_string(k) + ".png");
        wrapSteps(cloud, true, &inner, &wrap);
        EXPECT_LE(wrap, 3 * inner + 1) << "cloud" << k;
        wrapSteps(cloud, false, &inner, &wrap);
        EXPECT_LE(wrap, 3 * inner + 1) << "cloud" << k;
    }
}

TEST(AssetPictures, MasksKeepTheirShapesWhereTheScenesNeedThem) {
    // The feather turns about its centre: nothing outside radius 64.
    const Picture feather = load("feather_alpha.png");
    int outside = 0;
    for (int y = 0; y < 128; y++)
        for (int x = 0; x < 128; x++)
            if ((x - 63.5) * (x - 63.5) + (y - 63.5) * (y - 63.5) > 64 * 64)
                outside += green(feather.at(x, y)) != 0;
    EXPECT_EQ(0, outside);
    // The fruit lies inside rows 81..154, columns 51..274.
    const Picture fruit = load("hedelmae_opac.png");
    int stray = 0, shown = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const bool in = y >= 81 && y <= 154 && x >= 51 && x <= 274;
            (in ? shown : stray) += green(fruit.at(x, y)) != 0;
        }
    EXPECT_EQ(0, stray);
    EXPECT_GT(shown, 5000);
    // Sparks are spawned from logo pixels in rows 0..127, columns 0..255.
    const Picture logo = load("quorvane_alpha.png");
    int sparkable = 0;
    for (int y = 63; y < 128; y++)
        for (int x = 0; x < 256; x++)
            sparkable += green(logo.at(x, y)) != 0;
    EXPECT_GT(sparkable, 2000);
    // The waterfall's mask is open in the middle of its band and shut at the
    // sides, where the rock is.
    const Picture mask = load("luola_alpha.png");
    EXPECT_EQ(63, green(mask.at(64, 120)));
    EXPECT_EQ(0, green(mask.at(0, 120)));
    EXPECT_EQ(0, green(mask.at(64, 0)));
    // The whole pixel clips the greeting letters: zero exactly where the
    // waterfall is absent.
    for (uint16_t v : mask.pixels)
        ASSERT_EQ(v == 0, green(v) == 0) << std::hex << v;
}

TEST(AssetPictures, WingFramesStayLightWhereNoWingIs) {
    for (int k = 1; k <= 3; k++) {
        const Picture wing = load("df_wing" + std::to_string(k) + ".png");
        int drawn = 0;
        for (uint16_t v : wing.pixels)
            drawn += green(v) < 53;
        // Corners are background; the wings cover a good part of the frame.
        EXPECT_GE(green(wing.at(0, 0)), 53);
        EXPECT_GE(green(wing.at(191, wing.height - 1)), 53);
        EXPECT_GT(drawn, 2000) << k;
    }
}
