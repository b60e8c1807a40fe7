// Alpha blending of 32-bit premultiplied pixels (blue, green, red, alpha in memory), integer arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QImage>

namespace ql {

// dst = src (the row copy of alpha 255 without per-pixel alpha).
void BlendRowCopy(uint8_t* dst, const uint8_t* src, size_t pixels);
// dst = (src * alpha + dst * (255 - alpha)) / 255 on every byte, rounded: constant alpha only.
void BlendRowConstant(uint8_t* dst, const uint8_t* src, size_t pixels, uint32_t alpha);
// s = src * alpha / 255; dst = s + dst * (255 - s.alpha) / 255 on every byte: the source's per-pixel
// (premultiplied) alpha masks it, transparent pixels leave dst as it was.
void BlendRowPerPixel(uint8_t* dst, const uint8_t* src, size_t pixels, uint32_t alpha);

// Blends the source rectangle of src onto the destination rectangle of dst (both 32-bit images), scaling
// by nearest neighbour when the sizes differ. Fails (false) for null images, non-32-bit formats, negative
// sizes, alpha outside 0..255 or a source rectangle that is not inside src; the destination is clipped.
bool AlphaBlendImage(QImage& dst, int dstX, int dstY, int dstWidth, int dstHeight, const QImage& src, int srcX,
                     int srcY, int srcWidth, int srcHeight, int alpha, bool perPixelAlpha);

}  // namespace ql
