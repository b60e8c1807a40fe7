#include <gtest/gtest.h>

#include "fake_overlay_host.h"

namespace ql {
namespace {

using test::FakeOverlayHost;

class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override { ResetOverlayState(); }
    FakeOverlayHost host;
    OverlayState& s = Overlay();

    void Select(Rect r) {
        s.HasSelection = 1;
        s.SelectionRect = r;
    }
};

struct HitCase {
    int32_t x, y;
    Area area;
    CursorShape cursor;
};

TEST_F(GeometryTest, HitTestBandsAndCorners) {
    const HitCase cases[] = {
        {102, 150, Area::Left, CursorShape::SizeWE},
        {103, 150, Area::Inside, CursorShape::SizeAll},
        {97, 150, Area::Outside, CursorShape::Overlay},
        {98, 98, Area::TopLeft, CursorShape::SizeNWSE},
        {302, 202, Area::BottomRight, CursorShape::SizeNWSE},
        {302, 98, Area::TopRight, CursorShape::SizeNESW},
        {98, 202, Area::BottomLeft, CursorShape::SizeNESW},
        {200, 98, Area::Top, CursorShape::SizeNS},
        {200, 202, Area::Bottom, CursorShape::SizeNS},
        {298, 150, Area::Right, CursorShape::SizeWE},
        {297, 150, Area::Inside, CursorShape::SizeAll},
        {200, 203, Area::Outside, CursorShape::Overlay},
        {303, 202, Area::Outside, CursorShape::Overlay},
    };
    for (const HitCase& c : cases) {
        ResetOverlayState();
        Select(Rect{100, 100, 300, 200});
        host.Forget();
        HitTest(host, c.x, c.y);
        EXPECT_EQ(s.HitArea, c.area) << c.x << "," << c.y << " got " << AreaName(s.HitArea);
        ASSERT_EQ(host.cursors.size(), 1u) << c.x << "," << c.y;
        EXPECT_EQ(host.cursors.back(), c.cursor) << c.x << "," << c.y;
        EXPECT_EQ(s.LastHitX, c.x);
        EXPECT_EQ(s.LastHitY, c.y);
    }
}

TEST_F(GeometryTest, HitTestTieBreaksOnSmallSelections) {
    // 4 pixels high: a point in both horizontal bands is the bottom side; on a vertical side the top
    // corner wins.  4 pixels wide: the left side wins.
    const HitCase cases[] = {
        {150, 102, Area::Bottom, CursorShape::SizeNS},
        {100, 102, Area::TopLeft, CursorShape::SizeNWSE},
        {300, 102, Area::TopRight, CursorShape::SizeNESW},
    };
    for (const HitCase& c : cases) {
        ResetOverlayState();
        Select(Rect{100, 100, 300, 104});
        HitTest(host, c.x, c.y);
        EXPECT_EQ(s.HitArea, c.area) << c.x << "," << c.y << " got " << AreaName(s.HitArea);
    }
    ResetOverlayState();
    Select(Rect{100, 100, 104, 200});
    HitTest(host, 102, 150);
    EXPECT_EQ(s.HitArea, Area::Left);
    // No inner area below 6 pixels: the middle of a 5-pixel selection is a band, not a move.
    ResetOverlayState();
    Select(Rect{100, 100, 105, 105});
    HitTest(host, 103, 103);
    EXPECT_NE(s.HitArea, Area::Inside);
}

TEST_F(GeometryTest, ToolbarOverTheSelectionWinsOnlyStrictlyInside) {
    const HitCase cases[] = {
        {150, 130, Area::Toolbar, CursorShape::Arrow},  // inner area under the toolbar
        {102, 130, Area::Toolbar, CursorShape::Arrow},  // left band under the toolbar
        {101, 130, Area::Left, CursorShape::SizeWE},    // toolbar's own left border
        {150, 120, Area::Inside, CursorShape::SizeAll}, // toolbar's own top border
        {150, 148, Area::Outside, CursorShape::Overlay},// toolbar's own bottom border, below the selection
        {150, 147, Area::Toolbar, CursorShape::Arrow},  // toolbar reaching outside the selection
    };
    for (const HitCase& c : cases) {
        ResetOverlayState();
        Select(Rect{100, 100, 300, 140});
        s.ToolbarRect = Rect{101, 120, 188, 148};
        host.Forget();
        HitTest(host, c.x, c.y);
        EXPECT_EQ(s.HitArea, c.area) << c.x << "," << c.y << " got " << AreaName(s.HitArea);
        ASSERT_FALSE(host.cursors.empty());
        EXPECT_EQ(host.cursors.back(), c.cursor) << c.x << "," << c.y;
    }
}

TEST_F(GeometryTest, HitTestSkipsUnmovedPointerLockedDragAndDrawingMode) {
    Select(Rect{100, 100, 300, 200});
    HitTest(host, 150, 150);
    ASSERT_EQ(s.HitArea, Area::Inside);
    // Same pointer: the area stays although the selection moved away from under it.
    s.SelectionRect = Rect{500, 500, 600, 600};
    s.ToolbarRect = Rect{140, 140, 160, 160};
    host.Forget();
    HitTest(host, 150, 150);
    EXPECT_EQ(s.HitArea, Area::Inside);
    EXPECT_TRUE(host.cursors.empty());

    s.DragLocked = 1;
    HitTest(host, 10, 10);
    EXPECT_EQ(s.HitArea, Area::Inside);
    EXPECT_EQ(s.LastHitX, 150);

    s.DragLocked = 0;
    s.HasSelection = 0;
    HitTest(host, 10, 10);
    EXPECT_EQ(s.HitArea, Area::Inside);
    EXPECT_TRUE(host.cursors.empty());

    s.HasSelection = 1;
    HitTest(host, 10, 10);
    EXPECT_EQ(s.HitArea, Area::Outside);
}

TEST(ToolbarButtonAtTest, Offsets) {
    struct Case {
        int32_t dx, dy;
        bool found;
        int32_t button;  // 0: untouched
        Rect box;        // all -7: untouched
    };
    const Rect untouched{-7, -7, -7, -7};
    const Case cases[] = {
        {28, 3, true, 1, {6, 3, 28, 23}},
        {6, 23, true, 1, {6, 3, 28, 23}},
        {5, 10, false, 0, untouched},
        {29, 3, false, 0, untouched},
        {32, 10, true, 2, {32, 3, 54, 23}},
        {80, 10, true, 3, {58, 3, 80, 23}},
        {86, 10, true, 4, {84, 3, 106, 23}},
        {150, 10, true, 6, {144, 3, 166, 23}},
        {219, 10, true, 8, {196, 3, 219, 23}},
        {220, 10, false, 9, {219, 3, 228, 23}},  // written although not found
        {321, 10, true, 11, {267, 3, 321, 23}},
        {322, 10, false, 0, untouched},
        {28, 2, false, 0, untouched},
        {28, 24, false, 0, untouched},
    };
    for (const Case& c : cases) {
        Rect box = untouched;
        int32_t button = 0;
        EXPECT_EQ(ToolbarButtonAtOffset(c.dx, c.dy, box, button), c.found) << c.dx << "," << c.dy;
        EXPECT_EQ(button, c.button) << c.dx << "," << c.dy;
        EXPECT_EQ(box, c.box) << c.dx << "," << c.dy;
    }
}

TEST_F(GeometryTest, ToolbarButtonAtReadsThePointerRelativeToTheToolbar) {
    s.ToolbarRect = Rect{1000, 500, 1087, 528};
    host.pointer = Point{1028, 503};
    Rect box;
    int32_t button = 0;
    EXPECT_TRUE(ToolbarButtonAt(host, box, button));
    EXPECT_EQ(button, 1);
    // Not checked against ToolbarRect: far to the right is still a button of the picture.
    host.pointer = Point{1000 + 300, 510};
    EXPECT_TRUE(ToolbarButtonAt(host, box, button));
    EXPECT_EQ(button, 11);
}

TEST(MinimumSizeFixTest, Cases) {
    struct Case {
        Rect in, out;
    };
    const Case cases[] = {
        {{50, 50, 50, 80}, {49, 50, 51, 80}},
        {{50, 50, 51, 80}, {49, 50, 51, 80}},
        {{50, 50, 52, 80}, {50, 50, 52, 80}},
        {{0, 0, 0, 0}, {-1, -1, 1, 1}},
        {{10, 20, 30, 21}, {10, 19, 30, 21}},
        {{10, 20, 30, 20}, {10, 19, 30, 21}},
    };
    for (const Case& c : cases) {
        Rect r = c.in;
        MinimumSizeFix(r);
        EXPECT_EQ(r, c.out) << test::RectText(c.in);
    }
}

TEST_F(GeometryTest, DrawNewSelectionStoresFixedRectButFramesTheDrawnOne) {
    s.AnchorX = 50;
    s.AnchorY = 50;
    host.pointer = Point{50, 80};
    DrawNewSelection(host);
    EXPECT_EQ(s.SelectionRect, (Rect{49, 50, 51, 80}));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"dimmed", "frame 50,50,50,80"}));

    host.Forget();
    host.pointer = Point{51, 80};
    DrawNewSelection(host);
    EXPECT_EQ(s.SelectionRect, (Rect{49, 50, 51, 80}));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"dimmed", "frame 50,50,51,80"}));

    // Drawn up and to the left of the anchor.
    host.Forget();
    host.pointer = Point{10, 20};
    DrawNewSelection(host);
    EXPECT_EQ(s.SelectionRect, (Rect{10, 20, 50, 50}));
}

