// The Ogg Vorbis encoding loop of the suites' own encoder programs
// (make-test-ogg, make-arm940-ogg). They are programs of their own because
// libvorbis and the Tremor decoder the system uses export the same vorbis_*
// names and cannot share a process; each gives its signal here.
#pragma once

#include <cstdio>
#include <functional>

// Encodes `frames` frames of `channels` channels at `rate` Hz with libvorbis'
// VBR `quality` into `out`, as one logical stream numbered `serial`. The
// samples (-1 .. 1) come from `sample(frame, channel)`, called frame by
// frame, channel by channel. False when the encoder or a write fails.
bool encodeOgg(FILE* out, long frames, int channels, int rate, float quality, int serial,
               const std::function<float(long frame, int channel)>& sample);
