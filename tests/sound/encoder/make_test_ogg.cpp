// make-test-ogg: writes a short Ogg Vorbis file for the sound tests.
//
//   make-test-ogg OUT FRAMES CHANNELS SEED
//
// 44100 Hz; the signal is two tones and a little noise, all fixed by SEED.
// It is a program of its own because libvorbis and the Tremor decoder that
// the system uses export the same vorbis_* names and cannot share a process.
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const int RATE = 44100;
const int FRAMES_PER_CALL = 1024;

bool writePages(ogg_stream_state& stream, FILE* out, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (fwrite(page.header, 1, page.header_len, out) != static_cast<size_t>(page.header_len) ||
            fwrite(page.body, 1, page.body_len, out) != static_cast<size_t>(page.body_len))
            return false;
    }
    return true;
}

float sample(long frame, int channel, unsigned& noise, unsigned seed) {
    noise = noise * 1103515245u + 12345u;
    const float hiss = static_cast<float>((noise >> 16) & 0x7FFF) / 32768.0f - 0.5f;
    const float pitch = 0.02f + 0.005f * static_cast<float>(seed % 7) + 0.013f * channel;
    return 0.4f * sinf(pitch * frame) + 0.2f * sinf(pitch * 3.1f * frame) + 0.1f * hiss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: make-test-ogg OUT FRAMES CHANNELS SEED\n");
        return 2;
    }
    const long frames = atol(argv[2]);
    const int channels = atoi(argv[3]);
    const unsigned seed = static_cast<unsigned>(atol(argv[4]));
    FILE* out = fopen(argv[1], "wb");
    if (!out || frames < 0 || channels < 1 || channels > 2) return 1;

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, RATE, 0.3f) != 0) return 1;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(seed));

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    bool ok = writePages(stream, out, true);

    unsigned noise = seed;
    long done = 0;
    bool ended = false;
    while (ok && !ended) {
        const long count = frames - done < FRAMES_PER_CALL ? frames - done : FRAMES_PER_CALL;
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (long i = 0; i < count; i++)
                for (int c = 0; c < channels; c++)
                    buffer[c][i] = sample(done + i, c, noise, seed);
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            done += count;
        } else {
            vorbis_analysis_wrote(&dsp, 0); // end of stream
            ended = true;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                ok = ok && writePages(stream, out, false);
            }
        }
    }
    ok = ok && writePages(stream, out, true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return fclose(out) == 0 && ok ? 0 : 1;
}
