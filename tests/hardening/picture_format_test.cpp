// Pictures are PNG files; anything else is refused before it is decoded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "show_folder.h"
#include "video/image.h"

using namespace testing_support;

namespace {

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    fclose(file);
}

// 41 bytes found by fuzzing the picture loader: a run-length TGA header that
// claims 65284 x 6681 pixels. The general decoder allocated and filled more
// than 2 GB for it (several seconds) before the size check could reject it.
const std::vector<uint8_t> HUGE_TGA = {
    0x89, 0x00, 0x02, 0x08, 0x06, 0x00, 0x2f, 0x84, 0x00, 0x00, 0x72, 0xb6, 0x04, 0xff,
    0x19, 0x1a, 0x18, 0x60, 0x0c, 0x00, 0x2d, 0x6a, 0x04, 0xfd, 0xca, 0x98, 0x67, 0xe9,
    0xfd, 0xff, 0xff, 0xff, 0xb6, 0xba, 0xb1, 0xbb, 0xae, 0x42, 0xd8, 0x60, 0x82};

TEST(PictureFormat, FilesWithoutThePngSignatureAreNotDecoded) {
    TempDir dir;
    const std::string tga = dir.file("huge.tga");
    writeBytes(tga, HUGE_TGA);
    const Image asLoaded(tga.c_str());
    EXPECT_EQ(asLoaded.width, 0);
    EXPECT_EQ(asLoaded.height, 0);
    EXPECT_EQ(asLoaded.pixels, nullptr);

    // The checked form gives its black stand-in at once.
    const Image checked(tga.c_str(), 320, 240);
    EXPECT_EQ(checked.width, 320);
    EXPECT_EQ(checked.height, 240);
    EXPECT_EQ(checked.pixels[76799], 0);

    // A real picture under a name that does not end in .png still loads, and
    // the same picture stripped of its first signature byte does not.
    const std::string png = dir.file("picture.bin");
    writePicture(png, 2, 1, {0xF81F, 0x07E0});
    EXPECT_EQ(loadPicture(png), (std::vector<uint16_t>{0xF81F, 0x07E0}));
    std::vector<uint8_t> bytes = readFile(png);
    bytes[0] = 0x88;
    writeBytes(png, bytes);
    EXPECT_TRUE(loadPicture(png).empty());
}

} // namespace
