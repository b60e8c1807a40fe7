#include <gtest/gtest.h>

#include "fake_overlay_host.h"

namespace ql {
namespace {

using test::FakeOverlayHost;
using Calls = std::vector<std::string>;

constexpr Rect kSelection{100, 100, 300, 200};
constexpr Rect kToolbarBelow{213, 206, 300, 234};  // where the toolbar goes below kSelection

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetOverlayState();
        ResetOverlayOnOpen();
        host.toolbarPlace = kToolbarBelow;
    }

    // Selection mode with kSelection and its toolbar drawn, as after a finished drawing.
    void InSelectionMode() {
        host.Send(kWmLButtonDown, 100, 100);
        host.Send(kWmMouseMove, 300, 200);
        host.Send(kWmLButtonUp, 300, 200);
        ASSERT_EQ(s.HasSelection, 1);
        ASSERT_EQ(s.SelectionRect, kSelection);
        ASSERT_EQ(s.ToolbarRect, kToolbarBelow);
        host.Forget();
    }

    FakeOverlayHost host;
    OverlayState& s = Overlay();
};

TEST_F(InputTest, EveryMessagePresentsAndReturnsThePreviousHandlersResult) {
    for (uint32_t message : {kWmMouseMove, kWmLButtonDown, kWmLButtonUp, kWmKeyDown, 15u, 6u}) {
        EXPECT_EQ(host.Send(message, 10, 10, 'A'), static_cast<intptr_t>(message) + 1000);
        ASSERT_FALSE(host.calls.empty());
        EXPECT_EQ(host.calls.back(), "present");
    }
}

TEST_F(InputTest, DrawingModeHoverShowsDimmedScreenAndMagnifier) {
    host.Send(kWmMouseMove, 400, 300);
    EXPECT_EQ(host.calls, (Calls{"dimmed", "magnifier", "present"}));
    EXPECT_EQ(s.CurrentOperation, Operation::Draw);
    EXPECT_TRUE(host.cursors.empty()) << "drawing mode keeps the overlay cursor";
}

TEST_F(InputTest, DrawingASelection) {
    host.Send(kWmLButtonDown, 100, 120);
    EXPECT_EQ(s.ButtonDown, 1);
    EXPECT_EQ(s.AnchorX, 100);
    EXPECT_EQ(s.AnchorY, 120);
    EXPECT_EQ(s.DragLocked, 0);
    host.Forget();
    host.Send(kWmMouseMove, 250, 90);
    EXPECT_EQ(host.calls, (Calls{"dimmed", "frame 100,90,250,120", "magnifier", "present"}));
    host.Forget();
    host.Send(kWmLButtonUp, 250, 90);
    EXPECT_EQ(host.calls, (Calls{"dimmed", "frame 100,90,250,120", "toolbar 0,0,0,0", "present"}));
    EXPECT_EQ(s.HasSelection, 1);
    EXPECT_EQ(s.SelectionRect, (Rect{100, 90, 250, 120}));
    EXPECT_EQ(s.ButtonDown, 0);
    EXPECT_EQ(s.AnchorX, -1);
    EXPECT_EQ(s.AnchorY, -1);
}

TEST_F(InputTest, ClickWithoutMovementKeepsTheOldRectangle) {
    host.Send(kWmLButtonDown, 400, 300);
    host.Send(kWmLButtonUp, 400, 300);
    EXPECT_EQ(s.HasSelection, 1);
    EXPECT_EQ(s.SelectionRect, (Rect{0, 0, 0, 0}));
}

TEST_F(InputTest, ClickWithOneMovementMakesATwoByTwoSelection) {
    host.Send(kWmLButtonDown, 400, 300);
    host.Send(kWmMouseMove, 400, 300);
    host.Send(kWmLButtonUp, 400, 300);
    EXPECT_EQ(s.HasSelection, 1);
    EXPECT_EQ(s.SelectionRect, (Rect{399, 299, 401, 301}));
}

