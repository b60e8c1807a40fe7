// The overlay's frames, read back from the canvas's pixels.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QCoreApplication>

#include "capture/capture_window.h"
#include "capture/overlay_logic.h"
#include "capture/overlay_render.h"
#include "capture/overlay_state.h"
#include "overlay_test_support.h"

namespace ql {
namespace {

using test::CanvasPixel;
using test::Dim;
using test::SnapshotPixel;

::testing::AssertionResult Near(QRgb got, int r, int g, int b, int tolerance = 1) {
    if (std::abs(qRed(got) - r) <= tolerance && std::abs(qGreen(got) - g) <= tolerance &&
        std::abs(qBlue(got) - b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << qRed(got) << "," << qGreen(got) << "," << qBlue(got)
                                         << " expected " << r << "," << g << "," << b;
}
::testing::AssertionResult IsSnapshot(int x, int y) {
    const QRgb s = SnapshotPixel(x, y);
    return Near(CanvasPixel(x, y), qRed(s), qGreen(s), qBlue(s), 0) << " at " << x << "," << y;
}
::testing::AssertionResult IsDimmed(int x, int y) {
    const QRgb s = SnapshotPixel(x, y);
    return Near(CanvasPixel(x, y), Dim(qRed(s)), Dim(qGreen(s)), Dim(qBlue(s))) << " at " << x << "," << y;
}
::testing::AssertionResult IsFrameColour(int x, int y) { return Near(CanvasPixel(x, y), 0, 174, 255, 0) << " at " << x << "," << y; }

class RenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::EnsureApp();
        CreateOverlayObjects();
        SetSnapshotSourceForTests([] { return test::MakeSnapshot(test::ScreenSize()); });
    }
    static void TearDownTestSuite() {
        SetSnapshotSourceForTests({});
        ReleaseOverlayObjects();
    }
    void SetUp() override {
        ResetOverlayState();
        width_ = test::ScreenSize().width();
        height_ = test::ScreenSize().height();
        ASSERT_GE(width_, 640);
        ASSERT_GE(height_, 480);
    }
    void TearDown() override {
        CloseOverlay();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void Open() { ASSERT_NE(OpenCaptureWindow(), nullptr); }
    void Select(Rect r) {
        Overlay().HasSelection = 1;
        Overlay().SelectionRect = r;
    }
    // Leftmost column, relative to x0, holding a near-white pixel in the rectangle.
    static int LeftmostWhite(int x0, int y0, int w, int h) {
        for (int x = x0; x < x0 + w; ++x)
            for (int y = y0; y < y0 + h; ++y) {
                const QRgb p = CanvasPixel(x, y);
                if (qRed(p) > 180 && qGreen(p) > 180 && qBlue(p) > 180) return x - x0;
            }
        return -1;
    }
    int width_ = 0;
    int height_ = 0;
};

TEST_F(RenderTest, FirstFrameIsTheSnapshotAtHalfBrightnessEvenWithARememberedSelection) {
    Select(Rect{100, 100, 300, 200});
    Overlay().ToolbarRect = Rect{213, 206, 300, 234};
    Open();
    for (const QPoint p : {QPoint(0, 0), QPoint(150, 150), QPoint(100, 100), QPoint(250, 210), QPoint(410, 310),
                           QPoint(width_ - 1, height_ - 1)})
        EXPECT_TRUE(IsDimmed(p.x(), p.y()));
    // A new snapshot at every opening.
    EXPECT_EQ(Overlay().CaptureSnapshot.data().substr(0, 2), "BM");
    EXPECT_EQ(DecodedSnapshot().size(), QSize(width_, height_));
}

TEST_F(RenderTest, SelectionIsBrightWithFrameAndHandlesInTheFrameColour) {
    Open();
    Select(Rect{100, 100, 300, 200});
    RedrawSelection(CaptureHost(), RedrawMode::Clear);
    EXPECT_TRUE(IsSnapshot(150, 150));
    EXPECT_TRUE(IsSnapshot(103, 103));
    EXPECT_TRUE(IsSnapshot(296, 196));
    EXPECT_TRUE(IsDimmed(50, 50));
    EXPECT_TRUE(IsDimmed(150, 203));
    EXPECT_TRUE(IsDimmed(303, 150));
    // The frame line on left, top, right and bottom.
    for (const QPoint p : {QPoint(150, 100), QPoint(150, 200), QPoint(100, 150), QPoint(300, 120), QPoint(250, 100)})
        EXPECT_TRUE(IsFrameColour(p.x(), p.y()));
    // The eight 5 x 5 handles straddle the line; the top middle one sits 2 pixels left of the bottom one.
    for (const QPoint p : {QPoint(98, 98), QPoint(102, 102), QPoint(196, 98), QPoint(200, 102), QPoint(298, 98),
                           QPoint(302, 102), QPoint(98, 148), QPoint(102, 152), QPoint(298, 148), QPoint(302, 152),
                           QPoint(98, 198), QPoint(102, 202), QPoint(198, 198), QPoint(202, 202), QPoint(298, 198),
                           QPoint(302, 202)})
        EXPECT_TRUE(IsFrameColour(p.x(), p.y()));
    EXPECT_TRUE(IsSnapshot(201, 101));  // right of the top middle handle
    EXPECT_TRUE(IsDimmed(197, 201));    // left of the bottom middle handle
    EXPECT_TRUE(IsDimmed(97, 97));      // just outside the corner handle
}

TEST_F(RenderTest, OneByOneSelectionStillGetsItsFrame) {
    Open();
    Select(Rect{200, 200, 201, 201});
    RedrawSelection(CaptureHost(), RedrawMode::Clear);
    EXPECT_TRUE(IsFrameColour(198, 198));
    EXPECT_TRUE(IsFrameColour(203, 203));
    EXPECT_TRUE(IsDimmed(204, 204));
}

TEST_F(RenderTest, SizeLabelSitsAboveOrInsideWithTheTextTwoPixelsLeft) {
    Open();
    Select(Rect{100, 100, 300, 200});
    RedrawSelection(CaptureHost(), RedrawMode::Clear);
    // Above: the box at 100, 77, black at alpha 128 over the dimmed screen.
    {
        const QRgb s = SnapshotPixel(101, 95);
        EXPECT_TRUE(Near(CanvasPixel(101, 95), Dim(Dim(qRed(s))), Dim(Dim(qGreen(s))), Dim(Dim(qBlue(s))), 2));
        EXPECT_TRUE(IsDimmed(101, 76));
    }
    const int above = LeftmostWhite(100, 77, 72, 20);
    ASSERT_GE(above, 0) << "no label text above";

    Select(Rect{100, 10, 300, 110});  // the same size text, top below 23
    RedrawSelection(CaptureHost(), RedrawMode::Clear);
    {
        // Inside, 1 pixel below the top: the box darkens the bright selection.
        const QRgb s = SnapshotPixel(101, 29);
        EXPECT_TRUE(Near(CanvasPixel(101, 29), Dim(qRed(s)), Dim(qGreen(s)), Dim(qBlue(s)), 2));
        EXPECT_TRUE(IsFrameColour(150, 10));
        EXPECT_TRUE(IsSnapshot(101, 32));
    }
    const int inside = LeftmostWhite(100, 11, 72, 20);
    ASSERT_GE(inside, 0) << "no label text inside";
    EXPECT_EQ(inside, above - 2);
}

TEST_F(RenderTest, ToolbarGoesBelowAboveOrInsideAndNeverLeftOfFive) {
    Open();
    struct Case {
        Rect selection;
        Rect toolbar;
    };
    const int h = height_;
    const Case cases[] = {
        {{100, 100, 300, 200}, {213, 206, 300, 234}},              // below
        {{100, 100, 300, h - 30}, {213, 68, 300, 96}},             // above
        {{100, 20, 300, h - 30}, {213, 25, 300, 53}},              // inside, at the top
        {{10, 100, 80, 200}, {5, 206, 92, 234}},                   // clamped at the left
        {{100, 33, 300, h - 33}, {213, 1, 300, 29}},               // just room above
        {{100, 100, 300, h - 34}, {213, h - 28, 300, h}},          // just fits below
    };
    for (const Case& c : cases) {
        Select(c.selection);
        RedrawSelection(CaptureHost(), RedrawMode::Clear);
        ToolbarAction(CaptureHost(), ToolbarMode::Plain);
        const Rect t = Overlay().ToolbarRect;
        EXPECT_EQ(t, c.toolbar) << t.left << "," << t.top << "," << t.right << "," << t.bottom;
        // The toolbar's background, and the cross in red near its left.
        EXPECT_TRUE(Near(CanvasPixel(t.left + 3, t.top + 14), 222, 238, 255, 0));
        const QRgb cross = CanvasPixel(t.left + 17, t.top + 13);
        EXPECT_GT(qRed(cross), 150);
        EXPECT_LT(qGreen(cross), 120);
    }
}

TEST_F(RenderTest, ToolbarHighlightOnlyForABoxWithoutZeroFields) {
    Open();
    Select(Rect{100, 100, 300, 200});
    struct Case {
        Rect box;
        int r, g, b;
    };
    for (const Case& c : {Case{{6, 3, 28, 23}, 175, 229, 255}, Case{{0, 3, 28, 23}, 222, 238, 255},
                          Case{{6, 3, 28, 0}, 222, 238, 255}}) {
        RedrawSelection(CaptureHost(), RedrawMode::Clear);
        DrawToolbar(c.box, height_);
        const Rect t = Overlay().ToolbarRect;
        EXPECT_TRUE(Near(CanvasPixel(t.left + 8, t.top + 13), c.r, c.g, c.b, 0));
    }
    // The highlight's outline runs along its left edge.
    RedrawSelection(CaptureHost(), RedrawMode::Clear);
    DrawToolbar(Rect{6, 3, 28, 23}, height_);
    const Rect t = Overlay().ToolbarRect;
    EXPECT_TRUE(Near(CanvasPixel(t.left + 6, t.top + 13), 42, 135, 228, 0));
}

TEST_F(RenderTest, MagnifierFollowsThePointerAndFlipsNearTheBottomRight) {
    Open();
    struct Case {
        Point pointer;
        Point place;
    };
    const int w = width_, h = height_;
    const Case cases[] = {
        {{100, 100}, {105, 125}},
        {{w - 1, h - 1}, {w - 128, h - 146}},
        {{w - 135, 100}, {w - 130, 125}},   // exactly fits: not flipped
        {{w - 134, h - 170}, {w - 261, h - 145}},
        {{200, h - 169}, {205, h - 314}},
    };
    for (const Case& c : cases) {
        DrawDimmedBase();
        DrawMagnifier(c.pointer, w, h);
        EXPECT_EQ(LastMagnifierPlace(), c.place) << c.pointer.x << "," << c.pointer.y;
    }
    // At the bottom-right corner: the box up and to the left, dark where its background shows.
    DrawDimmedBase();
    DrawMagnifier(Point{w - 1, h - 1}, w, h);
    const QRgb bg = CanvasPixel(w - 128 + 120, h - 146 + 116);
    EXPECT_LT(qRed(bg) + qGreen(bg) + qBlue(bg), 60);
    EXPECT_TRUE(IsDimmed(w - 128 - 2, h - 146 - 2));
}

TEST_F(RenderTest, MagnifierReportsTheColourUnderItsCrosshair) {
    Open();
    struct Case {
        Point pointer;
        const char* text;
    };
    for (const Case& c : {Case{{410, 310}, "RGB:(255,0,0)"}, Case{{450, 310}, "RGB:(0,0,255)"},
                          Case{{490, 310}, "RGB:(0,0,0)"}}) {
        DrawDimmedBase();
        DrawMagnifier(c.pointer, width_, height_);
        EXPECT_EQ(LastMagnifierColourText().toStdString(), c.text);
    }
    // The zoomed picture is drawn at full brightness inside the box.
    DrawDimmedBase();
    DrawMagnifier(Point{410, 310}, width_, height_);
    EXPECT_TRUE(Near(CanvasPixel(415 + 30, 335 + 20), 255, 0, 0, 0));
}

TEST_F(RenderTest, EachOpeningTakesANewSnapshotAndDrawsFromIt) {
    Open();
    DrawDimmedBase();
    DrawMagnifier(Point{410, 310}, width_, height_);
    EXPECT_EQ(LastMagnifierColourText().toStdString(), "RGB:(255,0,0)");
    CloseOverlay();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    SetSnapshotSourceForTests([] {
        QImage green(test::ScreenSize(), QImage::Format_ARGB32);
        green.fill(qRgb(0, 200, 0));
        return green;
    });
    Open();
    EXPECT_TRUE(Near(CanvasPixel(10, 10), 0, Dim(200), 0));
    Select(Rect{100, 100, 300, 200});
    RedrawSelection(CaptureHost(), RedrawMode::Clear);
    EXPECT_TRUE(Near(CanvasPixel(150, 150), 0, 200, 0, 0));
    EXPECT_TRUE(Near(CanvasPixel(50, 50), 0, Dim(200), 0));
    DrawMagnifier(Point{410, 310}, width_, height_);
    EXPECT_EQ(LastMagnifierColourText().toStdString(), "RGB:(0,200,0)");
    SetSnapshotSourceForTests([] { return test::MakeSnapshot(test::ScreenSize()); });
}

TEST_F(RenderTest, KeptDimmedBaseGivesTheSamePixelsAsTheTwoBlends) {
    Open();
    Select(Rect{100, 100, 300, 200});
    ForgetRenderCaches();
    DrawDimmedBase();  // the two blends
    const QImage first = Overlay().WindowCanvas->DeviceContext()->copy();
    // Frames drawn over each other, then the base from what was kept: the same pixels every time.
    for (int i = 0; i < 6; ++i) {
        Select(Rect{100 + 37 * i, 90 + 11 * i, 300 + 23 * i, 200 + 41 * i});
        DrawSelectionFrame(100 + 37 * i, 90 + 11 * i, 300 + 23 * i, 200 + 41 * i);
        DrawToolbar(i % 2 ? Rect{6, 3, 28, 23} : Rect{}, height_);
        DrawMagnifier(Point{150 + 71 * i, 150 + 53 * i}, width_, height_);
        if (i % 3 == 2) continue;  // sometimes two frames before the next base
        DrawDimmedBase();
        ASSERT_TRUE(*Overlay().WindowCanvas->DeviceContext() == first) << i;
    }
}

}  // namespace
}  // namespace ql
