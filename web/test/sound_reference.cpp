// web-sound-reference FILE BYTES: writes the first BYTES bytes of FILE's
// sound, as the machine's own Tremor decodes it (16-bit stereo), to standard
// output. The page's test compares what the page decoded with it.
#include <tremor/ivorbisfile.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: web-sound-reference FILE BYTES\n");
        return 2;
    }
    FILE* file = fopen(argv[1], "rb");
    OggVorbis_File vorbis;
    if (!file || ov_open(file, &vorbis, nullptr, 0) != 0) {
        fprintf(stderr, "web-sound-reference: cannot decode %s\n", argv[1]);
        return 1;
    }
    long wanted = atol(argv[2]);
    std::vector<char> pcm(4096);
    int section = 0;
    while (wanted > 0) {
        const long got = ov_read(&vorbis, pcm.data(), static_cast<int>(pcm.size()), &section);
        if (got == OV_HOLE) continue;
        if (got <= 0) break;
        const long kept = got < wanted ? got : wanted;
        fwrite(pcm.data(), 1, static_cast<size_t>(kept), stdout);
        wanted -= kept;
    }
    ov_clear(&vorbis); // closes the file
    return wanted == 0 ? 0 : 1;
}
