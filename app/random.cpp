// RandomInRange: the C library's generator, reseeded before every draw.
#include "app/random.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "app/app_state.h"

namespace ql {

namespace {
std::atomic<uint32_t> g_seedOffset{0};  // grows at every seeding, whatever the thread
thread_local uint32_t t_state = 1;      // like the C library's per-thread generator state
}  // namespace

uint32_t TickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

uint32_t NextSeed(uint32_t tick) {
    uint32_t offset = g_seedOffset.load(std::memory_order_relaxed);
    uint32_t grown;
    do {
        grown = offset + 100u + ((tick + offset) % 256u);
    } while (!g_seedOffset.compare_exchange_weak(offset, grown, std::memory_order_relaxed));
    return tick + offset;
}

int ScaleIntoRange(int r, int min, int max) {
    const int64_t lo = std::max(min, 0);
    const int64_t hi = std::max(max, 0);
    const int64_t a = std::min(lo, hi);
    const int64_t b = std::max(lo, hi);
    return static_cast<int>(a + static_cast<int64_t>(r) % (b - a + 1));
}

int RandomInRange(int min, int max) {
    const int lo = std::max(min, 0);
    const int hi = std::max(max, 0);
    if (lo == hi) return lo;
    t_state = NextSeed(TickCount());
    return ScaleIntoRange(NextRandom(t_state), lo, hi);
}

}  // namespace ql
