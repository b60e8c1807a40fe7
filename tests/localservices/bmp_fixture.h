// Small BMP files for the tests, laid out as the program writes its capture files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ql::localsvc::testing {

inline void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

// rgb: rows top to bottom, 0xRRGGBB per pixel. bpp 24 (BI_RGB) or 32 (BI_BITFIELDS with three masks
// after a 40-byte BITMAPINFOHEADER, alpha byte 0); bottom-up unless topDown.
inline std::string MakeBmp(int width, int height, const std::vector<uint32_t>& rgb, int bpp, bool topDown = false) {
    const uint32_t stride = ((static_cast<uint32_t>(width) * bpp + 31) / 32) * 4;
    const uint32_t masks = bpp == 32 ? 12 : 0;
    const uint32_t offBits = 14 + 40 + masks;
    std::string s = "BM";
    Put32(s, offBits + stride * static_cast<uint32_t>(height));
    Put32(s, 0);
    Put32(s, offBits);
    Put32(s, 40);
    Put32(s, static_cast<uint32_t>(width));
    Put32(s, static_cast<uint32_t>(topDown ? -height : height));
    Put16(s, 1);
    Put16(s, static_cast<uint16_t>(bpp));
    Put32(s, bpp == 32 ? 3 : 0);
    Put32(s, stride * static_cast<uint32_t>(height));
    Put32(s, 3780);
    Put32(s, 3780);
    Put32(s, 0);
    Put32(s, 0);
    if (bpp == 32) {
        Put32(s, 0x00FF0000);
        Put32(s, 0x0000FF00);
        Put32(s, 0x000000FF);
    }
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::string line;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = rgb[static_cast<size_t>(y * width + x)];
            line += static_cast<char>(p & 0xFF);
            line += static_cast<char>((p >> 8) & 0xFF);
            line += static_cast<char>((p >> 16) & 0xFF);
            if (bpp == 32) line += '\0';
        }
        line.resize(stride, '\0');
        s += line;
    }
    return s;
}

}  // namespace ql::localsvc::testing
