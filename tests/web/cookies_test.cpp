#include "web/cookies.h"

#include <gtest/gtest.h>

#include "tests/web/print_text.h"

namespace ql {
namespace {

TEST(HeaderLine, NameAndValue) {
    struct Case {
        const char* line;
        const char* name;
        const char* value;
    } cases[] = {
        {"Content-Type: text/html", "Content-Type", "text/html"},
        {"  X-A :  b  ", "X-A", "b"},
        {"Referer: http://127.0.0.1:80/a?b=c", "Referer", "http://127.0.0.1:80/a?b=c"},  // after the first ":"
        {"no colon here", "", ""},
        {"Empty:", "Empty", ""},
        {"\xA1\xA1X: y\xA1\xA1", "X", "y"},  // full-width spaces trim as spaces
        {"\tX: y", "\tX", "y"},              // a tab does not
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeaderName(c.line), Text(c.name)) << c.line;
        EXPECT_EQ(HeaderValue(c.line), Text(c.value)) << c.line;
    }
}

TEST(CookieNameTest, Pairs) {
    EXPECT_EQ(CookieName(" a=1"), Text("a"));
    EXPECT_EQ(CookieName("a = 1=2"), Text("a"));
    EXPECT_EQ(CookieName("  flag "), Text("flag"));
    EXPECT_EQ(CookieName("=v"), Text(""));
}

TEST(CollectSetCookiesTest, Rules) {
    struct Case {
        std::vector<Text> lines;
        const char* expected;
    } cases[] = {
        {{"HTTP/1.1 200 OK", "Set-Cookie: a=1"}, "a=1"},                                   // no attributes
        {{"Set-Cookie: a=1; Path=/; HttpOnly"}, "a=1"},                                   // attributes dropped
        {{"Set-Cookie: a=1; Path=/", "Content-Type: x", "Set-Cookie: b=2"}, "a=1; b=2"},  // two lines
        {{"set-cookie: a=1", "SET-COOKIE: b=2"}, ""},                                     // name is exact-case
        {{"Set-Cookie:a=1"}, ""},                                                          // needs ": "
        {{"Content-Type: text/html"}, ""},
        {{}, ""},
        {{"Set-Cookie: x=set-cookie:y"}, "x=y"},  // the removal without ";" ignores case, everywhere
    };
    for (const Case& c : cases) EXPECT_EQ(CollectSetCookies(c.lines), Text(c.expected));
}

TEST(CollectSetCookiesTest, ExtendsTheGivenText) {
    EXPECT_EQ(CollectSetCookies({"Set-Cookie: b=2"}, "a=1; "), Text("a=1; b=2"));
    // Bytes of a pair handed in are never cut, and a new pair does not run into it.
    EXPECT_EQ(CollectSetCookies({}, "a=1"), Text("a=1"));
    EXPECT_EQ(CollectSetCookies({"Set-Cookie: b=2"}, "a=1"), Text("a=1; b=2"));
}

TEST(MergeCookiesTest, Rules) {
    struct Case {
        const char* sent;
        const char* received;
        const char* expected;
    } cases[] = {
        {"a=1; b=2", "", "a=1;  b=2"},            // sent pieces keep their leading space
        {"a=1", "a=2", "a=2"},                    // received wins
        {"a=1", "a=deleted", ""},                 // shadowed, then dropped as deleted
        {"a=1; b=2", "b=3", "b=3; a=1"},          // received first, then sent ones not mentioned
        {"a=1; a=9", "c=3", "c=3; a=1"},          // of two sent with one name only the first
        {"", "x=1; y=2", "x=1;  y=2"},
        {"a=1", "x=1; x=1", "x=1;  x=1; a=1"},    // " x=1" differs from "x=1" byte for byte
        {"b=2", "x=1; x=1; x=1", "x=1;  x=1; b=2"},  // repeated identical pieces appear once
        {"  a=1  ", "", "a=1"},                   // both texts trimmed first
        {"", "", ""},
        {"k", "", "k"},                           // a pair without "=" is named by its whole text
    };
    for (const Case& c : cases) EXPECT_EQ(MergeCookies(c.sent, c.received), Text(c.expected)) << c.sent << " | " << c.received;
}

TEST(JoinDistinctTest, Rules) {
    EXPECT_EQ(JoinDistinct("a; b; a; c; b", "; "), Text("a; b; c"));
    EXPECT_EQ(JoinDistinct("", "; "), Text(""));
    EXPECT_EQ(JoinDistinct("a", "; "), Text("a"));
    EXPECT_EQ(JoinDistinct("a,,a,", ","), Text("a,"));  // the empty piece is a piece of its own
}

}  // namespace
}  // namespace ql
