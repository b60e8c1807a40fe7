// Cookie texts and header lines: the rules both request routines share.
#pragma once

#include <vector>

#include "web/text.h"

namespace ql {

// Text before the first ":", trimmed; empty when the line has no ":".
Text HeaderName(const Text& headerLine);
// Text after the first ":", trimmed; empty when the line has no ":".
Text HeaderValue(const Text& headerLine);
// The pair's text before its first "=", trimmed; the whole pair trimmed when it has no "=".
Text CookieName(const Text& cookiePair);
// Appends the first name=value pair of every exact-case "Set-Cookie" line, each followed by "; ", to
// cookieText, then cuts the final "; " off.
Text CollectSetCookies(const std::vector<Text>& headerLines, const Text& cookieText = Text());
// Received pairs first (they win over sent pairs of the same name), then the sent pairs the response did
// not mention; pairs whose value became "deleted" are dropped; repeats appear once.
Text MergeCookies(const Text& sentCookies, const Text& receivedCookies);
// The text's pieces without repeats, joined again with the separator.
Text JoinDistinct(const Text& text, const Text& separator);

}  // namespace ql
