// The text model and its helpers. Every routine is pure: values in, new values out.
#include "web/text.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace ql {

namespace {

inline bool IsLead(unsigned char c) { return c >= 0x80; }
inline unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

std::string UpToZero(std::string_view s) {
    const size_t z = s.find('\0');
    return std::string(z == std::string_view::npos ? s : s.substr(0, z));
}

// Is position `cand` (0-based) a character start, given that `known` <= cand is one?
// A byte below 0x80 is either a one-byte character or the second byte of a pair; either way the
// byte after it starts a character. So only the run of high bytes just before `cand` decides, and
// its parity tells whether `cand` is a lead byte's partner. Nothing before `known` is looked at.
inline bool IsBoundary(const unsigned char* t, size_t known, size_t cand) {
    size_t q = cand;
    while (q > known && IsLead(t[q - 1])) --q;
    return ((cand - q) & 1u) == 0;
}

// Does `sought` match at character start `pos` of `t`, comparing ASCII letters without case?
// Both bytes of a two-byte character compare exactly, so a second byte never matches a letter
// of another case.
bool MatchFolded(const unsigned char* t, size_t n, size_t pos, const unsigned char* s, size_t m) {
    if (pos + m > n) return false;
    size_t i = 0;
    while (i < m) {
        const unsigned char c = s[i];
        if (IsLead(c)) {
            if (t[pos + i] != c) return false;
            if (i + 1 < m) {
                if (t[pos + i + 1] != s[i + 1]) return false;
                i += 2;
            } else {
                // The sought text ends in half a character: matching it would split the text's character.
                return pos + i + 1 == n;
            }
        } else {
            if (FoldAscii(t[pos + i]) != FoldAscii(c)) return false;
            ++i;
        }
    }
    return true;
}

// Does `s` end in a lone lead byte (half a character)?
bool EndsInHalfCharacter(const unsigned char* s, size_t m) {
    size_t i = 0;
    while (i < m) i += IsLead(s[i]) ? 2 : 1;
    return i > m;
}

// Byte-exact search of s (m >= 1 bytes) in t from p: memchr for the first byte, then a compare.
inline size_t FindBytes(const unsigned char* t, size_t n, size_t p, const unsigned char* s, size_t m) {
    const unsigned char first = s[0];
    while (p + m <= n) {
        const void* hit = std::memchr(t + p, first, n - p - m + 1);
        if (!hit) return std::string::npos;
        const size_t c = static_cast<size_t>(static_cast<const unsigned char*>(hit) - t);
        if (m == 1 || std::memcmp(t + c + 1, s + 1, m - 1) == 0) return c;
        p = c + 1;
    }
    return std::string::npos;
}

// 0-based search from character start `from`; returns npos when absent.
size_t Find(const std::string& text, const std::string& sought, size_t from, bool caseInsensitive) {
    const size_t n = text.size();
    const size_t m = sought.size();
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* s = reinterpret_cast<const unsigned char*>(sought.data());
    if (from >= n) return std::string::npos;
    if (m == 0) return 0;  // callers turn this into position 1
    if (m > n - from) return std::string::npos;

    // Case matters only for one-byte letters of the sought text (second bytes compare exactly).
    bool hasLetter = false;
    for (size_t i = 0; i < m && !hasLetter; i += IsLead(s[i]) ? 2 : 1) {
        hasLetter = (s[i] >= 'a' && s[i] <= 'z') || (s[i] >= 'A' && s[i] <= 'Z');
    }
    if (caseInsensitive && hasLetter) {
        // Candidates: the first byte in either case (each found by memchr, kept until passed); each
        // is then compared without case and checked for a character start.
        const unsigned char lower = FoldAscii(s[0]);
        const unsigned char upper = (lower >= 'a' && lower <= 'z') ? static_cast<unsigned char>(lower - 32) : lower;
        const size_t last = n - m;  // the last position a match can start at
        auto next = [&](unsigned char b, size_t from) -> size_t {
            if (from > last) return std::string::npos;
            const void* hit = std::memchr(t + from, b, last - from + 1);
            return hit ? static_cast<size_t>(static_cast<const unsigned char*>(hit) - t) : std::string::npos;
        };
        size_t known = from;
        size_t nextLower = next(lower, from);
        size_t nextUpper = upper == lower ? std::string::npos : next(upper, from);
        for (;;) {
            const size_t c = std::min(nextLower, nextUpper);
            if (c == std::string::npos) return std::string::npos;
            if (MatchFolded(t, n, c, s, m)) {
                if (IsBoundary(t, known, c)) return c;
                known = c + 1;  // c is the second byte of a pair
            }
            if (c == nextLower) nextLower = next(lower, c + 1);
            if (c == nextUpper) nextUpper = next(upper, c + 1);
        }
    }

    const bool halfEnd = EndsInHalfCharacter(s, m);
    size_t known = from;  // a character start at or before every candidate still to come
    size_t p = from;
    while (p + m <= n) {
        // Candidates come from the plain byte search (first byte by memchr, then a compare); only
        // those are checked for a character start.
        const size_t c = FindBytes(t, n, p, s, m);
        if (c == std::string::npos) return std::string::npos;
        if (IsBoundary(t, known, c)) {
            // A byte-exact match from a character start has the sought text's own character
            // structure, so it ends on a boundary unless the sought text ends in half a character.
            if (!halfEnd || c + m == n) return c;
            known = c;
            p = c + 1;
        } else {
            // c is the second byte of a pair, so c + 1 starts a character.
            known = c + 1;
            p = c + 1;
        }
    }
    return std::string::npos;
}

// ---- iconv plumbing -------------------------------------------------------------------------------

// One cached descriptor per thread and direction; closed when the thread ends.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() { if (ok()) iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        return cd_;
    }
