// A recording OverlayHost: the pointer and screen are set by the test, every drawing, export and
// window call is written down as a short line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "capture/overlay_logic.h"

namespace ql {
// Readable rectangles in test failures.
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << r.left << "," << r.top << "," << r.right << "," << r.bottom;
}
}  // namespace ql

namespace ql::test {

inline std::string RectText(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class FakeOverlayHost : public OverlayHost {
public:
    Point pointer;
    int32_t width = 1920;
    int32_t height = 1080;
    // Where DrawToolbar puts the toolbar (stands in for the placement by the selection).
    Rect toolbarPlace;
    bool closed = false;
    std::vector<CursorShape> cursors;
    std::vector<std::string> calls;

    Point PointerPosition() override { return pointer; }
    int32_t ScreenWidth() override { return width; }
    int32_t ScreenHeight() override { return height; }
    void SetCursor(CursorShape shape) override { cursors.push_back(shape); }

    void DrawDimmedBase() override { calls.push_back("dimmed"); }
    void DrawSelectionFrame(int32_t l, int32_t t, int32_t r, int32_t b) override {
        calls.push_back("frame " + RectText(Rect{l, t, r, b}));
    }
    void DrawToolbar(const Rect& box) override {
        Overlay().ToolbarRect = toolbarPlace;
        calls.push_back("toolbar " + RectText(box));
    }
    void DrawMagnifier() override { calls.push_back("magnifier"); }
    void Present() override {
        if (!closed) calls.push_back("present");
    }
    void ConfirmSelection() override {
        calls.push_back("confirm");
        FinishCapture();
    }
    void FinishCapture() override {
        calls.push_back("finish");
        closed = true;
    }
    intptr_t CallPreviousHandler(OverlayWindow, uint32_t message, uintptr_t, intptr_t) override {
        return static_cast<intptr_t>(message) + 1000;
    }

    // Sends one message with the pointer at x, y.
    intptr_t Send(uint32_t message, int32_t x, int32_t y, uintptr_t wParam = 0) {
        pointer = Point{x, y};
        return OverlayMessage(*this, nullptr, message, wParam, 0);
    }
    void Forget() {
        calls.clear();
        cursors.clear();
    }
};

}  // namespace ql::test
