// PNG pictures the program carries, decoded from memory with libpng's simplified reading interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ql {

struct DecodedPng {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;  // width * height pixels, 4 bytes each (B, G, R, A), rows top-down
};

// False (and an empty picture) when the bytes are not a PNG libpng can read.
bool DecodePng(const void* data, size_t size, DecodedPng& out);

// The about window's banner (550 x 166), embedded in the program.
const unsigned char* AboutBannerPng();
size_t AboutBannerPngSize();

}  // namespace ql
