#include "app/exit_cleanup.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "app/app_state.h"

namespace ql {

namespace {
struct CleanupState {
    std::mutex m;
    std::function<void()> releaseOverlay;
    bool registered = false;
};
// Never destroyed, so that it is still there when the atexit handler runs.
CleanupState& State() {
    static auto* s = new CleanupState;
    return *s;
}
std::atomic<bool> g_ran{false};

void RunExitCleanupAtExit() { ExitCleanup(); }
}  // namespace

void RegisterExitCleanup(std::function<void()> releaseOverlayObjects) {
    CleanupState& s = State();
    std::lock_guard<std::mutex> l(s.m);
    if (releaseOverlayObjects) s.releaseOverlay = std::move(releaseOverlayObjects);
    if (!s.registered) {
        s.registered = true;
        std::atexit(RunExitCleanupAtExit);
    }
}

void ExitCleanup() {
    if (g_ran.exchange(true)) return;
    App().Clear();
    std::function<void()> release;
    {
        CleanupState& s = State();
        std::lock_guard<std::mutex> l(s.m);
        release = std::move(s.releaseOverlay);
    }
    if (release) release();
}

}  // namespace ql
