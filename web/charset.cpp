#include "web/charset.h"

#include <cerrno>
#include <iconv.h>

#include <optional>
#include <string>

namespace ql {

namespace {

// Lower-case ASCII copy, for comparing character-set names.
std::string LowerAscii(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// UTF-16LE units of a text's bytes in the named character set; nullopt when iconv does not know the name.
// Invalid input sequences become U+FFFD, one per skipped byte.
std::optional<std::string> ToUtf16(const std::string& input, const std::string& charset) {
    iconv_t cd = iconv_open("UTF-16LE", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    out.reserve(input.size() * 2 + 16);
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (a sequence cut off by the end): replace one byte and go on.
        out.append("\xFD\xFF", 2);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    iconv_close(cd);
    return out;
}

// --- The single-quoted script string and unescape -----------------------------------------------------

bool IsHex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return c - u'A' + 10;
}

bool IsOctal(char16_t c) { return c >= u'0' && c <= u'7'; }

// The value of the contents of a single-quoted string literal; nullopt where the literal is not one
// (a line feed or CR inside it, or a backslash that would escape the closing quote).
std::optional<std::u16string> EvaluateStringLiteral(const std::u16string& src) {
    std::u16string value;
    value.reserve(src.size());
    const size_t n = src.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c == u'\n' || c == u'\r') return std::nullopt;
        if (c != u'\\') {
            value.push_back(c);
            continue;
        }
        if (i + 1 >= n) return std::nullopt;  // it would escape the closing quote
        const char16_t e = src[++i];
        switch (e) {
            case u'\n':
            case u'\r': return std::nullopt;
            case u'b': value.push_back(u'\b'); break;
            case u't': value.push_back(u'\t'); break;
            case u'n': value.push_back(u'\n'); break;
            case u'v': value.push_back(u'\v'); break;
            case u'f': value.push_back(u'\f'); break;
            case u'r': value.push_back(u'\r'); break;
            case u'x':
                if (i + 2 < n && IsHex(src[i + 1]) && IsHex(src[i + 2])) {
                    value.push_back(static_cast<char16_t>(HexValue(src[i + 1]) * 16 + HexValue(src[i + 2])));
                    i += 2;
                } else {
                    value.push_back(u'x');
                }
                break;
            default:
                if (IsOctal(e)) {
                    // Up to three digits from 0..3, up to two from 4..7: the value stays below 256.
                    int v = e - u'0';
                    const size_t maxDigits = e <= u'3' ? 3 : 2;
                    size_t digits = 1;
                    while (digits < maxDigits && i + 1 < n && IsOctal(src[i + 1])) {
                        v = v * 8 + (src[++i] - u'0');
                        ++digits;
                    }
                    value.push_back(static_cast<char16_t>(v));
                } else {
                    value.push_back(e);  // \" \' \\ and every other character stand for themselves
                }
        }
    }
    return value;
}

std::u16string Unescape(const std::u16string& s) {
    std::u16string out;
    out.reserve(s.size());
    const size_t n = s.size();
    for (size_t k = 0; k < n; ++k) {
        const char16_t c = s[k];
        if (c == u'%') {
            if (k + 6 <= n && s[k + 1] == u'u' && IsHex(s[k + 2]) && IsHex(s[k + 3]) && IsHex(s[k + 4]) &&
                IsHex(s[k + 5])) {
                out.push_back(static_cast<char16_t>((HexValue(s[k + 2]) << 12) | (HexValue(s[k + 3]) << 8) |
                                                    (HexValue(s[k + 4]) << 4) | HexValue(s[k + 5])));
                k += 5;
                continue;
            }
            if (k + 3 <= n && IsHex(s[k + 1]) && IsHex(s[k + 2])) {
                out.push_back(static_cast<char16_t>((HexValue(s[k + 1]) << 4) | HexValue(s[k + 2])));
                k += 2;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

std::u16string UnitsOf(const Bytes& utf16) {
    std::u16string units(utf16.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(utf16.ptr()[2 * i] | (utf16.ptr()[2 * i + 1] << 8));
    return units;
}

Bytes BytesOf(const std::u16string& units) {
    std::string b(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) {
        b[2 * i] = static_cast<char>(units[i] & 0xFF);
        b[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return Bytes(std::move(b));
}

}  // namespace

std::optional<Text> DecodeCharset(const Bytes& bytes, const Text& charsetName) {
    std::string name = LowerAscii(charsetName.str());
    std::string input = bytes.data();
    if (name == "unicode") {
        name = "UTF-16LE";
        if (input.size() % 2) input.pop_back();  // half a code unit carries no character
    }
    if (name.empty()) return std::nullopt;
    std::optional<std::string> units = ToUtf16(input, name);
    if (!units) return std::nullopt;
    // A byte-order mark opens the stream; it is not part of the text.
    if (units->size() >= 2 && static_cast<unsigned char>((*units)[0]) == 0xFF &&
        static_cast<unsigned char>((*units)[1]) == 0xFE)
        units->erase(0, 2);
    return Utf16ToGbk(Bytes(std::move(*units)));
}

Text DecodeUnicodeEscapes(const Text& text) {
    static const Text kLineBreak = "\r\n";
    static const Text kLinePlaceholder = "{$}";
    static const Text kQuotePlaceholder = "\xA1\xAF";  // ’ in GBK
    Text prepared = ReplaceText(text, kLineBreak, kLinePlaceholder);
    if (!prepared.empty() && prepared.byte(0) == 0x0D) prepared = TakeRight(prepared, prepared.size() - 1);
    if (SearchText(prepared, "\\u") > 0) prepared = ReplaceText(prepared, "\\u", "%u");
    prepared = ReplaceText(prepared, "'", kQuotePlaceholder);

    Text decoded;
    if (!prepared.empty()) {
        const std::optional<std::u16string> literal = EvaluateStringLiteral(UnitsOf(GbkToUtf16(prepared, true)));
        if (literal) decoded = Utf16ToGbk(BytesOf(Unescape(*literal)));
    }
    if (decoded.empty()) decoded = DecodeCharset(TextToBytes(prepared), "unicode").value_or(Text());

    decoded = ReplaceText(decoded, kQuotePlaceholder, "'");
    return ReplaceText(decoded, kLinePlaceholder, kLineBreak);
}

}  // namespace ql
