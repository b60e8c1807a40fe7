#include "graphics/graphics_objects.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFont>
#include <QImageWriter>
#include <QPainterPath>

#include "graphics/bmp_codec.h"
#include "tests/graphics/test_app.h"

namespace ql {
namespace {

class GraphicsObjects : public ::testing::Test {
protected:
    void SetUp() override { test::App(); }
};

// Premultiplied pixel of a surface as stored, 0xAARRGGBB.
uint32_t Raw(const Surface& s, int x, int y) {
    return reinterpret_cast<const uint32_t*>(s.DeviceContext()->constScanLine(y))[x];
}

TEST_F(GraphicsObjects, NewSurfaceIsAllZeroAndReportsItsSize) {
    Surface s;
    EXPECT_TRUE(s.IsEmpty());
    ASSERT_TRUE(s.Create(6, 6));
    EXPECT_FALSE(s.IsEmpty());
    EXPECT_EQ(s.Width(), 6);
    EXPECT_EQ(s.Height(), 6);
    ASSERT_NE(s.DeviceContext(), nullptr);
    EXPECT_EQ(s.BitmapHandle(), s.DeviceContext());
    EXPECT_EQ(s.DeviceContext()->format(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(Raw(s, x, y), 0u);
    EXPECT_TRUE(s.Release());
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Width(), 0);
    EXPECT_FALSE(s.Release());  // releasing an empty wrapper is a no-op
}

TEST_F(GraphicsObjects, FailedCreatesLeaveTheWrapperEmptyWithAStatus) {
    Surface s;
    ASSERT_TRUE(s.Create(4, 4));
    EXPECT_FALSE(s.Create(0, 5));  // create-or-replace: the old surface is gone too
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_NE(LastStatus(), Ok);

    ImageObject image;
    EXPECT_FALSE(image.LoadFromBytes(Bytes(std::string("not a picture at all"))));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_NE(LastStatus(), Ok);
    EXPECT_FALSE(image.LoadFromBytes(Bytes(EncodeBmp(QImage(4, 4, QImage::Format_RGB32)).data().substr(0, 60))));
    EXPECT_NE(LastStatus(), Ok);

    BitmapObject bitmap;
    EXPECT_FALSE(bitmap.CreateBlank(-1, 3));
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_NE(LastStatus(), Ok);

    FontObject font;
    EXPECT_FALSE(font.Create(QStringLiteral("No Such Family 12345"), 11));
    EXPECT_TRUE(font.IsEmpty());
    EXPECT_EQ(LastStatus(), FontFamilyNotFound);
}

TEST_F(GraphicsObjects, EmptyWrappersDrawNothing) {
    Surface s;
    ASSERT_TRUE(s.Create(8, 8));
    PenObject pen;
    SolidBrushObject brush;
    PathObject path;
    ImageObject image;
    FontObject font;
    EXPECT_FALSE(s.DrawRectangle(pen, 1, 1, 4, 4));
    EXPECT_EQ(LastStatus(), InvalidParameter);
    EXPECT_FALSE(s.FillRectangle(brush, 0, 0, 8, 8));
    EXPECT_FALSE(s.DrawPath(pen, path));
    EXPECT_FALSE(s.DrawImage(image, 0, 0, 8, 8));
    ASSERT_TRUE(brush.Create(0xFFFFFFFF));
    EXPECT_FALSE(s.DrawString(QStringLiteral("x"), font, brush, RectF{0, 0, 8, 8}));
    EXPECT_FALSE(s.FillPath(brush, path));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(Raw(s, x, y), 0u);
    // And drawing on an empty surface fails.
    Surface none;
    EXPECT_FALSE(none.FillRectangle(brush, 0, 0, 1, 1));
    EXPECT_EQ(none.PixelAt(0, 0), 0xFFFFFFFFu);
}

TEST_F(GraphicsObjects, OnePixelRectangleAndFilledSquareLandOnTheirPixels) {
    Surface s;
    ASSERT_TRUE(s.Create(12, 12));
    PenObject pen;
    ASSERT_TRUE(pen.Create(0xFF00AEFF, 1.0f, UnitWorld));
    ASSERT_TRUE(s.DrawRectangle(pen, 2, 2, 5, 4));  // covers 2..7 by 2..6
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool onFrame = ((x == 2 || x == 7) && y >= 2 && y <= 6) || ((y == 2 || y == 6) && x >= 2 && x <= 7);
            EXPECT_EQ(Raw(s, x, y), onFrame ? 0xFF00AEFFu : 0u) << x << "," << y;
        }
    Surface f;
    ASSERT_TRUE(f.Create(12, 12));
    SolidBrushObject brush;
    ASSERT_TRUE(brush.Create(0xFF00AEFF));
    ASSERT_TRUE(f.FillRectangle(brush, 3, 4, 5, 5));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 3 && x < 8 && y >= 4 && y < 9;
            EXPECT_EQ(Raw(f, x, y), inside ? 0xFF00AEFFu : 0u) << x << "," << y;
        }
    // PixelAt gives 0x00BBGGRR.
    EXPECT_EQ(f.PixelAt(3, 4), 0x00FFAE00u);
    EXPECT_EQ(f.PixelAt(0, 0), 0u);
    EXPECT_EQ(f.PixelAt(12, 0), 0xFFFFFFFFu);
}

// The smallest frame surface: a 1 x 1 selection's 6 x 6 surface with its frame and eight handles.
TEST_F(GraphicsObjects, SmallestFrameSurfaceDrawsFrameAndHandles) {
    Surface f;
    ASSERT_TRUE(f.Create(6, 6));
    PenObject pen;
    ASSERT_TRUE(pen.Create(0xFF00AEFF, 1.0f, UnitWorld));
    ASSERT_TRUE(f.DrawRectangle(pen, 2, 2, 1, 1));
    EXPECT_EQ(Raw(f, 2, 2), 0xFF00AEFFu);
    EXPECT_EQ(Raw(f, 3, 3), 0xFF00AEFFu);
    SolidBrushObject brush;
    ASSERT_TRUE(brush.Create(0xFF00AEFF));
    const float w = 1, h = 1;
    const float squares[8][2] = {{0, 0}, {w / 2 - 2, 0}, {w, 0}, {0, h / 2}, {w, h / 2}, {0, h}, {w / 2, h}, {w, h}};
    for (const auto& sq : squares) ASSERT_TRUE(f.FillRectangle(brush, sq[0], sq[1], 5, 5));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(Raw(f, x, y), 0xFF00AEFFu) << x << "," << y;
}

TEST_F(GraphicsObjects, TranslucentBrushStoresPremultipliedPixels) {
    Surface s;
    ASSERT_TRUE(s.Create(2, 2));
    SolidBrushObject brush;
    ASSERT_TRUE(brush.Create(0x80FF0000));
    ASSERT_TRUE(s.FillRectangle(brush, 0, 0, 2, 2));
    const uint32_t p = Raw(s, 1, 1);
    EXPECT_EQ(p >> 24, 0x80u);
    EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x80, 1);
    EXPECT_EQ(p & 0xFFFF, 0u);
}

