#include "capture/bmp_bytes.h"

#include <cstring>
#include <string>

#include "graphics/bmp_layout.h"

namespace ql {
namespace {

using bmp::Get16;
using bmp::Get32;
using bmp::Put16;
using bmp::Put32;
using bmp::PutInfoHeader;

bool SaneSize(int64_t w, int64_t h) { return w > 0 && h > 0 && w <= 65535 && h <= 65535; }

}  // namespace

Bytes BuildBmpFile(int32_t width, int32_t height, const unsigned char* const* rows) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    const uint64_t pixelBytes = uint64_t(width) * uint64_t(height) * 4u;
    std::string s;
    s.reserve(54 + pixelBytes);
    s += "BM";
    Put32(s, static_cast<uint32_t>(pixelBytes + 54));
    Put16(s, 0);
    Put16(s, 0);
    Put32(s, 54);
    PutInfoHeader(s, width, height, 0, static_cast<uint32_t>(pixelBytes));
    const size_t rowBytes = size_t(width) * 4u;
    for (int32_t r = height - 1; r >= 0; --r) s.append(reinterpret_cast<const char*>(rows[r]), rowBytes);
    return Bytes(std::move(s));
}

Bytes BuildBmpFile(int32_t width, int32_t height, const unsigned char* topDown, int64_t strideBytes) {
    std::vector<const unsigned char*> rows(height > 0 ? size_t(height) : 0u);
    for (int32_t r = 0; r < height; ++r) rows[size_t(r)] = topDown + int64_t(r) * strideBytes;
    return BuildBmpFile(width, height, rows.data());
}

Bytes MakeDibBlock(int32_t width, int32_t height, const unsigned char* topDown, int64_t strideBytes) {
    if (width <= 0 || height <= 0 || topDown == nullptr) return Bytes();
    const uint64_t pixelBytes = uint64_t(width) * uint64_t(height) * 4u;
    std::string s;
    s.reserve(52 + pixelBytes);
    PutInfoHeader(s, width, height, 3 /* BI_BITFIELDS */, static_cast<uint32_t>(pixelBytes));
    Put32(s, 0x00FF0000u);  // red
    Put32(s, 0x0000FF00u);  // green
    Put32(s, 0x000000FFu);  // blue
    const size_t rowBytes = size_t(width) * 4u;
    for (int32_t r = height - 1; r >= 0; --r)
        s.append(reinterpret_cast<const char*>(topDown + int64_t(r) * strideBytes), rowBytes);
    return Bytes(std::move(s));
}

Bytes DibBlockToBmp(const Bytes& block) {
    const size_t n = block.size();
    if (n == 0) return Bytes();
    std::string s;
    s.reserve(n + 2);
    s += "BM";
    Put32(s, static_cast<uint32_t>(n + 2));
    Put32(s, 0);
    Put32(s, 54);
    s.append(block.data(), 0, n < 16 ? n : 16);
    Put32(s, 0);
    Put32(s, static_cast<uint32_t>(static_cast<int32_t>(n) - 52));
    s.append(16, '\0');
    if (n > 52) s.append(block.data(), 52, n - 52);
    return Bytes(std::move(s));
}

