#include "localservices/dictionary.h"

#include <cctype>

#include "localservices/utf8.h"

namespace ql::localsvc {

namespace {

const std::vector<Dictionary::Entry>& BuiltinEntries() {
    static const std::vector<Dictionary::Entry> entries = {
#include "localservices/dictionary_table.inc"
    };
    return entries;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsAsciiAlpha(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }
bool IsHan(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x3134F);
}
bool IsSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n' || c == 0x3000; }

// Chinese punctuation and its English counterpart.
struct PunctPair {
    char32_t zh;
    char en;
};
constexpr PunctPair kPunct[] = {
    {U'，', ','}, {U'。', '.'}, {U'！', '!'}, {U'？', '?'}, {U'：', ':'}, {U'；', ';'}, {U'、', ','},
    {U'（', '('}, {U'）', ')'}, {U'“', '"'}, {U'”', '"'}, {U'‘', '\''}, {U'’', '\''}, {U'《', '"'},
    {U'》', '"'},
};

// In English output: no space before these, none after the opening ones.
bool NoSpaceBefore(char c) { return c == ',' || c == '.' || c == '!' || c == '?' || c == ':' || c == ';' || c == ')'; }

void AppendWord(std::string& out, std::string_view word) {
    if (word.empty()) return;
    if (!out.empty() && out.back() != ' ' && out.back() != '(' && !NoSpaceBefore(word.front())) out += ' ';
    out += word;
}

void CapitalizeSentences(std::string& s) {
    bool start = true;
    for (char& c : s) {
        if (start && std::isalpha(static_cast<unsigned char>(c))) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            start = false;
        } else if (c == '.' || c == '!' || c == '?') {
            start = true;
        } else if (c != ' ' && c != '"' && c != '(') {
            start = false;
        }
    }
}

}  // namespace

const Dictionary& Dictionary::Builtin() {
    static const Dictionary dict(BuiltinEntries());
    return dict;
}

Dictionary::Dictionary(const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
        const std::string zh = e.zh, en = e.en;
        if (!zh.empty()) {
            const std::vector<char32_t> cps = DecodeUtf8(zh);
            std::u32string key(cps.begin(), cps.end());
            maxZhKey_ = std::max(maxZhKey_, key.size());
            zhToEn_.emplace(std::move(key), en);
        }
        if (!en.empty()) {
            const std::string key = Lower(en);
            size_t words = 1;
            for (char c : key) words += c == ' ';
            maxEnWords_ = std::max(maxEnWords_, words);
            enToZh_.emplace(key, zh);
        }
    }
}