TEST_F(GraphicsObjects, RoundedRectangleClampsItsCornerSizeAndSpansWidthMinusThree) {
    struct Case {
        int size;
        float cornerSide;  // after clamping
    };
    for (const Case c : {Case{0, 1}, Case{-5, 1}, Case{3, 3}, Case{150, 100}}) {
        PathObject path;
        ASSERT_TRUE(path.Create());
        ASSERT_TRUE(AddRoundedRectangle(path, 10, 20, 300, 250, c.size));
        const QPainterPath& p = *path.Path();
        // The figure starts at the top-left arc's 180-degree point: x, y + side / 2.
        ASSERT_GT(p.elementCount(), 0);
        EXPECT_NEAR(p.elementAt(0).x, 10.0, 1e-4) << c.size;
        EXPECT_NEAR(p.elementAt(0).y, 20.0 + c.cornerSide / 2, 1e-4) << c.size;
        const QRectF bounds = p.boundingRect();
        EXPECT_NEAR(bounds.left(), 10.0, 1e-3);
        EXPECT_NEAR(bounds.top(), 20.0, 1e-3);
        EXPECT_NEAR(bounds.right(), 10.0 + 300 - 3, 1e-3) << c.size;
        EXPECT_NEAR(bounds.bottom(), 20.0 + 250 - 3, 1e-3) << c.size;
    }
}

