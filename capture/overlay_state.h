// The capture overlay's program-wide state: made once at start-up, kept across openings of
// CaptureWindow, released at exit. Widget-free; the drawing objects are only named here.
#pragma once

#include <cstdint>

#include "web/text.h"

namespace ql {

class LayeredWindowCanvas;
class ImageObject;
class Surface;
class SolidBrushObject;
class WindowSubclass;

// Screen pixels; CaptureWindow covers the primary screen from 0,0, so window and screen agree.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// What a left-button drag does now. Names: "绘制", "调整", "拖动", and the empty text for None.
enum class Operation : uint8_t { None, Draw, Resize, Move };

// What lies under the pointer (also the handle a resize works on). Names: "外部", "内部",
// "左上角", "上边", "右上角", "左边", "右边", "左下角", "下边", "右下角", "工具栏"; None is the empty text.
enum class Area : uint8_t {
    None,
    Outside,
    Inside,
    TopLeft,
    Top,
    TopRight,
    Left,
    Right,
    BottomLeft,
    Bottom,
    BottomRight,
    Toolbar,
};

// The texts the states are known by (UTF-8 source literals).
const char* OperationName(Operation op);
const char* AreaName(Area area);
// True for the eight handles.
constexpr bool IsHandle(Area a) { return a >= Area::TopLeft && a <= Area::BottomRight; }
constexpr bool IsCorner(Area a) {
    return a == Area::TopLeft || a == Area::TopRight || a == Area::BottomLeft || a == Area::BottomRight;
}
constexpr bool IsSide(Area a) { return a == Area::Top || a == Area::Bottom || a == Area::Left || a == Area::Right; }

struct OverlayState {
    Bytes CaptureSnapshot;  // BMP file bytes of the primary screen, replaced at every opening

    Operation CurrentOperation = Operation::None;
    Area HitArea = Area::None;
    Area ResizeHandle = Area::None;  // one of the eight handles or None

    int32_t ButtonDown = 0;
    int32_t DragLocked = 0;
    int32_t HasSelection = 0;
    int32_t MenuOpen = 0;

    Rect SelectionRect;
    Rect ToolbarRect;  // written by DrawToolbar

    // -1 whenever no drag is under way; these -1 values are the first-movement markers.
    int32_t AnchorX = -1;
    int32_t AnchorY = -1;
    int32_t GrabOffsetX = -1;
    int32_t GrabOffsetY = -1;
    int32_t SpanX = -1;
    int32_t SpanY = -1;
    // Set by a corner resize once it has taken its anchor, cleared with the six coordinates: a
    // selection at -1,-1 would otherwise leave the anchor looking untaken and its corner could never be
    // dragged.
    int32_t CornerAnchorSet = 0;

    int32_t LastHitX = 0;  // where the last hit test ran to its end
    int32_t LastHitY = 0;

    // Names the saved capture file and the hosted picture; replaced at every FinishCapture.
    int32_t CaptureId = 0;

    // The long-lived drawing objects. They are created empty at start-up and deleted at exit by the
    // code that knows their classes (CreateOverlayObjects / ReleaseOverlayObjects); null until then.
    LayeredWindowCanvas* WindowCanvas = nullptr;
    ImageObject* SnapshotImage = nullptr;
    Surface* BrightLayer = nullptr;
    SolidBrushObject* ShadeBrush = nullptr;
    Surface* DimLayer = nullptr;
    WindowSubclass* WindowHook = nullptr;
};

// The single overlay state of the process (window thread only).
OverlayState& Overlay();

// Back to the start-up values, without touching the drawing object slots.
void ResetOverlayState();

// What every opening resets: the six drag coordinates to -1. ButtonDown and DragLocked are cleared too,
// so that a window closed from a press or during a drag does not turn the next opening's first
// movements into a drag.
void ResetOverlayOnOpen();

// Start-up and exit of the drawing objects (they need the graphics classes, so they live with them).
void CreateOverlayObjects();
void ReleaseOverlayObjects();

// 0x00BBGGRR -> 0xAARRGGBB; the alpha byte is `alpha` when flag is non-zero, otherwise 255.
constexpr uint32_t ToArgb(uint32_t colour, uint32_t alpha, int32_t flag) {
    const uint32_t r = colour & 0xFFu;
    const uint32_t g = (colour >> 8) & 0xFFu;
    const uint32_t b = (colour >> 16) & 0xFFu;
    const uint32_t a = flag != 0 ? (alpha & 0xFFu) : 0xFFu;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace ql