// Runs one resize or move drag: the first movement takes the markers, the others move the pointer.
void Drag(FakeOverlayHost& host, Operation op, Area handle, std::initializer_list<Point> points) {
    OverlayState& s = Overlay();
    s.CurrentOperation = op;
    s.ResizeHandle = handle;
    for (const Point& p : points) {
        host.pointer = p;
        AdjustSelection(host);
    }
}

TEST_F(GeometryTest, SideDraggedPastTheOppositeSideTurnsOver) {
    struct Case {
        Area handle;
        std::initializer_list<Point> points;
        Rect result;
    };
    const Case cases[] = {
        {Area::Left, {{100, 150}, {350, 150}}, {300, 100, 350, 200}},
        {Area::Left, {{100, 150}, {150, 150}}, {150, 100, 300, 200}},
        {Area::Right, {{300, 150}, {50, 150}}, {50, 100, 100, 200}},
        {Area::Top, {{200, 100}, {200, 260}}, {100, 200, 300, 260}},
        {Area::Bottom, {{200, 200}, {200, 120}}, {100, 100, 300, 120}},
        // Onto the opposite side: the fix keeps it 2 pixels wide.
        {Area::Left, {{100, 150}, {300, 150}}, {299, 100, 301, 200}},
    };
    for (const Case& c : cases) {
        ResetOverlayState();
        Select(Rect{100, 100, 300, 200});
        Drag(host, Operation::Resize, c.handle, c.points);
        EXPECT_EQ(s.SelectionRect, c.result) << AreaName(c.handle);
        EXPECT_EQ(s.ResizeHandle, c.handle);
    }
    // Going on past the far side keeps moving the same edge of the picture.
    ResetOverlayState();
    Select(Rect{100, 100, 300, 200});
    Drag(host, Operation::Resize, Area::Left, {{100, 150}, {350, 150}, {400, 150}, {250, 150}});
    EXPECT_EQ(s.SelectionRect, (Rect{250, 100, 300, 200}));
}