TEST_F(GraphicsObjects, FilledRoundedToolbarBackgroundStaysInsideItsSpan) {
    // The toolbar's background: 0, 0, width 89, height 28, corner 3 on an 87 x 28 surface.
    Surface s;
    ASSERT_TRUE(s.Create(87, 28));
    PathObject path;
    ASSERT_TRUE(path.Create());
    ASSERT_TRUE(AddRoundedRectangle(path, 0, 0, 89, 28, 3));
    SolidBrushObject brush;
    ASSERT_TRUE(brush.Create(0xFFDEEEFF));
    ASSERT_TRUE(s.FillPath(brush, path));
    EXPECT_EQ(Raw(s, 40, 12), 0xFFDEEEFFu);  // the middle is filled
    EXPECT_EQ(Raw(s, 85, 12), 0xFFDEEEFFu);  // up to the figure's right edge at 89 - 3 = 86
    EXPECT_EQ(Raw(s, 86, 12), 0u);
    PenObject pen;
    ASSERT_TRUE(pen.Create(0xFF00AEFF));
    ASSERT_TRUE(s.DrawPath(pen, path));
    EXPECT_EQ(Raw(s, 86, 12), 0xFF00AEFFu);  // the outline runs along x = 86
    EXPECT_EQ(Raw(s, 40, 25), 0xFF00AEFFu);  // and y = 28 - 3 = 25
    for (int x = 0; x < 87; ++x) {
        EXPECT_EQ(Raw(s, x, 26), 0u) << x;
        EXPECT_EQ(Raw(s, x, 27), 0u) << x;
    }
    EXPECT_TRUE(path.Reset());
    EXPECT_TRUE(path.Path()->isEmpty());
}

TEST_F(GraphicsObjects, NearestNeighbourScalingCopiesPixelsWithoutSmoothing) {
    // A 30 x 21 checkerboard zoomed into 118 x 84, as the magnifier does.
    QImage board(30, 21, QImage::Format_RGB32);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 30; ++x) board.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000);
    ImageObject image;
    ASSERT_TRUE(image.LoadFromBytes(EncodeBmp(board)));
    Surface s;
    ASSERT_TRUE(s.Create(124, 121));
    ASSERT_TRUE(s.SetInterpolationMode(InterpolationModeNearestNeighbor));
    ASSERT_TRUE(s.DrawImagePart(image, 3, 3, 118, 84, 0, 0, 30, 21));
    int white = 0, black = 0;
    for (int y = 3; y < 87; ++y)
        for (int x = 3; x < 121; ++x) {
            const uint32_t p = Raw(s, x, y);
            ASSERT_TRUE(p == 0xFFFFFFFFu || p == 0xFF000000u) << x << "," << y << " " << std::hex << p;
            (p == 0xFFFFFFFFu ? white : black)++;
        }
    EXPECT_GT(white, 4000);
    EXPECT_GT(black, 4000);
    // An exact 2x zoom gives 2 x 2 blocks.
    Surface z;
    ASSERT_TRUE(z.Create(60, 42));
    ASSERT_TRUE(z.SetInterpolationMode(InterpolationModeNearestNeighbor));
    ASSERT_TRUE(z.DrawImage(image, 0, 0, 60, 42));
    for (int y = 0; y < 42; ++y)
        for (int x = 0; x < 60; ++x) ASSERT_EQ(Raw(z, x, y), board.pixel(x / 2, y / 2)) << x << "," << y;
    EXPECT_FALSE(z.SetInterpolationMode(99));
}

