// The whole show run over a damaged copy of data/: every broken picture is
// replaced by a black one with one line on standard error and the show runs
// to its end; a missing mesh ends start-up with "error loading" and its name on
// standard output and status 1; a damaged mesh loads whatever it can without
// harm. Under the sanitizer build these runs also prove that nothing reads or
// writes outside its arrays.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "show_folder.h"

using namespace hardening;
using namespace testing_support;

namespace {

// One frame a second over the whole show: every scene runs, quickly.
const char* const WHOLE_SHOW = "--step 1000";
const char* const END_OF_SHOW = "demo-capture: done, 251 frames, demo time 251000 ms";

// Expects exactly one complaint per load of a damaged picture (a name listed
// twice is loaded twice), each naming its file, and a show that ran to its
// end.
void expectShowWithBlackPictures(const CaptureRun& run, const std::vector<std::string>& damaged) {
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_FALSE(run.errLines.empty());
    EXPECT_EQ(run.errLines.back(), END_OF_SHOW);
    const std::vector<std::string> complaints = withoutProgress(run.errLines);
    EXPECT_EQ(complaints.size(), damaged.size()) << run.err;
    for (const std::string& name : damaged) {
        const std::string path = "data/" + name;
        const auto naming =
            std::count_if(complaints.begin(), complaints.end(), [&](const std::string& line) {
                return line.find(path + " ") != std::string::npos;
            });
        EXPECT_EQ(naming, std::count(damaged.begin(), damaged.end(), name))
            << "lines naming " << path << " in:\n"
            << run.err;
    }
}

// Pictures of every scene, the console font, the sky and a palette ramp.
TEST(BrokenPictures, MissingPicturesBecomeBlackWithOneLineEach) {
    ShowFolder show;
    const std::vector<std::string> damaged = {"bg3.png",    "majakka_light.png", "cloud1.png",
                                              "font.png",   "waterfall_pal.png", "bg.png",
                                              "trans5.png", "drops01.png"};
    for (const std::string& name : damaged)
        show.remove(name);
    expectShowWithBlackPictures(show.capture(WHOLE_SHOW), damaged);
}

TEST(BrokenPictures, TruncatedPicturesBecomeBlackWithOneLineEach) {
    ShowFolder show;
    const std::vector<std::string> damaged = {"drops01.png",   "credits.png",    "trans3.png",
                                              "fontgreet.png", "waterfall2.png", "feather.png",
                                              "map_twirl.png", "bg2.png"};
    for (const std::string& name : damaged)
        show.truncate(name, show.size(name) / 2);
    expectShowWithBlackPictures(show.capture(WHOLE_SHOW), damaged);
}

TEST(BrokenPictures, PicturesOfTheWrongSizeBecomeBlackWithOneLineEach) {
    ShowFolder show;
    struct WrongSize {
        const char* name;
        int width, height;
    };
    // One row or column short, or too wide, of what each owner relies on;
    // the palette ramp has one entry too few.
    const WrongSize pictures[] = {
        {"luola_alpha.png", 128, 239}, {"kukka.png", 255, 256}, {"skybax.png", 320, 239},
        {"spark.png", 33, 32},         {"bg2.png", 640, 480},   {"waterfall_pal.png", 189, 1},
        {"df_wing2.png", 1, 1},        {"env_red.png", 256, 1},
    };
    std::vector<std::string> damaged;
    for (const WrongSize& p : pictures) {
        writePicture(show.dataFile(p.name), p.width, p.height,
                     std::vector<uint16_t>(static_cast<size_t>(p.width) * p.height, 0x7BEF));
        damaged.push_back(p.name);
    }
    // Both biplane scenes load env_red.png, each with its own line.
    damaged.push_back("env_red.png");
    expectShowWithBlackPictures(show.capture(WHOLE_SHOW), damaged);
}

// A missing mesh stops start-up: its message on standard output, status 1,
// no frame and nothing on standard error.
TEST(BrokenMeshes, MissingMeshEndsStartUpWithItsMessage) {
    for (const char* name : {"sopwith.ase", "kukka.ase"}) {
        ShowFolder show;
        show.remove(name);
        const CaptureRun run = show.capture(std::string(WHOLE_SHOW) + " --at 1000,200000");
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_EQ(run.out, std::string("error loading data/") + name + "\n");
        EXPECT_EQ(run.err, "") << name;
        EXPECT_TRUE(readFile(show.outFile("frame-1000.png")).empty()) << name;
    }
}

// Text that a careless or hostile editor could leave in a mesh file: tokens
// far longer than the loader's buffer, keywords run into other text,
// numbers too long for any type, indices outside every array.
std::string hostileMeshText() {
    std::string text = "*3DSMAX_ASCIIEXPORT 200\n" + std::string(5000, 'Q') + "\n";
    text += "*MESH_VERTEX " + std::string(300, '7') + " " + std::string(400, '9') + " -" +
            std::string(400, '9') + " 1e400\n";
    text += "*MESH_VERTEX" + std::string(200, 'X') + " 0 1 2 3\n";
    text += "*MESH_FACE 0: A: 99999 B: -7 C: 2147483647 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING " +
            std::string(200, '1') + " *MESH_MTLID 1\n";
    text += "*MESH_FACE " + std::string(100, ':') + "\n";
    text += "*MESH_TVERT 0 nan inf\n*MESH_TFACE 0 -1 99999 " + std::string(100, '8') + "\n";
    text += "*MESH_VERTEXNORMAL " + std::string(500, '5') + " 1 1 1\n";
    text += "*MESH_VERTEXNORMAL -2147483648 1 1 1\n*MESH_VERTEXNORMAL 121 0 0 -1\n";
    return text;
}

// A user who keeps the assets elsewhere links data/ to them: the copy that
// tests damage holds the files themselves, and the assets stay as they were.
TEST(ShowFolderCopy, ALinkedDataFolderIsLeftIntact) {
    TempDir user;
    ASSERT_EQ(mkdir(user.file("assets").c_str(), 0755), 0);
    const std::vector<uint8_t> picture = noise(1000, 7), mesh = noise(500, 8);
    {
        std::ofstream(user.file("assets/bg.png"), std::ios::binary)
            .write(reinterpret_cast<const char*>(picture.data()), 1000);
        std::ofstream(user.file("assets/kukka.ase"), std::ios::binary)
            .write(reinterpret_cast<const char*>(mesh.data()), 500);
    }
    ASSERT_EQ(symlink("assets", user.file("data").c_str()), 0);

    ShowFolder show(user.file("data"));
    show.truncate("bg.png", 10);
    show.write("kukka.ase", std::string("garbage"));
    EXPECT_EQ(readFile(user.file("assets/bg.png")), picture);
    EXPECT_EQ(readFile(user.file("assets/kukka.ase")), mesh);
    EXPECT_EQ(show.size("bg.png"), 10u);
}

// Damaged meshes load what they can and draw it for the three scenes that
// use them; the show runs to its end without a word.
TEST(BrokenMeshes, TruncatedGarbledAndHostileMeshesDoNoHarm) {
    ShowFolder show;
    // The biplane cut in the middle of its face list, the flower made of
    // noise; then both again with hostile text in front.
    show.truncate("sopwith.ase", show.size("sopwith.ase") / 2);
    show.write("kukka.ase", noise(20000, 940));
    CaptureRun run = show.capture("--step 500");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(withoutProgress(run.errLines), std::vector<std::string>{}) << run.err;
    EXPECT_NE(run.err.find("demo-capture: done, 501 frames"), std::string::npos) << run.err;

    const std::vector<uint8_t> biplane = readFile(dataDir() + "/sopwith.ase");
    show.write("sopwith.ase", hostileMeshText() + std::string(biplane.begin(), biplane.end()));
    show.write("kukka.ase", hostileMeshText());
    run = show.capture("--step 500");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(withoutProgress(run.errLines), std::vector<std::string>{}) << run.err;
    EXPECT_NE(run.err.find("demo-capture: done, 501 frames"), std::string::npos) << run.err;
}

} // namespace
