// Random and truncated input for the parsers of the local services: no crash, no read out of bounds (run
// under AddressSanitizer too), and the properties that must hold whatever the input.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "localservices/dictionary.h"
#include "localservices/form.h"
#include "localservices/json.h"
#include "localservices/multipart.h"
#include "localservices/picture.h"
#include "localservices/utf8.h"
#include "tests/localservices/bmp_fixture.h"

namespace ql::localsvc {
namespace {

constexpr unsigned kSeed = 20261211;

// Random bodies built from the pieces that matter to the parser, plus random bytes.
std::string RandomMultipart(std::mt19937& gen, const std::string& boundary) {
    static const std::vector<std::string> pieces = {
        "--", "\r\n", "\r\n\r\n", "Content-Disposition: form-data; name=\"myfile\"; filename=\"123\"",
        "Content-Type: image/png", "name=\"", "filename=\"", "\"", ";", ":", "\\", " ", "\t", "x", "\0"};
    std::string s;
    const int n = std::uniform_int_distribution<int>(0, 40)(gen);
    for (int i = 0; i < n; ++i) {
        switch (gen() % 4) {
            case 0: s += "--" + boundary; break;
            case 1: s += pieces[gen() % pieces.size()]; break;
            case 2: s += static_cast<char>(gen() & 0xFF); break;
            default: s += "\r\n--" + boundary + (gen() % 2 ? "--" : "\r\n"); break;
        }
    }
    return s;
}

TEST(Fuzz, MultipartNeverCrashesAndPartsLieInsideTheBody) {
    std::mt19937 gen(kSeed);
    const std::string boundary = "----WebKitFormBoundary4C4GSVIylEQB11fE";
    for (int round = 0; round < 4000; ++round) {
        const std::string body = RandomMultipart(gen, boundary);
        const MultipartResult r = ParseMultipart(body, boundary);
        EXPECT_LE(r.parts.size(), kMaxMultipartParts);
        for (const MultipartPart& p : r.parts) {
            ASSERT_GE(p.data.data(), body.data());
            ASSERT_LE(p.data.data() + p.data.size(), body.data() + body.size());
        }
        MultipartBoundary(body);
    }
}

TEST(Fuzz, EveryTruncationOfAnUploadIsRefused) {
    const std::string boundary = "----WebKitFormBoundary4C4GSVIylEQB11fE";
    const std::string body = "--" + boundary +
                             "\r\nContent-Disposition: form-data; name=\"myfile\"; filename=\"23456\"\r\n"
                             "Content-Type: image/png\r\n\r\n\x89PNG\r\n--\r\n\r\n--" + boundary + "--";
    ASSERT_TRUE(ParseMultipart(body, boundary).ok);
    for (size_t n = 0; n < body.size(); ++n) {
        // A heap copy of exactly n bytes, so that a read past the end is caught.
        const std::string cut = body.substr(0, n);
        EXPECT_FALSE(ParseMultipart(cut, boundary).ok) << n;
    }
}

TEST(Fuzz, FormParsingIsTotal) {
    std::mt19937 gen(kSeed + 1);
    const std::string alphabet = "ab=&%+0F9z\xE4\xBD\xA0";
    for (int round = 0; round < 4000; ++round) {
        std::string s;
        const int n = std::uniform_int_distribution<int>(0, 30)(gen);
        for (int i = 0; i < n; ++i) s += alphabet[gen() % alphabet.size()];
        const std::vector<FormField> fields = ParseForm(s);
        EXPECT_LE(fields.size(), static_cast<size_t>(std::count(s.begin(), s.end(), '&')) + 1);
        for (const FormField& f : fields) EXPECT_LE(f.name.size() + f.value.size(), s.size());
    }
}

TEST(Fuzz, JsonStringsOfAnyBytesAreAsciiWhenAsked) {
    std::mt19937 gen(kSeed + 2);
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        const int n = std::uniform_int_distribution<int>(0, 24)(gen);
        for (int i = 0; i < n; ++i) s += static_cast<char>(gen() & 0xFF);
        const std::string ascii = JsonString(s, true);
        for (char c : ascii) ASSERT_TRUE(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F);
        EXPECT_TRUE(IsValidUtf8(JsonString(s, false)));
        // The translator and the line clean-up take any bytes.
        Dictionary::Builtin().ZhToEn(s);
        Dictionary::Builtin().EnToZh(s);
        EXPECT_TRUE(IsValidUtf8(JoinCjkSpaces(s)));
    }
}

TEST(Fuzz, DamagedBmpsAreRefusedOrDecodedWithinBounds) {
    std::mt19937 gen(kSeed + 3);
    std::vector<uint32_t> px(5 * 3);
    for (auto& p : px) p = gen() & 0xFFFFFF;
    for (int bpp : {24, 32}) {
        const std::string good = testing::MakeBmp(5, 3, px, bpp);
        for (int round = 0; round < 3000; ++round) {
            std::string bad = good;
            const int flips = std::uniform_int_distribution<int>(1, 4)(gen);
            for (int i = 0; i < flips; ++i) bad[gen() % 54] = static_cast<char>(gen() & 0xFF);  // the headers
            if (gen() % 3 == 0) bad.resize(gen() % bad.size());
            if (const std::optional<RgbImage> img = DecodeBmp(bad)) {
                EXPECT_EQ(img->rgb.size(), static_cast<size_t>(img->width) * static_cast<size_t>(img->height) * 3);
            }
        }
    }
}

}  // namespace
}  // namespace ql::localsvc
