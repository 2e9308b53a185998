// Every file the generator writes, with the properties the show relies on.
// The generator and `--check` share this one list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class AssetKind { Picture, Mesh, Program, Music };

struct AssetSpec {
    std::string name;
    AssetKind kind;
    // Pictures: exact width and height; height is the maximum when
    // `heightIsLimit`; width 0 means any shape with at least `minPixels`.
    int width = 0, height = 0;
    bool heightIsLimit = false;
    int minPixels = 0;
    // Meshes: exact face count, upper limits of the other records.
    int faces = 0, maxVertices = 0, maxTexVertices = 0;
    size_t maxBytes = 0;
};

const std::vector<AssetSpec>& assetCatalog();
const AssetSpec* findAsset(const std::string& name);

const size_t PROGRAM_IMAGE_LIMIT = 2097152;
const size_t MUSIC_LIMIT = 8912896;
