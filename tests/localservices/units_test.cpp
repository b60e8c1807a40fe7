// The widget-free pieces of the local services: form and multipart parsing, JSON strings, the OCR line
// clean-up, BMP decoding and the dictionary translator.
#include <gtest/gtest.h>

#include "localservices/dictionary.h"
#include "localservices/form.h"
#include "localservices/json.h"
#include "localservices/multipart.h"
#include "localservices/picture.h"
#include "localservices/services.h"
#include "localservices/utf8.h"
#include "tests/localservices/bmp_fixture.h"

namespace ql::localsvc {
namespace {

TEST(Form, FieldsAreSplitAndPercentDecoded) {
    const struct {
        std::string body;
        std::vector<std::pair<std::string, std::string>> fields;
    } cases[] = {
        {"a=1&b=2", {{"a", "1"}, {"b", "2"}}},
        {"&&a=&b&", {{"a", ""}, {"b", ""}}},
        {"q=%E4%BD%A0+%26x%3d", {{"q", "\xE4\xBD\xA0 &x="}}},
        {"bad=%zz%4", {{"bad", "%zz%4"}}},
        {"url=http://127.0.0.1:17650/photo/1.png", {{"url", "http://127.0.0.1:17650/photo/1.png"}}},
        {"k=a=b", {{"k", "a=b"}}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const FormField& f : ParseForm(c.body)) got.emplace_back(f.name, f.value);
        EXPECT_EQ(got, c.fields) << c.body;
    }
    EXPECT_EQ(FormValue(ParseForm("a=1&a=2"), "a"), "1");
    EXPECT_EQ(FormValue(ParseForm("a=1"), "b"), std::nullopt);
}

TEST(Multipart, BoundaryComesFromTheContentType) {
    const struct {
        const char* type;
        std::optional<std::string> boundary;
    } cases[] = {
        {"multipart/form-data; boundary=----WebKitFormBoundary4C4GSVIylEQB11fE", "----WebKitFormBoundary4C4GSVIylEQB11fE"},
        {"Multipart/Form-Data;BOUNDARY=\"a b;c\"", "a b;c"},
        {"multipart/form-data; charset=utf-8; boundary=xyz", "xyz"},
        {"multipart/form-data", std::nullopt},
        {"multipart/form-data; boundary=", std::nullopt},
        {"multipart/mixed; boundary=xyz", std::nullopt},
        {"text/plain", std::nullopt},
        {"multipart/form-data; boundary=\"unterminated", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(MultipartBoundary(c.type), c.boundary) << c.type;
}

TEST(Multipart, PartsKeepTheirBytesAndParameters) {
    const std::string body =
        "preamble\r\n--B\r\n"
        "Content-Disposition: form-data; name=\"text\"\r\n\r\n"
        "line one\r\nline two\r\n"
        "--B\r\n"
        "content-disposition: form-data; name=\"myfile\"; filename=\"12\\\"3\"\r\n"
        "Content-Type: image/png\r\n\r\n"
        "\r\n--\r\n-B\r\n"
        "--B--\r\nepilogue";
    const MultipartResult r = ParseMultipart(body, "B");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.parts.size(), 2u);
    EXPECT_EQ(r.parts[0].name, "text");
    EXPECT_FALSE(r.parts[0].filename);
    EXPECT_EQ(r.parts[0].data, "line one\r\nline two");
    EXPECT_EQ(r.parts[1].name, "myfile");
    EXPECT_EQ(r.parts[1].filename, "12\"3");
    EXPECT_EQ(r.parts[1].contentType, "image/png");
    EXPECT_EQ(r.parts[1].data, "\r\n--\r\n-B");
}

TEST(Multipart, MalformedBodiesAreRefused) {
    for (const char* body : {
             "",
             "no delimiter at all",
             "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\ndata",  // truncated data
             "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n",          // truncated headers
             "--B\r\nContent-Type: text/plain\r\n\r\nx\r\n--B--",             // no disposition
             "--B\r\nno colon here\r\n\r\nx\r\n--B--",
             "--B\r\nContent-Disposition: attachment\r\n\r\nx\r\n--B--",
             "--Bjunk\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nx\r\n--B--",
         }) {
        EXPECT_FALSE(ParseMultipart(body, "B").ok) << body;
    }
    const MultipartResult none = ParseMultipart("--B--", "B");
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(none.parts.empty());
}

TEST(Json, StringsAreEscapedForEitherService) {
    const struct {
        std::string in;
        bool ascii;
        std::string out;
    } cases[] = {
        {"a\"b\\c/d", true, R"("a\"b\\c/d")"},
        {"\n\r\t\b\f\x01\x7f", true, R"("\n\r\t\b\f\u0001\u007f")"},
        {"你好", true, R"("\u4f60\u597d")"},
        {"你好", false, "\"你好\""},
        {"\xF0\x9F\x98\x80", true, R"("\ud83d\ude00")"},
        {"\xFF" "a", false, "\"\xEF\xBF\xBD" "a\""},
        {"\xE4\xBD", true, R"("\ufffd\ufffd")"},
    };
    for (const auto& c : cases) EXPECT_EQ(JsonString(c.in, c.ascii), c.out) << c.in;
}

TEST(OcrLines, SpacesBetweenChineseCharactersGo) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"今 天 天 气 很 好", "今天天气很好"},
        {"你 好 ， 世 界 。", "你好，世界。"},
        {"  Hello World  ", "Hello World"},
        {"共 3 个", "共 3 个"},
        {"中文 English 中文", "中文 English 中文"},
        {"“ 引 号 ”", "“引号”"},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinCjkSpaces(c.in), c.out) << c.in;
}