TEST_F(GraphicsObjects, TextInTheLabelFontPutsGlyphPixelsInsideItsLayoutRectangle) {
    // The family is asked for by its GBK name, as the overlay does.
    const Text family(std::string("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"));  // 微软雅黑
    FontObject font;
    ASSERT_TRUE(font.Create(family, 11, FontStyleRegular, UnitWorld)) << LastStatus();
    EXPECT_EQ(font.Font()->pixelSize(), 11);
    SolidBrushObject white;
    ASSERT_TRUE(white.Create(0xFFFFFFFF));
    Surface t;
    ASSERT_TRUE(t.Create(72, 20));
    // "123 × 45" with the multiplication sign in GBK (A1 C1).
    const Text size(std::string("123 \xA1\xC1 45"));
    ASSERT_TRUE(t.DrawString(size, font, white, RectF{8, 2, 62, 14}, StringFormatObject()));
    int inside = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 72; ++x) {
            const bool in = x >= 8 && x < 70 && y >= 2 && y < 16;
            if (Raw(t, x, y) != 0) {
                ASSERT_TRUE(in) << "glyph pixel outside the layout rectangle at " << x << "," << y;
                ++inside;
            }
        }
    EXPECT_GT(inside, 30);
    EXPECT_EQ(GbkToQString(size.str()), QString::fromUtf8("123 × 45"));
}

Bytes PngBytes(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    EXPECT_TRUE(writer.write(image));
    return Bytes(data.constData(), static_cast<size_t>(data.size()));
}

TEST_F(GraphicsObjects, RawFormatAndSavingByFormatText) {
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(0xFF336699);
    picture.setPixel(2, 1, 0xFFFF0000);

    ImageObject bmp;
    ASSERT_TRUE(bmp.LoadFromBytes(EncodeBmp(picture)));
    EXPECT_EQ(bmp.RawFormat(), Text("{B96B3CAB-0728-11D3-9D7B-0000F81EF32E}"));
    EXPECT_EQ(bmp.Width(), 3u);
    EXPECT_EQ(bmp.Height(), 2u);
    const Bytes again = bmp.SaveToBytes();
    ASSERT_EQ(again.size(), 54u + 24u);
    EXPECT_EQ(again.data().substr(0, 2), "BM");
    EXPECT_EQ(DecodeBmp(again).pixel(2, 1), 0xFFFF0000u);

    ImageObject png;
    ASSERT_TRUE(png.LoadFromBytes(PngBytes(picture)));
    EXPECT_EQ(png.RawFormat(), Text("{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}"));
    EXPECT_EQ(png.SaveToBytes().data().substr(1, 3), "PNG");
    EXPECT_EQ(png.SaveToBytes(ImageFormatBMP).data().substr(0, 2), "BM");

    // No encoder for these texts: empty bytes and a failure status.
    for (const char* format : {ImageFormatEMF, "{b96b3cab-0728-11d3-9d7b-0000f81ef32e}",
                               "{557CF400-1A04-11D3-9A73-0000F81EF32E}", "bmp"}) {
        EXPECT_TRUE(bmp.SaveToBytes(format).empty()) << format;
        EXPECT_NE(LastStatus(), Ok);
    }
    EXPECT_TRUE(bmp.Dispose());
    EXPECT_FALSE(bmp.Dispose());
    EXPECT_TRUE(bmp.SaveToBytes().empty());
    EXPECT_TRUE(bmp.RawFormat().empty());
}

