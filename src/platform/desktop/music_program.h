// What the handheld's second CPU does with its program data/ogg940.bin, done
// on a desktop: it waits until the music file has been placed in its memory,
// decodes that Ogg Vorbis stream with Tremor and, while `play` is 1, hands
// the PCM over through the shared block's two buffers in turn.
#pragma once

#include <cstdint>

#include "platform/desktop/block_decoder.h"
#include "platform/shared_sound_block.h"

class MusicProgram {
  public:
    // `memory` is the second CPU's whole memory window.
    explicit MusicProgram(uint8_t* memory);
    MusicProgram(const MusicProgram&) = delete;
    MusicProgram& operator=(const MusicProgram&) = delete;

    // Does one piece of work: takes the music once it is in place, or fills
    // and hands over one block. False when there was nothing to do.
    bool step();

    // True while the program has music (placed, or being decoded) that it
    // has not yet handed over.
    bool hasMusicLeft() const;

  private:
    enum State { WAITING_FOR_MUSIC, PLAYING, FINISHED };

    bool openMusic();

    uint8_t* memory;
    SharedSoundBlock* block;
    State state = WAITING_FOR_MUSIC;
    BlockDecoder decoder; // reads the music straight from the memory window
    int nextBuffer = 0;
};
