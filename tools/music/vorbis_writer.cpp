#include "vorbis_writer.h"

#include <dlfcn.h>
#include <vorbis/vorbisenc.h>

#include <cerrno>
#include <cstring>

namespace music {
namespace {

// The encoder entry points, looked up in the privately loaded library.
struct VorbisApi {
    decltype(&vorbis_info_init) infoInit;
    decltype(&vorbis_info_clear) infoClear;
    decltype(&vorbis_encode_init_vbr) encodeInitVbr;
    decltype(&vorbis_comment_init) commentInit;
    decltype(&vorbis_comment_add_tag) commentAddTag;
    decltype(&vorbis_comment_clear) commentClear;
    decltype(&vorbis_analysis_init) analysisInit;
    decltype(&vorbis_block_init) blockInit;
    decltype(&vorbis_analysis_headerout) headerOut;
    decltype(&vorbis_analysis_buffer) analysisBuffer;
    decltype(&vorbis_analysis_wrote) analysisWrote;
    decltype(&vorbis_analysis_blockout) blockOut;
    decltype(&vorbis_analysis) analysis;
    decltype(&vorbis_bitrate_addblock) bitrateAddBlock;
    decltype(&vorbis_bitrate_flushpacket) bitrateFlushPacket;
    decltype(&vorbis_block_clear) blockClear;
    decltype(&vorbis_dsp_clear) dspClear;
};

template <typename Function> bool find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Loads libvorbisenc (and with it libvorbis) once, with its own symbols
// taking precedence for its own calls and none of them made global.
const VorbisApi* vorbisApi(std::string* error) {
    static VorbisApi api;
    static std::string failure = [] {
        void* library = nullptr;
        for (const char* name : {"libvorbisenc.so.2", "libvorbisenc.so"}) {
            library = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
            if (library) break;
        }
        if (!library) return std::string("cannot load the Vorbis encoder: ") + dlerror();
        const bool found = find(library, "vorbis_info_init", api.infoInit) &&
                           find(library, "vorbis_info_clear", api.infoClear) &&
                           find(library, "vorbis_encode_init_vbr", api.encodeInitVbr) &&
                           find(library, "vorbis_comment_init", api.commentInit) &&
                           find(library, "vorbis_comment_add_tag", api.commentAddTag) &&
                           find(library, "vorbis_comment_clear", api.commentClear) &&
                           find(library, "vorbis_analysis_init", api.analysisInit) &&
                           find(library, "vorbis_block_init", api.blockInit) &&
                           find(library, "vorbis_analysis_headerout", api.headerOut) &&
                           find(library, "vorbis_analysis_buffer", api.analysisBuffer) &&
                           find(library, "vorbis_analysis_wrote", api.analysisWrote) &&
                           find(library, "vorbis_analysis_blockout", api.blockOut) &&
                           find(library, "vorbis_analysis", api.analysis) &&
                           find(library, "vorbis_bitrate_addblock", api.bitrateAddBlock) &&
                           find(library, "vorbis_bitrate_flushpacket", api.bitrateFlushPacket) &&
                           find(library, "vorbis_block_clear", api.blockClear) &&
                           find(library, "vorbis_dsp_clear", api.dspClear);
        return found ? std::string() : std::string("the Vorbis encoder lacks a function");
    }();
    if (!failure.empty()) {
        if (error) *error = failure;
        return nullptr;
    }
    return &api;
}

} // namespace

struct VorbisWriter::State {
    const VorbisApi* api = nullptr;
    FILE* file = nullptr;
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    bool ended = false;

    bool writePage(const ogg_page& page) {
        return fwrite(page.header, 1, page.header_len, file) == size_t(page.header_len) &&
               fwrite(page.body, 1, page.body_len, file) == size_t(page.body_len);
    }

    ~State() {
        if (!api) return;
        ogg_stream_clear(&stream);
        api->blockClear(&block);
        api->dspClear(&dsp);
        api->commentClear(&comment);
        api->infoClear(&info);
        if (file) fclose(file);
    }
};

VorbisWriter::VorbisWriter() = default;
VorbisWriter::~VorbisWriter() = default;

bool VorbisWriter::open(const std::string& path, int rate, float quality, int serial,
                        std::string* error) {
    state.reset();
    const VorbisApi* api = vorbisApi(error);
    if (!api) return false;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        if (error) *error = "cannot create " + path + ": " + strerror(errno);
        return false;
    }
    auto fresh = std::make_unique<State>();
    fresh->file = file;
    api->infoInit(&fresh->info);
    if (api->encodeInitVbr(&fresh->info, 2, rate, quality) != 0) {
        api->infoClear(&fresh->info);
        fclose(file);
        if (error) *error = "the Vorbis encoder refused its settings";
        return false;
    }
    api->commentInit(&fresh->comment);
    api->commentAddTag(&fresh->comment, "TITLE", "warmer");
    api->analysisInit(&fresh->dsp, &fresh->info);
    api->blockInit(&fresh->dsp, &fresh->block);
    ogg_stream_init(&fresh->stream, serial);
    fresh->api = api;
    state = std::move(fresh);

    ogg_packet identification, comments, codebooks;
    api->headerOut(&state->dsp, &state->comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&state->stream, &identification);
    ogg_stream_packetin(&state->stream, &comments);
    ogg_stream_packetin(&state->stream, &codebooks);
    // The headers get pages of their own, so the audio starts on a fresh page.
    ogg_page page;
    while (ogg_stream_flush(&state->stream, &page))
        if (!state->writePage(page)) {
            if (error) *error = "cannot write " + path;
            return false;
        }
    return true;
}

bool VorbisWriter::write(const float* interleaved, int frames, std::string* error) {
    if (!state || state->ended) {
        if (error) *error = "the Vorbis stream is not open";
        return false;
    }
    if (frames <= 0) return true;
    float** buffer = state->api->analysisBuffer(&state->dsp, frames);
    for (int i = 0; i < frames; ++i) {
        buffer[0][i] = interleaved[2 * i];
        buffer[1][i] = interleaved[2 * i + 1];
    }
    state->api->analysisWrote(&state->dsp, frames);
    return drain(false, error);
}

bool VorbisWriter::finish(std::string* error) {
    if (!state || state->ended) {
        if (error) *error = "the Vorbis stream is not open";
        return false;
    }
    state->api->analysisWrote(&state->dsp, 0);
    const bool drained = drain(true, error);
    state->ended = true;
    const bool closed = fclose(state->file) == 0;
    state->file = nullptr;
    if (drained && !closed && error) *error = "cannot finish the music file";
    return drained && closed;
}

bool VorbisWriter::drain(bool flushAll, std::string* error) {
    const VorbisApi& api = *state->api;
    while (api.blockOut(&state->dsp, &state->block) == 1) {
        api.analysis(&state->block, nullptr);
        api.bitrateAddBlock(&state->block);
        ogg_packet packet;
        while (api.bitrateFlushPacket(&state->dsp, &packet)) {
            ogg_stream_packetin(&state->stream, &packet);
            ogg_page page;
            while (ogg_stream_pageout(&state->stream, &page))
                if (!state->writePage(page)) {
                    if (error) *error = "cannot write the music file";
                    return false;
                }
        }
    }
    if (flushAll) {
        ogg_page page;
        while (ogg_stream_flush(&state->stream, &page))
            if (!state->writePage(page)) {
                if (error) *error = "cannot write the music file";
                return false;
            }
    }
    return true;
}

} // namespace music
