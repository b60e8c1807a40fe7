// Windows bitmap (BMP) bytes in and out, in the exact layouts the capture code relies on.
#pragma once

#include <QImage>

#include "web/text.h"

namespace ql {

// A BMP file of the image: 14-byte file header, 40-byte information header (32 bits per pixel, BI_RGB,
// resolutions and colour counts 0, image size width * height * 4), then the rows bottom-up, 4 bytes per
// pixel blue, green, red, alpha (not premultiplied). Empty bytes for a null image.
Bytes EncodeBmp(const QImage& image);

// Decodes a BMP file: information headers of 40 bytes or more (and 12-byte core headers); 32 bits per
// pixel BI_RGB (the fourth byte is ignored: opaque, as the platform reads such files) or BI_BITFIELDS
// (alpha used only when an alpha mask is given), 24, 16, 8, 4 and 1 bits; rows bottom-up or top-down.
// Gives Format_RGB32 for opaque pictures and Format_ARGB32 when an alpha mask is used; a null image for
// malformed or truncated input.
QImage DecodeBmp(const Bytes& bytes);

// The clipboard form of a 32-bit bitmap: a 40-byte information header with BI_BITFIELDS, the three masks
// 0x00FF0000, 0x0000FF00, 0x000000FF, then the rows bottom-up, 4 bytes per pixel (blue, green, red, alpha).
Bytes ClipboardDibFromImage(const QImage& image);

// True when the bytes start like a BMP file ("BM").
bool LooksLikeBmp(const Bytes& bytes);

}  // namespace ql
