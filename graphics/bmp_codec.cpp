#include "graphics/bmp_codec.h"
#include "graphics/bmp_layout.h"

#include <cstring>
#include <limits>

namespace ql {

namespace {

using bmp::Get16;
using bmp::Get32;
using bmp::Put16;
using bmp::Put32;
using bmp::PutInfoHeader;

// Rows bottom-up, blue, green, red, alpha, not premultiplied.
void PutRows(std::string& out, const QImage& image) {
    const QImage argb = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32);
    const size_t rowBytes = static_cast<size_t>(argb.width()) * 4;
    const size_t start = out.size();
    out.resize(start + rowBytes * static_cast<size_t>(argb.height()));
    char* dst = out.data() + start;
    for (int y = argb.height() - 1; y >= 0; --y) {
        std::memcpy(dst, argb.constScanLine(y), rowBytes);
        dst += rowBytes;
    }
}

// Position of the lowest set bit and the width of a contiguous mask.
struct MaskInfo {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};
MaskInfo Analyse(uint32_t mask) {
    MaskInfo m;
    m.mask = mask;
    if (!mask) return m;
    while (!((mask >> m.shift) & 1)) ++m.shift;
    while (m.shift + m.bits < 32 && ((mask >> (m.shift + m.bits)) & 1)) ++m.bits;
    return m;
}
uint32_t Extract(uint32_t v, const MaskInfo& m) {
    if (!m.bits) return 0;
    const uint32_t raw = (v & m.mask) >> m.shift;
    const uint32_t maxv = m.bits >= 32 ? 0xFFFFFFFFu : ((1u << m.bits) - 1);
    return static_cast<uint32_t>((uint64_t{raw} * 255 + maxv / 2) / maxv);
}

}  // namespace

bool LooksLikeBmp(const Bytes& bytes) {
    return bytes.size() >= 2 && bytes.ptr()[0] == 'B' && bytes.ptr()[1] == 'M';
}

Bytes EncodeBmp(const QImage& image) {
    if (image.isNull()) return Bytes();
    const uint64_t pixelBytes = uint64_t(image.width()) * uint64_t(image.height()) * 4;
    if (pixelBytes + 54 > std::numeric_limits<uint32_t>::max()) return Bytes();
    std::string out;
    out.reserve(static_cast<size_t>(pixelBytes + 54));
    out += "BM";
    Put32(out, static_cast<uint32_t>(pixelBytes + 54));
    Put32(out, 0);
    Put32(out, 54);
    PutInfoHeader(out, image.width(), image.height(), 0, static_cast<uint32_t>(pixelBytes));
    PutRows(out, image);
    return Bytes(std::move(out));
}

Bytes ClipboardDibFromImage(const QImage& image) {
    if (image.isNull()) return Bytes();
    const uint64_t pixelBytes = uint64_t(image.width()) * uint64_t(image.height()) * 4;
    if (pixelBytes + 52 > std::numeric_limits<uint32_t>::max()) return Bytes();
    std::string out;
    out.reserve(static_cast<size_t>(pixelBytes + 52));
    PutInfoHeader(out, image.width(), image.height(), 3, static_cast<uint32_t>(pixelBytes));
    Put32(out, 0x00FF0000);
    Put32(out, 0x0000FF00);
    Put32(out, 0x000000FF);
    PutRows(out, image);
    return Bytes(std::move(out));
}

