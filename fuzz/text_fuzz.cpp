// The text primitives and helpers on arbitrary GBK-ish bytes: results stay inside their texts, never
// hold a zero byte, never split a two-byte character, and agree with plain reference loops.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "web/text.h"

using ql::Bytes;
using ql::Text;

namespace {

bool NoZero(const Text& t) { return t.str().find('\0') == std::string::npos; }

// Character starts of s (0-based), walking from its first byte; a lead byte takes two.
std::vector<bool> Boundaries(const std::string& s) {
    std::vector<bool> b(s.size() + 2, false);
    size_t i = 0;
    while (i < s.size()) {
        b[i] = true;
        i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
    }
    b[std::min(i, s.size() + 1)] = true;
    b[s.size()] = true;
    return b;
}

// First character start p >= from where sought matches byte for byte and the match ends on a
// character end (or at the text's end); 1-based, -1 when none.
int ReferenceSearch(const std::string& t, const std::string& s, size_t from) {
    const auto b = Boundaries(t);
    for (size_t p = from; p + s.size() <= t.size(); ++p) {
        if (!b[p] || t.compare(p, s.size(), s) != 0) continue;
        if (b[p + s.size()]) return static_cast<int>(p) + 1;
    }
    return -1;
}

std::string Base64Decode(const std::string& s) {
    auto val = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i + 3 < s.size(); i += 4) {
        const int a = val(s[i]), b = val(s[i + 1]), c = s[i + 2] == '=' ? 0 : val(s[i + 2]),
                  d = s[i + 3] == '=' ? 0 : val(s[i + 3]);
        FUZZ_CHECK(a >= 0 && b >= 0 && c >= 0 && d >= 0);
        const unsigned v = (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6) | unsigned(d);
        out.push_back(static_cast<char>(v >> 16));
        if (s[i + 2] != '=') out.push_back(static_cast<char>((v >> 8) & 0xFF));
        if (s[i + 3] != '=') out.push_back(static_cast<char>(v & 0xFF));
    }
    return out;
}

