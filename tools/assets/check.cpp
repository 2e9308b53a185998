#include "check.h"

#include <tremor/ivorbisfile.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ase_reader.h"
#include "catalog.h"
#include "platform/coprocessor_image.h"
#include "video/image.h"

#ifdef HAVE_ASSET_MUSIC
#include "music.h"
#endif

namespace {

#ifdef HAVE_ASSET_MUSIC
const bool MUSIC_WRITER = true;
#else
const bool MUSIC_WRITER = false;
#endif

struct Report {
    int problems = 0;
    void problem(const std::string& name, const std::string& what) {
        printf("%s: %s\n", name.c_str(), what.c_str());
        problems++;
    }
};

std::string format(const char* fmt, long a, long b = 0, long c = 0) {
    char text[200];
    snprintf(text, sizeof text, fmt, a, b, c);
    return text;
}

void checkPicture(const AssetSpec& entry, const std::string& path, Report& report) {
    Image image(path.c_str());
    if (!image.pixels || image.pixelCount <= 0) {
        report.problem(entry.name, "not a decodable PNG picture");
        return;
    }
    if (entry.width == 0) {
        if (image.pixelCount < entry.minPixels)
            report.problem(entry.name, format("has %ld pixels, needs at least %ld", image.pixelCount,
                                             entry.minPixels));
        return;
    }
    const bool heightOk = entry.heightIsLimit ? image.height >= 1 && image.height <= entry.height
                                             : image.height == entry.height;
    if (image.width != entry.width || !heightOk)
        report.problem(entry.name, format("is %ldx%ld", image.width, image.height) +
                                      (entry.heightIsLimit
                                           ? format(", needs width %ld and at most %ld rows",
                                                    entry.width, entry.height)
                                           : format(", needs %ldx%ld", entry.width, entry.height)));
}

void checkMesh(const AssetSpec& entry, const std::string& path, Report& report) {
    AseMesh mesh;
    std::string why;
    if (!readAse(path, &mesh, &why)) {
        report.problem(entry.name, why);
        return;
    }
    const long faces = static_cast<long>(mesh.faces.size());
    const long vertices = static_cast<long>(mesh.vertices.size());
    const long texVertices = static_cast<long>(mesh.texVertices.size());
    if (faces != entry.faces)
        report.problem(entry.name, format("has %ld faces, needs exactly %ld", faces, entry.faces));
    if (static_cast<long>(mesh.texFaces.size()) != faces)
        report.problem(entry.name, format("has %ld texture faces for %ld faces",
                                         static_cast<long>(mesh.texFaces.size()), faces));
    if (vertices > entry.maxVertices)
        report.problem(entry.name,
                       format("has %ld vertices, at most %ld allowed", vertices, entry.maxVertices));
    if (texVertices > entry.maxTexVertices)
        report.problem(entry.name, format("has %ld texture vertices, at most %ld allowed",
                                         texVertices, entry.maxTexVertices));
    for (const AseFace& f : mesh.faces)
        for (int v : f.v)
            if (v < 0 || v >= vertices) {
                report.problem(entry.name, format("a face names vertex %ld of %ld", v, vertices));
                return;
            }
    for (const AseTexFace& f : mesh.texFaces)
        for (int v : f.t)
            if (v < 0 || v >= texVertices) {
                report.problem(entry.name, format("a texture face names texture vertex %ld of %ld",
                                                 v, texVertices));
                return;
            }
    for (const AseNormal& n : mesh.vertexNormals)
        if (n.vertex < 0 || n.vertex >= vertices) {
            report.problem(entry.name, format("a vertex normal names vertex %ld", n.vertex));
            return;
        }
}

void checkProgram(const AssetSpec& entry, const std::string& path, Report& report) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return;
    // The real program, or the desktop image padded to more than a probe.
    std::vector<uint8_t> head(COPROCESSOR_IMAGE_PROBE_SIZE, 0);
    const size_t got = fread(head.data(), 1, head.size(), file);
    fclose(file);
    if (got < head.size() || coprocessorImageKind(head.data()) == CoprocessorImageKind::FOREIGN)
        report.problem(entry.name, "is neither our program nor the desktop program image");
}

// The music writer's own check when it is built in; otherwise the file (if
// someone put one there) is checked here with Tremor.
void checkMusicFile(const AssetSpec& entry, const std::string& path, Report& report) {
#ifdef HAVE_ASSET_MUSIC
    std::string problem;
    if (!checkMusic(path, &problem)) report.problem(entry.name, problem);
#else
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return;
    OggVorbis_File vorbis;
    if (ov_open(file, &vorbis, nullptr, 0) != 0) {
        fclose(file);
        report.problem(entry.name, "is not an Ogg Vorbis stream");
        return;
    }
    const vorbis_info* info = ov_info(&vorbis, -1);
    if (!info || info->rate != 44100 || info->channels != 2)
        report.problem(entry.name, format("is %ld Hz with %ld channels, needs 44100 Hz stereo",
                                         info ? info->rate : 0, info ? info->channels : 0));
    // Tremor gives the length in milliseconds.
    const long length = static_cast<long>(ov_time_total(&vorbis, -1));
    if (length < 249000 || length > 252000)
        report.problem(entry.name, format("lasts %ld ms, needs about 250 s", length));
    // Decoding the first few blocks proves the stream is readable.
    char buffer[4096];
    int section = 0;
    long decoded = 0;
    for (int i = 0; i < 16; i++) {
        const long n = ov_read(&vorbis, buffer, sizeof buffer, &section);
        if (n <= 0) break;
        decoded += n;
    }
    if (decoded == 0) report.problem(entry.name, "decodes to no sound");
    ov_clear(&vorbis); // closes the file too
#endif
}

} // namespace

bool checkAssets(const std::string& dir, bool withMusic) {
    Report report;
    if (!std::filesystem::is_directory(dir)) {
        report.problem(dir, "is not a folder");
        return false;
    }
    for (const AssetSpec& entry : assetCatalog()) {
        const std::string path = dir + "/" + entry.name;
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        // Without the music writer a missing music file is expected; one that
        // is there is still checked.
        if (entry.kind == AssetKind::Music && (!withMusic || !MUSIC_WRITER) && error) continue;
        if (error) {
            report.problem(entry.name, "is missing");
            continue;
        }
        if (size == 0) {
            report.problem(entry.name, "is empty");
            continue;
        }
        if (size > entry.maxBytes)
            report.problem(entry.name,
                           format("is %ld bytes, at most %ld allowed", static_cast<long>(size),
                                  static_cast<long>(entry.maxBytes)));
        switch (entry.kind) {
        case AssetKind::Picture:
            checkPicture(entry, path, report);
            break;
        case AssetKind::Mesh:
            checkMesh(entry, path, report);
            break;
        case AssetKind::Program:
            checkProgram(entry, path, report);
            break;
        case AssetKind::Music:
            checkMusicFile(entry, path, report);
            break;
        }
    }
    return report.problems == 0;
}
