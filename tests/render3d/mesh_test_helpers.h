// Shared set-up for the mesh tests: ASE text files in a temporary folder and
// a 256x256 picture whose texel at index i holds the value i.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "core/camera.h"
#include "core/trig_tables.h"
#include "render3d/mesh.h"
#include "test_support.h"
#include "video/image.h"
#include "video/screen.h"

namespace mesh_test {

const Fixed ONE = 0x10000;

inline std::string writeText(const testing_support::TempDir& dir, const std::string& name,
                             const std::string& text) {
    const std::string path = dir.file(name);
    FILE* file = fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file) {
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
    }
    return path;
}

// Every texel holds its own index, so a drawn pixel tells which texel it copied.
inline std::unique_ptr<Image> indexPicture() {
    std::unique_ptr<Image> picture(new Image(256, 256));
    for (int i = 0; i < 256 * 256; i++)
        picture->pixels[i] = static_cast<uint16_t>(i);
    return picture;
}

// Tables built, camera back in its reset state, whole depth buffer cleared.
class MeshTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { buildTrigTables(); }

    void SetUp() override {
        screen = Screen::instance();
        screen->camera->reset();
        clearAll(1000 * ONE);
        texture = indexPicture();
        envMap = indexPicture();
    }

    void clearAll(Fixed depth) {
        screen->dirtyTop = 0;
        screen->dirtyBottom = SCREEN_HEIGHT;
        screen->clearDepth(depth);
        for (int i = 0; i < SCREEN_PIXELS; i++)
            screen->pixels[i] = 0xFFFF;
    }

    std::unique_ptr<Mesh> load(const std::string& text, int vertexCount, int faceCount,
                               int texVertexCount) {
        const std::string path = writeText(dir, "mesh.ase", text);
        return std::unique_ptr<Mesh>(new Mesh(path.c_str(), texture.get(), envMap.get(),
                                              vertexCount, faceCount, texVertexCount));
    }

    int depthAt(int column, int row) const { return screen->depthBuffer[row * 320 + column]; }
    uint16_t pixelAt(int column, int row) const { return screen->pixels[row * 320 + column]; }

    testing_support::TempDir dir;
    Screen* screen = nullptr;
    std::unique_ptr<Image> texture;
    std::unique_ptr<Image> envMap;
};

} // namespace mesh_test
