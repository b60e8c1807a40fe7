// The text primitives and helpers: positions, character boundaries, pieces, trimming, conversions.
#include "web/text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace ql;

namespace {

Text T(const char* s) { return Text(s); }
std::string Raw(std::string_view s) { return std::string(s); }

// The simple, obviously right search: step character by character from the start position.
bool SameCharacters(const std::string& t, size_t p, const std::string& s, bool ci) {
    if (p + s.size() > t.size()) return false;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {  // a two-byte character compares exactly, both bytes
            if (t[p + i] != s[i] || (i + 1 < s.size() && t[p + i + 1] != s[i + 1])) return false;
            i += 2;
        } else {
            const auto a = static_cast<unsigned char>(t[p + i]);
            if (ci ? std::tolower(a) != std::tolower(c) : a != c) return false;
            ++i;
        }
    }
    return true;
}

int ReferenceSearch(const std::string& t, const std::string& s, int start, bool ci = false) {
    if (start < 1) start = 1;
    if (start > static_cast<int>(t.size())) return -1;
    if (s.empty()) return 1;
    size_t p = static_cast<size_t>(start - 1);
    while (p + s.size() <= t.size()) {
        if (SameCharacters(t, p, s, ci)) {
            // the match must not end inside a character
            size_t e = p;
            while (e < p + s.size()) e += static_cast<unsigned char>(t[e]) >= 0x80 ? 2 : 1;
            if (e == p + s.size() || e > t.size()) return static_cast<int>(p) + 1;
        }
        p += static_cast<unsigned char>(t[p]) >= 0x80 ? 2 : 1;
    }
    return -1;
}

}  // namespace

TEST(TextModel, ConstructionStopsAtTheFirstZeroByte) {
    EXPECT_EQ(Text(std::string("ab\0cd", 5)).size(), 2);
    EXPECT_EQ(Text(std::string_view("\0x", 2)).size(), 0);
    EXPECT_EQ(BytesToText(Bytes("ab\0cd", 5)), T("ab"));
    EXPECT_EQ(BytesToText(Bytes()), Text());
    EXPECT_EQ(TextToBytes(T("ab")).size(), 2u);  // no terminator
    EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text());
    EXPECT_EQ("选择图片"_gbk.size(), 8);
}

struct SearchCase {
    const char* name;
    std::string text, sought;
    int start;
    bool ci;
    int expected;
};

TEST(SearchText, Table) {
    const Text qing = "青岚识文"_gbk;
    const std::vector<SearchCase> cases = {
        {"first position is 1", "abcabc", "a", 1, false, 1},
        {"found after start", "abcabc", "b", 3, false, 5},
        {"start on the match", "abcabc", "b", 2, false, 2},
        {"last byte", "abc", "c", 3, false, 3},
        {"start below 1 means 1", "abc", "a", -5, false, 1},
        {"start beyond end", "abc", "a", 4, false, -1},
        {"absent", "abc", "d", 1, false, -1},
        {"sought longer than text", "ab", "abc", 1, false, -1},
        {"empty sought gives 1, not the start", "abc", "", 3, false, 1},
        {"empty sought past the end", "abc", "", 4, false, -1},
        {"empty sought in empty text", "", "", 1, false, -1},
        {"second byte 0x62 is not a b", "\xB0\x62", "b", 1, false, -1},
        {"b after a pair ending in 0x62", "\xB0\x62" "b", "b", 1, false, 3},
        {"pair straddling two characters", "\xB0\xA1\xB0\xA1", "\xA1\xB0", 1, false, -1},
        {"pairs after an ASCII byte", "x\xA1\xB0\xA1\xB0", "\xA1\xB0", 1, false, 2},
        {"straddle after an ASCII byte", "x\xA1\xB0\xA1\xB0", "\xB0\xA1", 1, false, -1},
        {"ASCII-looking second byte", "\xB0" "A\xC1\xC2", "\xC1\xC2", 1, false, 3},
        {"no match across second byte", "\xB0" "A\xC1\xC2", "A\xC1", 1, false, -1},
        {"half character at the end of sought", "a\xB0\xA1", "a\xB0", 1, false, -1},
        {"half character at the end of both", "a\xB0", "a\xB0", 1, false, 1},
        {"Chinese", qing.str(), Raw("识"_gbk.str()), 1, false, 5},
        {"case-sensitive by default", "xABc", "ab", 1, false, -1},
        {"case-insensitive", "xABc", "ab", 1, true, 2},
        {"case-insensitive upper sought", "xabc", "AB", 1, true, 2},
        {"case-insensitive not on second bytes", "\xB0\x41", "\xB0\x61", 1, true, -1},
        {"case-insensitive letter after pair", "\xB0\x41" "a", "A", 1, true, 3},
        {"case-insensitive straddle", "\xB0\xA1\xB0\xA1", "\xA1\xB0", 1, true, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SearchText(Text(c.text), Text(c.sought), c.start, c.ci), c.expected) << c.name;
}

TEST(SearchText, AgreesWithCharacterSteppingOnMixedText) {
    // Long runs of high bytes and lone ASCII bytes make every kind of false candidate.
    std::mt19937 rng(7);
    const char alphabet[] = {'a', 'b', '\xA1', '\xB0', '\xC1', 'A', 'B'};
    for (int round = 0; round < 2000; ++round) {
        std::string t;
        const int len = static_cast<int>(rng() % 60);
        for (int i = 0; i < len; ++i) t.push_back(alphabet[rng() % sizeof alphabet]);
        std::string s;
        const int slen = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < slen; ++i) s.push_back(alphabet[rng() % sizeof alphabet]);
        const int start = static_cast<int>(rng() % 8);
        const bool ci = rng() % 2 == 0;
        ASSERT_EQ(SearchText(Text(t), Text(s), start, ci), ReferenceSearch(t, s, start, ci))
            << "text " << ::testing::PrintToString(t) << " sought " << ::testing::PrintToString(s) << " start " << start
            << " case-insensitive " << ci;
    }
}

