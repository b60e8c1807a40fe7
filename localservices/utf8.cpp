#include "localservices/utf8.h"

#include <iconv.h>

#include <cerrno>

namespace ql::localsvc {

namespace {

// Decodes one sequence at s[i]; returns its length, or 0 when it is invalid (overlong, surrogate,
// out of range, truncated).
size_t DecodeOne(std::string_view s, size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::vector<char32_t> DecodeUtf8(std::string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        const size_t n = DecodeOne(s, i, cp);
        if (n == 0) {
            out.push_back(0xFFFD);
            ++i;
        } else {
            out.push_back(cp);
            i += n;
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        const size_t n = DecodeOne(s, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string EncodeUtf8(const std::vector<char32_t>& cps) {
    std::string out;
    out.reserve(cps.size() * 3);
    for (char32_t cp : cps) AppendUtf8(out, cp);
    return out;
}

bool IsCjk(char32_t cp) {
    return (cp >= 0x3000 && cp <= 0x303F)       // CJK symbols and punctuation
           || (cp >= 0x3400 && cp <= 0x4DBF)    // extension A
           || (cp >= 0x4E00 && cp <= 0x9FFF)    // unified ideographs
           || (cp >= 0xF900 && cp <= 0xFAFF)    // compatibility ideographs
           || (cp >= 0xFF00 && cp <= 0xFFEF)    // full-width forms
           || (cp >= 0x20000 && cp <= 0x3134F)  // extensions B to G
           || cp == 0x2018 || cp == 0x2019 || cp == 0x201C || cp == 0x201D || cp == 0x2026 || cp == 0x2014;
}

std::string JoinCjkSpaces(std::string_view line) {
    const std::vector<char32_t> cps = DecodeUtf8(line);
    std::vector<char32_t> out;
    out.reserve(cps.size());
    for (size_t i = 0; i < cps.size(); ++i) {
        if (cps[i] == U' ' && !out.empty() && IsCjk(out.back())) {
            size_t j = i;
            while (j < cps.size() && cps[j] == U' ') ++j;
            if (j < cps.size() && IsCjk(cps[j])) {
                i = j - 1;
                continue;
            }
        }
        out.push_back(cps[i]);
    }
    size_t b = 0, e = out.size();
    while (b < e && (out[b] == U' ' || out[b] == U'\t')) ++b;
    while (e > b && (out[e - 1] == U' ' || out[e - 1] == U'\t')) --e;
    return EncodeUtf8(std::vector<char32_t>(out.begin() + static_cast<long>(b), out.begin() + static_cast<long>(e)));
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    iconv_t cd = iconv_open("UTF-8", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string in(gbk);
    std::string out(in.size() * 2 + 4, '\0');
    char* inp = in.data();
    size_t inLeft = in.size();
    char* outp = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace ql::localsvc
