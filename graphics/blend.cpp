#include "graphics/blend.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ql {

namespace {

// v / 255 rounded, exact for v in 0 .. 255 * 255 + 127, in 16-bit arithmetic so loops vectorise.
inline uint16_t Div255(uint16_t v) {
    uint16_t t = static_cast<uint16_t>(v + 128);
    return static_cast<uint16_t>((t + (t >> 8)) >> 8);
}

// Two channels at a time (0x00XX00XX lanes): x * a / 255 rounded for each byte of x.
inline uint32_t ByteMul(uint32_t x, uint32_t a) {
    uint32_t rb = (x & 0x00FF00FFu) * a + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    uint32_t ag = ((x >> 8) & 0x00FF00FFu) * a + 0x00800080u;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return ag | rb;
}

}  // namespace

// Wider vectors where the processor has them; the plain build elsewhere.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define QL_BLEND_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QL_BLEND_CLONES
#endif

void BlendRowCopy(uint8_t* dst, const uint8_t* src, size_t pixels) {
    std::memmove(dst, src, pixels * 4);
}

QL_BLEND_CLONES void BlendRowConstant(uint8_t* __restrict dst, const uint8_t* __restrict src, size_t pixels, uint32_t alpha) {
    const uint16_t a = static_cast<uint16_t>(alpha);
    const uint16_t ia = static_cast<uint16_t>(255 - alpha);
    const size_t n = pixels * 4;
    for (size_t i = 0; i < n; ++i) {
        dst[i] = static_cast<uint8_t>(Div255(static_cast<uint16_t>(src[i] * a + dst[i] * ia)));
    }
}

QL_BLEND_CLONES void BlendRowPerPixel(uint8_t* __restrict dst, const uint8_t* __restrict src, size_t pixels, uint32_t alpha) {
    // Pixels are read as 32-bit words (alpha in the top byte on this little-endian layout).
    for (size_t i = 0; i < pixels; ++i) {
        uint32_t s;
        uint32_t d;
        std::memcpy(&s, src + i * 4, 4);
        std::memcpy(&d, dst + i * 4, 4);
        if (alpha != 255) s = ByteMul(s, alpha);
        const uint32_t ia = 255 - (s >> 24);
        // s + d * (255 - sa) / 255 never exceeds 255 per byte for premultiplied s.
        const uint32_t out = s + ByteMul(d, ia);
        std::memcpy(dst + i * 4, &out, 4);
    }
}

bool AlphaBlendImage(QImage& dst, int dstX, int dstY, int dstWidth, int dstHeight, const QImage& src, int srcX,
                     int srcY, int srcWidth, int srcHeight, int alpha, bool perPixelAlpha) {
    if (dst.isNull() || src.isNull() || dst.depth() != 32 || src.depth() != 32) return false;
    if (alpha < 0 || alpha > 255) return false;
    if (dstWidth < 0 || dstHeight < 0 || srcWidth < 0 || srcHeight < 0) return false;
    if (srcX < 0 || srcY < 0 || int64_t{srcX} + srcWidth > src.width() || int64_t{srcY} + srcHeight > src.height())
        return false;
    if (dstWidth == 0 || dstHeight == 0 || srcWidth == 0 || srcHeight == 0) return true;

    // The destination clipped to dst.
    const int64_t x0 = std::max<int64_t>(dstX, 0);
    const int64_t y0 = std::max<int64_t>(dstY, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{dstX} + dstWidth, dst.width());
    const int64_t y1 = std::min<int64_t>(int64_t{dstY} + dstHeight, dst.height());
    if (x0 >= x1 || y0 >= y1) return true;

    // Raw access through the constant bits of src first: when src and dst share data, bits() below must
    // not be the call that detaches src from a painter.
    const uint8_t* srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    uint8_t* dstBits = dst.bits();
    const qsizetype dstStride = dst.bytesPerLine();
    const size_t width = static_cast<size_t>(x1 - x0);

    auto blendRow = [&](uint8_t* d, const uint8_t* s, size_t n) {
        if (perPixelAlpha)
            BlendRowPerPixel(d, s, n, static_cast<uint32_t>(alpha));
        else if (alpha == 255)
            BlendRowCopy(d, s, n);
        else
            BlendRowConstant(d, s, n, static_cast<uint32_t>(alpha));
    };

    if (srcWidth == dstWidth && srcHeight == dstHeight) {
        for (int64_t y = y0; y < y1; ++y) {
            const int64_t sy = srcY + (y - dstY);
            const int64_t sx = srcX + (x0 - dstX);
            blendRow(dstBits + y * dstStride + x0 * 4, srcBits + sy * srcStride + sx * 4, width);
        }
        return true;
    }

    // Scaled: gather each destination row's source pixels by nearest neighbour, then blend the row.
    std::vector<uint8_t> row(width * 4);
    std::vector<int64_t> columns(width);
    for (size_t i = 0; i < width; ++i) {
        const int64_t dx = x0 + static_cast<int64_t>(i) - dstX;
        // The source pixel under the destination pixel's centre.
        columns[i] = srcX + ((2 * dx + 1) * srcWidth) / (2 * int64_t{dstWidth});
    }
    for (int64_t y = y0; y < y1; ++y) {
        const int64_t sy = srcY + ((2 * (y - dstY) + 1) * srcHeight) / (2 * int64_t{dstHeight});
        const uint8_t* srow = srcBits + sy * srcStride;
        for (size_t i = 0; i < width; ++i) std::memcpy(&row[i * 4], srow + columns[i] * 4, 4);
        blendRow(dstBits + y * dstStride + x0 * 4, row.data(), width);
    }
    return true;
}

}  // namespace ql
