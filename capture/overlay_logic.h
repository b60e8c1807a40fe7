// The overlay's widget-free logic: hit testing and selection geometry, and the input state machine
// that CaptureWindow's hook feeds with window messages. Everything runs on the window thread and works
// on Overlay(); the outside world is reached only through the OverlayHost passed in.
#pragma once

#include <cstdint>

#include "capture/overlay_ports.h"
#include "capture/overlay_state.h"

namespace ql {

// ---- Geometry and hit testing ----

// Sets HitArea, the window's cursor and LastHitX/Y; skipped while a drag is locked, without a
// selection, or when the pointer has not moved since the last completed test.
void HitTest(OverlayHost& host, int32_t x, int32_t y);

// The toolbar button under the pointer (offsets from ToolbarRect's top-left corner). On a match writes
// the highlight box (relative to the toolbar) and the button number; button 9 is written but not found.
bool ToolbarButtonAt(OverlayHost& host, Rect& box, int32_t& button);
// The same for a given offset from the toolbar's top-left corner.
bool ToolbarButtonAtOffset(int32_t dx, int32_t dy, Rect& box, int32_t& button);

// Makes every side of the rectangle at least 2 pixels long.
void MinimumSizeFix(Rect& r);

// Pointer moving with the button down while drawing: SelectionRect spans AnchorX/Y and the pointer.
void DrawNewSelection(OverlayHost& host);

// Pointer moving with the button down while resizing (by ResizeHandle) or moving.
void AdjustSelection(OverlayHost& host);

// ---- Input state machine ----

enum class RedrawMode : uint8_t {
    Clear,  // the empty text: the toolbar's place is forgotten
    Keep,   // "不清除"
};

enum class ToolbarMode : uint8_t {
    Plain,  // the empty text: no highlight
    Hover,  // "划过"
    Press,  // "按下"
};

void UpdateOperation(OverlayHost& host);
void EndDrag();
void RedrawSelection(OverlayHost& host, RedrawMode mode);
void RedrawDimmed(OverlayHost& host);
void ToolbarAction(OverlayHost& host, ToolbarMode mode);
void ToolbarHover(OverlayHost& host);
void ClearSelection(OverlayHost& host);

// The hook's handler: hit test, the message's transition, present, then the previous handler's result.
intptr_t OverlayMessage(OverlayHost& host, OverlayWindow window, uint32_t message, uintptr_t wParam,
                        intptr_t lParam);

}  // namespace ql
