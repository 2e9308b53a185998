// The moments of the show, in milliseconds of demo time, at which one scene
// gives way to the next: the timeline switches scenes at them, the music
// begins a section on the beat at (or just before) each, and the capture tool
// knows the show's length from the last.
#pragma once

#include <cstdint>

constexpr uint32_t CUT_FEATHER_MS = 3150; // 50 ms after the music's beat
constexpr uint32_t CUT_LIGHTHOUSE_MS = 43100;
constexpr uint32_t CUT_RAIN_MS = 65100;
constexpr uint32_t CUT_CLOUDS_MS = 88100;
constexpr uint32_t CUT_CAVE_MS = 138100;
constexpr uint32_t CUT_DRAGONFLY_MS = 183100;
constexpr uint32_t CUT_CLOSING_MS = 233100; // the sky
constexpr uint32_t CUT_ENDING_MS = 247100;  // fade to black
constexpr uint32_t SHOW_END_MS = 250000;    // the end mark; the last frame is the first past it