Picture32 DecodeBmp32(const Bytes& file) {
    Picture32 pic;
    const unsigned char* p = file.ptr();
    const size_t n = file.size();
    if (n < 54 || p[0] != 'B' || p[1] != 'M') return pic;
    const uint32_t offset = Get32(p + 10);
    const uint32_t headerSize = Get32(p + 14);
    if (headerSize < 40 || 14u + headerSize > n) return pic;
    const int32_t w = static_cast<int32_t>(Get32(p + 18));
    const int32_t hRaw = static_cast<int32_t>(Get32(p + 22));
    const uint32_t bpp = Get16(p + 28);
    const uint32_t compression = Get32(p + 30);
    const int64_t h = hRaw < 0 ? -int64_t(hRaw) : int64_t(hRaw);
    if (!SaneSize(w, h) || bpp != 32) return pic;
    if (compression == 3) {
        // Only the usual masks: the bytes are blue, green, red, fourth byte.
        const size_t masks = headerSize >= 52 ? 14u + 40u : 14u + headerSize;
        if (masks + 12 > n) return pic;
        if (Get32(p + masks) != 0x00FF0000u || Get32(p + masks + 4) != 0x0000FF00u ||
            Get32(p + masks + 8) != 0x000000FFu)
            return pic;
    } else if (compression != 0) {
        return pic;
    }
    const uint64_t need = uint64_t(w) * uint64_t(h) * 4u;
    if (offset > n || need > n - offset) return pic;
    pic.width = w;
    pic.height = static_cast<int32_t>(h);
    pic.pixels.resize(size_t(w) * size_t(h));
    const bool bottomUp = hRaw > 0;
    for (int64_t r = 0; r < h; ++r) {
        const int64_t srcRow = bottomUp ? h - 1 - r : r;
        std::memcpy(&pic.pixels[size_t(r) * size_t(w)], p + offset + size_t(srcRow) * size_t(w) * 4u,
                    size_t(w) * 4u);
    }
    return pic;
}

CursorPicture DecodeCursorFile(const Bytes& file) {
    CursorPicture cur;
    const unsigned char* p = file.ptr();
    const size_t n = file.size();
    if (n < 22 || Get16(p) != 0 || (Get16(p + 2) != 1 && Get16(p + 2) != 2) || Get16(p + 4) < 1) return cur;
    const uint32_t hotX = Get16(p + 10);
    const uint32_t hotY = Get16(p + 12);
    const uint32_t size = Get32(p + 14);
    const uint32_t off = Get32(p + 18);
    if (off > n || size > n - off || size < 40) return cur;
    const unsigned char* b = p + off;
    const uint32_t hs = Get32(b);
    const int32_t w = static_cast<int32_t>(Get32(b + 4));
    const int32_t h2 = static_cast<int32_t>(Get32(b + 8));
    const uint32_t bpp = Get16(b + 14);
    if (hs < 40 || hs > size || bpp != 8 || !SaneSize(w, h2) || (h2 % 2) != 0 || w > 256) return cur;
    const int32_t h = h2 / 2;
    uint32_t colours = Get32(b + 32);
    if (colours == 0 || colours > 256) colours = 256;
    const size_t xorStride = (size_t(w) + 3u) & ~size_t(3);
    const size_t andStride = ((size_t(w) + 31u) / 32u) * 4u;
    const size_t need = hs + colours * 4u + xorStride * size_t(h) + andStride * size_t(h);
    if (need > size) return cur;
    const unsigned char* pal = b + hs;
    const unsigned char* xorRows = pal + colours * 4u;
    const unsigned char* andRows = xorRows + xorStride * size_t(h);
    cur.image.width = w;
    cur.image.height = h;
    cur.image.pixels.resize(size_t(w) * size_t(h));
    for (int32_t y = 0; y < h; ++y) {
        const size_t row = size_t(h - 1 - y);  // bottom-up
        for (int32_t x = 0; x < w; ++x) {
            const bool transparent = (andRows[row * andStride + size_t(x) / 8u] >> (7 - x % 8)) & 1u;
            uint32_t idx = xorRows[row * xorStride + size_t(x)];
            if (idx >= colours) idx = 0;
            const unsigned char* c = pal + idx * 4u;
            cur.image.pixels[size_t(y) * size_t(w) + size_t(x)] =
                transparent ? 0u : (0xFF000000u | (uint32_t(c[2]) << 16) | (uint32_t(c[1]) << 8) | c[0]);
        }
    }
    cur.hotX = static_cast<int32_t>(hotX);
    cur.hotY = static_cast<int32_t>(hotY);
    return cur;
}

}  // namespace ql
