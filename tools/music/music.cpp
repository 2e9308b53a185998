#include "music.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "dsp_tables.h"
#include "music_file.h"
#include "score.h"
#include "synth.h"
#include "vorbis_writer.h"

namespace music {
namespace {

constexpr int CHUNK_FRAMES = 32768;
constexpr size_t QUEUE_CHUNKS = 8;

// Chunks of samples passed from the synthesizer thread to the encoder, in
// order; the order alone fixes the encoder's input, so the file does not
// depend on how the two threads happen to interleave.
class ChunkQueue {
  public:
    void push(std::vector<float> chunk) {
        std::unique_lock<std::mutex> lock(mutex);
        roomLeft.wait(lock, [&] { return chunks.size() < QUEUE_CHUNKS || abandoned; });
        if (abandoned) return;
        chunks.push_back(std::move(chunk));
        ready.notify_one();
    }
    // An empty chunk marks the end.
    std::vector<float> pop() {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [&] { return !chunks.empty(); });
        std::vector<float> chunk = std::move(chunks.front());
        chunks.pop_front();
        roomLeft.notify_one();
        return chunk;
    }
    // The consumer gives up: the producer stops waiting for room.
    void abandon() {
        std::lock_guard<std::mutex> lock(mutex);
        abandoned = true;
        roomLeft.notify_all();
    }

  private:
    std::mutex mutex;
    std::condition_variable ready, roomLeft;
    std::deque<std::vector<float>> chunks;
    bool abandoned = false;
};

} // namespace

bool writeMusicStretch(const std::string& path, int64_t firstFrame, int64_t frameCount,
                       std::string* error) {
    VorbisWriter writer;
    if (!writer.open(path, SAMPLE_RATE, MUSIC_QUALITY, MUSIC_SERIAL, error)) return false;
    ChunkQueue queue;
    std::thread synthesizer([&queue, firstFrame, frameCount] {
        MusicSynth synth(firstFrame, frameCount);
        for (;;) {
            std::vector<float> chunk(2 * CHUNK_FRAMES);
            const int frames = synth.render(chunk.data(), CHUNK_FRAMES);
            chunk.resize(2 * frames);
            const bool last = frames == 0;
            queue.push(std::move(chunk));
            if (last) return;
        }
    });
    bool ok = true;
    for (;;) {
        const std::vector<float> chunk = queue.pop();
        if (chunk.empty()) break;
        if (!writer.write(chunk.data(), static_cast<int>(chunk.size() / 2), error)) {
            ok = false;
            queue.abandon();
            break;
        }
    }
    synthesizer.join();
    return ok && writer.finish(error);
}

} // namespace music

bool writeMusic(const std::string& path, std::string* error) {
    return music::writeMusicStretch(path, 0, music::PIECE_FRAMES, error);
}
