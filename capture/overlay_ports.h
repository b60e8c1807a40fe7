// The operations through which the overlay's input handling and geometry reach the outside world:
// the platform (pointer, screen, cursor, previous window handler), the drawing routines and the
// export. The window code implements OverlayHost; tests use a recording one.
#pragma once

#include <cstdint>

#include "capture/overlay_state.h"

namespace ql {

// Message numbers the overlay acts on, as the window hook hands them over.
inline constexpr uint32_t kWmKeyDown = 256;
inline constexpr uint32_t kWmMouseMove = 512;
inline constexpr uint32_t kWmLButtonDown = 513;
inline constexpr uint32_t kWmLButtonUp = 514;
inline constexpr uint32_t kWmLButtonDblClk = 515;
inline constexpr uint32_t kWmRButtonUp = 517;
inline constexpr uintptr_t kVkEscape = 27;

// The cursor shapes of CaptureWindow: our own OverlayCursor, the default arrow and the five resize shapes
// (Qt: ArrowCursor, SizeAllCursor, SizeVerCursor, SizeHorCursor, SizeFDiagCursor, SizeBDiagCursor).
enum class CursorShape : uint8_t { Overlay, Arrow, SizeAll, SizeNS, SizeWE, SizeNWSE, SizeNESW };

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Opaque window handle as the hook passes it (the CaptureWindow widget).
using OverlayWindow = void*;

class OverlayHost {
public:
    virtual ~OverlayHost() = default;

    // Platform, read afresh at every call.
    virtual Point PointerPosition() = 0;  // screen coordinates
    virtual int32_t ScreenWidth() = 0;    // primary screen
    virtual int32_t ScreenHeight() = 0;
    virtual void SetCursor(CursorShape shape) = 0;  // CaptureWindow's cursor

    // Drawing onto WindowCanvas (nothing is presented by these).
    // The dimmed base: BrightLayer blended over the whole canvas at 255, then DimLayer at 128.
    virtual void DrawDimmedBase() = 0;
    // The bright selected region, its frame, handles and size label.
    virtual void DrawSelectionFrame(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    // The toolbar placed by Overlay().SelectionRect; writes Overlay().ToolbarRect; the highlight box
    // (relative to the toolbar) is drawn only when all four of its fields are non-zero.
    virtual void DrawToolbar(const Rect& box) = 0;
    virtual void DrawMagnifier() = 0;
    // Shows WindowCanvas in the window; does nothing once the window has been closed.
    virtual void Present() = 0;

    // Export: both close CaptureWindow and hand the picture on.
    virtual void ConfirmSelection() = 0;
    virtual void FinishCapture() = 0;

    // The window's previous handler, called with the message the overlay has just handled.
    virtual intptr_t CallPreviousHandler(OverlayWindow window, uint32_t message, uintptr_t wParam,
                                         intptr_t lParam) = 0;
};

}  // namespace ql