private:
    iconv_t cd_;
};

Converter& ToUtf16From(int which) {
    thread_local Converter fromUtf8("UTF-16LE", "UTF-8");
    thread_local Converter fromGbk("UTF-16LE", "CP936");
    return which == 0 ? fromUtf8 : fromGbk;
}

Converter& FromUtf16To(int which) {
    thread_local Converter toUtf8("UTF-8", "UTF-16LE");
    thread_local Converter toGbk("CP936", "UTF-16LE");
    return which == 0 ? toUtf8 : toGbk;
}

constexpr int kUtf8 = 0;
constexpr int kGbk = 1;

void PutUnit(std::string& out, uint16_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
}

// Decodes `in` (UTF-8 or GBK) into UTF-16LE units; each invalid byte, and an incomplete sequence at
// the end, becomes U+FFFD.
std::string DecodeToUtf16(std::string_view in, int which) {
    std::string out;
    if (in.empty()) return out;
    Converter& conv = ToUtf16From(which);
    if (!conv.ok()) {  // no converter: keep ASCII, substitute the rest
        for (unsigned char c : in) PutUnit(out, c < 0x80 ? c : 0xFFFD);
        return out;
    }
    iconv_t cd = conv.get();
    std::array<char, 4096> buf{};
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    while (left > 0) {
        char* dst = buf.data();
        size_t room = buf.size();
        const size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf.data(), static_cast<size_t>(dst - buf.data()));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (errno == EINVAL) {  // incomplete sequence at the end
            PutUnit(out, 0xFFFD);
            break;
        }
        // EILSEQ or anything else: substitute one byte and go on
        PutUnit(out, 0xFFFD);
        ++src;
        --left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

// Encodes UTF-16LE units (whole units only) as UTF-8 or GBK; a unit the target cannot represent,
// or a lone surrogate, becomes "?".
std::string EncodeFromUtf16(std::string_view units, int which) {
    std::string out;
    const size_t n = units.size() & ~static_cast<size_t>(1);
    if (n == 0) return out;
    Converter& conv = FromUtf16To(which);
    if (!conv.ok()) {
        for (size_t i = 0; i + 1 < n; i += 2) {
            const unsigned u = static_cast<unsigned char>(units[i]) | (static_cast<unsigned char>(units[i + 1]) << 8);
            out.push_back(u < 0x80 ? static_cast<char>(u) : '?');
        }
        return out;
    }
    iconv_t cd = conv.get();
    std::array<char, 4096> buf{};
    char* src = const_cast<char*>(units.data());
    size_t left = n;
    while (left > 0) {
        char* dst = buf.data();
        size_t room = buf.size();
        const size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf.data(), static_cast<size_t>(dst - buf.data()));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ (unmappable or lone surrogate) or EINVAL (a high surrogate at the end)
        out.push_back('?');
        size_t skip = 2;
        if (left >= 4) {
            const unsigned u0 = static_cast<unsigned char>(src[0]) | (static_cast<unsigned char>(src[1]) << 8);
            const unsigned u1 = static_cast<unsigned char>(src[2]) | (static_cast<unsigned char>(src[3]) << 8);
            if (u0 >= 0xD800 && u0 < 0xDC00 && u1 >= 0xDC00 && u1 < 0xE000) skip = 4;  // one character, one "?"
        }
        src += skip;
        left -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

// Base letter + combining mark -> precomposed character, for the Latin letters with marks that GBK
// holds (the pinyin vowels and a few more). Applied repeatedly, so u + diaeresis + macron gives ǖ.
struct Composition { uint16_t base, mark, composed; };
constexpr Composition kCompositions[] = {
    {'a', 0x0304, 0x0101}, {'a', 0x0301, 0x00E1}, {'a', 0x030C, 0x01CE}, {'a', 0x0300, 0x00E0},
    {'e', 0x0304, 0x0113}, {'e', 0x0301, 0x00E9}, {'e', 0x030C, 0x011B}, {'e', 0x0300, 0x00E8},
    {'e', 0x0302, 0x00EA},
    {'i', 0x0304, 0x012B}, {'i', 0x0301, 0x00ED}, {'i', 0x030C, 0x01D0}, {'i', 0x0300, 0x00EC},
    {'o', 0x0304, 0x014D}, {'o', 0x0301, 0x00F3}, {'o', 0x030C, 0x01D2}, {'o', 0x0300, 0x00F2},
    {'u', 0x0304, 0x016B}, {'u', 0x0301, 0x00FA}, {'u', 0x030C, 0x01D4}, {'u', 0x0300, 0x00F9},
    {'u', 0x0308, 0x00FC},
    {0x00FC, 0x0304, 0x01D6}, {0x00FC, 0x0301, 0x01D8}, {0x00FC, 0x030C, 0x01DA}, {0x00FC, 0x0300, 0x01DC},
    {'m', 0x0301, 0x1E3F}, {'n', 0x0301, 0x0144}, {'n', 0x030C, 0x0148}, {'n', 0x0300, 0x01F9},
};

uint16_t Compose(uint16_t base, uint16_t mark) {
    for (const auto& c : kCompositions)
        if (c.base == base && c.mark == mark) return c.composed;
    return 0;
}

bool IsCombiningMark(uint16_t u) { return u >= 0x0300 && u <= 0x036F; }

// Combines base + combining marks into precomposed units where a composition is known.
std::string ComposeUnits(std::string_view units) {
    std::string out;
    out.reserve(units.size());
    auto unitAt = [&](size_t i) {
        return static_cast<uint16_t>(static_cast<unsigned char>(units[i]) | (static_cast<unsigned char>(units[i + 1]) << 8));
    };
    size_t i = 0;
    const size_t n = units.size() & ~static_cast<size_t>(1);
    while (i < n) {
        uint16_t u = unitAt(i);
        i += 2;
        while (i < n && IsCombiningMark(unitAt(i))) {
            const uint16_t c = Compose(u, unitAt(i));
            if (!c) break;
            u = c;
            i += 2;
        }
        PutUnit(out, u);
    }
    return out;
}

}  // namespace

// ---- Text ----------------------------------------------------------------------------------------

Text::Text(const char* s) : s_(s ? s : "") {}
Text::Text(std::string_view s) : s_(UpToZero(s)) {}
Text::Text(const std::string& s) : s_(UpToZero(s)) {}

// ---- primitives ----------------------------------------------------------------------------------

int SearchText(const Text& text, const Text& sought, int start, bool caseInsensitive) {
    if (start < 1) start = 1;
    if (start > text.size()) return -1;
    if (sought.empty()) return 1;
    const size_t p = Find(text.str(), sought.str(), static_cast<size_t>(start - 1), caseInsensitive);
    return p == std::string::npos ? -1 : static_cast<int>(p) + 1;
}

Text TakeLeft(const Text& text, int count) {
    if (count <= 0) return Text();
    return Text(std::string_view(text.str()).substr(0, static_cast<size_t>(count)));
}

Text TakeRight(const Text& text, int count) {
    if (count <= 0) return Text();
    const size_t n = text.str().size();
    const size_t c = static_cast<size_t>(count);
    return c >= n ? text : Text(std::string_view(text.str()).substr(n - c));
}

Text TakeMiddle(const Text& text, int start, int count) {
    if (count <= 0 || start < 1 || start > text.size()) return Text();
    return Text(std::string_view(text.str()).substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

Text TrimSpaces(const Text& text) {
    const std::string& s = text.str();
    const size_t n = s.size();
    auto isFullWidthSpace = [&](size_t i) {
        return i + 1 < n && static_cast<unsigned char>(s[i]) == 0xA1 && static_cast<unsigned char>(s[i + 1]) == 0xA1;
    };
    size_t b = 0;
    for (;;) {
        if (b < n && s[b] == ' ') ++b;
        else if (isFullWidthSpace(b)) b += 2;
        else break;
    }
    // Walk forward by characters so that a trailing A1 A1 is only cut when it is a whole character.
    size_t end = b;
    size_t i = b;
    while (i < n) {
        if (s[i] == ' ') { ++i; continue; }
        if (isFullWidthSpace(i)) { i += 2; continue; }
        i += IsLead(static_cast<unsigned char>(s[i])) ? 2 : 1;
        end = i < n ? i : n;
    }
    return Text(std::string_view(s).substr(b, end - b));
}

std::vector<Text> SplitByText(const Text& text, const Text& separator) {
    std::vector<Text> pieces;
    if (text.empty()) return pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    const std::string& s = text.str();
    const size_t m = separator.str().size();
    size_t pos = 0;
    while (pos < s.size()) {
        const size_t f = Find(s, separator.str(), pos, false);
        if (f == std::string::npos) break;
        pieces.emplace_back(std::string_view(s).substr(pos, f - pos));
        pos = f + m;
    }
    if (pos < s.size()) pieces.emplace_back(std::string_view(s).substr(pos));
    return pieces;
}

Text ReplaceText(const Text& text, const Text& sought, const Text& replacement, int start, int count,
                 bool caseSensitive) {
    if (start < 1) start = 1;
    if (sought.empty() || count == 0 || start > text.size()) return text;
    const std::string& s = text.str();
    const size_t m = sought.str().size();
    std::string out(s, 0, static_cast<size_t>(start - 1));
    size_t pos = static_cast<size_t>(start - 1);
    int done = 0;
    while (count < 0 || done < count) {
        const size_t f = Find(s, sought.str(), pos, !caseSensitive);
        if (f == std::string::npos) break;
        out.append(s, pos, f - pos);
        out += replacement.str();
        pos = f + m;
        ++done;
    }
    out.append(s, pos, std::string::npos);
    return Text(out);
}

Text BytesToText(const Bytes& bytes) { return Text(std::string_view(bytes.data())); }

Bytes TextToBytes(const Text& text) { return Bytes(text.str()); }

// ---- helpers -------------------------------------------------------------------------------------

Text TextBetween(const Text& text, const Text& prefix, const Text& suffix, int start, bool caseInsensitive) {
    static const Text quoteMarker = "#引号"_gbk;
    const Text pre = ReplaceText(prefix, quoteMarker, Text("\""));
    const Text suf = ReplaceText(suffix, quoteMarker, Text("\""));
    const int p = SearchText(text, pre, start, caseInsensitive);
    if (p < 1) return Text();
    const int valueStart = p + pre.size();
    const int e = SearchText(text, suf, valueStart, caseInsensitive);
    if (e < 1) return Text();
    return TakeMiddle(text, valueStart, e - valueStart);  // an empty suffix finds 1: nothing
}

Text TextBefore(const Text& text, const Text& delimiter, int start, bool caseInsensitive) {
    const int p = SearchText(text, delimiter, start < 1 ? 1 : start, caseInsensitive);
    return p < 1 ? Text() : TakeLeft(text, p - 1);
}

Text Base64Encode(const Bytes& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const unsigned char* p = bytes.ptr();
    const size_t n = bytes.size();
    std::string out;
    out.reserve((n + 2) / 3 * 4);
    for (size_t i = 0; i < n; i += 3) {
        const unsigned b0 = p[i];
        const unsigned b1 = i + 1 < n ? p[i + 1] : 0;
        const unsigned b2 = i + 2 < n ? p[i + 2] : 0;
        const unsigned v = (b0 << 16) | (b1 << 8) | b2;
        out.push_back(kAlphabet[(v >> 18) & 63]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(i + 1 < n ? kAlphabet[(v >> 6) & 63] : '=');
        out.push_back(i + 2 < n ? kAlphabet[v & 63] : '=');
    }
    return Text(out);
}

std::string Utf8ToGbkBytes(std::string_view utf8) { return EncodeFromUtf16(DecodeToUtf16(utf8, kUtf8), kGbk); }

std::string GbkToUtf8Bytes(std::string_view gbk) { return EncodeFromUtf16(DecodeToUtf16(gbk, kGbk), kUtf8); }

Text Utf8ToGbk(const Text& utf8) { return Text(Utf8ToGbkBytes(utf8.str())); }

Text GbkToUtf8(const Text& gbk) { return Text(GbkToUtf8Bytes(gbk.str())); }

Bytes GbkToUtf16(const Text& gbk, bool dropTerminator) {
    if (gbk.empty()) return Bytes();
    std::string units = DecodeToUtf16(gbk.str(), kGbk);
    if (!dropTerminator) units.append(2, '\0');
    return Bytes(std::move(units));
}

Text Utf16ToGbk(const Bytes& utf16) {
    const std::string& d = utf16.data();
    size_t n = d.size() & ~static_cast<size_t>(1);
    for (size_t i = 0; i < n; i += 2) {
        if (d[i] == '\0' && d[i + 1] == '\0') { n = i; break; }
    }
    return Text(EncodeFromUtf16(ComposeUnits(std::string_view(d).substr(0, n)), kGbk));
}

Text operator""_gbk(const char* utf8, size_t n) { return Text(Utf8ToGbkBytes(std::string_view(utf8, n))); }

}  // namespace ql