// The capture's crop: a blank bitmap drawn into from a decoded BMP and saved in the source's format.
TEST_F(GraphicsObjects, CropThroughABlankBitmapKeepsPixelsAndLeavesTheOutsideTransparent) {
    QImage screen(8, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) screen.setPixel(x, y, qRgb(x * 30, y * 40, 7));
    BitmapObject source;
    ASSERT_TRUE(source.LoadFromBytes(EncodeBmp(screen)));
    BitmapObject target;
    ASSERT_TRUE(target.CreateBlank(4, 3));
    EXPECT_EQ(target.RawFormat(), Text(ImageFormatMemoryBMP));
    Surface s;
    ASSERT_TRUE(s.FromImage(target));
    EXPECT_EQ(s.DeviceContext(), nullptr);
    // The region 6,4 .. 10,7 reaches past the picture's right and bottom edges.
    ASSERT_TRUE(s.DrawImagePart(source, 0, 0, 4, 3, 6, 4, 4, 3));
    ASSERT_TRUE(s.Release());
    const Bytes out = target.SaveToBytes(source.RawFormat());
    ASSERT_EQ(out.size(), 54u + 48u);
    const QImage back = DecodeBmp(out);
    EXPECT_EQ(back.pixel(0, 0), screen.pixel(6, 4));
    EXPECT_EQ(back.pixel(1, 1), screen.pixel(7, 5));
    // Outside the source: transparent black bytes in the file.
    const unsigned char* pixels = out.ptr() + 54;
    const size_t topRowRightmost = (2 * 4 + 3) * 4;  // rows are bottom-up
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pixels + topRowRightmost), 4), std::string(4, '\0'));
    EXPECT_TRUE(target.Dispose());
    EXPECT_TRUE(source.Dispose());
    EXPECT_TRUE(target.SaveToBytes().empty());  // nothing left
}

TEST_F(GraphicsObjects, FlippedStretchCopyAndBitmapBitsGiveBottomUpRows) {
    Surface canvas;
    ASSERT_TRUE(canvas.Create(3, 2));
    SolidBrushObject brush;
    ASSERT_TRUE(brush.Create(0xFFFF0000));
    ASSERT_TRUE(canvas.FillRectangle(brush, 0, 0, 3, 1));  // top row red
    Surface temp;
    ASSERT_TRUE(temp.Create(3, 2));
    ASSERT_TRUE(StretchBlt(temp.DeviceContext(), 0, 0, 3, 2, canvas.DeviceContext(), 0, 1, 3, -2));
    const Bytes bits = GetBitmapBits(temp.BitmapHandle());
    ASSERT_EQ(bits.size(), 24u);
    // First row of the bytes is the canvas's bottom row (black, as drawn: transparent zero).
    EXPECT_EQ(bits.data().substr(0, 12), std::string(12, '\0'));
    EXPECT_EQ(bits.data().substr(12, 4), std::string("\x00\x00\xFF\xFF", 4));
    EXPECT_FALSE(StretchBlt(temp.DeviceContext(), 0, 0, 3, 2, canvas.DeviceContext(), 0, 0, 4, 2));
    EXPECT_FALSE(StretchBlt(nullptr, 0, 0, 3, 2, canvas.DeviceContext(), 0, 0, 3, 2));
}

TEST_F(GraphicsObjects, ReleaseOperationsOfEmptyWrappersReturnFalse) {
    PenObject pen;
    SolidBrushObject brush;
    FontObject font;
    PathObject path;
    StringFormatObject format;
    ImageAttributesObject attributes;
    BitmapObject bitmap;
    EXPECT_FALSE(pen.Delete());
    EXPECT_FALSE(brush.Delete());
    EXPECT_FALSE(font.Delete());
    EXPECT_FALSE(path.Delete());
    EXPECT_FALSE(format.Delete());
    EXPECT_FALSE(attributes.Dispose());
    EXPECT_FALSE(bitmap.Dispose());
    ASSERT_TRUE(pen.Create(0xFF000000));
    ASSERT_TRUE(pen.Create(0xFFFFFFFF, 2.0f));  // replaces
    EXPECT_EQ(pen.Pen()->color().rgba(), 0xFFFFFFFFu);
    EXPECT_TRUE(pen.SetWidth(4));
    EXPECT_EQ(pen.Pen()->widthF(), 4.0);
    EXPECT_TRUE(pen.Delete());
    EXPECT_FALSE(pen.SetColor(0));
}

}  // namespace
}  // namespace ql
