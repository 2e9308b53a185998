#include "scenes/transition_overlay.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/pixel.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

// A run: rising while steps <= 191, falling from 192, finished past 384.
const int32_t FALLING_FROM = 192;
const uint32_t SWAP_AFTER = 192;
const uint32_t LAST_STEP = 384;
const uint32_t WHITE_PAIR = 0xFFFFFFFF;

// A lone pixel at either end of the pair loop.
void brightenOne(uint16_t* screen, const uint16_t* below, const uint8_t* residue,
                 const uint32_t* addendAt) {
    // brighten() of min(a, 63) is brighten() of a: the low 6 bits of the
    // addend are the amount.
    *screen = brighten(*below, addendAt[*residue] & 63);
}

// The flag that brightenAddend() leaves free: this amount whitens.
const uint32_t WHITENS = 1u << 31;

// One pair: its word, the word it brightens (itself unless COPY) and its two
// amounts as brightenAddend()s. With WHITE_RUNS a pair whose amounts both
// whiten is written white without reading it, worth its test only when
// many amounts whiten.
template <bool WHITE_RUNS, bool COPY>
inline void brightenAt(PixelPair* pair, const PixelPair* below, uint32_t first, uint32_t second) {
    // Both amounts 0: the pair stays (brightenPair() adds this word).
    if ((first | second << 22) == 0) {
        if (COPY) *pair = *below;
        return;
    }
    if (WHITE_RUNS && (first & second & WHITENS)) {
        *pair = WHITE_PAIR;
        return;
    }
    *pair = brightenPair(*below, first, second);
}

// Writes every pixel of `below` brightened by the amount its residue picks
// to the screen, two pairs a turn; COPY when `below` is not the screen
// itself, in which case both are aligned alike. Not inlined: on its own the
// table's address stays in a register instead of being worked out from the
// stack frame for every pair.
template <bool WHITE_RUNS, bool COPY>
__attribute__((noinline)) void brightenScreen(uint16_t* screen, const uint16_t* below,
                                              const uint8_t* residue, const uint32_t* addendAt) {
    int32_t count = SCREEN_PIXELS;
    if (reinterpret_cast<uintptr_t>(screen) & 2) { // word-align the pairs
        brightenOne(screen++, below++, residue++, addendAt);
        count--;
    }
    PixelPair* pair = reinterpret_cast<PixelPair*>(screen);
    const PixelPair* from = reinterpret_cast<const PixelPair*>(below);
    if (count & 2) { // an odd number of pairs: one before the loop
        brightenAt<WHITE_RUNS, COPY>(pair++, from++, addendAt[residue[0]], addendAt[residue[1]]);
        residue += 2;
    }
    for (int32_t turns = count >> 2; turns != 0; turns--, pair += 2, residue += 4) {
        // All four looked up first: each load's result is a few
        // instructions away from its use.
        const uint32_t a0 = addendAt[residue[0]], a1 = addendAt[residue[1]];
        const uint32_t a2 = addendAt[residue[2]], a3 = addendAt[residue[3]];
        // In place the pair is its own source: no second pointer to move.
        brightenAt<WHITE_RUNS, COPY>(pair, COPY ? from : pair, a0, a1);
        brightenAt<WHITE_RUNS, COPY>(pair + 1, COPY ? from + 1 : pair + 1, a2, a3);
        if (COPY) from += 2;
    }
    if (count & 1) {
        const PixelPair* last = COPY ? from : pair;
        brightenOne(reinterpret_cast<uint16_t*>(pair), reinterpret_cast<const uint16_t*>(last),
                    residue, addendAt);
    }
}

// The loop for this frame's share of whitening pixels.
template <bool COPY>
void brightenScreen(bool whiteRuns, uint16_t* screen, const uint16_t* below, const uint8_t* residue,
                    const uint32_t* addendAt) {
    if (whiteRuns)
        brightenScreen<true, COPY>(screen, below, residue, addendAt);
    else
        brightenScreen<false, COPY>(screen, below, residue, addendAt);
}

// Writes each pixel as the colour its residue picks, two pairs a turn. Not
// inlined, for the table's address in a register (as brightenScreen()).
__attribute__((noinline)) void colourScreen(uint16_t* screen, const uint8_t* residue,
                                            const uint32_t* colourAt) {
    int32_t count = SCREEN_PIXELS;
    if (reinterpret_cast<uintptr_t>(screen) & 2) { // word-align the pairs
        *screen++ = static_cast<uint16_t>(colourAt[*residue++]);
        count--;
    }
    PixelPair* pair = reinterpret_cast<PixelPair*>(screen);
    if (count & 2) { // an odd number of pairs: one before the loop
        *pair++ = colourAt[residue[0]] | colourAt[residue[1]] << 16; // low half first
        residue += 2;
    }
    for (int32_t turns = count >> 2; turns != 0; turns--, pair += 2, residue += 4) {
        const uint32_t c0 = colourAt[residue[0]], c1 = colourAt[residue[1]];
        const uint32_t c2 = colourAt[residue[2]], c3 = colourAt[residue[3]];
        pair[0] = c0 | c1 << 16;
        pair[1] = c2 | c3 << 16;
    }
    if (count & 1) *reinterpret_cast<uint16_t*>(pair) = static_cast<uint16_t>(colourAt[*residue]);
}

} // namespace

