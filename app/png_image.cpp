#include "app/png_image.h"

#include <png.h>

#include <cstring>

namespace ql::embedded {
extern const unsigned char about_banner_png[];
extern const std::size_t about_banner_png_size;
}  // namespace ql::embedded

namespace ql {

bool DecodePng(const void* data, size_t size, DecodedPng& out) {
    out = DecodedPng{};
    if (data == nullptr || size == 0) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) return false;
    image.format = PNG_FORMAT_BGRA;
    // Refuse absurd sizes before allocating (a damaged header).
    if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        return false;
    }
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.bgra = std::move(pixels);
    return true;
}

const unsigned char* AboutBannerPng() { return embedded::about_banner_png; }
size_t AboutBannerPngSize() { return embedded::about_banner_png_size; }

}  // namespace ql
