// The byte layouts of the capture export and of our own cursor and toolbar files.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "capture/bmp_bytes.h"

namespace ql {
namespace {

uint32_t U32(const Bytes& b, size_t at) {
    const unsigned char* p = b.ptr() + at;
    return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint32_t U16(const Bytes& b, size_t at) { return b.ptr()[at] | (uint32_t(b.ptr()[at + 1]) << 8); }

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(CanvasBmp, TwoByTwoHasSixteenPixelBytesAndFileSize70) {
    // Top row: red, green; bottom row: blue, white (bytes blue, green, red, fourth).
    const unsigned char px[16] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255};
    const Bytes bmp = BuildBmpFile(2, 2, px, 8);
    ASSERT_EQ(bmp.size(), 70u);
    EXPECT_EQ(bmp.data().substr(0, 2), "BM");
    EXPECT_EQ(U32(bmp, 2), 70u);
    EXPECT_EQ(U32(bmp, 6), 0u);
    EXPECT_EQ(U32(bmp, 10), 54u);
    EXPECT_EQ(U32(bmp, 14), 40u);
    EXPECT_EQ(U32(bmp, 18), 2u);
    EXPECT_EQ(U32(bmp, 22), 2u);
    EXPECT_EQ(U16(bmp, 26), 1u);
    EXPECT_EQ(U16(bmp, 28), 32u);
    EXPECT_EQ(U32(bmp, 30), 0u);
    EXPECT_EQ(U32(bmp, 34), 16u);
    for (size_t i = 38; i < 54; ++i) EXPECT_EQ(bmp.ptr()[i], 0) << i;
    // Bottom row first.
    EXPECT_EQ(std::memcmp(bmp.ptr() + 54, px + 8, 8), 0);
    EXPECT_EQ(std::memcmp(bmp.ptr() + 62, px, 8), 0);

    const Picture32 back = DecodeBmp32(bmp);
    ASSERT_EQ(back.width, 2);
    ASSERT_EQ(back.height, 2);
    EXPECT_EQ(back.pixels[0], 0xFFFF0000u);  // red at the top left
    EXPECT_EQ(back.pixels[3], 0xFFFFFFFFu);
}

TEST(ClipboardBmp, FortyFourByteBlockGivesTheFiftyFourByteFile) {
    std::string block(44, '\0');
    const uint32_t head[4] = {40, 1, 1, 0x00200001};  // size, width, height, planes 1 + 32 bits
    std::memcpy(block.data(), head, 16);
    const Bytes file = DibBlockToBmp(Bytes(block));
    ASSERT_EQ(file.size(), 54u);
    EXPECT_EQ(file.data().substr(0, 2), "BM");
    EXPECT_EQ(U32(file, 2), 46u);
    EXPECT_EQ(U32(file, 10), 54u);
    EXPECT_EQ(std::memcmp(file.ptr() + 14, block.data(), 16), 0);
    EXPECT_EQ(U32(file, 30), 0u);
    EXPECT_EQ(static_cast<int32_t>(U32(file, 34)), -8);
}

TEST(ClipboardBmp, BlockWithMasksKeepsTheRowsAndDropsTheMasks) {
    const unsigned char px[8] = {1, 2, 3, 4, 5, 6, 7, 8};  // 2 x 1
    const Bytes block = MakeDibBlock(2, 1, px, 8);
    ASSERT_EQ(block.size(), 60u);
    EXPECT_EQ(U32(block, 16), 3u);  // BI_BITFIELDS
    EXPECT_EQ(U32(block, 40), 0x00FF0000u);
    EXPECT_EQ(U32(block, 44), 0x0000FF00u);
    EXPECT_EQ(U32(block, 48), 0x000000FFu);
    const Bytes file = DibBlockToBmp(block);
    ASSERT_EQ(file.size(), 62u);
    EXPECT_EQ(U32(file, 2), 62u);
    EXPECT_EQ(U32(file, 30), 0u);
    EXPECT_EQ(U32(file, 34), 8u);
    EXPECT_EQ(std::memcmp(file.ptr() + 54, px, 8), 0);
    const Picture32 back = DecodeBmp32(file);
    ASSERT_EQ(back.width, 2);
    EXPECT_EQ(back.pixels[1], 0x08070605u);
}

TEST(ClipboardBmp, ShortAndEmptyBlocksNeverReadBeyondTheBlock) {
    struct Case {
        size_t n;
        size_t fileSize;
    };
    for (const Case c : {Case{0, 0}, Case{10, 48}, Case{16, 54}, Case{52, 54}}) {
        const Bytes file = DibBlockToBmp(Bytes(std::string(c.n, '\x11')));
        EXPECT_EQ(file.size(), c.fileSize) << c.n;
        if (c.n == 0) continue;
        EXPECT_EQ(U32(file, 2), c.n + 2) << c.n;
        // The block's bytes, then the zero compression field right after them.
        const size_t copied = c.n < 16 ? c.n : 16;
        for (size_t i = 0; i < copied; ++i) EXPECT_EQ(file.ptr()[14 + i], 0x11) << c.n;
        EXPECT_EQ(U32(file, 14 + copied), 0u) << c.n;
        EXPECT_EQ(static_cast<int32_t>(U32(file, 18 + copied)), static_cast<int32_t>(c.n) - 52) << c.n;
    }
}

TEST(Bmp32, MalformedFilesDecodeToNothing) {
    const unsigned char px[4] = {1, 2, 3, 4};
    const Bytes good = BuildBmpFile(1, 1, px, 4);
    EXPECT_FALSE(DecodeBmp32(good).empty());
    EXPECT_TRUE(DecodeBmp32(Bytes(good.data().substr(0, 57))).empty());  // truncated pixels
    Bytes wrongBits = good;
    wrongBits.data()[28] = 24;
    EXPECT_TRUE(DecodeBmp32(wrongBits).empty());
    EXPECT_TRUE(DecodeBmp32(Bytes(std::string("BM"))).empty());
}

TEST(OverlayCursor, IsOurOwn2238ByteArrowWithItsHotSpotAtTheTopLeft) {
    const Bytes file = ReadFile(QINGLAN_SOURCE_DIR "/resources/capture/overlay.cur");
    ASSERT_EQ(file.size(), 2238u);
    EXPECT_EQ(U16(file, 2), 2u);  // a cursor file
    EXPECT_EQ(U16(file, 4), 1u);  // one image
    const CursorPicture cur = DecodeCursorFile(file);
    ASSERT_EQ(cur.image.width, 32);
    ASSERT_EQ(cur.image.height, 32);
    EXPECT_EQ(cur.hotX, 0);
    EXPECT_EQ(cur.hotY, 0);
    auto at = [&](int x, int y) { return cur.image.pixels[size_t(y) * 32 + size_t(x)]; };
    EXPECT_EQ(at(0, 0) >> 24, 0xFFu);    // the tip is drawn
    EXPECT_EQ(at(31, 0) >> 24, 0u);      // the rest of the top row is transparent
    EXPECT_EQ(at(31, 31) >> 24, 0u);
    EXPECT_EQ(at(3, 10) >> 24, 0xFFu);   // inside the arrow's body
    // Several colours inside the arrow.
    EXPECT_NE(at(3, 10) & 0xFFFFFFu, at(8, 18) & 0xFFFFFFu);
}

TEST(OverlayCursor, DecoderRefusesOtherFiles) {
    EXPECT_TRUE(DecodeCursorFile(Bytes(std::string(30, '\0'))).image.empty());
    Bytes cut = ReadFile(QINGLAN_SOURCE_DIR "/resources/capture/overlay.cur");
    cut.data().resize(2000);
    EXPECT_TRUE(DecodeCursorFile(cut).image.empty());
}

}  // namespace
}  // namespace ql
