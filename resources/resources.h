// The program's embedded pictures and data (resources.qrc), under ":/".
#pragma once

namespace ql {

// Registers the embedded resources; safe to call more than once.
void InitResources();

// The busy animation: 64 x 64, 20 frames of 90 ms (made by scripts/make-busy-gif.py).
inline constexpr const char* kBusyAnimationPath = ":/busy.gif";

}  // namespace ql
