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

// The pair loop looks at the pixels a block of RUN at a time: through the
// set of residues in the block, a block all of whose amounts are 0 is left
// as it is, and one all of whose amounts whiten is written white unread.
const int RUN = 16;
static_assert(RUN == 16 && SCREEN_PIXELS % RUN == 0, "the screen is whole blocks of 8 words");

// A set of residues as one word: residues k and k ^ 1 share bit k / 2. A
// block's set has the bits of all its residues; this frame's set of those
// that leave pixels unchanged (or whiten them) has a bit only when both of
// its residues do. So a block whose set lies within it holds only such
// pixels, whatever the pattern.
constexpr uint32_t residueBit(uint32_t residue) {
    return 1u << (residue >> 1);
}

// The flag that brightenAddend() leaves free: this amount whitens.
const uint32_t WHITENS = 1u << 31;

// What the pair loop looks at: nothing (every pair brightened, cheapest
// when nearly every amount is between 1 and 62); the blocks; and, in blocks
// with mixed amounts, also the pairs whose amounts are both 0 (left as they
// are), and also those whose amounts both whiten (written white unread).
enum Tests { NOTHING, BLOCKS, UNCHANGED_PAIRS, WHITE_PAIRS };

// One pair from `from` brightened to `pair` by the amounts of residues r0
// and r1, which are already loaded; then r0 and r1 become the next pair's,
// unless LAST. A byte load's result used by the next instruction stalls for
// two cycles: loaded a pair ahead, a residue is long there when looked up.
// (The pair's store may alias the residues, so their loads come first.)
template <bool LAST, Tests TESTS, bool COPY>
inline void brightenNext(PixelPair* pair, const PixelPair* from, const uint8_t* next, uint32_t& r0,
                         uint32_t& r1, const uint32_t* addendAt) {
    const uint32_t first = addendAt[r0], second = addendAt[r1];
    if (!LAST) r0 = next[0], r1 = next[1];
    // Both amounts 0: the pair stays (brightenPair() adds this word).
    if (TESTS >= UNCHANGED_PAIRS && (first | second << 22) == 0) {
        if (COPY) *pair = *from;
        return;
    }
    if (TESTS == WHITE_PAIRS && (first & second & WHITENS)) {
        *pair = WHITE_PAIR;
        return;
    }
    *pair = brightenPair(*from, first, second);
}

// Writes every pixel of `below` brightened by the amount its residue picks
// to the screen, a block a turn; COPY when `below` is not the screen
// itself. Both word-aligned. `unchanged` and `whitening` are this frame's
// sets of residues whose amounts are 0 and at least 63. Not inlined: on its
// own the table's address stays in a register instead of being worked out
// from the stack frame for every pair.
template <Tests TESTS, bool COPY>
__attribute__((noinline)) void brightenScreen(PixelPair* pair, const PixelPair* below,
                                              const uint8_t* residue, const uint32_t* residueSet,
                                              const uint32_t* addendAt, uint32_t unchanged,
                                              uint32_t whitening) {
    const PixelPair* next = below;
    for (int32_t blocks = SCREEN_PIXELS / RUN; blocks != 0; blocks--) {
        // In place the pair is its own source: no second pointer to move.
        const PixelPair* const from = COPY ? next : pair;
        const uint32_t set = TESTS == NOTHING ? ~0u : *residueSet++;
        // Written out, the block's words: as loops the compiler makes them
        // calls to memcpy and memset.
        if (TESTS != NOTHING && (set & ~unchanged) == 0) {
            if (COPY) {
                const uint32_t w0 = from[0], w1 = from[1], w2 = from[2], w3 = from[3];
                const uint32_t w4 = from[4], w5 = from[5], w6 = from[6], w7 = from[7];
                pair[0] = w0, pair[1] = w1, pair[2] = w2, pair[3] = w3;
                pair[4] = w4, pair[5] = w5, pair[6] = w6, pair[7] = w7;
            }
        } else if (TESTS != NOTHING && (set & ~whitening) == 0) {
            pair[0] = pair[1] = pair[2] = pair[3] = WHITE_PAIR;
            pair[4] = pair[5] = pair[6] = pair[7] = WHITE_PAIR;
        } else {
            // Written out: the offsets are constants, no pointer moves.
            uint32_t r0 = residue[0], r1 = residue[1];
            brightenNext<false, TESTS, COPY>(pair, from, residue + 2, r0, r1, addendAt);
            brightenNext<false, TESTS, COPY>(pair + 1, from + 1, residue + 4, r0, r1, addendAt);
            brightenNext<false, TESTS, COPY>(pair + 2, from + 2, residue + 6, r0, r1, addendAt);
            brightenNext<false, TESTS, COPY>(pair + 3, from + 3, residue + 8, r0, r1, addendAt);
            brightenNext<false, TESTS, COPY>(pair + 4, from + 4, residue + 10, r0, r1, addendAt);
            brightenNext<false, TESTS, COPY>(pair + 5, from + 5, residue + 12, r0, r1, addendAt);
            brightenNext<false, TESTS, COPY>(pair + 6, from + 6, residue + 14, r0, r1, addendAt);
            brightenNext<true, TESTS, COPY>(pair + 7, from + 7, nullptr, r0, r1, addendAt);
        }
        pair += RUN / 2;
        if (COPY) next += RUN / 2;
        residue += RUN;
    }
}

