#include "web/charset.h"

#include <gtest/gtest.h>

#include "tests/web/print_text.h"

namespace ql {
namespace {

TEST(DecodeCharsetTest, NamedCharsets) {
    struct Case {
        std::string bytes;
        const char* name;
        Text expected;
    } cases[] = {
        {"\xE4\xBD\xA0\xE5\xA5\xBD", "utf-8", "你好"_gbk},
        {"\xE4\xBD\xA0\xE5\xA5\xBD", "UTF-8", "你好"_gbk},
        {"\xEF\xBB\xBF" "abc", "utf-8", "abc"},          // a byte-order mark is not text
        {"\xA7\x41\xA6\x6E", "big5", "你好"_gbk},
        {"\xC4\xE3\xBA\xC3", "gbk", "你好"_gbk},
        {"\xC4\xE3\xBA\xC3", "gb2312", "你好"_gbk},
        {std::string("\x60\x4F\x7D\x59", 4), "unicode", "你好"_gbk},  // UTF-16LE
        {std::string("A\0B\0C", 5), "unicode", "AB"},     // half a unit at the end is dropped
        {"caf\xE9", "iso-8859-1", "caf\xA8\xA6"},         // é exists in GBK
        {"a\xF0\x9F\x98\x80", "utf-8", "a?"},             // no GBK form: replaced
    };
    for (const Case& c : cases) {
        const std::optional<Text> got = DecodeCharset(Bytes(c.bytes), c.name);
        ASSERT_TRUE(got.has_value()) << c.name;
        EXPECT_EQ(*got, c.expected) << c.name;
    }
}

TEST(DecodeCharsetTest, UnknownNameGivesNoResult) {
    EXPECT_FALSE(DecodeCharset(Bytes(std::string("abc")), "no-such-charset").has_value());
    EXPECT_FALSE(DecodeCharset(Bytes(std::string("abc")), "").has_value());
}

TEST(DecodeCharsetTest, InvalidInputStillGivesText) {
    const std::optional<Text> got = DecodeCharset(Bytes(std::string("a\xFF" "b")), "utf-8");
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(TakeLeft(*got, 1), Text("a"));
    EXPECT_EQ(TakeRight(*got, 1), Text("b"));
    EXPECT_GT(got->size(), 2);
}

// The bytes of a text read as UTF-16LE, as the decoder's fallback reads them.
Text AsUtf16(const std::string& bytes) { return DecodeCharset(Bytes(bytes), "unicode").value_or(Text()); }

TEST(DecodeUnicodeEscapesTest, Table) {
    struct Case {
        Text input;
        Text expected;
    } cases[] = {
        {"\\u4f60\xA1\xA3\r\n", "你。\r\n"_gbk},          // the example: 你, full stop, CR LF
        {"\\u4F60\\u597d", "你好"_gbk},                   // either letter case of hex digits
        {"it's", "it's"},                                 // apostrophe goes through as ’ and comes back
        {"\xA1\xAF" "x", "'x"},                           // a ’ of the input comes back as '
        {"a{$}b", "a\r\nb"},                              // the placeholder itself turns into CR LF
        {"100%25 %zz %", "100% %zz %"},                   // %XX decoded, other % kept
        {"%u4f60", "你"_gbk},                             // %uXXXX decoded as well
        {"a\\nb", "a\nb"},                                // backslash n: LF alone
        {"\\t\\b\\f\\v\\r", "\t\b\f\v\r"},                // the control-character escapes
        {"\\\"\\\\", "\"\\"},                             // quote and backslash escapes
        {"\\x41\\x4a", "AJ"},                             // \xHH
        {"\\xZ1", "xZ1"},                                 // \x without two hex digits is the letter x
        {"\\101\\60\\0601", "A001"},                      // octal: 101, 60, then 060 and the digit 1
        {"\\477", "'7"},                                  // 4..7 take at most two digits: \47 is '
        {"\\q\\8", "q8"},                                 // any other escaped character stands for itself
        {"\\\\u0041", "A"},                               // "\u" rewritten first, so "\\u" ends as %u0041
        {"\rabc", "abc"},                                 // a leading lone CR is dropped
        {"\x95\x5Cu4f60\x95\x5Cn", "\x95\x5Cu4f60\x95\x5Cn"},  // 0x5C as a trail byte is no backslash
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeUnicodeEscapes(c.input), c.expected) << c.input.str();
}

TEST(DecodeUnicodeEscapesTest, FailedEvaluationFallsBackToUtf16Reading) {
    // A lone LF, a CR after the first byte, or a final lone backslash make the string literal invalid.
    struct Case {
        Text input;
        std::string prepared;  // the text after its placeholders were put in
    } cases[] = {
        {"ab\ncd", "ab\ncd"},
        {"a\rbc", "a\rbc"},
        {"abc\\", "abc\\"},
        {"x\\u4f\\", "x%u4f\\"},
    };
    for (const Case& c : cases) {
        const Text got = DecodeUnicodeEscapes(c.input);
        EXPECT_EQ(got, AsUtf16(c.prepared)) << c.input.str();
        EXPECT_NE(got, c.input);
    }
}

TEST(DecodeUnicodeEscapesTest, EscapedZeroEndsTheValue) {
    // A zero code unit ends the text; an empty evaluation result means the fallback.
    EXPECT_EQ(DecodeUnicodeEscapes("ab\\0cd"), Text("ab"));
    EXPECT_EQ(DecodeUnicodeEscapes("\\0ab"), AsUtf16("\\0ab"));
}

}  // namespace
}  // namespace ql