TransitionOverlay::TransitionOverlay() {
    for (int n = 0; n < TRANSITION_PICTURES; n++) {
        char path[32];
        snprintf(path, sizeof path, "data/trans%d.png", n + 1);
        pictures[n] = new Image(path, SCREEN_WIDTH, SCREEN_HEIGHT);
        residues[n] = new uint8_t[SCREEN_PIXELS];
        for (int32_t& count : residueCounts[n])
            count = 0;
        for (int i = 0; i < SCREEN_PIXELS; i++) {
            const uint16_t t = pictures[n]->pixels[i];
            residues[n][i] = static_cast<uint8_t>(((t & 31) - (t >> 11)) & 63);
            residueCounts[n][residues[n][i]]++;
        }
    }
    pictureIndex = 1;
    swapped = false;
    finished = false;
    phase = 0;
    startTime = 0;
    steps = 0; // update sets it before any render reads it
}

TransitionOverlay::~TransitionOverlay() {
    for (Image* picture : pictures)
        delete picture;
    for (uint8_t* residue : residues)
        delete[] residue;
}

void TransitionOverlay::restart(uint32_t time) {
    pictureIndex = (pictureIndex + 1) % TRANSITION_PICTURES;
    startTime = time;
    swapped = false;
    finished = false;
}

bool TransitionOverlay::isFinished() const {
    return finished;
}

void TransitionOverlay::update(uint32_t time) {
    steps = (time - startTime) >> 4;
    // The next pattern takes over while the screen is all white.
    if (steps > SWAP_AFTER && !swapped) {
        swapped = true;
        pictureIndex = (pictureIndex + 1) % TRANSITION_PICTURES;
    }
    if (steps > LAST_STEP) {
        finished = true;
        phase = LAST_STEP;
    } else {
        phase = static_cast<int32_t>(steps);
    }
}

void TransitionOverlay::render() {
    draw(Screen::instance()->pixels);
}

void TransitionOverlay::renderOver(const uint16_t* below) {
    draw(below);
}

bool TransitionOverlay::amountsByResidue(uint32_t* amountAt) const {
    if (finished) return false;
    const int32_t P = phase;
    const bool rising = P < FALLING_FROM;

    // The pattern value w of a pixel depends only on (steps + tB - tR) mod
    // 64: it is a triangle wave of that, 0..63, mirrored in the falling
    // half. So the amount for each of the 64 residues is worked out once a
    // frame and each pixel only looks its amount up.
    uint32_t amountFor[64];
    bool anyAmount = false;
    for (int32_t k = 0; k < 64; k++) {
        int32_t w = rising ? (2 * k) & 0x7E : (-2 * k) & 0x7E;
        if (w > 63) w = 127 - w;
        int32_t a = rising ? P + w - 128 : w - P + 256;
        if (a < 0) a = 0;
        amountFor[k] = static_cast<uint32_t>(a);
        anyAmount |= a != 0;
    }
    // (steps + blue - red) mod 64 = (steps + residue) mod 64: the amounts by
    // residue, so a pixel needs one byte and one table entry.
    for (uint32_t k = 0; k < 64; k++)
        amountAt[k] = amountFor[(steps + k) & 63];
    // Early and late in a run nothing changes at all.
    return anyAmount;
}

void TransitionOverlay::renderOnColour(uint16_t colour) {
    uint16_t* screen = Screen::instance()->pixels;
    uint32_t amountAt[64];
    if (!amountsByResidue(amountAt)) {
        if ((colour >> 8) == (colour & 0xFF))
            memset(screen, colour & 0xFF, SCREEN_BYTES);
        else
            std::fill(screen, screen + SCREEN_PIXELS, colour);
        return;
    }
    // The colour brightened by each residue's amount: every pixel is one of
    // these, written without reading the screen.
    uint32_t colourAt[64];
    for (int k = 0; k < 64; k++)
        colourAt[k] = brighten(colour, amountAt[k]);
    colourScreen(screen, residues[pictureIndex], colourAt);
}

void TransitionOverlay::draw(const uint16_t* below) {
    uint16_t* const screen = Screen::instance()->pixels;
    bool copy = below != screen;
    uint32_t amountAt[64];
    if (!amountsByResidue(amountAt)) {
        if (copy) memcpy(screen, below, SCREEN_BYTES);
        return;
    }

    // The amounts in brightenPair()'s form. Bit 31 marks an amount that
    // turns any pixel white.
    uint32_t addendAt[64];
    int32_t whitening = 0, unchanged = 0; // pixels whose amount is >= 63, 0
    for (uint32_t k = 0; k < 64; k++) {
        const uint32_t a = amountAt[k];
        addendAt[k] = brightenAddend(a) | (a >= 63 ? WHITENS : 0);
        whitening += a >= 63 ? residueCounts[pictureIndex][k] : 0;
        unchanged += a == 0 ? residueCounts[pictureIndex][k] : 0;
    }
    // The top of a run: every pixel whitens.
    if (whitening == SCREEN_PIXELS) {
        memset(screen, 0xFF, SCREEN_BYTES);
        return;
    }
    // Pairs need the source and the screen aligned alike. And the block copy
    // moves unchanged pixels for less than the pair loop: when they are the
    // most, copy and brighten in place.
    const bool aligned =
        !((reinterpret_cast<uintptr_t>(screen) ^ reinterpret_cast<uintptr_t>(below)) & 2);
    if (copy && (!aligned || unchanged > SCREEN_PIXELS / 2)) {
        memcpy(screen, below, SCREEN_BYTES);
        copy = false;
    }
    // Past about one pixel in eight the white pairs pay for their test.
    const bool whiteRuns = whitening >= SCREEN_PIXELS / 8;
    if (copy)
        brightenScreen<true>(whiteRuns, screen, below, residues[pictureIndex], addendAt);
    else
        brightenScreen<false>(whiteRuns, screen, screen, residues[pictureIndex], addendAt);
}
