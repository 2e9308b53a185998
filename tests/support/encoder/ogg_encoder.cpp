#include "ogg_encoder.h"

#include <vorbis/vorbisenc.h>

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

} // namespace

bool encodeOgg(FILE* out, long frames, int channels, int rate, float quality, int serial,
               const std::function<float(long frame, int channel)>& sample) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) return false;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    bool ok = writePages(stream, out, true);

    long done = 0;
    bool ended = false;
    while (ok && !ended) {
        const long count = frames - done < FRAMES_PER_CALL ? frames - done : FRAMES_PER_CALL;
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (long i = 0; i < count; i++)
                for (int c = 0; c < channels; c++)
                    buffer[c][i] = sample(done + i, c);
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
    return ok;
}
