// Words that two threads, or the two CPUs, read and write without locks.
//
// Every access is one whole load or store. Stores release and loads acquire:
// whatever a writer put in memory before storing a word is visible to the
// reader that loads the stored value (a full PCM buffer before its flag, the
// whole music file before `newData`, the program image before the register
// that starts the second CPU).
//
// On a desktop these are atomic operations. On the handheld the main CPU is a
// single in-order core, and its older ARM has no barrier instruction, so a
// volatile access behind a compiler barrier gives the same guarantee without
// needing kernel help.
#pragma once

#include <cstdint>

namespace platform {

#ifdef DEMO_HANDHELD
inline void compilerBarrier() {
    __asm__ __volatile__("" ::: "memory");
}

template <typename T> inline T loadAcquire(const volatile T* word) {
    T value = *word;
    compilerBarrier();
    return value;
}

template <typename T> inline void storeRelease(volatile T* word, T value) {
    compilerBarrier();
    *word = value;
}
#else
template <typename T> inline T loadAcquire(const volatile T* word) {
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

template <typename T> inline void storeRelease(volatile T* word, T value) {
    __atomic_store_n(word, value, __ATOMIC_RELEASE);
}
#endif

} // namespace platform

// A 32-bit shared word: in the shared sound block, or a flag between threads.
// Zero when statically allocated; it has no constructor so that it can lie in
// memory mapped from the device.
struct SharedWord {
    volatile uint32_t value;

    uint32_t load() const { return platform::loadAcquire(&value); }
    void store(uint32_t newValue) { platform::storeRelease(&value, newValue); }
};

static_assert(sizeof(SharedWord) == 4, "a shared word is one 32-bit word");
