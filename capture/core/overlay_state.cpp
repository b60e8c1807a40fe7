#include "capture/overlay_state.h"

#include <utility>

namespace ql {

const char* OperationName(Operation op) {
    switch (op) {
        case Operation::Draw: return "绘制";
        case Operation::Resize: return "调整";
        case Operation::Move: return "拖动";
        case Operation::None: break;
    }
    return "";
}

const char* AreaName(Area area) {
    switch (area) {
        case Area::Outside: return "外部";
        case Area::Inside: return "内部";
        case Area::TopLeft: return "左上角";
        case Area::Top: return "上边";
        case Area::TopRight: return "右上角";
        case Area::Left: return "左边";
        case Area::Right: return "右边";
        case Area::BottomLeft: return "左下角";
        case Area::Bottom: return "下边";
        case Area::BottomRight: return "右下角";
        case Area::Toolbar: return "工具栏";
        case Area::None: break;
    }
    return "";
}

OverlayState& Overlay() {
    static OverlayState state;
    return state;
}

void ResetOverlayState() {
    OverlayState& s = Overlay();
    OverlayState fresh;
    fresh.WindowCanvas = s.WindowCanvas;
    fresh.SnapshotImage = s.SnapshotImage;
    fresh.BrightLayer = s.BrightLayer;
    fresh.ShadeBrush = s.ShadeBrush;
    fresh.DimLayer = s.DimLayer;
    fresh.WindowHook = s.WindowHook;
    s = std::move(fresh);
}

void ResetOverlayOnOpen() {
    OverlayState& s = Overlay();
    s.AnchorX = s.AnchorY = -1;
    s.GrabOffsetX = s.GrabOffsetY = -1;
    s.SpanX = s.SpanY = -1;
    s.CornerAnchorSet = 0;
    s.ButtonDown = 0;
    s.DragLocked = 0;
}

}  // namespace ql
