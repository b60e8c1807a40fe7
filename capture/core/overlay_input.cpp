#include "capture/overlay_logic.h"

namespace ql {

namespace {

void ResetDragCoordinates(OverlayState& s) {
    s.GrabOffsetX = s.GrabOffsetY = -1;
    s.SpanX = s.SpanY = -1;
    s.AnchorX = s.AnchorY = -1;
    s.CornerAnchorSet = 0;
}

}  // namespace

void UpdateOperation(OverlayHost& host) {
    OverlayState& s = Overlay();
    const Point p = host.PointerPosition();
    HitTest(host, p.x, p.y);
    if (s.DragLocked == 1) return;
    if (s.HasSelection == 0) {
        s.CurrentOperation = Operation::Draw;
        return;
    }
    if (s.HitArea == Area::Inside) {
        s.CurrentOperation = Operation::Move;
        return;
    }
    if (IsHandle(s.HitArea)) {
        s.ResizeHandle = s.HitArea;
        s.CurrentOperation = Operation::Resize;
        return;
    }
    s.CurrentOperation = Operation::None;
    s.ResizeHandle = Area::None;
}

void EndDrag() {
    OverlayState& s = Overlay();
    s.ButtonDown = 0;
    s.DragLocked = 0;
    ResetDragCoordinates(s);
}

void RedrawSelection(OverlayHost& host, RedrawMode mode) {
    OverlayState& s = Overlay();
    if (mode == RedrawMode::Clear) s.ToolbarRect = Rect{};
    host.DrawDimmedBase();
    const Rect r = s.SelectionRect;
    host.DrawSelectionFrame(r.left, r.top, r.right, r.bottom);
}

void RedrawDimmed(OverlayHost& host) { host.DrawDimmedBase(); }

void ToolbarAction(OverlayHost& host, ToolbarMode mode) {
    if (mode == ToolbarMode::Plain) {
        host.DrawToolbar(Rect{});
        return;
    }
    Rect box;
    int32_t button = 0;
    const bool found = ToolbarButtonAt(host, box, button);
    host.DrawToolbar(found ? box : Rect{});
    if (mode != ToolbarMode::Press) return;
    // Only the cross and the tick act; button 9 is never "found" but its number is written.
    if (button == 1) host.FinishCapture();
    else if (button == 2) host.ConfirmSelection();
}

void ToolbarHover(OverlayHost& host) {
    const OverlayState& s = Overlay();
    if (s.HasSelection != 1 || s.MenuOpen == 1) return;
    ToolbarAction(host, ToolbarMode::Hover);
}

void ClearSelection(OverlayHost& host) {
    OverlayState& s = Overlay();
    s.HasSelection = 0;
    s.ButtonDown = 0;
    s.MenuOpen = 0;
    s.DragLocked = 0;
    s.HitArea = Area::None;
    host.SetCursor(CursorShape::Overlay);
    ResetDragCoordinates(s);
    s.SelectionRect = Rect{};
    s.ToolbarRect = Rect{};
    RedrawDimmed(host);
}

namespace {

void OnLeftDown(OverlayHost& host, OverlayState& s) {
    s.ButtonDown = 1;
    if (s.HitArea == Area::Toolbar) {
        ToolbarAction(host, ToolbarMode::Press);
    } else if (s.CurrentOperation == Operation::Draw) {
        const Point p = host.PointerPosition();
        s.AnchorX = p.x;
        s.AnchorY = p.y;
    } else if (s.CurrentOperation == Operation::Resize || s.CurrentOperation == Operation::Move) {
        s.DragLocked = 1;
    }
}

void OnMouseMove(OverlayHost& host, OverlayState& s) {
    if (s.ButtonDown == 1) {
        switch (s.CurrentOperation) {
            case Operation::Draw:
                DrawNewSelection(host);
                host.DrawMagnifier();
                break;
            case Operation::Resize:
                AdjustSelection(host);
                host.DrawMagnifier();
                break;
            case Operation::Move:
                AdjustSelection(host);
                ToolbarAction(host, ToolbarMode::Plain);
                break;
            case Operation::None: break;
        }
    } else if (s.HasSelection == 0) {
        RedrawDimmed(host);
        host.DrawMagnifier();
    } else {
        RedrawSelection(host, RedrawMode::Keep);
        ToolbarAction(host, ToolbarMode::Plain);
        ToolbarHover(host);
    }
}

void OnLeftUp(OverlayHost& host, OverlayState& s) {
    EndDrag();
    switch (s.CurrentOperation) {
        case Operation::Draw:
            s.HasSelection = 1;
            RedrawSelection(host, RedrawMode::Clear);
            ToolbarAction(host, ToolbarMode::Plain);
            break;
        case Operation::Resize:
            RedrawSelection(host, RedrawMode::Clear);
            ToolbarAction(host, ToolbarMode::Plain);
            break;
        case Operation::Move: ToolbarAction(host, ToolbarMode::Plain); break;
        case Operation::None: break;
    }
}

void OnRightUp(OverlayHost& host, OverlayState& s) {
    switch (s.CurrentOperation) {
        case Operation::Draw: host.FinishCapture(); return;
        case Operation::Resize: return;
        case Operation::Move:
            RedrawSelection(host, RedrawMode::Clear);
            ToolbarAction(host, ToolbarMode::Plain);
            s.MenuOpen = 1;
            return;
        case Operation::None: break;
    }
    if (s.HitArea == Area::Outside) {
        ClearSelection(host);
    } else if (s.HitArea == Area::Toolbar && s.MenuOpen == 1) {
        s.MenuOpen = 0;
        RedrawSelection(host, RedrawMode::Clear);
        ToolbarAction(host, ToolbarMode::Plain);
    }
}

}  // namespace

intptr_t OverlayMessage(OverlayHost& host, OverlayWindow window, uint32_t message, uintptr_t wParam,
                        intptr_t lParam) {
    OverlayState& s = Overlay();
    UpdateOperation(host);
    switch (message) {
        case kWmLButtonDown: OnLeftDown(host, s); break;
        case kWmMouseMove: OnMouseMove(host, s); break;
        case kWmLButtonUp: OnLeftUp(host, s); break;
        case kWmLButtonDblClk:
            if (s.HasSelection == 1) host.ConfirmSelection();
            break;
        case kWmRButtonUp: OnRightUp(host, s); break;
        case kWmKeyDown:
            if (wParam == kVkEscape) host.FinishCapture();
            break;
        default: break;
    }
    host.Present();
    return host.CallPreviousHandler(window, message, wParam, lParam);
}

}  // namespace ql