TEST_F(InputTest, DoubleClickInDrawingModeCreatesThenConfirms) {
    host.Send(kWmLButtonDown, 400, 300);
    host.Send(kWmLButtonUp, 400, 300);
    host.Forget();
    host.Send(kWmLButtonDblClk, 400, 300);
    EXPECT_EQ(host.calls, (Calls{"confirm", "finish"}));
}

TEST_F(InputTest, DoubleClickWithoutSelectionDoesNothing) {
    host.Send(kWmLButtonDblClk, 400, 300);
    EXPECT_EQ(host.calls, (Calls{"present"}));
}

TEST_F(InputTest, DoubleClickInSelectionModeConfirmsAnywhere) {
    InSelectionMode();
    host.Send(kWmLButtonDblClk, 1500, 900);
    EXPECT_EQ(host.calls, (Calls{"confirm", "finish"}));
}

TEST_F(InputTest, HoverInSelectionModeRedrawsWithHighlightAndSetsCursor) {
    InSelectionMode();
    host.Send(kWmMouseMove, 150, 150);
    EXPECT_EQ(s.CurrentOperation, Operation::Move);
    EXPECT_EQ(host.cursors, (std::vector<CursorShape>{CursorShape::SizeAll}));
    // The hover over no button draws the toolbar twice without highlight; the selection keeps its toolbar.
    EXPECT_EQ(host.calls,
              (Calls{"dimmed", "frame 100,100,300,200", "toolbar 0,0,0,0", "toolbar 0,0,0,0", "present"}));
    host.Forget();
    host.Send(kWmMouseMove, 213 + 10, 206 + 10);  // over the cross
    EXPECT_EQ(s.HitArea, Area::Toolbar);
    EXPECT_EQ(s.CurrentOperation, Operation::None);
    EXPECT_EQ(host.cursors, (std::vector<CursorShape>{CursorShape::Arrow}));
    EXPECT_EQ(host.calls,
              (Calls{"dimmed", "frame 100,100,300,200", "toolbar 0,0,0,0", "toolbar 6,3,28,23", "present"}));
}

TEST_F(InputTest, HoverShowsNoHighlightInMenuMode) {
    InSelectionMode();
    host.Send(kWmMouseMove, 150, 150);
    host.Send(kWmRButtonUp, 150, 150);
    ASSERT_EQ(s.MenuOpen, 1);
    host.Forget();
    host.Send(kWmMouseMove, 213 + 10, 206 + 10);
    EXPECT_EQ(host.calls, (Calls{"dimmed", "frame 100,100,300,200", "toolbar 0,0,0,0", "present"}));
    // Pressing its buttons still works.
    host.Forget();
    host.Send(kWmLButtonDown, 213 + 40, 206 + 10);
    EXPECT_EQ(host.calls, (Calls{"toolbar 32,3,54,23", "confirm", "finish"}));
}

TEST_F(InputTest, ToolbarPresses) {
    struct Case {
        int32_t dx;
        Calls calls;
    };
    const Case cases[] = {
        {10, {"toolbar 6,3,28,23", "finish"}},             // the cross leaves
        {40, {"toolbar 32,3,54,23", "confirm", "finish"}}, // the tick confirms
        {70, {"toolbar 58,3,80,23", "present"}},           // the word 完成 only highlights
        {85, {"toolbar 84,3,106,23", "present"}},          // the brush's first pixels
        {30, {"toolbar 0,0,0,0", "present"}},              // between buttons
    };
    for (const Case& c : cases) {
        SetUp();
        host = FakeOverlayHost{};
        host.toolbarPlace = kToolbarBelow;
        InSelectionMode();
        host.Send(kWmMouseMove, 213 + c.dx, 216);
        host.Forget();
        host.Send(kWmLButtonDown, 213 + c.dx, 216);
        EXPECT_EQ(host.calls, c.calls) << c.dx;
        EXPECT_EQ(s.ButtonDown, 1);
        EXPECT_EQ(s.DragLocked, 0);
    }
}

