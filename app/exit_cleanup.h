// ExitCleanup: registered once at start-up, runs once when the process ends normally.
#pragma once

#include <functional>

namespace ql {

// Registers ExitCleanup with std::atexit (only the first call registers). releaseOverlayObjects, when
// given, is the capture overlay's release step; a later non-empty one replaces an earlier one.
void RegisterExitCleanup(std::function<void()> releaseOverlayObjects = {});

// Releases every text of the application state, then the overlay's objects. Runs its work once;
// later calls do nothing.
void ExitCleanup();

}  // namespace ql
