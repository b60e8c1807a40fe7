#include "graphics/layered_canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include <QPainter>

#include "tests/graphics/test_app.h"

namespace ql {
namespace {

class Canvas : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(16, 12);
        ASSERT_TRUE(canvas.Attach(&window));
        // Start from an opaque picture on the canvas.
        ASSERT_TRUE(picture.Create(16, 12));
        SolidBrushObject brush;
        ASSERT_TRUE(brush.Create(0xFFC86432));  // 200, 100, 50
        ASSERT_TRUE(picture.FillRectangle(brush, 0, 0, 16, 12));
        ASSERT_TRUE(brush.SetColor(0xFF10F0FF));
        ASSERT_TRUE(picture.FillRectangle(brush, 4, 4, 3, 3));
        ASSERT_TRUE(canvas.Blend(picture.DeviceContext(), 0, 0, 16, 12, 0, 0, 16, 12, 255, false));
    }

    QImage Buffer() const { return canvas.DeviceContext()->copy(); }

    QApplication& app = test::App();  // before the window
    QWidget window;
    LayeredWindowCanvas canvas;
    Surface picture;
};

TEST_F(Canvas, AlphaWithoutPerPixelAlphaCopiesExactly) {
    EXPECT_EQ(Buffer(), *picture.DeviceContext());
    // Any bytes at all, copied unchanged.
    Surface noise;
    ASSERT_TRUE(noise.Create(16, 12));
    std::mt19937 rng(3);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            reinterpret_cast<uint32_t*>(noise.DeviceContext()->scanLine(y))[x] = rng();
    ASSERT_TRUE(canvas.Blend(noise.DeviceContext(), 0, 0, 16, 12, 0, 0, 16, 12, 255, false));
    EXPECT_EQ(std::memcmp(canvas.DeviceContext()->constBits(), noise.DeviceContext()->constBits(), 16 * 12 * 4), 0);
}

TEST_F(Canvas, FreshSurfaceWithPerPixelAlphaLeavesTheCanvasUnchanged) {
    const QImage before = Buffer();
    Surface fresh;
    ASSERT_TRUE(fresh.Create(16, 12));
    for (int alpha : {255, 200, 40})
        ASSERT_TRUE(canvas.Blend(fresh.DeviceContext(), 0, 0, 16, 12, 0, 0, 16, 12, alpha, true));
    EXPECT_EQ(Buffer(), before);
}

TEST_F(Canvas, OpaqueBlackAtAlpha128HalvesTheBrightness) {
    const QImage before = Buffer();
    Surface dim;
    ASSERT_TRUE(dim.Create(16, 12));
    SolidBrushObject black;
    ASSERT_TRUE(black.Create(0xFF000000));
    ASSERT_TRUE(dim.FillRectangle(black, 0, 0, 16, 12));
    ASSERT_TRUE(canvas.Blend(dim.DeviceContext(), 0, 0, 16, 12, 0, 0, 16, 12, 128, false));
    const QImage after = Buffer();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb b = before.pixel(x, y), a = after.pixel(x, y);
            EXPECT_NEAR(qRed(a), qRed(b) / 2.0, 1.0);
            EXPECT_NEAR(qGreen(a), qGreen(b) / 2.0, 1.0);
            EXPECT_NEAR(qBlue(a), qBlue(b) / 2.0, 1.0);
            EXPECT_EQ(qAlpha(a), 255);
        }
}

TEST_F(Canvas, PerPixelAlphaDrawsOnlyTheSourcesOpaqueParts) {
    // A frame surface as the overlay blends it: a square on transparent, placed partly off the canvas.
    Surface frame;
    ASSERT_TRUE(frame.Create(6, 6));
    SolidBrushObject blue;
    ASSERT_TRUE(blue.Create(0xFF00AEFF));
    ASSERT_TRUE(frame.FillRectangle(blue, 0, 0, 5, 5));
    const QImage before = Buffer();
    ASSERT_TRUE(canvas.Blend(frame.DeviceContext(), 0, 0, 6, 6, -2, -2, 6, 6, 255, true));
    const QImage after = Buffer();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(after.pixel(x, y), (x < 3 && y < 3) ? 0xFF00AEFFu : before.pixel(x, y)) << x << "," << y;
}

TEST_F(Canvas, FailedBlendSetsGenericError) {
    SetLastStatus(Ok);
    EXPECT_FALSE(canvas.Blend(picture.DeviceContext(), 10, 0, 16, 12, 0, 0, 16, 12, 255, false));
    EXPECT_EQ(LastStatus(), GenericError);
    SetLastStatus(Ok);
    EXPECT_FALSE(canvas.Blend(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, 255, false));
    EXPECT_EQ(LastStatus(), GenericError);
}

TEST_F(Canvas, TheWindowShowsTheBackBuffer) {
    ASSERT_TRUE(canvas.Present());
    const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(shown.size(), QSize(16, 12));
    EXPECT_EQ(shown.pixel(0, 0), 0xFFC86432u);
    EXPECT_EQ(shown.pixel(5, 5), 0xFF10F0FFu);
}

TEST(CanvasLife, DetachOnANeverAttachedCanvasReturnsFalseAndTouchesNothing) {
    test::App();
    LayeredWindowCanvas canvas;
    EXPECT_FALSE(canvas.Detach());
    EXPECT_FALSE(canvas.Present());
    EXPECT_FALSE(canvas.Blend(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, 255, false));
    EXPECT_EQ(canvas.DeviceContext(), nullptr);
    EXPECT_FALSE(canvas.Attach(nullptr));
    EXPECT_FALSE(canvas.IsAttached());
}

// A window that paints itself red, so its own painting is visible once the canvas is gone.
class RedWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::red);
    }
};

TEST(CanvasLife, AfterDetachTheWindowHasItsPreviousStateAgain) {
    test::App();
    RedWindow window;
    window.resize(8, 8);
    window.setAutoFillBackground(true);
    ASSERT_FALSE(window.testAttribute(Qt::WA_TranslucentBackground));
    LayeredWindowCanvas canvas;
    ASSERT_TRUE(canvas.Attach(&window));
    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(window.autoFillBackground());
    EXPECT_EQ(canvas.DeviceContext()->size(), QSize(8, 8));
    // While attached the window shows the (transparent) buffer, not its own red.
    EXPECT_EQ(qAlpha(window.grab().toImage().pixel(3, 3)), 0);
    // Attaching again re-attaches cleanly.
    ASSERT_TRUE(canvas.Attach(&window));
    ASSERT_TRUE(canvas.Detach());
    EXPECT_FALSE(window.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(window.testAttribute(Qt::WA_NoSystemBackground));
    EXPECT_TRUE(window.autoFillBackground());
    EXPECT_EQ(canvas.DeviceContext(), nullptr);
    EXPECT_EQ(window.grab().toImage().pixel(3, 3), 0xFFFF0000u);
    EXPECT_FALSE(canvas.Detach());
}

TEST(CanvasLife, AWindowDestroyedWhileAttachedLeavesASafeCanvas) {
    test::App();
    LayeredWindowCanvas canvas;
    {
        QWidget window;
        window.resize(4, 4);
        ASSERT_TRUE(canvas.Attach(&window));
    }
    EXPECT_TRUE(canvas.Present());
    EXPECT_TRUE(canvas.Detach());
}

}  // namespace
}  // namespace ql
