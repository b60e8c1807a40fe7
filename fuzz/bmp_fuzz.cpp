// The BMP decoder on arbitrary bytes: a null image or a picture of the stated size, never a read past
// the input; a decoded picture encodes and decodes again to the same pixels.
#include <QImage>

#include "fuzz/fuzz_input.h"
#include "graphics/bmp_codec.h"

using ql::Bytes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes raw(data, size);
    const QImage img = ql::DecodeBmp(raw);
    if (img.isNull()) return 0;
    FUZZ_CHECK(img.width() > 0 && img.height() > 0);
    // Every pixel came from the file: at least one bit each, and none without the headers.
    FUZZ_CHECK(uint64_t(img.width()) * uint64_t(img.height()) <= uint64_t(size) * 8);
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    const Bytes encoded = ql::EncodeBmp(argb);
    FUZZ_CHECK(encoded.size() == 54 + size_t(img.width()) * size_t(img.height()) * 4);
    FUZZ_CHECK(ql::LooksLikeBmp(encoded));
    const QImage again = ql::DecodeBmp(encoded).convertToFormat(QImage::Format_ARGB32);
    // The encoded file is BI_RGB, whose fourth byte reads as opaque.
    FUZZ_CHECK(again.size() == argb.size());
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            FUZZ_CHECK((again.pixel(x, y) & 0xFFFFFFu) == (argb.pixel(x, y) & 0xFFFFFFu));
    const Bytes dib = ql::ClipboardDibFromImage(argb);
    FUZZ_CHECK(dib.size() == 52 + size_t(img.width()) * size_t(img.height()) * 4);
    return 0;
}
