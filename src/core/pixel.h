// RGB565 pixel helpers shared by every drawing routine: the channel split,
// the weighted blend and the brightening. Red is bits 15-11, green 10-5,
// blue 4-0.
#pragma once

#include <cstdint>

const uint16_t TRANSPARENT_KEY = 0xF81F;

constexpr uint32_t redOf(uint16_t p) {
    return p >> 11;
}
constexpr uint32_t greenOf(uint16_t p) {
    return (p >> 5) & 63;
}
constexpr uint32_t blueOf(uint16_t p) {
    return p & 31;
}

constexpr uint16_t packRgb565(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

// Bit-replicated 8-bit RGB of an RGB565 pixel: exactly the bytes that load
// back as the same pixel. Used by everything that writes PNG files, and by
// the browser's screen.
inline void rgb565ToRgb888(uint16_t p, uint8_t* rgb) {
    const uint32_t r = redOf(p), g = greenOf(p), b = blueOf(p);
    rgb[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
    rgb[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
    rgb[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
}

// Blends source c over destination d with a 16.16 weight w (0..65536): each
// channel becomes (w*c + (65536-w)*d), saturated at 31.0 (red, blue) or 63.0
// (green), shifted back by 16. w = 0 gives d exactly.
inline uint16_t blendWeighted(uint16_t c, uint16_t d, uint32_t w) {
    const uint32_t v = 65536 - w;
    uint32_t r = w * redOf(c) + v * redOf(d);
    uint32_t g = w * greenOf(c) + v * greenOf(d);
    uint32_t b = w * blueOf(c) + v * blueOf(d);
    if (r > (31u << 16)) r = 31u << 16;
    if (g > (63u << 16)) g = 63u << 16;
    if (b > (31u << 16)) b = 31u << 16;
    return packRgb565(r >> 16, g >> 16, b >> 16);
}

// Blend with an opacity of 0..63, the form most pictures store in green.
inline uint16_t blendOpacity(uint16_t c, uint16_t d, uint32_t opacity) {
    return blendWeighted(c, d, opacity * 1024);
}

// Brightens s by a: red and blue on a doubled 0..63 scale, green as it is,
// each saturating at 63 on its own.
inline uint16_t brighten(uint16_t s, uint32_t a) {
    uint32_t r = redOf(s) * 2 + a;
    uint32_t g = greenOf(s) + a;
    uint32_t b = blueOf(s) * 2 + a;
    if (r > 63) r = 63;
    if (g > 63) g = 63;
    if (b > 63) b = 63;
    return packRgb565(r >> 1, g, b >> 1);
}

// Two pixels in one 32-bit word, the one at the lower address in the low
// half (every target is little-endian). may_alias: it reads and writes the
// screen's uint16_t pixels; only at 4-byte-aligned addresses, since ARMv4T
// rotates an unaligned word load instead of faulting.
typedef uint32_t __attribute__((may_alias)) PixelPair;

// brightenPair()'s form of an amount a: a itself where the blue field
// starts and again where red does. Any a >= 63 saturates every channel, so
// 63 stands for them all. Bit 31 does not change the result: callers may
// keep a flag there.
constexpr uint32_t brightenAddend(uint32_t a) {
    return (a < 63 ? a : 63) * ((1u << 11) | 1u);
}

constexpr uint32_t rotate16(uint32_t v) {
    return (v >> 16) | (v << 16);
}

// How a pixel pair's channels are worked on in two words at once: blue 0-4
// and red 11-15 of one pixel and green 21-26 of the other, each field with
// free bits above it for a carry. `pair & PAIR_FIELDS` takes the low pixel's
// red and blue and the high pixel's green, `rotate16(pair) & PAIR_FIELDS`
// the rest; the two are joined back as low | rotate16(high).
const uint32_t PAIR_FIELDS = 0x07E0F81Fu;

// brighten() on both pixels of a word at once: `first` and `second` are the
// brightenAddend() of the low and the high pixel's amounts.
inline uint32_t brightenPair(uint32_t pair, uint32_t first, uint32_t second) {
    // `low` and `high` split as PAIR_FIELDS tells.
    // Shifted up one bit, red and blue are 2r and 2b in 6-bit fields and
    // green 2g in a 7-bit one, so a single add of a (2a for green) is
    // brighten()'s sum for all three; bits 6, 17 and 28 catch the carry of
    // a sum past 63 (past 127 for green).
    const uint32_t CARRIES = 0x10020040u;
    // second << 22: its amount lands on green's 2a; the rest falls off the top.
    uint32_t low = ((pair & PAIR_FIELDS) << 1) + (first | second << 22);
    uint32_t high = ((rotate16(pair) & PAIR_FIELDS) << 1) + (second | first << 22);
    // A carry c fills its field with ones, c - (c >> 6): the saturation.
    const uint32_t lowCarries = low & CARRIES, highCarries = high & CARRIES;
    low |= lowCarries - (lowCarries >> 6);
    high |= highCarries - (highCarries >> 6);
    // Shifted back down, red and blue halve as in brighten(); the garbage
    // below each field and the carries fall outside PAIR_FIELDS.
    return ((low >> 1) & PAIR_FIELDS) | rotate16((high >> 1) & PAIR_FIELDS);
}

// Adds light to a pixel: `redBlue` to red and blue, `green` to green, each
// channel saturating at its own maximum (31 or 63). Unlike brighten(), red
// and blue stay on their own 0..31 scale.
constexpr uint16_t addLight(uint16_t base, uint32_t redBlue, uint32_t green) {
    uint32_t r = redOf(base) + redBlue;
    uint32_t g = greenOf(base) + green;
    uint32_t b = blueOf(base) + redBlue;
    if (r > 31) r = 31;
    if (g > 63) g = 63;
    if (b > 31) b = 31;
    return packRgb565(r, g, b);
}
