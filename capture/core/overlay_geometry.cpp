#include <algorithm>

#include "capture/overlay_logic.h"

namespace ql {

namespace {

// Sums are made in 64 bits so that rectangles near the limits of int32 cannot overflow.
using i64 = int64_t;

CursorShape CursorFor(Area a) {
    switch (a) {
        case Area::Inside: return CursorShape::SizeAll;
        case Area::Top:
        case Area::Bottom: return CursorShape::SizeNS;
        case Area::Left:
        case Area::Right: return CursorShape::SizeWE;
        case Area::TopLeft:
        case Area::BottomRight: return CursorShape::SizeNWSE;
        case Area::TopRight:
        case Area::BottomLeft: return CursorShape::SizeNESW;
        case Area::Toolbar: return CursorShape::Arrow;
        case Area::Outside:
        case Area::None: break;
    }
    return CursorShape::Overlay;
}

bool InBand(i64 v, i64 side) { return side - 2 <= v && v <= side + 2; }

Rect Spanning(int32_t ax, int32_t ay, int32_t x, int32_t y) {
    return Rect{std::min(ax, x), std::min(ay, y), std::max(ax, x), std::max(ay, y)};
}

struct ButtonRow {
    int32_t number;
    int32_t from, to;            // horizontal range under the pointer
    int32_t boxLeft, boxRight;   // highlight box
    bool found;
};

constexpr ButtonRow kButtons[] = {
    {1, 6, 28, 6, 28, true},        {2, 32, 54, 32, 54, true},      {3, 58, 80, 58, 80, true},
    {4, 84, 106, 84, 106, true},    {5, 110, 132, 110, 132, true},  {6, 144, 158, 144, 166, true},
    {7, 170, 192, 170, 192, true},  {8, 196, 219, 196, 219, true},  {9, 219, 228, 219, 228, false},
    {10, 241, 262, 241, 262, true}, {11, 267, 321, 267, 321, true},
};

}  // namespace

void HitTest(OverlayHost& host, int32_t x, int32_t y) {
    OverlayState& s = Overlay();
    if (s.DragLocked == 1 || s.HasSelection == 0) return;
    if (x == s.LastHitX && y == s.LastHitY) return;

    const i64 L = s.SelectionRect.left, T = s.SelectionRect.top;
    const i64 R = s.SelectionRect.right, B = s.SelectionRect.bottom;
    const i64 px = x, py = y;

    Area area = s.HitArea;
    bool set = false;
    if (px < L - 2 || px > R + 2 || py < T - 2 || py > B + 2) {
        area = Area::Outside;
        set = true;
    } else {
        // Later tests overwrite earlier ones; the order makes the tie-breaks.
        if (L + 2 < px && px < R - 2 && T + 2 < py && py < B - 2) { area = Area::Inside; set = true; }
        if (InBand(py, T)) { area = Area::Top; set = true; }
        if (InBand(py, B)) { area = Area::Bottom; set = true; }
        if (InBand(px, L)) {
            area = Area::Left;
            if (InBand(py, T)) area = Area::TopLeft;
            else if (InBand(py, B)) area = Area::BottomLeft;
            set = true;
        } else if (InBand(px, R)) {
            area = Area::Right;
            if (InBand(py, T)) area = Area::TopRight;
            else if (InBand(py, B)) area = Area::BottomRight;
            set = true;
        }
    }
    const Rect& tb = s.ToolbarRect;
    if (tb.left < px && px < tb.right && tb.top < py && py < tb.bottom) {
        area = Area::Toolbar;
        set = true;
    }
    if (set) {
        s.HitArea = area;
        host.SetCursor(CursorFor(area));
    }
    s.LastHitX = x;
    s.LastHitY = y;
}

bool ToolbarButtonAtOffset(int32_t dx, int32_t dy, Rect& box, int32_t& button) {
    if (dy < 3 || dy > 23) return false;
    for (const ButtonRow& row : kButtons) {
        if (row.from <= dx && dx <= row.to) {
            box = Rect{row.boxLeft, 3, row.boxRight, 23};
            button = row.number;
            return row.found;
        }
    }
    return false;
}

bool ToolbarButtonAt(OverlayHost& host, Rect& box, int32_t& button) {
    const Point p = host.PointerPosition();
    const Rect& tb = Overlay().ToolbarRect;
    const i64 dx = i64{p.x} - tb.left, dy = i64{p.y} - tb.top;
    if (dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX) return false;
    return ToolbarButtonAtOffset(static_cast<int32_t>(dx), static_cast<int32_t>(dy), box, button);
}

void MinimumSizeFix(Rect& r) {
    const i64 w = i64{r.right} - r.left;
    if (w == 0) { --r.left; ++r.right; }
    else if (w == 1) { --r.left; }
    const i64 h = i64{r.bottom} - r.top;
    if (h == 0) { --r.top; ++r.bottom; }
    else if (h == 1) { --r.top; }
}

void DrawNewSelection(OverlayHost& host) {
    OverlayState& s = Overlay();
    host.DrawDimmedBase();
    const Point p = host.PointerPosition();
    const Rect drawn = Spanning(s.AnchorX, s.AnchorY, p.x, p.y);
    s.SelectionRect = drawn;
    MinimumSizeFix(s.SelectionRect);
    // The frame follows the pointer exactly; only the stored selection is widened.
    host.DrawSelectionFrame(drawn.left, drawn.top, drawn.right, drawn.bottom);
}

namespace {

void ResizeBySide(OverlayHost& host, OverlayState& s) {
    const Point p = host.PointerPosition();
    Rect& sel = s.SelectionRect;
    if (s.SpanX == -1 && s.SpanY == -1) {
        s.AnchorX = sel.left;
        s.AnchorY = sel.top;
        s.SpanX = sel.right - sel.left;
        s.SpanY = sel.bottom - sel.top;
    } else {
        switch (s.ResizeHandle) {
            case Area::Left:
                s.SpanX = (s.AnchorX + s.SpanX) - p.x;  // the right side stays put
                s.AnchorX = p.x;
                break;
            case Area::Right: s.SpanX = p.x - s.AnchorX; break;
            case Area::Top:
                s.SpanY = (s.AnchorY + s.SpanY) - p.y;
                s.AnchorY = p.y;
                break;
            case Area::Bottom: s.SpanY = p.y - s.AnchorY; break;
            default: break;
        }
    }
    const int32_t farX = s.AnchorX + s.SpanX, farY = s.AnchorY + s.SpanY;
    sel = Rect{std::min(s.AnchorX, farX), std::min(s.AnchorY, farY), std::max(s.AnchorX, farX),
               std::max(s.AnchorY, farY)};
    MinimumSizeFix(sel);
    host.DrawDimmedBase();
    host.DrawSelectionFrame(sel.left, sel.top, sel.right, sel.bottom);
}

void ResizeByCorner(OverlayHost& host, OverlayState& s) {
    Rect& sel = s.SelectionRect;
    if (s.AnchorX == -1 && s.AnchorY == -1 && s.CornerAnchorSet == 0) {
        // First movement: the opposite corner becomes the anchor; nothing is drawn yet.
        switch (s.ResizeHandle) {
            case Area::TopLeft: s.AnchorX = sel.right; s.AnchorY = sel.bottom; break;
            case Area::TopRight: s.AnchorX = sel.left; s.AnchorY = sel.bottom; break;
            case Area::BottomLeft: s.AnchorX = sel.right; s.AnchorY = sel.top; break;
            default: s.AnchorX = sel.left; s.AnchorY = sel.top; break;
        }
        s.CornerAnchorSet = 1;
        return;
    }
    const Point p = host.PointerPosition();
    const Rect drawn = Spanning(s.AnchorX, s.AnchorY, p.x, p.y);
    sel = drawn;
    MinimumSizeFix(sel);
    host.DrawDimmedBase();
    host.DrawSelectionFrame(drawn.left, drawn.top, drawn.right, drawn.bottom);
}

void MoveSelection(OverlayHost& host, OverlayState& s) {
    const Point p = host.PointerPosition();
    Rect& sel = s.SelectionRect;
    if (s.GrabOffsetX == -1 && s.GrabOffsetY == -1 && s.SpanX == -1 && s.SpanY == -1) {
        s.GrabOffsetX = sel.left - p.x;
        s.GrabOffsetY = sel.top - p.y;
        s.SpanX = sel.right - sel.left;
        s.SpanY = sel.bottom - sel.top;
    } else {
        const i64 W = host.ScreenWidth(), H = host.ScreenHeight();
        const bool onScreen = sel.left >= 0 && i64{sel.left} + s.SpanX <= W && sel.top >= 0 &&
                              i64{sel.top} + s.SpanY <= H;
        if (onScreen) {
            // Stopped at an edge, the grab offset is taken again so the selection follows the
            // pointer as soon as it turns back.
            const i64 nx = i64{p.x} + s.GrabOffsetX;
            if (nx < 0 || nx + s.SpanX > W) {
                sel.left = nx >= 0 ? static_cast<int32_t>(W - s.SpanX) : 0;
                s.GrabOffsetX = sel.left - p.x;
            } else {
                sel.left = static_cast<int32_t>(nx);
            }
            const i64 ny = i64{p.y} + s.GrabOffsetY;
            if (ny < 0 || ny + s.SpanY > H) {
                sel.top = ny >= 0 ? static_cast<int32_t>(H - s.SpanY) : 0;
                s.GrabOffsetY = sel.top - p.y;
            } else {
                sel.top = static_cast<int32_t>(ny);
            }
        }
    }
    sel.right = sel.left + s.SpanX;
    sel.bottom = sel.top + s.SpanY;
    host.DrawDimmedBase();
    host.DrawSelectionFrame(sel.left, sel.top, sel.right, sel.bottom);
}

}  // namespace

void AdjustSelection(OverlayHost& host) {
    OverlayState& s = Overlay();
    if (s.CurrentOperation == Operation::Move) {
        MoveSelection(host, s);
    } else if (s.CurrentOperation == Operation::Resize) {
        if (IsSide(s.ResizeHandle)) ResizeBySide(host, s);
        else if (IsCorner(s.ResizeHandle)) ResizeByCorner(host, s);
    }
}

}  // namespace ql
