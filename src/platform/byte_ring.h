// A fixed ring of bytes between a sound writer and a device callback that
// drains it: the writer puts what fits, the callback takes what it needs and
// gets silence (zero bytes) for what the ring cannot give. No locking here;
// the caller holds its own lock where the two sides run on different threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform {

template <size_t BYTES> struct ByteRing {
    uint8_t bytes[BYTES];
    size_t start = 0; // the oldest byte
    size_t fill = 0;  // bytes held

    void clear() { start = fill = 0; }
    size_t room() const { return BYTES - fill; }

    // Appends up to `length` bytes of `data`, as many as there is room for;
    // returns how many.
    size_t put(const void* data, size_t length) {
        const uint8_t* in = static_cast<const uint8_t*>(data);
        if (length > room()) length = room();
        size_t done = 0;
        while (done < length) {
            const size_t end = (start + fill) % BYTES;
            size_t run = BYTES - end; // up to the ring's end
            if (run > length - done) run = length - done;
            memcpy(bytes + end, in + done, run);
            fill += run;
            done += run;
        }
        return length;
    }

    // Fills `out` with `length` bytes: the oldest held ones, then silence.
    void take(uint8_t* out, size_t length) {
        size_t done = 0;
        while (done < length && fill > 0) {
            size_t run = BYTES - start;
            if (run > fill) run = fill;
            if (run > length - done) run = length - done;
            memcpy(out + done, bytes + start, run);
            start = (start + run) % BYTES;
            fill -= run;
            done += run;
        }
        memset(out + done, 0, length - done);
    }
};

} // namespace platform
