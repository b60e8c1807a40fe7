// The generator behind RandomInRange, exposed so that its exact sequence can be checked.
#pragma once

#include <cstdint>

namespace ql {

// Milliseconds since an arbitrary fixed point (the system's start on Linux), wrapping at 2^32.
uint32_t TickCount();

// One step of the C library's 15-bit linear congruential generator: advances state, returns 0..32767.
inline int NextRandom(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

// RandomInRange's bound rules applied to a draw r: negative bounds count as 0, swapped bounds are
// ordered; equal bounds never reach this.
int ScaleIntoRange(int r, int min, int max);

// The seed of the next draw from a tick count: tick + the process-wide offset, which then grows by
// 100 + ((tick + offset) mod 256).
uint32_t NextSeed(uint32_t tick);

}  // namespace ql
