#include "catalog.h"

namespace {

// Generous ceiling for one picture file; the largest full-screen pictures are
// far below it.
const size_t PICTURE_LIMIT = 400 * 1024;
const size_t MESH_LIMIT = 256 * 1024;

AssetSpec picture(const char* name, int width, int height) {
    AssetSpec s{name, AssetKind::Picture};
    s.width = width;
    s.height = height;
    s.maxBytes = PICTURE_LIMIT;
    return s;
}

AssetSpec pictureUpTo(const char* name, int width, int maxHeight) {
    AssetSpec s = picture(name, width, maxHeight);
    s.heightIsLimit = true;
    return s;
}

AssetSpec mesh(const char* name, int faces, int maxVertices, int maxTexVertices) {
    AssetSpec s{name, AssetKind::Mesh};
    s.faces = faces;
    s.maxVertices = maxVertices;
    s.maxTexVertices = maxTexVertices;
    s.maxBytes = MESH_LIMIT;
    return s;
}

std::vector<AssetSpec> build() {
    std::vector<AssetSpec> list = {
        picture("font.png", 128, 45),           picture("skybax.png", 320, 240),
        picture("trans1.png", 320, 240),        picture("trans2.png", 320, 240),
        picture("trans3.png", 320, 240),        picture("trans4.png", 320, 240),
        picture("trans5.png", 320, 240),        picture("luola.png", 320, 240),
        picture("luola_alpha.png", 128, 240),   picture("waterfall1.png", 128, 256),
        picture("waterfall2.png", 128, 256),    picture("waterfall3.png", 128, 256),
        picture("fontgreet.png", 256, 80),      picture("env_red.png", 256, 256),
        picture("majakka.png", 320, 240),       picture("majakka_light.png", 128, 128),
        picture("map_twirl.png", 320, 240),     picture("spark.png", 32, 32),
        picture("quorvane_logo.png", 320, 240), picture("quorvane_alpha.png", 320, 240),
        picture("dragonfly.png", 32, 84),       picture("dragonfly_opac.png", 32, 84),
        pictureUpTo("df_wing1.png", 192, 120),  pictureUpTo("df_wing2.png", 192, 120),
        pictureUpTo("df_wing3.png", 192, 120),  picture("credits.png", 256, 176),
        picture("credits_opac.png", 256, 176),  picture("bg.png", 320, 240),
        picture("kukka.png", 256, 256),         picture("bg3.png", 320, 240),
        picture("feather.png", 128, 128),       picture("feather_alpha.png", 128, 128),
        picture("hedelmae.png", 320, 240),      picture("hedelmae_opac.png", 320, 240),
        picture("bg2.png", 320, 240),           picture("drops01.png", 256, 256),
        picture("cloud1.png", 256, 256),        picture("cloud2.png", 256, 256),
        picture("cloud3.png", 256, 256),        mesh("sopwith.ase", 136, 122, 286),
        mesh("kukka.ase", 121, 121, 224),
    };
    AssetSpec palette{"waterfall_pal.png", AssetKind::Picture};
    palette.minPixels = 190;
    palette.maxBytes = PICTURE_LIMIT;
    list.push_back(palette);
    AssetSpec program{"ogg940.bin", AssetKind::Program};
    program.maxBytes = PROGRAM_IMAGE_LIMIT;
    list.push_back(program);
    AssetSpec music{"warmer.ogg", AssetKind::Music};
    music.maxBytes = MUSIC_LIMIT;
    list.push_back(music);
    return list;
}

} // namespace

const std::vector<AssetSpec>& assetCatalog() {
    static const std::vector<AssetSpec> list = build();
    return list;
}

const AssetSpec* findAsset(const std::string& name) {
    for (const AssetSpec& s : assetCatalog())
        if (s.name == name) return &s;
    return nullptr;
}
