// Byte layouts of the capture export: the 32-bit BMP file of the canvas, the clipboard's CF_DIB-shaped
// block and the file made from it, and our own cursor file. Plain functions over bytes, no widgets.
#pragma once

#include <cstdint>
#include <vector>

#include "web/text.h"

namespace ql {

// A 32-bit BI_RGB BMP file: 14-byte file header, 40-byte information header, then width*height*4 pixel
// bytes. `rows` gives row r (0 = top) of the picture; each row holds width pixels of 4 bytes
// (blue, green, red, fourth byte), written bottom row first.
Bytes BuildBmpFile(int32_t width, int32_t height, const unsigned char* const* rows);
// The same from top-down pixels with a row stride in bytes.
Bytes BuildBmpFile(int32_t width, int32_t height, const unsigned char* topDown, int64_t strideBytes);

// The clipboard's 32-bit bitmap as the system hands it out: a 40-byte BITMAPINFOHEADER with
// BI_BITFIELDS, the three 4-byte colour masks (red, green, blue), then the rows bottom-up.
// `topDown` holds 4-byte pixels (blue, green, red, alpha in memory).
Bytes MakeDibBlock(int32_t width, int32_t height, const unsigned char* topDown, int64_t strideBytes);

// The BMP file made from a CF_DIB block of n bytes: "BM", n + 2, 0, 54, the block's first 16 bytes,
// compression 0, n - 52, sixteen zero bytes, the block's last n - 52 bytes. Empty block -> empty bytes.
// Nothing is read beyond the block: shorter blocks give fewer bytes and the later fields move up.
Bytes DibBlockToBmp(const Bytes& block);

// A decoded 32-bit picture: top-down 0xAARRGGBB pixels.
struct Picture32 {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
    bool empty() const { return width <= 0 || height <= 0; }
};

// Reads a 32-bit uncompressed (BI_RGB or BI_BITFIELDS with the usual masks) BMP, either row order.
// The fourth byte is taken as alpha as it stands. Anything else, or a truncated file: an empty picture.
Picture32 DecodeBmp32(const Bytes& file);

// The first image of a .cur/.ico file holding 8-bit palette images (XOR rows plus AND mask), with its
// hot spot. Empty picture when the file is not of that form.
struct CursorPicture {
    Picture32 image;
    int32_t hotX = 0;
    int32_t hotY = 0;
};
CursorPicture DecodeCursorFile(const Bytes& file);

}  // namespace ql
