// The flash that hides the cuts between scenes: over 6160 ms the finished
// frame whitens pixel by pixel, in an order a pattern picture decides, until
// the screen is white, and then returns to normal the same way.
#pragma once

#include <cstdint>

class Image;

const int TRANSITION_PICTURES = 5;

class TransitionOverlay {
  public:
    Image* pictures[TRANSITION_PICTURES]; // owned pattern pictures, 320x240
    // Each pattern pixel t as the residue (blue - red) mod 64 that, with the
    // steps, picks its amount: one byte a pixel, worked out once.
    uint8_t* residues[TRANSITION_PICTURES];
    // For each block of 16 pixels in turn, the set of its residues: bit k/2
    // for residue k.
    uint32_t* residueSets[TRANSITION_PICTURES];
    // How many pixels of each pattern have each residue.
    int32_t residueCounts[TRANSITION_PICTURES][64];
    uint32_t startTime;   // demo time the current run began
    int32_t phase;        // steps, at most 384
    uint32_t steps;       // 16 ms steps since the run began
    bool swapped;         // the mid-run picture switch happened
    bool finished;        // the run is over; render draws nothing
    int32_t pictureIndex; // the pattern in use

    // Loads the patterns. The first run starts at demo time 0 by itself.
    TransitionOverlay();
    ~TransitionOverlay();
    TransitionOverlay(const TransitionOverlay&) = delete;
    TransitionOverlay& operator=(const TransitionOverlay&) = delete;

    void update(uint32_t time);
    // Brightens the locked screen in place.
    void render();
    // Makes the locked screen `below` (SCREEN_PIXELS pixels) brightened: the
    // same as copying it to the screen and render(), without the copy.
    void renderOver(const uint16_t* below);
    // Makes the locked screen all `colour` brightened: the same as filling it
    // and render(), without reading it.
    void renderOnColour(uint16_t colour);
    bool isFinished() const;
    // Starts a new run at `time` with the next pattern.
    void restart(uint32_t time);

  private:
    // This frame's amount for each residue; false when no pixel changes
    // (before and after the brightening, and once the run is finished).
    bool amountsByResidue(uint32_t* amountAt) const;
    // render() when `below` is the screen, else renderOver().
    void draw(const uint16_t* below);
};
