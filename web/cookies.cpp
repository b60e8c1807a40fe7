#include "web/cookies.h"

namespace ql {

namespace {

// Splits a header line at its first ":"; false when there is none.
bool SplitHeaderLine(const Text& line, Text* name, Text* value) {
    const int colon = SearchText(line, ":");
    if (colon < 1) return false;
    if (name) *name = TrimSpaces(TakeLeft(line, colon - 1));
    if (value) *value = TrimSpaces(TakeMiddle(line, colon + 1, line.size() - colon));
    return true;
}

bool EndsWith(const Text& text, const Text& tail) {
    return text.size() >= tail.size() && TakeRight(text, tail.size()) == tail;
}

}  // namespace

Text HeaderName(const Text& headerLine) {
    Text name;
    return SplitHeaderLine(headerLine, &name, nullptr) ? name : Text();
}

Text HeaderValue(const Text& headerLine) {
    Text value;
    return SplitHeaderLine(headerLine, nullptr, &value) ? value : Text();
}

Text CookieName(const Text& cookiePair) {
    const int eq = SearchText(cookiePair, "=");
    return TrimSpaces(eq < 1 ? cookiePair : TakeLeft(cookiePair, eq - 1));
}

Text CollectSetCookies(const std::vector<Text>& headerLines, const Text& cookieText) {
    Text result = cookieText;
    bool appended = false;
    for (const Text& line : headerLines) {
        if (TextBefore(line, ": ") != Text("Set-Cookie")) continue;
        Text value;
        if (SearchText(line, ";") < 1)
            value = TrimSpaces(ReplaceText(line, "Set-Cookie:", Text(), 1, -1, false));
        else
            value = TrimSpaces(TextBetween(line, "Set-Cookie:", ";"));
        // A text handed in without its trailing separator must not run into the first new pair.
        if (!appended && !result.empty() && !EndsWith(result, "; ")) result += "; ";
        result += value + "; ";
        appended = true;
    }
    // Only the separator this collection leaves behind is cut, never the bytes of a pair handed in.
    if (EndsWith(result, "; ")) result = TakeLeft(result, result.size() - 2);
    return result;
}

Text MergeCookies(const Text& sentCookies, const Text& receivedCookies) {
    const std::vector<Text> sent = SplitByText(TrimSpaces(sentCookies), ";");
    std::vector<Text> merged = SplitByText(TrimSpaces(receivedCookies), ";");
    for (const Text& piece : sent) {
        const Text name = CookieName(piece);
        bool known = false;
        for (const Text& have : merged) {
            if (CookieName(have) == name) {
                known = true;
                break;
            }
        }
        if (!known) merged.push_back(piece);
    }
    Text result;
    for (const Text& piece : merged) {
        if (TakeRight(piece, 8) == Text("=deleted")) continue;
        result += piece + "; ";
    }
    if (!result.empty()) result = TakeLeft(result, result.size() - 2);
    return JoinDistinct(result, "; ");
}

Text JoinDistinct(const Text& text, const Text& separator) {
    if (text.empty()) return Text();
    std::vector<Text> taken;
    Text result;
    for (const Text& piece : SplitByText(text, separator)) {
        bool seen = false;
        for (const Text& t : taken) {
            if (t == piece) {
                seen = true;
                break;
            }
        }
        if (seen) continue;
        taken.push_back(piece);
        result += piece + separator;
    }
    return TakeLeft(result, result.size() - separator.size());
}

}  // namespace ql