TEST(Bmp, TheProgramsLayoutsDecode) {
    const std::vector<uint32_t> px = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};
    const std::vector<uint8_t> rgb = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0x12, 0x34, 0x56, 0xFF, 0xFF, 0xFF, 0, 0, 0};
    for (int bpp : {24, 32}) {
        for (bool topDown : {false, true}) {
            const std::optional<RgbImage> img = DecodeBmp(testing::MakeBmp(3, 2, px, bpp, topDown));
            ASSERT_TRUE(img) << bpp << topDown;
            EXPECT_EQ(img->width, 3);
            EXPECT_EQ(img->height, 2);
            EXPECT_EQ(img->rgb, rgb) << bpp << " bits, top-down " << topDown;
        }
    }
    const std::string good = testing::MakeBmp(3, 2, px, 32);
    std::string error;
    EXPECT_FALSE(DecodeBmp(good.substr(0, good.size() - 1), &error));
    EXPECT_EQ(error, "truncated BMP pixels");
    std::string compressed = good;
    compressed[30] = 1;  // BI_RLE8
    EXPECT_FALSE(DecodeBmp(compressed));
    std::string huge = good;
    huge[21] = 0x7F;  // width 2^31 - ...
    EXPECT_FALSE(DecodeBmp(huge));
}

TEST(Md5, SignsAreLowerCaseHex) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(Dictionary, TranslatesWordByWordAndPassesUnknownsThrough) {
    const Dictionary& d = Dictionary::Builtin();
    const struct {
        const char* zh;
        const char* en;
    } zhToEn[] = {
        {"你好吗？", "How are you?"},  // the longest entry wins over 你好 + 吗
        {"今天天气很好，我们去公园。", "Today weather very good, we go park."},
        {"青岚识文 2.0", "青岚识文 2.0"},
        {"我的电脑", "My computer"},
    };
    for (const auto& c : zhToEn) EXPECT_EQ(d.ZhToEn(c.zh), c.en) << c.zh;
    const struct {
        const char* en;
        const char* zh;
    } enToZh[] = {
        {"Good morning, my friends.", "早上好，我的朋友。"},
        {"The cat walked to the park", "猫走到公园"},
        {"hello Qinglan", "你好 Qinglan"},
        {"3.14 apples", "3.14 苹果"},
    };
    for (const auto& c : enToZh) EXPECT_EQ(d.EnToZh(c.en), c.zh) << c.en;
}

}  // namespace
}  // namespace ql::localsvc