TEST_F(GeometryTest, SideResizeFirstMovementRedrawsTheUnchangedSelection) {
    Select(Rect{100, 100, 300, 200});
    Drag(host, Operation::Resize, Area::Right, {{305, 150}});
    EXPECT_EQ(s.SelectionRect, (Rect{100, 100, 300, 200}));
    EXPECT_EQ(s.AnchorX, 100);
    EXPECT_EQ(s.SpanX, 200);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"dimmed", "frame 100,100,300,200"}));
}

TEST_F(GeometryTest, CornerResizeAnchorsTheOppositeCornerThenJumpsToThePointer) {
    struct Case {
        Area handle;
        Point anchor;
        Point to;
        Rect result;
    };
    const Case cases[] = {
        {Area::TopLeft, {300, 200}, {50, 60}, {50, 60, 300, 200}},
        {Area::TopRight, {100, 200}, {400, 60}, {100, 60, 400, 200}},
        {Area::BottomLeft, {300, 100}, {50, 260}, {50, 100, 300, 260}},
        {Area::BottomRight, {100, 100}, {400, 260}, {100, 100, 400, 260}},
        {Area::BottomRight, {100, 100}, {20, 30}, {20, 30, 100, 100}},  // turned over
    };
    for (const Case& c : cases) {
        ResetOverlayState();
        Select(Rect{100, 100, 300, 200});
        host.Forget();
        Drag(host, Operation::Resize, c.handle, {{1, 1}});
        EXPECT_EQ(s.AnchorX, c.anchor.x) << AreaName(c.handle);
        EXPECT_EQ(s.AnchorY, c.anchor.y) << AreaName(c.handle);
        EXPECT_TRUE(host.calls.empty()) << "the first movement draws nothing";
        EXPECT_EQ(s.SelectionRect, (Rect{100, 100, 300, 200}));
        Drag(host, Operation::Resize, c.handle, {c.to});
        EXPECT_EQ(s.SelectionRect, c.result) << AreaName(c.handle);
    }
}