int CountOccurrences(const Text& text, const Text& sought) {
    int n = 0;
    int pos = 1;
    for (;;) {
        const int p = ql::SearchText(text, sought, pos);
        if (p < 1) return n;
        ++n;
        pos = p + sought.size();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qlfuzz::Input in(data, size);
    const int start = in.Small();
    const int count = in.Small();
    const bool ci = in.Flag();
    const Text text(in.Piece());
    const Text sought(in.Piece());
    const Text repl(in.Piece());
    const std::string& t = text.str();
    const int n = text.size();

    // SearchText
    const int r = ql::SearchText(text, sought, start, ci);
    FUZZ_CHECK(r == -1 || (r >= 1 && r <= std::max(n, 1)));
    if (r > 0 && !sought.empty()) FUZZ_CHECK(r >= std::max(start, 1));
    const auto bounds = Boundaries(t);
    if (!sought.empty() && start >= 1 && start <= n && bounds[static_cast<size_t>(start - 1)]) {
        const int ref = ReferenceSearch(t, sought.str(), static_cast<size_t>(start - 1));
        FUZZ_CHECK(ql::SearchText(text, sought, start, false) == ref);
        const int rci = ql::SearchText(text, sought, start, true);
        if (ref > 0) FUZZ_CHECK(rci > 0 && rci <= ref);
        if (rci > 0) FUZZ_CHECK(bounds[static_cast<size_t>(rci - 1)]);
    }

    // TakeLeft / TakeRight / TakeMiddle
    const Text left = ql::TakeLeft(text, count);
    FUZZ_CHECK(left.size() == std::clamp(count, 0, n) && t.compare(0, left.str().size(), left.str()) == 0);
    const Text right = ql::TakeRight(text, count);
    FUZZ_CHECK(right.size() == std::clamp(count, 0, n));
    FUZZ_CHECK(t.compare(t.size() - right.str().size(), right.str().size(), right.str()) == 0);
    const Text mid = ql::TakeMiddle(text, start, count);
    if (start >= 1 && start <= n && count > 0)
        FUZZ_CHECK(mid.str() == t.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
    else
        FUZZ_CHECK(mid.empty());

    // TrimSpaces: a piece of the text, without leading or trailing spaces, stable when repeated.
    const Text trimmed = ql::TrimSpaces(text);
    FUZZ_CHECK(t.find(trimmed.str()) != std::string::npos);
    if (!trimmed.empty()) {
        // A 0x20 after a lead byte is that character's second byte, not a space.
        const std::string& ts = trimmed.str();
        const auto tb = Boundaries(ts);
        FUZZ_CHECK(ts.front() != ' ' && !(ts.back() == ' ' && tb[ts.size() - 1]));
        FUZZ_CHECK(trimmed.str().compare(0, 2, "\xA1\xA1") != 0);
    }
    FUZZ_CHECK(ql::TrimSpaces(trimmed) == trimmed);

    // SplitByText: the pieces joined again give the text (less a separator that ends it).
    const auto pieces = ql::SplitByText(text, sought);
    if (text.empty()) FUZZ_CHECK(pieces.empty());
    if (!text.empty() && !sought.empty()) {
        std::string joined;
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (i) joined += sought.str();
            joined += pieces[i].str();
            FUZZ_CHECK(NoZero(pieces[i]));
        }
        FUZZ_CHECK(joined == t || joined + sought.str() == t);
        FUZZ_CHECK(static_cast<int>(pieces.size()) <= CountOccurrences(text, sought) + 1);
    }

    // ReplaceText: replacing a text by itself changes nothing; the size follows the number of hits.
    FUZZ_CHECK(ql::ReplaceText(text, sought, sought) == text);
    const Text replaced = ql::ReplaceText(text, sought, repl, 1, -1, true);
    FUZZ_CHECK(NoZero(replaced));
    if (!sought.empty() && !text.empty()) {
        const long hits = CountOccurrences(text, sought);
        FUZZ_CHECK(replaced.size() == n + hits * (repl.size() - sought.size()));
    }
    FUZZ_CHECK(NoZero(ql::ReplaceText(text, sought, repl, start, count, !ci)));

    // TextBetween / TextBefore: pieces of the text.
    const Text between = ql::TextBetween(text, sought, repl, start, ci);
    FUZZ_CHECK(t.find(between.str()) != std::string::npos);
    const Text before = ql::TextBefore(text, sought, start, ci);
    FUZZ_CHECK(t.compare(0, before.str().size(), before.str()) == 0);

    // Bytes and texts
    const Bytes raw(data, size);
    const Text fromBytes = ql::BytesToText(raw);
    FUZZ_CHECK(ql::TextToBytes(fromBytes).data() == raw.data().substr(0, raw.data().find('\0')));

    // Base64 decodes back to its bytes.
    const Text b64 = ql::Base64Encode(raw);
    FUZZ_CHECK(static_cast<size_t>(b64.size()) == (size + 2) / 3 * 4);
    FUZZ_CHECK(Base64Decode(b64.str()) == raw.data());

    // Conversions: no zero bytes, and a second round trip changes nothing more.
    const Text u8 = ql::GbkToUtf8(text);
    const Text back = ql::Utf8ToGbk(u8);
    FUZZ_CHECK(NoZero(u8) && NoZero(back));
    FUZZ_CHECK(ql::Utf8ToGbk(ql::GbkToUtf8(back)) == back);
    const Bytes u16 = ql::GbkToUtf16(text, ci);
    FUZZ_CHECK(u16.size() % 2 == 0);
    const Text from16 = ql::Utf16ToGbk(u16);
    FUZZ_CHECK(ql::Utf16ToGbk(ql::GbkToUtf16(from16, true)) == from16);
    FUZZ_CHECK(NoZero(ql::Utf16ToGbk(raw)));
    FUZZ_CHECK(NoZero(ql::Utf8ToGbk(Text(raw.data()))));
    return 0;
}