TEST_F(InputTest, RightButtonRows) {
    struct Case {
        const char* name;
        Point at;
        int32_t menuOpen;
        Calls calls;
        int32_t menuAfter;
        int32_t selectionAfter;
    };
    const Case cases[] = {
        {"handle", {100, 150}, 0, {"present"}, 0, 1},
        {"inside", {150, 150}, 0, {"dimmed", "frame 100,100,300,200", "toolbar 0,0,0,0", "present"}, 1, 1},
        {"outside", {600, 600}, 1, {"dimmed", "present"}, 0, 0},
        {"toolbar, menu open", {223, 216}, 1, {"dimmed", "frame 100,100,300,200", "toolbar 0,0,0,0", "present"}, 0, 1},
        {"toolbar, menu closed", {223, 216}, 0, {"present"}, 0, 1},
        {"near outside (2 pixels)", {302, 150}, 1, {"present"}, 1, 1},
    };
    for (const Case& c : cases) {
        SetUp();
        host = FakeOverlayHost{};
        host.toolbarPlace = kToolbarBelow;
        InSelectionMode();
        s.MenuOpen = c.menuOpen;
        host.Send(kWmRButtonUp, c.at.x, c.at.y);
        EXPECT_EQ(host.calls, c.calls) << c.name;
        EXPECT_EQ(s.MenuOpen, c.menuAfter) << c.name;
        EXPECT_EQ(s.HasSelection, c.selectionAfter) << c.name;
    }
}

TEST_F(InputTest, RightButtonOutsideClearsTheSelection) {
    InSelectionMode();
    s.MenuOpen = 1;
    host.Send(kWmRButtonUp, 600, 600);
    EXPECT_EQ(s.HasSelection, 0);
    EXPECT_EQ(s.HitArea, Area::None);
    EXPECT_EQ(s.SelectionRect, Rect{});
    EXPECT_EQ(s.ToolbarRect, Rect{});
    EXPECT_EQ(host.cursors.back(), CursorShape::Overlay);
    // The next message is back in drawing mode.
    host.Forget();
    host.Send(kWmMouseMove, 610, 600);
    EXPECT_EQ(s.CurrentOperation, Operation::Draw);
    EXPECT_EQ(host.calls, (Calls{"dimmed", "magnifier", "present"}));
}

TEST_F(InputTest, RightButtonInDrawingModeLeaves) {
    host.Send(kWmRButtonUp, 600, 600);
    EXPECT_EQ(host.calls, (Calls{"finish"}));
}

TEST_F(InputTest, EscapeLeavesInAnyModeOtherKeysDoNothing) {
    host.Send(kWmKeyDown, 600, 600, 'A');
    EXPECT_EQ(host.calls, (Calls{"present"}));
    host.Send(kWmKeyDown, 600, 600, kVkEscape);
    EXPECT_EQ(host.calls, (Calls{"present", "finish"}));
}

TEST_F(InputTest, EscapeDuringADragLeavesAndOpeningClearsTheLeftOvers) {
    InSelectionMode();
    host.Send(kWmMouseMove, 150, 150);
    host.Send(kWmLButtonDown, 150, 150);
    host.Send(kWmMouseMove, 160, 150);
    host.Send(kWmMouseMove, 170, 150);
    host.Forget();
    host.Send(kWmKeyDown, 170, 150, kVkEscape);
    EXPECT_EQ(host.calls, (Calls{"finish"}));
    EXPECT_EQ(s.ButtonDown, 1);
    EXPECT_EQ(s.DragLocked, 1);
    EXPECT_EQ(s.SelectionRect, (Rect{110, 100, 310, 200}));

    // The next opening: no drag is left over, the remembered selection comes back on the first movement.
    ResetOverlayOnOpen();
    host = FakeOverlayHost{};
    host.toolbarPlace = kToolbarBelow;
    host.Send(kWmMouseMove, 400, 150);
    EXPECT_EQ(s.SelectionRect, (Rect{110, 100, 310, 200}));
    EXPECT_EQ(host.calls, (Calls{"dimmed", "frame 110,100,310,200", "toolbar 0,0,0,0", "toolbar 0,0,0,0",
                                 "present"}));
}

