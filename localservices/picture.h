// Picture decoding for the OCR service: our own BMP reader (the program's capture files are 32-bit
// bottom-up BMPs with BI_BITFIELDS masks, which Leptonica refuses) beside Leptonica for the rest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::localsvc {

// Pictures above this many pixels are refused before decoding (a 20 MB body can hold far larger
// compressed pictures than memory allows).
inline constexpr int64_t kMaxPicturePixels = 64'000'000;

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // rows top to bottom, 3 bytes a pixel
};

// Uncompressed BMP: 1, 4, 8 bits with a palette; 16, 24, 32 bits as BI_RGB or BI_BITFIELDS
// (BITMAPINFOHEADER with masks after it, or the V2 to V5 headers that hold them); bottom-up or top-down.
// Alpha is ignored. nullopt (and *error) for anything else or for truncated data.
std::optional<RgbImage> DecodeBmp(std::string_view bytes, std::string* error = nullptr);

}  // namespace ql::localsvc