TEST_F(GeometryTest, CornerResizeDrawsTheFrameBeforeTheFix) {
    Select(Rect{100, 100, 300, 200});
    Drag(host, Operation::Resize, Area::BottomRight, {{300, 200}});
    host.Forget();
    Drag(host, Operation::Resize, Area::BottomRight, {{100, 150}});
    EXPECT_EQ(s.SelectionRect, (Rect{99, 100, 101, 150}));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"dimmed", "frame 100,100,100,150"}));
}

TEST_F(GeometryTest, MoveClampedAtTheRightEdgeFollowsBackAtOnce) {
    Select(Rect{1500, 500, 1700, 600});
    // Grabbed 20 pixels right of the left side.
    Drag(host, Operation::Move, Area::None, {{1520, 550}});
    EXPECT_EQ(s.GrabOffsetX, -20);
    EXPECT_EQ(s.SelectionRect, (Rect{1500, 500, 1700, 600}));

    Drag(host, Operation::Move, Area::None, {{1740, 550}});
    EXPECT_EQ(s.SelectionRect, (Rect{1720, 500, 1920, 600}));
    Drag(host, Operation::Move, Area::None, {{1741, 550}});
    EXPECT_EQ(s.SelectionRect, (Rect{1720, 500, 1920, 600}));
    Drag(host, Operation::Move, Area::None, {{1760, 550}});
    EXPECT_EQ(s.SelectionRect, (Rect{1720, 500, 1920, 600}));
    Drag(host, Operation::Move, Area::None, {{1759, 550}});
    EXPECT_EQ(s.SelectionRect, (Rect{1719, 500, 1919, 600}));
}

TEST_F(GeometryTest, MoveClampsAtTheOtherEdges) {
    struct Case {
        Point to;
        Rect result;
    };
    const Case cases[] = {
        {{10, 550}, {0, 500, 200, 600}},       // left edge
        {{600, 10}, {580, 0, 780, 100}},      // top edge
        {{600, 1075}, {580, 980, 780, 1080}}, // bottom edge
        {{700, 650}, {680, 600, 880, 700}},   // free
    };
    for (const Case& c : cases) {
        ResetOverlayState();
        Select(Rect{500, 500, 700, 600});
        Drag(host, Operation::Move, Area::None, {{520, 550}, c.to});
        EXPECT_EQ(s.SelectionRect, c.result) << c.to.x << "," << c.to.y;
    }
}

TEST_F(GeometryTest, SelectionOffTheScreenCannotBeMovedButCanBeResized) {
    Select(Rect{-1, 100, 1, 200});
    Drag(host, Operation::Move, Area::None, {{0, 150}, {400, 300}});
    EXPECT_EQ(s.SelectionRect, (Rect{-1, 100, 1, 200}));

    ResetOverlayState();
    Select(Rect{-1, 100, 1, 200});
    Drag(host, Operation::Resize, Area::Right, {{1, 150}, {300, 150}});
    EXPECT_EQ(s.SelectionRect, (Rect{-1, 100, 300, 200}));

    // A click at the screen's corner leaves -1,-1,1,1: its bottom-right corner still drags.
    ResetOverlayState();
    Select(Rect{-1, -1, 1, 1});
    Drag(host, Operation::Resize, Area::BottomRight, {{1, 1}, {200, 150}});
    EXPECT_EQ(s.SelectionRect, (Rect{-1, -1, 200, 150}));
}

TEST_F(GeometryTest, ResizeWithoutAHandleDoesNothing) {
    Select(Rect{100, 100, 300, 200});
    Drag(host, Operation::Resize, Area::Inside, {{1, 1}, {5, 5}});
    EXPECT_EQ(s.SelectionRect, (Rect{100, 100, 300, 200}));
    EXPECT_TRUE(host.calls.empty());
}

TEST(ToArgbTest, SwapsRedAndBlueAndSetsAlpha) {
    EXPECT_EQ(ToArgb(0, 0, 0), 0xFF000000u);
    EXPECT_EQ(ToArgb(0xFFAE00, 0, 0), 0xFF00AEFFu);  // red 0, green 174, blue 255
    EXPECT_EQ(ToArgb(0x0000FF, 128, 1), 0x80FF0000u);
    EXPECT_EQ(ToArgb(0x0000FF, 128, 0), 0xFFFF0000u);
}

TEST(AreaNameTest, Texts) {
    EXPECT_STREQ(AreaName(Area::TopLeft), "左上角");
    EXPECT_STREQ(AreaName(Area::Toolbar), "工具栏");
    EXPECT_STREQ(AreaName(Area::None), "");
    EXPECT_STREQ(OperationName(Operation::Move), "拖动");
}

}  // namespace
}  // namespace ql
