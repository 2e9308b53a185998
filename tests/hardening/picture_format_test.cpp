// Pictures are PNG files; anything else is refused before it is decoded, and
// so is a PNG that claims a size its owner cannot use.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
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

// Bits of a deflate stream, first bit lowest; Huffman codes go in from their
// highest bit.
struct BitWriter {
    std::vector<uint8_t> bytes;
    int used = 8;
    void bits(uint32_t value, int count) {
        for (int i = 0; i < count; i++) {
            if (used == 8) {
                bytes.push_back(0);
                used = 0;
            }
            bytes.back() |= static_cast<uint8_t>(((value >> i) & 1) << used++);
        }
    }
    void code(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; i--)
            bits(value >> i, 1);
    }
};

void appendBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void appendChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    appendBigEndian(png, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t byte : typed) {
        crc ^= byte;
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    png.insert(png.end(), typed.begin(), typed.end());
    appendBigEndian(png, ~crc);
}

// A valid grey PNG of width x height black pixels in under a megabyte: its
// zero bytes are one literal and then copies of 258 bytes each.
std::vector<uint8_t> blackGreyPng(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {8, 0, 0, 0, 0}); // 8-bit grey, not interlaced
    appendChunk(png, "IHDR", header);

    const uint64_t rawBytes = uint64_t(width + 1) * height; // a filter byte per row
    BitWriter deflate;
    deflate.bits(1, 1);    // the last block,
    deflate.bits(1, 2);    // with the fixed codes
    deflate.code(0x30, 8); // literal 0
    uint64_t written = 1;
    for (; written + 258 <= rawBytes; written += 258) {
        deflate.code(0xC5, 8); // length 258
        deflate.code(0, 5);    // distance 1
    }
    for (; written < rawBytes; written++)
        deflate.code(0x30, 8);
    deflate.code(0, 7); // end of block
    std::vector<uint8_t> zlib = {0x78, 0x01};
    zlib.insert(zlib.end(), deflate.bytes.begin(), deflate.bytes.end());
    appendBigEndian(zlib, static_cast<uint32_t>((rawBytes % 65521) << 16 | 1)); // Adler-32
    appendChunk(png, "IDAT", zlib);
    appendChunk(png, "IEND", {});
    return png;
}

long peakKilobytes() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A PNG that says it holds 12000 x 12000 pixels (and does) is refused on its
// header, as a missing picture is: decoding it first took some 860 MB.
TEST(PictureFormat, OversizedPicturesAreRefusedBeforeDecoding) {
    TempDir dir;
    const std::string path = dir.file("huge.png");
    writeBytes(path, blackGreyPng(12000, 12000));
    EXPECT_EXIT(
        {
            const long before = peakKilobytes();
            const Image asLoaded(path.c_str());
            const Image background(path.c_str(), 320, 240);
            const long grown = peakKilobytes() - before;
            fprintf(stderr, "grew %s\n", grown < 32 * 1024 ? "little" : "much");
            bool black = background.width == 320 && background.height == 240;
            for (int i = 0; black && i < background.pixelCount; i++)
                black = background.pixels[i] == 0;
            exit(asLoaded.pixelCount == 0 && asLoaded.pixels == nullptr && black ? 0 : 2);
        },
        testing::ExitedWithCode(0),
        "^picture " + path + " is missing or not 320x240; using a black one\ngrew little\n$");
}

} // namespace
