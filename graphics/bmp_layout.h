// Little-endian fields and the 40-byte information header shared by every BMP writer and reader.
#pragma once

#include <cstdint>
#include <string>

namespace ql::bmp {

inline void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
inline uint32_t Get16(const unsigned char* p) { return p[0] | (uint32_t{p[1]} << 8); }
inline uint32_t Get32(const unsigned char* p) { return Get16(p) | (Get16(p + 2) << 16); }

// The information header of a 32-bit bitmap; a positive height means bottom-up rows.
inline void PutInfoHeader(std::string& out, int32_t width, int32_t height, uint32_t compression, uint32_t imageSize) {
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, compression);
    Put32(out, imageSize);
    for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolutions, colours used, colours important
}

}  // namespace ql::bmp