std::string Dictionary::ZhToEn(std::string_view text) const {
    const std::vector<char32_t> cps = DecodeUtf8(text);
    std::string out;
    size_t i = 0;
    while (i < cps.size()) {
        const char32_t c = cps[i];
        if (IsSpace(c)) {
            if (!out.empty() && out.back() != ' ') out += ' ';
            ++i;
            continue;
        }
        if (IsCjk(c)) {
            bool matched = false;
            for (size_t len = std::min(maxZhKey_, cps.size() - i); len >= 1; --len) {
                const auto it = zhToEn_.find(std::u32string(cps.begin() + static_cast<long>(i),
                                                            cps.begin() + static_cast<long>(i + len)));
                if (it != zhToEn_.end()) {
                    AppendWord(out, it->second);
                    i += len;
                    matched = true;
                    break;
                }
            }
            if (matched) continue;
            bool punct = false;
            for (const PunctPair& p : kPunct) {
                if (p.zh == c) {
                    if (p.en == '(' || p.en == '"' || p.en == '\'') AppendWord(out, std::string(1, p.en));
                    else out += p.en;
                    punct = true;
                    break;
                }
            }
            ++i;
            if (punct) continue;
            // An unknown Chinese run is passed through as one word.
            std::string run;
            AppendUtf8(run, c);
            while (i < cps.size() && IsHan(cps[i])) {
                bool known = false;
                for (size_t len = std::min(maxZhKey_, cps.size() - i); len >= 1 && !known; --len) {
                    known = zhToEn_.count(std::u32string(cps.begin() + static_cast<long>(i),
                                                         cps.begin() + static_cast<long>(i + len))) != 0;
                }
                if (known) break;
                AppendUtf8(run, cps[i++]);
            }
            AppendWord(out, run);
            continue;
        }
        // Anything else (Latin text, digits, ASCII punctuation) is copied up to the next CJK or space.
        std::string run;
        while (i < cps.size() && !IsCjk(cps[i]) && !IsSpace(cps[i])) AppendUtf8(run, cps[i++]);
        AppendWord(out, run);
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    CapitalizeSentences(out);
    return out;
}

const std::string* Dictionary::FindEn(const std::string& lower) const {
    const auto it = enToZh_.find(lower);
    return it == enToZh_.end() ? nullptr : &it->second;
}

// A word, then its simple inflections: plurals, past tense, -ing, possessive.
std::string Dictionary::LookupEnglishWord(const std::string& w) const {
    if (const std::string* z = FindEn(w)) return *z;
    const auto tryStem = [&](size_t cut, const char* add) -> const std::string* {
        if (w.size() <= cut + 1) return nullptr;
        return FindEn(w.substr(0, w.size() - cut) + add);
    };
    const auto ends = [&](const char* suffix) {
        const std::string_view s(suffix);
        return w.size() > s.size() && w.compare(w.size() - s.size(), s.size(), s) == 0;
    };
    const std::string* z = nullptr;
    if (ends("'s")) z = tryStem(2, "");
    if (!z && ends("ies")) z = tryStem(3, "y");
    if (!z && ends("es")) z = tryStem(2, "");
    if (!z && ends("s")) z = tryStem(1, "");
    if (!z && ends("ied")) z = tryStem(3, "y");
    if (!z && ends("ed")) z = tryStem(2, "");
    if (!z && ends("ed")) z = tryStem(1, "");
    if (!z && ends("ing")) z = tryStem(3, "");
    if (!z && ends("ing")) z = tryStem(3, "e");
    if (!z && ends("ly")) z = tryStem(2, "");
    return z ? *z : std::string("\x01");  // not found
}

std::string Dictionary::EnToZh(std::string_view text) const {
    enum class Kind { Zh, Latin, Space };
    struct Token {
        Kind kind;
        std::string text;
    };
    const std::vector<char32_t> cps = DecodeUtf8(text);

    // Words (letters with inner apostrophes and hyphens), other runs and spaces.
    struct Piece {
        bool word;
        bool space;
        std::string text;
    };
    std::vector<Piece> pieces;
    for (size_t i = 0; i < cps.size();) {
        if (IsSpace(cps[i])) {
            while (i < cps.size() && IsSpace(cps[i])) ++i;
            pieces.push_back({false, true, " "});
        } else if (IsAsciiAlpha(cps[i])) {
            std::string w;
            while (i < cps.size() && (IsAsciiAlpha(cps[i]) ||
                                      ((cps[i] == U'\'' || cps[i] == U'-') && i + 1 < cps.size() && IsAsciiAlpha(cps[i + 1])))) {
                w += static_cast<char>(cps[i++]);
            }
            pieces.push_back({true, false, w});
        } else {
            std::string run;
            AppendUtf8(run, cps[i++]);
            pieces.push_back({false, false, run});
        }
    }

    std::vector<Token> tokens;
    for (size_t p = 0; p < pieces.size();) {
        const Piece& piece = pieces[p];
        if (piece.space) {
            tokens.push_back({Kind::Space, " "});
            ++p;
            continue;
        }
        if (!piece.word) {
            const char c = piece.text.size() == 1 ? piece.text[0] : '\0';
            bool converted = false;
            // Sentence punctuation after Chinese output becomes Chinese punctuation.
            if (c != '\0' && !tokens.empty() && tokens.back().kind == Kind::Zh) {
                for (const PunctPair& pp : kPunct) {
                    if (pp.en == c && c != '(' && c != ')' && c != '"' && c != '\'') {
                        std::string z;
                        AppendUtf8(z, pp.zh);
                        tokens.push_back({Kind::Zh, z});
                        converted = true;
                        break;
                    }
                }
            }
            if (!converted) tokens.push_back({Kind::Latin, piece.text});
            ++p;
            continue;
        }
        // Longest phrase of words separated by single spaces.
        bool matched = false;
        for (size_t n = maxEnWords_; n >= 2 && !matched; --n) {
            std::string phrase;
            size_t q = p, words = 0;
            while (q < pieces.size() && words < n) {
                if (!pieces[q].word) break;
                if (words > 0) phrase += ' ';
                phrase += Lower(pieces[q].text);
                ++words;
                ++q;
                if (words < n) {
                    if (q < pieces.size() && pieces[q].space) ++q;
                    else break;
                }
            }
            if (words == n) {
                if (const std::string* z = FindEn(phrase)) {
                    if (!z->empty()) tokens.push_back({Kind::Zh, *z});
                    p = q;
                    matched = true;
                }
            }
        }
        if (matched) continue;
        const std::string z = LookupEnglishWord(Lower(piece.text));
        if (z == "\x01") tokens.push_back({Kind::Latin, piece.text});
        else if (!z.empty()) tokens.push_back({Kind::Zh, z});
        ++p;
    }

    // A space survives only beside Latin text; between two Chinese tokens it goes.
    std::string out;
    for (size_t t = 0; t < tokens.size(); ++t) {
        if (tokens[t].kind != Kind::Space) {
            out += tokens[t].text;
            continue;
        }
        size_t prev = t, next = t + 1;
        bool havePrev = false;
        while (prev > 0) {
            --prev;
            if (tokens[prev].kind != Kind::Space) {
                havePrev = true;
                break;
            }
        }
        while (next < tokens.size() && tokens[next].kind == Kind::Space) ++next;
        if (!havePrev || next >= tokens.size()) continue;
        if (next != t + 1 && tokens[t + 1].kind == Kind::Space) continue;  // collapse runs
        if (tokens[prev].kind == Kind::Latin || tokens[next].kind == Kind::Latin) out += ' ';
    }
    return out;
}

}  // namespace ql::localsvc
