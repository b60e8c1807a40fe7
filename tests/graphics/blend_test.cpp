#include "graphics/blend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace ql {
namespace {

uint8_t RefDiv255(uint32_t v) { return static_cast<uint8_t>((v + 127) / 255); }

// Exact rounded reference of the constant-alpha blend, every byte value and every alpha.
TEST(BlendRow, ConstantAlphaMatchesRoundedFormula) {
    std::vector<uint8_t> src(256 * 4), dst(256 * 4), expect(256 * 4);
    for (uint32_t a = 0; a <= 255; ++a) {
        for (uint32_t d = 0; d < 256; d += 15) {
            for (int i = 0; i < 256 * 4; ++i) {
                src[i] = static_cast<uint8_t>(i / 4);
                dst[i] = static_cast<uint8_t>(d);
                const uint32_t num = src[i] * a + d * (255 - a);
                expect[i] = RefDiv255(num);
            }
            BlendRowConstant(dst.data(), src.data(), 256, a);
            ASSERT_EQ(std::memcmp(dst.data(), expect.data(), dst.size()), 0) << "alpha " << a << " dst " << d;
        }
    }
}

// Per-pixel alpha over random premultiplied pixels: within the two rounding steps (scaling the source, then
// the destination) of the exact result, never overflowing.
TEST(BlendRow, PerPixelAlphaWithinRoundingOfExact) {
    std::mt19937 rng(7);
    const size_t n = 4096;
    std::vector<uint8_t> src(n * 4), dst(n * 4), before;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t a = static_cast<uint8_t>(rng() & 0xFF);
        src[i * 4 + 3] = a;
        for (int c = 0; c < 3; ++c) src[i * 4 + c] = static_cast<uint8_t>(a ? rng() % (a + 1) : 0);
        for (int c = 0; c < 4; ++c) dst[i * 4 + c] = static_cast<uint8_t>(rng() & 0xFF);
    }
    // Valid premultiplied destinations too.
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) dst[i * 4 + c] = std::min(dst[i * 4 + c], dst[i * 4 + 3]);
    for (uint32_t alpha : {255u, 200u, 128u, 40u, 0u}) {
        std::vector<uint8_t> d = dst;
        BlendRowPerPixel(d.data(), src.data(), n, alpha);
        for (size_t i = 0; i < n; ++i) {
            const double sa = src[i * 4 + 3] * alpha / 255.0;
            for (int c = 0; c < 4; ++c) {
                const double s = src[i * 4 + c] * alpha / 255.0;
                const double exact = s + dst[i * 4 + c] * (255.0 - sa) / 255.0;
                ASSERT_NEAR(d[i * 4 + c], exact, alpha == 255 ? 1.0 : 1.5) << "pixel " << i << " channel " << c << " alpha " << alpha;
            }
        }
    }
}

TEST(BlendRow, TransparentSourceLeavesDestinationAndOpaqueSourceReplacesIt) {
    const uint8_t transparent[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    const uint8_t opaque[8] = {10, 20, 30, 255, 1, 2, 3, 255};
    uint8_t dst[8] = {50, 60, 70, 255, 80, 90, 100, 200};
    const uint8_t keep[8] = {50, 60, 70, 255, 80, 90, 100, 200};
    BlendRowPerPixel(dst, transparent, 2, 255);
    EXPECT_EQ(std::memcmp(dst, keep, 8), 0);
    BlendRowPerPixel(dst, opaque, 2, 255);
    EXPECT_EQ(std::memcmp(dst, opaque, 8), 0);
}

QImage Filled(int w, int h, QRgb premultiplied) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(premultiplied);
    return image;
}

TEST(AlphaBlendImage, ClipsDestinationAndRejectsSourceOutside) {
    QImage dst = Filled(4, 4, 0xFF000000);
    const QImage src = Filled(3, 3, 0xFFFFFFFF);
    // Placed at -1,-1: only the 2x2 top-left of dst changes.
    ASSERT_TRUE(AlphaBlendImage(dst, -1, -1, 3, 3, src, 0, 0, 3, 3, 255, false));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dst.pixel(x, y), (x < 2 && y < 2) ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
    EXPECT_FALSE(AlphaBlendImage(dst, 0, 0, 2, 2, src, 2, 2, 2, 2, 255, false));
    EXPECT_FALSE(AlphaBlendImage(dst, 0, 0, 2, 2, src, -1, 0, 2, 2, 255, false));
    EXPECT_FALSE(AlphaBlendImage(dst, 0, 0, 2, 2, src, 0, 0, 2, 2, 256, false));
    EXPECT_FALSE(AlphaBlendImage(dst, 0, 0, 2, 2, QImage(), 0, 0, 2, 2, 255, false));
}

TEST(AlphaBlendImage, ScalesByNearestNeighbour) {
    QImage src(2, 1, QImage::Format_ARGB32_Premultiplied);
    src.setPixel(0, 0, 0xFFFF0000);
    src.setPixel(1, 0, 0xFF0000FF);
    QImage dst = Filled(4, 2, 0);
    ASSERT_TRUE(AlphaBlendImage(dst, 0, 0, 4, 2, src, 0, 0, 2, 1, 255, false));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.pixel(x, y), x < 2 ? 0xFFFF0000u : 0xFF0000FFu);
}

}  // namespace
}  // namespace ql
