// The capture export's byte layouts: the clipboard block turned into a BMP file and the 32-bit BMP
// reader, on arbitrary bytes and on pictures that must come back pixel for pixel.
#include <cstring>
#include <string>
#include <vector>

#include "capture/bmp_bytes.h"
#include "fuzz/fuzz_input.h"

using ql::Bytes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes raw(data, size);

    // Arbitrary bytes as a clipboard block, a BMP file and a cursor file.
    const Bytes file = ql::DibBlockToBmp(raw);
    if (size == 0) FUZZ_CHECK(file.empty());
    if (size >= 52) {
        FUZZ_CHECK(file.size() == size + 2);
        FUZZ_CHECK(file.data().compare(0, 2, "BM") == 0);
        FUZZ_CHECK(file.data().compare(54, std::string::npos, raw.data(), 52, std::string::npos) == 0);
    }
    for (const Bytes* b : {&raw, &file}) {
        const ql::Picture32 pic = ql::DecodeBmp32(*b);
        if (!pic.empty()) {
            FUZZ_CHECK(pic.pixels.size() == size_t(pic.width) * size_t(pic.height));
            FUZZ_CHECK(pic.pixels.size() * 4 <= b->size());
        }
    }
    const ql::CursorPicture cur = ql::DecodeCursorFile(raw);
    if (!cur.image.empty()) FUZZ_CHECK(cur.image.pixels.size() == size_t(cur.image.width) * size_t(cur.image.height));

    // A small picture made of the input's bytes: through the clipboard block and the BMP file and back.
    qlfuzz::Input in(data, size);
    const int w = 1 + in.Byte() % 16;
    const int h = 1 + in.Byte() % 16;
    const bool padded = in.Flag();
    const int64_t stride = int64_t(w) * 4 + (padded ? 8 : 0);
    std::string px = in.Rest();
    px.resize(size_t(stride) * size_t(h), '\x5a');
    const auto* top = reinterpret_cast<const unsigned char*>(px.data());
    std::vector<uint32_t> want;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* q = top + y * stride + x * 4;
            want.push_back(uint32_t(q[3]) << 24 | uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0]);
        }
    const Bytes block = ql::MakeDibBlock(w, h, top, stride);
    FUZZ_CHECK(block.size() == 52 + size_t(w) * size_t(h) * 4);
    const ql::Picture32 viaClipboard = ql::DecodeBmp32(ql::DibBlockToBmp(block));
    FUZZ_CHECK(viaClipboard.width == w && viaClipboard.height == h && viaClipboard.pixels == want);
    const ql::Picture32 viaFile = ql::DecodeBmp32(ql::BuildBmpFile(w, h, top, stride));
    FUZZ_CHECK(viaFile.width == w && viaFile.height == h && viaFile.pixels == want);
    return 0;
}
