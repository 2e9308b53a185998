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

void checkPicture(const AssetSpec& spec, const std::string& path, Report& report) {
    Image image(path.c_str());
    if (!image.pixels || image.pixelCount <= 0) {
        report.problem(spec.name, "not a decodable PNG picture");
        return;
    }
    if (spec.width == 0) {
        if (image.pixelCount < spec.minPixels)
            report.problem(spec.name, format("has %ld pixels, needs at least %ld", image.pixelCount,
                                             spec.minPixels));
        return;
    }
    const bool heightOk = spec.heightIsLimit ? image.height >= 1 && image.height <= spec.height
                                             : image.height == spec.height;
    if (image.width != spec.width || !heightOk)
        report.problem(spec.name, format("is %ldx%ld", image.width, image.height) +
                                      (spec.heightIsLimit
                                           ? format(", needs width %ld and at most %ld rows",
                                                    spec.width, spec.height)
                                           : format(", needs %ldx%ld", spec.width, spec.height)));
}

void checkMesh(const AssetSpec& spec, const std::string& path, Report& report) {
    AseMesh mesh;
    std::string why;
    if (!readAse(path, &mesh, &why)) {
        report.problem(spec.name, why);
        return;
    }
    const long faces = static_cast<long>(mesh.faces.size());
    const long vertices = static_cast<long>(mesh.vertices.size());
    const long texVertices = static_cast<long>(mesh.texVertices.size());
    if (faces != spec.faces)
        report.problem(spec.name, format("has %ld faces, needs exactly %ld", faces, spec.faces));
    if (static_cast<long>(mesh.texFaces.size()) != faces)
        report.problem(spec.name, format("has %ld texture faces for %ld faces",
                                         static_cast<long>(mesh.texFaces.size()), faces));
    if (vertices > spec.maxVertices)
        report.problem(spec.name,
                       format("has %ld vertices, at most %ld allowed", vertices, spec.maxVertices));
    if (texVertices > spec.maxTexVertices)
        report.problem(spec.name, format("has %ld texture vertices, at most %ld allowed",
                                         texVertices, spec.maxTexVertices));
    for (const AseFace& f : mesh.faces)
        for (int v : f.v)
            if (v < 0 || v >= vertices) {
                report.problem(spec.name, format("a face names vertex %ld of %ld", v, vertices));
                return;
            }
    for (const AseTexFace& f : mesh.texFaces)
        for (int v : f.t)
            if (v < 0 || v >= texVertices) {
                report.problem(spec.name, format("a texture face names texture vertex %ld of %ld",
                                                 v, texVertices));
                return;
            }
    for (const AseNormal& n : mesh.vertexNormals)
        if (n.vertex < 0 || n.vertex >= vertices) {
            report.problem(spec.name, format("a vertex normal names vertex %ld", n.vertex));
            return;
        }
}

void checkProgram(const AssetSpec& spec, const std::string& path, Report& report) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return;
    // The real program, or the desktop image padded to more than a probe.
    std::vector<uint8_t> head(COPROCESSOR_IMAGE_PROBE_SIZE, 0);
    const size_t got = fread(head.data(), 1, head.size(), file);
    fclose(file);
    if (got < head.size() || coprocessorImageKind(head.data()) == CoprocessorImageKind::FOREIGN)
        report.problem(spec.name, "is neither our program nor the desktop program image");
}

// The music writer's own check when it is built in; otherwise the file (if
// someone put one there) is checked here with Tremor.
void checkMusicFile(const AssetSpec& spec, const std::string& path, Report& report) {
#ifdef HAVE_ASSET_MUSIC
    std::string problem;
    if (!checkMusic(path, &problem)) report.problem(spec.name, problem);
#else
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return;
    OggVorbis_File vorbis;
    if (ov_open(file, &vorbis, nullptr, 0) != 0) {
        fclose(file);
        report.problem(spec.name, "is not an Ogg Vorbis stream");
        return;
    }
    const vorbis_info* info = ov_info(&vorbis, -1);
    if (!info || info->rate != 44100 || info->channels != 2)
        report.problem(spec.name, format("is %ld Hz with %ld channels, needs 44100 Hz stereo",
                                         info ? info->rate : 0, info ? info->channels : 0));
    // Tremor gives the length in milliseconds.
    const long length = static_cast<long>(ov_time_total(&vorbis, -1));
    if (length < 249000 || length > 252000)
        report.problem(spec.name, format("lasts %ld ms, needs about 250 s", length));
    // Decoding the first few blocks proves the stream is readable.
    char buffer[4096];
    int section = 0;
    long decoded = 0;
    for (int i = 0; i < 16; i++) {
        const long n = ov_read(&vorbis, buffer, sizeof buffer, &section);
        if (n <= 0) break;
        decoded += n;
    }
    if (decoded == 0) report.problem(spec.name, "decodes to no sound");
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
    for (const AssetSpec& spec : assetCatalog()) {
        const std::string path = dir + "/" + spec.name;
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        // Without the music writer a missing music file is expected; one that
        // is there is still checked.
        if (spec.kind == AssetKind::Music && (!withMusic || !MUSIC_WRITER) && error) continue;
        if (error) {
            report.problem(spec.name, "is missing");
            continue;
        }
        if (size == 0) {
            report.problem(spec.name, "is empty");
            continue;
        }
        if (size > spec.maxBytes)
            report.problem(spec.name,
                           format("is %ld bytes, at most %ld allowed", static_cast<long>(size),
                                  static_cast<long>(spec.maxBytes)));
        switch (spec.kind) {
        case AssetKind::Picture:
            checkPicture(spec, path, report);
            break;
        case AssetKind::Mesh:
            checkMesh(spec, path, report);
            break;
        case AssetKind::Program:
            checkProgram(spec, path, report);
            break;
        case AssetKind::Music:
            checkMusicFile(spec, path, report);
            break;
        }
    }
    return report.problems == 0;
}
