// The program's embedded pictures and data (resources.qrc), under ":/".
#pragma once

namespace ql {

// Registers the embedded resources; safe to call more than once.
void InitResources();

// The busy animation: 64 x 64, 20 frames of 90 ms (made by scripts/make-busy-gif.py).
inline constexpr const char* kBusyAnimationPath = ":/busy.gif";

// The capture overlay's toolbar picture (325 x 24) and cursor (2,238 bytes), made by
// scripts/make_overlay_pictures.py.
inline constexpr const char* kToolbarPicturePath = ":/capture/toolbar.png";
inline constexpr const char* kOverlayCursorPath = ":/capture/overlay.cur";

}  // namespace ql
