// make-arm940-ogg: writes a short Ogg Vorbis file for the second-CPU tests.
//
//   make-arm940-ogg OUT FRAMES CHANNELS RATE QUALITY SEED
//
// QUALITY is libvorbis' VBR quality (-0.1 .. 1.0). The signal is a chord that
// glides, bursts of noise and a few silent stretches, all fixed by SEED, so
// that every codebook and floor of the decoder gets work. A program of its
// own: libvorbis and the Tremor decoder the system links export the same
// vorbis_* names and cannot share a process.
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

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

float sample(long frame, int channel, int rate, unsigned& noise, unsigned seed) {
    noise = noise * 1103515245u + 12345u;
    const float hiss = static_cast<float>((noise >> 16) & 0x7FFF) / 32768.0f - 0.5f;
    const float t = static_cast<float>(frame) / static_cast<float>(rate);
    const long section = frame / (rate / 4);
    if (section % 7 == 6) return 0.0f; // a silent quarter second now and then
    const float base = 220.0f + 30.0f * static_cast<float>(seed % 5) + 40.0f * t;
    const float twoPi = 6.2831853f;
    float value = 0.35f * sinf(twoPi * base * t + channel) + 0.2f * sinf(twoPi * base * 1.5f * t) +
                  0.1f * sinf(twoPi * base * 4.02f * t * (1 + channel));
    if (section % 3 == 1) value += 0.3f * hiss;
    return value;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        fprintf(stderr, "usage: make-arm940-ogg OUT FRAMES CHANNELS RATE QUALITY SEED\n");
        return 2;
    }
    const long frames = atol(argv[2]);
    const int channels = atoi(argv[3]);
    const int rate = atoi(argv[4]);
    const float quality = static_cast<float>(atof(argv[5]));
    const unsigned seed = static_cast<unsigned>(atol(argv[6]));
    FILE* out = fopen(argv[1], "wb");
    if (!out || frames < 0 || channels < 1 || channels > 2 || rate < 8000) return 1;

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) return 1;
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
                    buffer[c][i] = sample(done + i, c, rate, noise, seed);
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            done += count;
        } else {
            vorbis_analysis_wrote(&dsp, 0); // end of stream
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                ended = ended || packet.e_o_s;
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
