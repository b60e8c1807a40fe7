// Cutting values out of the services' answers and formatting them for the result box.
#include <gtest/gtest.h>

#include <cstdlib>

#include "services/config.h"
#include "services/requests.h"

using namespace ql;

namespace {
std::vector<Text> Gbk(std::initializer_list<const char*> utf8) {
    std::vector<Text> v;
    for (const char* s : utf8) v.push_back(Text(Utf8ToGbkBytes(s)));
    return v;
}
}  // namespace

TEST(AllTextsBetween, Cases) {
    struct Case {
        const char* text;
        const char* prefix;
        const char* suffix;
        std::vector<Text> expected;
    } cases[] = {
        // blank value skipped, capitalised key still matches
        {R"({"words": "a"}, {"words": "  "}, {"WORDS": "b"})", "{\"words\": \"", "\"}", Gbk({"a", "b"})},
        {"[x] [ y ] [　z　]", "[", "]", Gbk({"x", "y", "z"})},  // ASCII and full-width spaces trimmed
        {"<a><b", "<", ">", Gbk({"a"})},                        // no suffix after the last prefix
        {"no markers here", "<", ">", {}},
        {"", "<", ">", {}},
        {"<>", "<", ">", {}},
        {"AbcXdefabcYdef", "ABC", "DEF", Gbk({"X", "Y"})},      // case ignored in both markers
        {"<<a>", "<", ">", Gbk({"<a"})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AllTextsBetween(Text(Utf8ToGbkBytes(c.text)), c.prefix, c.suffix), c.expected) << c.text;
    }
}

TEST(ParseOcrWords, ReadsTheServicesAnswer) {
    const Text answer = Text(Utf8ToGbkBytes(
        R"({"log_id": 1, "words_result_num": 3, "words_result": [{"words": "你好。"}, {"words": "say \"hi\" \/ \n"}, )"
        R"({"words": " "}, {"WORDS": "世界"}]})"));
    EXPECT_EQ(ParseOcrWords(answer), Gbk({"你好。", R"(say \"hi\" \/ \n)", "世界"}));
    EXPECT_TRUE(ParseOcrWords(R"({"error_code":110,"error_msg":"Access token invalid or no longer valid"})").empty());
    // no space after the colon: not the service's form, nothing found
    EXPECT_TRUE(ParseOcrWords(R"({"words":"x"})").empty());
}

TEST(FormatOcrText, BreaksAfterEveryChineseFullStop) {
    EXPECT_EQ(FormatOcrText("第一行。第二行"_gbk), "第一行。\r\n    第二行"_gbk);
    EXPECT_EQ(FormatOcrText("甲"_gbk) + FormatOcrText("乙"_gbk), "甲乙"_gbk);
    EXPECT_EQ(FormatOcrText("。。"_gbk), "。\r\n    。\r\n    "_gbk);
    EXPECT_EQ(FormatOcrText("a.b"), Text("a.b"));
}

TEST(ParseTranslation, ReadsTheSegments) {
    const Text answer =
        R"({"from":"en","to":"zh","trans_result":[{"src":"Hello.","dst":"\u4f60\u597d"},{"src":"x","dst":" "},)"
        R"({"src":"b","dst":"How are you?"}]})";
    EXPECT_EQ(ParseTranslation(answer), (std::vector<Text>{R"(\u4f60\u597d)", "How are you?"}));
    EXPECT_TRUE(ParseTranslation(R"({"error_code":"54001","error_msg":"Invalid Sign"})").empty());
    EXPECT_TRUE(ParseTranslation("").empty());
}

TEST(FormatTranslatedSegment, PerDirection) {
    struct Case {
        TranslateDirection dir;
        const char* segment;
        const char* expected;  // UTF-8
    } cases[] = {
        {ZhToEn, "Hello.World", "Hello.\r\nWorld"},
        {ZhToEn, "Hello.", "Hello.\r\n"},
        {ZhToEn, R"(say \"hi\")", "say \"hi\""},
        {ZhToEn, R"(\u4f60)", "u4f60"},  // zh->en does not decode escapes
        {EnToZh, R"(\u4f60\u597d)", "你好"},
        {EnToZh, R"(\u4f60\u597d.)", "你好。\r\n"},
        {EnToZh, "a.b", "a。\r\nb"},
        {EnToZh, R"(\u4f60\u3002)", "你。"},  // an escaped full stop is not broken
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatTranslatedSegment(c.dir, c.segment), Text(Utf8ToGbkBytes(c.expected))) << c.segment;
    }
    // Segments are joined with nothing between them.
    EXPECT_EQ(FormatTranslatedSegment(ZhToEn, "Hello.") + FormatTranslatedSegment(ZhToEn, "How are you?"),
              Text("Hello.\r\nHow are you?"));
}

TEST(FormEncodeUtf8, EncodesAllButUnreserved) {
    EXPECT_EQ(FormEncodeUtf8("aZ09-._~"), Text("aZ09-._~"));
    EXPECT_EQ(FormEncodeUtf8("a b&c=d+e%f/"), Text("a%20b%26c%3Dd%2Be%25f%2F"));
    EXPECT_EQ(FormEncodeUtf8("你\r\n"_gbk), Text("%E4%BD%A0%0D%0A"));
    EXPECT_EQ(FormEncodeUtf8(""), Text(""));
}

TEST(ServiceConfig, EnvironmentOverridesTheCompiledInValues) {
    const char* names[] = {"QINGLAN_OCR_BASE", "QINGLAN_IMAGE_HOST_BASE", "QINGLAN_TRANSLATE_BASE",
                           "QINGLAN_OCR_API_KEY", "QINGLAN_OCR_SECRET_KEY", "QINGLAN_TRANSLATE_APP_ID",
                           "QINGLAN_TRANSLATE_SIGN_KEY"};
    for (const char* n : names) ::unsetenv(n);
    ::setenv("QINGLAN_IMAGE_HOST_BASE", "", 1);  // empty counts as unset
    ServiceConfig c = ServiceConfigFromEnvironment();
    EXPECT_EQ(c.OcrServiceBase, Text("http://127.0.0.1:17650"));
    EXPECT_EQ(c.ImageHostBase, Text("http://127.0.0.1:17650"));
    EXPECT_EQ(c.TranslateServiceBase, Text("http://127.0.0.1:17650"));
    EXPECT_EQ(c.OcrApiKey, Text("Qd7nWk2LrPz9XbTc4HsVf6Jm"));
    EXPECT_EQ(c.OcrSecretKey, Text("h3KpZr8NwT5qLx2VbY7cMd9FsJ4gRn6E"));
    EXPECT_EQ(c.TranslateAppId, Text("30457182964015326"));
    EXPECT_EQ(c.TranslateSignKey, Text("Tz4Rb_9WqKm2NsYd7LcX"));

    for (const char* n : names) ::setenv(n, (std::string("v-") + n).c_str(), 1);
    c = ServiceConfigFromEnvironment();
    const Text got[] = {c.OcrServiceBase, c.ImageHostBase, c.TranslateServiceBase, c.OcrApiKey,
                        c.OcrSecretKey, c.TranslateAppId, c.TranslateSignKey};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(got[i], Text(std::string("v-") + names[i]));
    SetServiceConfig(c);
    EXPECT_EQ(OcrServiceBase(), Text("v-QINGLAN_OCR_BASE"));
    EXPECT_EQ(TranslateSignKey(), Text("v-QINGLAN_TRANSLATE_SIGN_KEY"));
    for (const char* n : names) ::unsetenv(n);
    SetServiceConfig(ServiceConfigFromEnvironment());
}