TEST_F(InputTest, MovingTheSelection) {
    InSelectionMode();
    host.Send(kWmMouseMove, 150, 150);
    host.Send(kWmLButtonDown, 150, 150);
    EXPECT_EQ(s.DragLocked, 1);
    host.Forget();
    host.Send(kWmMouseMove, 150, 150);  // first movement: the grab
    host.Send(kWmMouseMove, 450, 140);  // locked: the pointer leaving the inner area keeps moving it
    EXPECT_EQ(s.SelectionRect, (Rect{400, 90, 600, 190}));
    EXPECT_EQ(host.calls, (Calls{"dimmed", "frame 100,100,300,200", "toolbar 0,0,0,0", "present",
                                 "dimmed", "frame 400,90,600,190", "toolbar 0,0,0,0", "present"}));
    host.Forget();
    host.Send(kWmLButtonUp, 450, 140);
    EXPECT_EQ(host.calls, (Calls{"toolbar 0,0,0,0", "present"}));
    EXPECT_EQ(s.DragLocked, 0);
    EXPECT_EQ(s.GrabOffsetX, -1);
    EXPECT_EQ(s.SpanX, -1);
}

TEST_F(InputTest, ResizingByACornerShowsTheMagnifier) {
    InSelectionMode();
    host.Send(kWmMouseMove, 301, 201);
    EXPECT_EQ(s.CurrentOperation, Operation::Resize);
    EXPECT_EQ(s.ResizeHandle, Area::BottomRight);
    host.Send(kWmLButtonDown, 301, 201);
    host.Forget();
    host.Send(kWmMouseMove, 302, 202);
    EXPECT_EQ(host.calls, (Calls{"magnifier", "present"}));
    host.Send(kWmMouseMove, 150, 50);  // past the anchor: the rectangle turns over, the handle stays
    EXPECT_EQ(s.SelectionRect, (Rect{100, 50, 150, 100}));
    EXPECT_EQ(s.ResizeHandle, Area::BottomRight);
    host.Forget();
    host.Send(kWmLButtonUp, 150, 50);
    EXPECT_EQ(host.calls, (Calls{"dimmed", "frame 100,50,150,100", "toolbar 0,0,0,0", "present"}));
    EXPECT_EQ(s.ToolbarRect, kToolbarBelow);  // the fake's place; cleared before the drawing
}

TEST_F(InputTest, PressOutsideThenReachingTheSelectionMovesItWithoutALock) {
    InSelectionMode();
    host.Send(kWmMouseMove, 50, 150);
    host.Send(kWmLButtonDown, 50, 150);
    EXPECT_EQ(s.ButtonDown, 1);
    EXPECT_EQ(s.DragLocked, 0);
    host.Forget();
    host.Send(kWmMouseMove, 80, 150);  // still outside: nothing drawn
    EXPECT_EQ(host.calls, (Calls{"present"}));
    host.Send(kWmMouseMove, 150, 150);  // inside: the grab
    host.Send(kWmMouseMove, 160, 150);
    EXPECT_EQ(s.SelectionRect, (Rect{110, 100, 310, 200}));
    EXPECT_EQ(s.DragLocked, 0);
}

TEST_F(InputTest, DrawingModeAlwaysDrawsWhateverTheArea) {
    s.HitArea = Area::Inside;  // left over; no hit test runs in drawing mode
    for (uint32_t message : {kWmMouseMove, kWmKeyDown, kWmLButtonDblClk, 6u}) {
        s.CurrentOperation = Operation::None;
        host.Send(message, 123, 456);
        EXPECT_EQ(s.CurrentOperation, Operation::Draw) << message;
    }
}

}  // namespace
}  // namespace ql
