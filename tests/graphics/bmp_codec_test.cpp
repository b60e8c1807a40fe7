#include "graphics/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ql {
namespace {

uint32_t U32(const Bytes& b, size_t at) {
    const unsigned char* p = b.ptr() + at;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint32_t U16(const Bytes& b, size_t at) { return b.ptr()[at] | (b.ptr()[at + 1] << 8); }

// 2x2 picture: top row red, green; bottom row blue, half-transparent white.
QImage Sample() {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, 0xFFFF0000);
    image.setPixel(1, 0, 0xFF00FF00);
    image.setPixel(0, 1, 0xFF0000FF);
    image.setPixel(1, 1, 0x80FFFFFF);
    return image;
}

TEST(EncodeBmp, WritesTheFileAndInformationHeadersAndBottomUpRows) {
    const Bytes b = EncodeBmp(Sample());
    ASSERT_EQ(b.size(), 70u);
    EXPECT_EQ(b.data().substr(0, 2), "BM");
    EXPECT_EQ(U32(b, 2), 70u);
    EXPECT_EQ(U32(b, 6), 0u);
    EXPECT_EQ(U32(b, 10), 54u);
    EXPECT_EQ(U32(b, 14), 40u);
    EXPECT_EQ(U32(b, 18), 2u);
    EXPECT_EQ(U32(b, 22), 2u);
    EXPECT_EQ(U16(b, 26), 1u);
    EXPECT_EQ(U16(b, 28), 32u);
    EXPECT_EQ(U32(b, 30), 0u);
    EXPECT_EQ(U32(b, 34), 16u);
    for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(U32(b, at), 0u);
    // Bottom row first: blue, then white with alpha 0x80 (straight, not premultiplied).
    EXPECT_EQ(U32(b, 54), 0xFF0000FFu);
    EXPECT_EQ(U32(b, 58), 0x80FFFFFFu);
    EXPECT_EQ(U32(b, 62), 0xFFFF0000u);
    EXPECT_EQ(U32(b, 66), 0xFF00FF00u);
}

TEST(DecodeBmp, ReadsItsOwnOutputAsOpaquePixels) {
    const QImage image = DecodeBmp(EncodeBmp(Sample()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(0, 1), 0xFF0000FFu);
    EXPECT_EQ(image.pixel(1, 1), 0xFFFFFFFFu);  // the fourth byte of BI_RGB is not alpha
}

std::string Le32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Le16(uint32_t v) { return std::string{char(v), char(v >> 8)}; }

// A file around an information header of the given fields.
Bytes File(int32_t width, int32_t height, int bits, uint32_t compression, const std::string& extra,
           const std::string& pixels) {
    std::string info = Le32(40) + Le32(uint32_t(width)) + Le32(uint32_t(height)) + Le16(1) + Le16(bits) +
                       Le32(compression) + Le32(uint32_t(pixels.size())) + std::string(16, '\0');
    const uint32_t offset = 14 + 40 + uint32_t(extra.size());
    std::string file = "BM" + Le32(offset + uint32_t(pixels.size())) + Le32(0) + Le32(offset) + info + extra + pixels;
    return Bytes(file);
}

TEST(DecodeBmp, ReadsTheOtherLayouts) {
    struct Case {
        const char* name;
        Bytes file;
        QRgb topLeft, topRight, bottomLeft;
        bool alpha;
    };
    // 24 bits: rows padded to 4 bytes; bottom-up.
    const std::string rows24 = std::string("\x00\x00\xFF" "\x00\xFF\x00" "\x00\x00", 8) +
                               std::string("\xFF\x00\x00" "\xFF\xFF\xFF" "\x00\x00", 8);
    // BI_BITFIELDS with the clipboard's three masks; top-down (negative height).
    const std::string masks = Le32(0x00FF0000) + Le32(0x0000FF00) + Le32(0x000000FF);
    const std::string rows32 = Le32(0x00112233) + Le32(0x00445566) + Le32(0x00778899) + Le32(0x00AABBCC);
    // 40-byte header with four masks (BI_ALPHABITFIELDS): alpha used.
    const std::string masks4 = masks + Le32(0xFF000000);
    const std::string rowsA = Le32(0x80112233) + Le32(0xFF445566) + Le32(0x00778899) + Le32(0x40AABBCC);
    const Case cases[] = {
        {"24-bit", File(2, 2, 24, 0, "", rows24), 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, false},
        {"bitfields top-down", File(2, -2, 32, 3, masks, rows32), 0xFF112233, 0xFF445566, 0xFF778899, false},
        {"alpha bitfields", File(2, 2, 32, 6, masks4, rowsA), 0x00778899, 0x40AABBCC, 0x80112233, true},
    };
    for (const Case& c : cases) {
        const QImage image = DecodeBmp(c.file);
        ASSERT_FALSE(image.isNull()) << c.name;
        EXPECT_EQ(image.hasAlphaChannel(), c.alpha) << c.name;
        EXPECT_EQ(image.pixel(0, 0), c.topLeft) << c.name;
        EXPECT_EQ(image.pixel(1, 0), c.topRight) << c.name;
        EXPECT_EQ(image.pixel(0, 1), c.bottomLeft) << c.name;
    }
}

TEST(DecodeBmp, RejectsMalformedInput) {
    const Bytes good = EncodeBmp(Sample());
    std::string bigWidth = good.data();
    bigWidth[18] = '\x7F';
    std::string badOffset = good.data();
    badOffset[10] = '\x7F';
    std::string rle = good.data();
    rle[30] = 1;
    const Bytes cases[] = {Bytes(), Bytes(std::string("BM")), Bytes(good.data().substr(0, 60)),
                           Bytes(std::string("PK") + good.data().substr(2)), Bytes(bigWidth), Bytes(badOffset),
                           Bytes(rle)};
    for (const Bytes& b : cases) EXPECT_TRUE(DecodeBmp(b).isNull()) << b.size();
}

TEST(ClipboardDibFromImage, HasBitfieldsHeaderMasksAndBottomUpRows) {
    const Bytes dib = ClipboardDibFromImage(Sample());
    ASSERT_EQ(dib.size(), 52u + 16u);
    EXPECT_EQ(U32(dib, 0), 40u);
    EXPECT_EQ(U32(dib, 4), 2u);
    EXPECT_EQ(U32(dib, 8), 2u);
    EXPECT_EQ(U16(dib, 14), 32u);
    EXPECT_EQ(U32(dib, 16), 3u);
    EXPECT_EQ(U32(dib, 20), 16u);
    EXPECT_EQ(U32(dib, 40), 0x00FF0000u);
    EXPECT_EQ(U32(dib, 44), 0x0000FF00u);
    EXPECT_EQ(U32(dib, 48), 0x000000FFu);
    EXPECT_EQ(U32(dib, 52), 0xFF0000FFu);  // bottom-left pixel first
    EXPECT_EQ(U32(dib, 64), 0xFF00FF00u);
}

}  // namespace
}  // namespace ql