// The block loop for this frame's tests.
template <bool COPY>
void brightenScreen(Tests tests, uint16_t* screen, const uint16_t* below, const uint8_t* residue,
                    const uint32_t* residueSet, const uint32_t* addendAt, uint32_t unchanged,
                    uint32_t whitening) {
    PixelPair* const pair = reinterpret_cast<PixelPair*>(screen);
    const PixelPair* const from = reinterpret_cast<const PixelPair*>(below);
    if (tests == NOTHING)
        brightenScreen<NOTHING, COPY>(pair, from, residue, residueSet, addendAt, unchanged,
                                      whitening);
    else if (tests == BLOCKS)
        brightenScreen<BLOCKS, COPY>(pair, from, residue, residueSet, addendAt, unchanged,
                                     whitening);
    else if (tests == UNCHANGED_PAIRS)
        brightenScreen<UNCHANGED_PAIRS, COPY>(pair, from, residue, residueSet, addendAt, unchanged,
                                              whitening);
    else
        brightenScreen<WHITE_PAIRS, COPY>(pair, from, residue, residueSet, addendAt, unchanged,
                                          whitening);
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
        residueSets[n] = new uint32_t[SCREEN_PIXELS / RUN]();
        uint8_t* const residue = residues[n];
        for (int32_t& count : residueCounts[n])
            count = 0;
        for (int i = 0; i < SCREEN_PIXELS; i++) {
            const uint16_t t = pictures[n]->pixels[i];
            residue[i] = static_cast<uint8_t>(((t & 31) - (t >> 11)) & 63);
            residueCounts[n][residue[i]]++;
            residueSets[n][i / RUN] |= residueBit(residue[i]);
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
    for (uint32_t* set : residueSets)
        delete[] set;
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

    // The amounts in brightenPair()'s form, bit 31 marking an amount that
    // turns any pixel white, and the sets of residues whose pixels stay as
    // they are and turn white.
    uint32_t addendAt[64];
    uint32_t unchanged = ~0u, whitening = ~0u;
    int32_t unchangedPixels = 0, whitePixels = 0;
    for (uint32_t k = 0; k < 64; k++) {
        const uint32_t a = amountAt[k];
        addendAt[k] = brightenAddend(a) | (a >= 63 ? WHITENS : 0);
        if (a != 0) unchanged &= ~residueBit(k);
        if (a < 63) whitening &= ~residueBit(k);
        unchangedPixels += a == 0 ? residueCounts[pictureIndex][k] : 0;
        whitePixels += a >= 63 ? residueCounts[pictureIndex][k] : 0;
    }
    // The top of a run: every pixel whitens.
    if (whitePixels == SCREEN_PIXELS) {
        memset(screen, 0xFF, SCREEN_BYTES);
        return;
    }
    const uint8_t* const residue = residues[pictureIndex];
    // A screen off a word boundary (not the show's own): pixel by pixel.
    if (reinterpret_cast<uintptr_t>(screen) & 2) {
        for (int i = 0; i < SCREEN_PIXELS; i++)
            screen[i] = brighten(below[i], amountAt[residue[i]]);
        return;
    }
    // Pairs need the source aligned like the screen.
    if (copy && (reinterpret_cast<uintptr_t>(below) & 2)) {
        memcpy(screen, below, SCREEN_BYTES);
        copy = false;
    }
    // Past about one pixel in eight the white pairs pay for their test, past
    // one in sixteen the unchanged ones, and the blocks past one in sixteen
    // that is either.
    const Tests tests = whitePixels >= SCREEN_PIXELS / 8                      ? WHITE_PAIRS
                        : unchangedPixels >= SCREEN_PIXELS / 16               ? UNCHANGED_PAIRS
                        : unchangedPixels + whitePixels >= SCREEN_PIXELS / 16 ? BLOCKS
                                                                              : NOTHING;
    if (copy)
        brightenScreen<true>(tests, screen, below, residue, residueSets[pictureIndex], addendAt,
                             unchanged, whitening);
    else
        brightenScreen<false>(tests, screen, screen, residue, residueSets[pictureIndex], addendAt,
                              unchanged, whitening);
}
