#include "services/main_controls.h"

#include <atomic>

namespace ql {

namespace {
std::atomic<MainControls*> g_controls{nullptr};
}

void SetMainControls(MainControls* controls) { g_controls.store(controls, std::memory_order_release); }

MainControls* Controls() { return g_controls.load(std::memory_order_acquire); }

}  // namespace ql
