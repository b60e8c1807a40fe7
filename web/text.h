// The text model: GBK texts (never a zero byte, 1-based byte positions) and separate byte strings.
#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

// A GBK (code page 936) byte string. It never holds a zero byte: construction stops at the first one.
class Text {
public:
    Text() = default;
    Text(const char* s);              // NOLINT(google-explicit-constructor): literals are texts
    Text(std::string_view s);         // NOLINT(google-explicit-constructor)
    Text(const std::string& s);       // NOLINT(google-explicit-constructor)

    const std::string& str() const noexcept { return s_; }
    const char* c_str() const noexcept { return s_.c_str(); }
    int size() const noexcept { return static_cast<int>(s_.size()); }
    bool empty() const noexcept { return s_.empty(); }
    // 0-based byte access, for scanning.
    unsigned char byte(int i) const noexcept { return static_cast<unsigned char>(s_[static_cast<size_t>(i)]); }

    Text& operator+=(const Text& other) { s_ += other.s_; return *this; }
    friend Text operator+(Text a, const Text& b) { a += b; return a; }
    friend bool operator==(const Text&, const Text&) = default;
    friend auto operator<=>(const Text&, const Text&) = default;

private:
    std::string s_;
};

// An arbitrary byte string; zero bytes allowed.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::string data) : d_(std::move(data)) {}
    Bytes(const void* p, size_t n) : d_(static_cast<const char*>(p), n) {}

    const std::string& data() const noexcept { return d_; }
    std::string& data() noexcept { return d_; }
    size_t size() const noexcept { return d_.size(); }
    bool empty() const noexcept { return d_.empty(); }
    const unsigned char* ptr() const noexcept { return reinterpret_cast<const unsigned char*>(d_.data()); }

    Bytes& operator+=(const Bytes& other) { d_ += other.d_; return *this; }
    friend Bytes operator+(Bytes a, const Bytes& b) { a += b; return a; }
    friend bool operator==(const Bytes&, const Bytes&) = default;

private:
    std::string d_;
};

// Text primitives. Positions are 1-based byte positions; searches try matches only at character starts.
int SearchText(const Text& text, const Text& sought, int start = 1, bool caseInsensitive = false);
Text TakeLeft(const Text& text, int count);
Text TakeRight(const Text& text, int count);
Text TakeMiddle(const Text& text, int start, int count);
Text TrimSpaces(const Text& text);
std::vector<Text> SplitByText(const Text& text, const Text& separator);
// count < 0 replaces every occurrence.
Text ReplaceText(const Text& text, const Text& sought, const Text& replacement = Text(), int start = 1,
                 int count = -1, bool caseSensitive = true);
Text BytesToText(const Bytes& bytes);
Bytes TextToBytes(const Text& text);

// Helpers.
Text TextBetween(const Text& text, const Text& prefix, const Text& suffix, int start = 1, bool caseInsensitive = false);
Text TextBefore(const Text& text, const Text& delimiter, int start = 1, bool caseInsensitive = false);
Text Base64Encode(const Bytes& bytes);
Text Utf8ToGbk(const Text& utf8);
Text GbkToUtf8(const Text& gbk);
Bytes GbkToUtf16(const Text& gbk, bool dropTerminator);
Text Utf16ToGbk(const Bytes& utf16);

// Byte-level conversions for the edges of the program (file names, controls, JSON), same substitution rules.
std::string Utf8ToGbkBytes(std::string_view utf8);
std::string GbkToUtf8Bytes(std::string_view gbk);

// A GBK text from a UTF-8 source literal: u8"..."_gbk is not needed, "选择图片"_gbk is.
Text operator""_gbk(const char* utf8, size_t n);

}  // namespace ql