TEST(TakeParts, Table) {
    struct Case { const char* name; Text got, expected; };
    const Text t = "abcdef";
    const std::vector<Case> cases = {
        {"left 2", TakeLeft(t, 2), "ab"},
        {"left all when shorter", TakeLeft(t, 10), "abcdef"},
        {"left 0", TakeLeft(t, 0), ""},
        {"left negative", TakeLeft(t, -1), ""},
        {"right 2", TakeRight(t, 2), "ef"},
        {"right all when shorter", TakeRight(t, 10), "abcdef"},
        {"right 0", TakeRight(t, 0), ""},
        {"middle from 1", TakeMiddle(t, 1, 2), "ab"},
        {"middle from 3", TakeMiddle(t, 3, 2), "cd"},
        {"middle at the end", TakeMiddle(t, 5, 10), "ef"},
        {"middle start 0", TakeMiddle(t, 0, 2), ""},
        {"middle start beyond", TakeMiddle(t, 7, 2), ""},
        {"middle last byte", TakeMiddle(t, 6, 1), "f"},
        {"middle count 0", TakeMiddle(t, 2, 0), ""},
        {"bytes, not characters", TakeLeft("青岚"_gbk, 2), "青"_gbk},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
}

TEST(TrimSpaces, Table) {
    const std::string fw = "\xA1\xA1";
    struct Case { const char* name; std::string in, out; };
    const std::vector<Case> cases = {
        {"ASCII spaces", "  a b  ", "a b"},
        {"leading full-width space", fw + "a", "a"},
        {"trailing full-width spaces", "a" + fw + fw, "a"},
        {"mixed", " " + fw + " a " + fw, "a"},
        {"leading tab stays", "\ta", "\ta"},
        {"trailing tab stays", "a\t ", "a\t"},
        {"CR LF stay", "\r\na\r\n", "\r\na\r\n"},
        {"inside stays", "a" + fw + "b", "a" + fw + "b"},
        {"only spaces", "  " + fw, ""},
        {"empty", "", ""},
        {"A1 A1 that is not a whole character", "\xB0\xA1\xA1", "\xB0\xA1\xA1"},
        {"Chinese kept", " " + "青"_gbk.str() + " ", "青"_gbk.str()},
    };
    for (const auto& c : cases) EXPECT_EQ(TrimSpaces(Text(c.in)), Text(c.out)) << c.name;
}

TEST(SplitByText, Table) {
    struct Case { const char* name; std::string text, sep; std::vector<std::string> pieces; };
    const std::vector<Case> cases = {
        {"two words", "a,b", ",", {"a", "b"}},
        {"adjacent separators give an empty middle piece", "a,,b", ",", {"a", "", "b"}},
        {"no empty last piece", "a,b,", ",", {"a", "b"}},
        {"leading separator gives an empty first piece", ",a", ",", {"", "a"}},
        {"only separators", ",,", ",", {"", ""}},
        {"no separator", "abc", ",", {"abc"}},
        {"empty text", "", ",", {}},
        {"empty separator", "abc", "", {"abc"}},
        {"pieces not trimmed", "k=v; x=y", ";", {"k=v", " x=y"}},
        {"long separator", "a--b----c", "--", {"a", "b", "", "c"}},
        {"separator byte inside a character", "\xB0,a,b", ",", {"\xB0,a", "b"}},
        {"CR LF lines", "l1\r\nl2\r\n", "\r\n", {"l1", "l2"}},
    };
    for (const auto& c : cases) {
        std::vector<Text> expected(c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(SplitByText(Text(c.text), Text(c.sep)), expected) << c.name;
    }
}

TEST(ReplaceText, Table) {
    struct Case { const char* name; Text got, expected; };
    const std::vector<Case> cases = {
        {"all", ReplaceText("aaa", "a", "b"), "bbb"},
        {"default replacement removes", ReplaceText("a-b-c", "-"), "abc"},
        {"from position 2", ReplaceText("aaa", "a", "b", 2), "abb"},
        {"count 1", ReplaceText("aaa", "a", "b", 1, 1), "baa"},
        {"count 0", ReplaceText("aaa", "a", "b", 1, 0), "aaa"},
        {"non-overlapping", ReplaceText("aaaa", "aa", "b"), "bb"},
        {"replacement holding the sought text", ReplaceText("aa", "a", "aa"), "aaaa"},
        {"case-sensitive by default", ReplaceText("AbA", "a", "x"), "AbA"},
        {"case-insensitive", ReplaceText("AbA", "a", "x", 1, -1, false), "xbx"},
        {"not on a second byte", ReplaceText("\xB0\x62" "b", "b", "x"), "\xB0\x62x"},
        {"empty sought", ReplaceText("abc", "", "x"), "abc"},
        {"start beyond the end", ReplaceText("abc", "a", "x", 9), "abc"},
        {"Chinese", ReplaceText("识别。完成。"_gbk, "。"_gbk, "\r\n"), "识别\r\n完成\r\n"_gbk},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
}

TEST(TextBetween, Table) {
    struct Case { const char* name; Text got, expected; };
    const Text json = "{\"access_token\":\"24.abc\",\"expires_in\":1}";
    const std::vector<Case> cases = {
        {"quote markers", TextBetween(json, "access_token#引号:#引号"_gbk, "#引号"_gbk), "24.abc"},
        {"prefix is the quote marker", TextBetween("x\"v\"", "#引号"_gbk, "#引号"_gbk), "v"},
        {"missing suffix", TextBetween("<a>x", "<a>", "</a>"), ""},
        {"empty suffix", TextBetween("<a>x</a>", "<a>", ""), ""},
        {"missing prefix", TextBetween("x</a>", "<a>", "</a>"), ""},
        {"first occurrence", TextBetween("<a>x</a><a>y</a>", "<a>", "</a>"), "x"},
        {"from a start position", TextBetween("<a>x</a><a>y</a>", "<a>", "</a>", 5), "y"},
        {"empty value", TextBetween("<a></a>", "<a>", "</a>"), ""},
        {"case-insensitive", TextBetween("<A>x</A>", "<a>", "</a>", 1, true), "x"},
        {"case-sensitive by default", TextBetween("<A>x</A>", "<a>", "</a>"), ""},
        {"Chinese markers", TextBetween("名称：青岚；"_gbk, "："_gbk, "；"_gbk), "青岚"_gbk},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
}

TEST(TextBefore, Table) {
    EXPECT_EQ(TextBefore("Host: x", ": "), T("Host"));
    EXPECT_EQ(TextBefore("no delimiter", ": "), T(""));
    EXPECT_EQ(TextBefore(": x", ": "), T(""));
    EXPECT_EQ(TextBefore("a: b: c", ": ", 3), T("a: b"));
    EXPECT_EQ(TextBefore("a: b", ": ", 0), T("a"));
    EXPECT_EQ(TextBefore("aXb", "x", 1, true), T("a"));
}

TEST(Base64Encode, Table) {
    struct Case { Bytes in; const char* out; };
    const std::vector<Case> cases = {
        {Bytes(), ""},
        {Bytes(std::string("f")), "Zg=="},
        {Bytes(std::string("fo")), "Zm8="},
        {Bytes(std::string("foo")), "Zm9v"},
        {Bytes(std::string("foobar")), "Zm9vYmFy"},
        {Bytes("\0\xff", 2), "AP8="},
        {Bytes("\xfb\xff\xbf", 3), "+/+/"},
    };
    for (const auto& c : cases) EXPECT_EQ(Base64Encode(c.in), T(c.out)) << c.out;
    // no line breaks however long
    EXPECT_EQ(Base64Encode(Bytes(std::string(300, 'x'))).size(), 400);
}

TEST(Conversions, KnownValues) {
    const std::string utf8 = "青岚识文 OK";
    const Text gbk = Utf8ToGbk(Text(utf8));
    EXPECT_EQ(gbk.str(), "\xC7\xE0\xE1\xB0\xCA\xB6\xCE\xC4 OK");
    EXPECT_EQ(GbkToUtf8(gbk).str(), utf8);
    EXPECT_EQ(GbkToUtf8Bytes(gbk.str()), utf8);
    EXPECT_EQ(Utf8ToGbkBytes(utf8), gbk.str());

    EXPECT_EQ(GbkToUtf16(Text(), false), Bytes());
    EXPECT_EQ(GbkToUtf16(Text(), true), Bytes());
    EXPECT_EQ(GbkToUtf16("a", false), Bytes("a\0\0\0", 4));
    EXPECT_EQ(GbkToUtf16("a", true), Bytes("a\0", 2));
    EXPECT_EQ(GbkToUtf16("青"_gbk, true), Bytes("\x52\x97", 2));  // U+9752

    EXPECT_EQ(Utf16ToGbk(Bytes("\x52\x97" "a\0", 4)), "青a"_gbk);
    EXPECT_EQ(Utf16ToGbk(Bytes("a\0\0\0b\0", 6)), T("a"));  // stops at the first zero unit
    EXPECT_EQ(Utf16ToGbk(Bytes("a\0b", 3)), T("a"));        // half a unit is ignored
    EXPECT_EQ(Utf16ToGbk(Bytes()), Text());
    // u + combining diaeresis + combining macron is the pinyin letter GBK holds as one character
    EXPECT_EQ(Utf16ToGbk(Bytes("u\0\x08\x03\x04\x03", 6)), "ǖ"_gbk);
    EXPECT_EQ("ǖ"_gbk.size(), 2);
    EXPECT_EQ(Utf16ToGbk(Bytes("e\0\x01\x03", 4)), "é"_gbk);
}

TEST(Conversions, BadInputIsSubstituted) {
    struct Case { const char* name; Text got, expected; };
    const std::vector<Case> cases = {
        {"invalid UTF-8 bytes", Utf8ToGbk("\xFF\xFE" "a"), "??a"},
        {"truncated UTF-8 at the end", Utf8ToGbk("a\xE9\x9D"), "a?"},
        {"character GBK lacks", Utf8ToGbk("x\xF0\x9F\x98\x80y"), "x?y"},
        {"lone lead byte in GBK", GbkToUtf8("a\xB0"), "a\xEF\xBF\xBD"},
        {"invalid GBK byte", GbkToUtf8("\xFF" "b"), "\xEF\xBF\xBD" "b"},
        {"lone surrogate in UTF-16", Utf16ToGbk(Bytes("\x00\xD8" "a\0", 4)), "?a"},
        {"emoji pair in UTF-16 is one character", Utf16ToGbk(Bytes("\x3D\xD8\x00\xDE" "a\0", 6)), "?a"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
    EXPECT_EQ(GbkToUtf16("\xFF", true), Bytes("\xFD\xFF", 2));
}

TEST(Conversions, RandomBytesNeverFailOrHoldZeroBytes) {
    std::mt19937 rng(11);
    for (int round = 0; round < 500; ++round) {
        std::string raw;
        const int len = static_cast<int>(rng() % 40);
        for (int i = 0; i < len; ++i) raw.push_back(static_cast<char>(rng() % 256));
        const Text t(raw);
        for (const Text& out : {Utf8ToGbk(t), GbkToUtf8(t), Utf16ToGbk(Bytes(raw)), Utf16ToGbk(GbkToUtf16(t, false))})
            EXPECT_EQ(out.str().find('\0'), std::string::npos);
        const Bytes u = GbkToUtf16(t, true);
        EXPECT_EQ(u.size() % 2, 0u);
        EXPECT_EQ(t.empty(), u.empty());
    }
}

TEST(Conversions, RoundTripOnSeveralThreadsAtOnce) {
    const Text sample = "青岚识文：图片转文字，中英互译。ABC abc 123"_gbk;
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int k = 0; k < 4; ++k) {
        threads.emplace_back([&, k] {
            for (int i = 0; i < 200; ++i) {
                if (Utf8ToGbk(GbkToUtf8(sample)) != sample) ++failures[k];
                if (Utf16ToGbk(GbkToUtf16(sample, false)) != sample) ++failures[k];
            }
        });
    }
    for (auto& t : threads) t.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}
