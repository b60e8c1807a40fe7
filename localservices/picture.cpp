#include "localservices/picture.h"

#include <bit>

namespace ql::localsvc {

namespace {

uint32_t U32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
uint32_t U24(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16;
}
uint16_t U16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        bits = std::popcount(m);
    }
    uint8_t Value(uint32_t px) const {
        if (bits == 0) return 0;
        const uint32_t v = (px & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        return static_cast<uint8_t>(v * 255u / ((1u << bits) - 1u));
    }
};

std::optional<RgbImage> Fail(std::string* error, const char* why) {
    if (error) *error = why;
    return std::nullopt;
}

}  // namespace

std::optional<RgbImage> DecodeBmp(std::string_view b, std::string* error) {
    if (b.size() < 14 + 40 || b[0] != 'B' || b[1] != 'M') return Fail(error, "not a BMP");
    const uint32_t offBits = U32(b, 10);
    const uint32_t headerSize = U32(b, 14);
    if (headerSize < 40 || headerSize > 1024 || 14ull + headerSize > b.size()) return Fail(error, "unsupported BMP header");
    const int64_t width = static_cast<int32_t>(U32(b, 18));
    const int64_t rawHeight = static_cast<int32_t>(U32(b, 22));
    const uint16_t bpp = U16(b, 28);
    const uint32_t compression = U32(b, 30);
    const uint32_t clrUsed = U32(b, 46);
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0) return Fail(error, "empty BMP");
    if (width * height > kMaxPicturePixels) return Fail(error, "BMP too large");

    uint32_t rMask = 0, gMask = 0, bMask = 0;
    size_t paletteAt = 14 + headerSize;
    const bool bitfields = compression == 3 || compression == 6;
    if (compression != 0 && !bitfields) return Fail(error, "compressed BMP");
    if (bitfields) {
        if (bpp != 16 && bpp != 32) return Fail(error, "bit fields need 16 or 32 bits");
        size_t masksAt = 14 + 40;
        if (headerSize == 40) {
            const size_t count = compression == 6 ? 4 : 3;
            if (masksAt + 4 * count > b.size()) return Fail(error, "truncated BMP masks");
            paletteAt += 4 * count;
        } else if (headerSize < 52) {
            return Fail(error, "unsupported BMP header");
        }
        rMask = U32(b, masksAt);
        gMask = U32(b, masksAt + 4);
        bMask = U32(b, masksAt + 8);
    } else if (bpp == 16) {
        rMask = 0x7C00, gMask = 0x03E0, bMask = 0x001F;
    } else if (bpp == 24 || bpp == 32) {
        rMask = 0xFF0000, gMask = 0xFF00, bMask = 0xFF;
    } else if (bpp != 1 && bpp != 4 && bpp != 8) {
        return Fail(error, "unsupported BMP depth");
    }

    std::vector<uint8_t> palette;  // B G R x
    if (bpp <= 8) {
        const uint64_t count = clrUsed == 0 ? (1u << bpp) : clrUsed;
        if (count > 256 || paletteAt + count * 4 > b.size()) return Fail(error, "bad BMP palette");
        palette.assign(b.begin() + static_cast<long>(paletteAt), b.begin() + static_cast<long>(paletteAt + count * 4));
    }

    const uint64_t stride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
    if (offBits > b.size() || stride * static_cast<uint64_t>(height) > b.size() - offBits) return Fail(error, "truncated BMP pixels");

    const Channel r(rMask), g(gMask), bl(bMask);
    RgbImage img;
    img.width = static_cast<int>(width);
    img.height = static_cast<int>(height);
    img.rgb.resize(static_cast<size_t>(width * height * 3));
    for (int64_t y = 0; y < height; ++y) {
        const size_t row = offBits + static_cast<size_t>(stride) * static_cast<size_t>(topDown ? y : height - 1 - y);
        uint8_t* out = img.rgb.data() + static_cast<size_t>(y * width * 3);
        for (int64_t x = 0; x < width; ++x, out += 3) {
            if (bpp <= 8) {
                const size_t bit = static_cast<size_t>(x) * bpp;
                const auto byte = static_cast<unsigned char>(b[row + bit / 8]);
                const unsigned idx = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1u);
                if (idx * 4 + 2 >= palette.size()) {
                    out[0] = out[1] = out[2] = 0;
                } else {
                    out[0] = palette[idx * 4 + 2];
                    out[1] = palette[idx * 4 + 1];
                    out[2] = palette[idx * 4];
                }
                continue;
            }
            uint32_t px;
            const size_t at = row + static_cast<size_t>(x) * (bpp / 8);
            if (bpp == 16) px = U16(b, at);
            else if (bpp == 24) px = U24(b, at);
            else px = U32(b, at);
            out[0] = r.Value(px);
            out[1] = g.Value(px);
            out[2] = bl.Value(px);
        }
    }
    return img;
}

}  // namespace ql::localsvc