QImage DecodeBmp(const Bytes& bytes) {
    const unsigned char* p = bytes.ptr();
    const size_t size = bytes.size();
    if (size < 14 + 12 || !LooksLikeBmp(bytes)) return QImage();
    const uint32_t pixelOffset = Get32(p + 10);
    const uint32_t headerSize = Get32(p + 14);
    if (headerSize < 12 || 14 + uint64_t{headerSize} > size) return QImage();

    int64_t width, height;
    uint32_t bitCount, compression = 0, colorsUsed = 0;
    size_t paletteEntrySize = 4;
    if (headerSize == 12) {  // core header
        width = Get16(p + 18);
        height = static_cast<int16_t>(Get16(p + 20));
        bitCount = Get16(p + 24);
        paletteEntrySize = 3;
    } else {
        if (headerSize < 40) return QImage();
        width = static_cast<int32_t>(Get32(p + 18));
        height = static_cast<int32_t>(Get32(p + 22));
        bitCount = Get16(p + 28);
        compression = Get32(p + 30);
        colorsUsed = Get32(p + 46);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > 32767 * 4 || height > 32767 * 4) return QImage();

    // Channel masks: given after a 40-byte header (BI_BITFIELDS), inside larger headers, or the defaults.
    MaskInfo red, green, blue, alpha;
    bool useAlpha = false;
    size_t afterHeader = 14 + headerSize;
    if (compression == 3 || compression == 6) {  // BI_BITFIELDS, BI_ALPHABITFIELDS
        if (bitCount != 16 && bitCount != 32) return QImage();
        const unsigned char* m;
        if (headerSize >= 52) {
            // The masks sit inside the header; the alpha one may reach past a 52-byte header.
            const size_t maskCount = compression == 6 || headerSize >= 56 ? 4 : 3;
            if (14 + 40 + maskCount * 4 > size) return QImage();
            m = p + 14 + 40;
        } else {
            const size_t maskCount = compression == 6 ? 4 : 3;
            if (afterHeader + maskCount * 4 > size) return QImage();
            m = p + afterHeader;
            afterHeader += maskCount * 4;
        }
        red = Analyse(Get32(m));
        green = Analyse(Get32(m + 4));
        blue = Analyse(Get32(m + 8));
        if (compression == 6 || headerSize >= 56) {
            alpha = Analyse(Get32(m + 12));
            useAlpha = alpha.mask != 0;
        }
    } else if (compression == 0) {
        if (bitCount == 16) {
            red = Analyse(0x7C00);
            green = Analyse(0x03E0);
            blue = Analyse(0x001F);
        } else if (bitCount == 32 || bitCount == 24) {
            red = Analyse(0x00FF0000);
            green = Analyse(0x0000FF00);
            blue = Analyse(0x000000FF);
        } else if (bitCount != 1 && bitCount != 4 && bitCount != 8) {
            return QImage();
        }
    } else {
        return QImage();  // run-length and embedded JPEG/PNG forms are not read
    }

    // Palette for indexed pictures.
    std::vector<QRgb> palette;
    if (bitCount <= 8) {
        const uint32_t maxColours = 1u << bitCount;
        const uint32_t count = colorsUsed == 0 || colorsUsed > maxColours ? maxColours : colorsUsed;
        if (afterHeader + uint64_t{count} * paletteEntrySize > size) return QImage();
        for (uint32_t i = 0; i < count; ++i) {
            const unsigned char* e = p + afterHeader + i * paletteEntrySize;
            palette.push_back(qRgb(e[2], e[1], e[0]));
        }
    }

    const uint64_t stride = ((uint64_t(width) * bitCount + 31) / 32) * 4;
    const uint64_t need = stride * uint64_t(height);
    if (pixelOffset < afterHeader || pixelOffset > size || size - pixelOffset < need) return QImage();

    QImage image(static_cast<int>(width), static_cast<int>(height),
                 useAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return QImage();
    const unsigned char* pixels = p + pixelOffset;
    for (int64_t row = 0; row < height; ++row) {
        const unsigned char* s = pixels + row * stride;
        const int y = static_cast<int>(topDown ? row : height - 1 - row);
        auto* d = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (bitCount == 32 && compression == 0) {
            for (int64_t x = 0; x < width; ++x) d[x] = 0xFF000000u | (Get32(s + x * 4) & 0x00FFFFFFu);
        } else if (bitCount == 32 || bitCount == 16) {
            const int step = bitCount / 8;
            for (int64_t x = 0; x < width; ++x) {
                const uint32_t v = step == 4 ? Get32(s + x * 4) : Get16(s + x * 2);
                const uint32_t a = useAlpha ? Extract(v, alpha) : 255;
                d[x] = qRgba(static_cast<int>(Extract(v, red)), static_cast<int>(Extract(v, green)),
                             static_cast<int>(Extract(v, blue)), static_cast<int>(a));
            }
        } else if (bitCount == 24) {
            for (int64_t x = 0; x < width; ++x) d[x] = qRgb(s[x * 3 + 2], s[x * 3 + 1], s[x * 3]);
        } else {
            const uint32_t perByte = 8 / bitCount;
            const uint32_t mask = (1u << bitCount) - 1;
            for (int64_t x = 0; x < width; ++x) {
                const uint32_t byte = s[x / perByte];
                const uint32_t shift = 8 - bitCount * (1 + static_cast<uint32_t>(x % perByte));
                const uint32_t index = (byte >> shift) & mask;
                d[x] = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
            }
        }
    }
    return image;
}

}  // namespace ql
