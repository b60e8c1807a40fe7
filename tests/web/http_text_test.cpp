#include "web/http_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "tests/web/print_text.h"
#include "tests/web/recorder.h"
#include "tests/web/tls_server.h"

namespace ql {
namespace {

using qltest::HttpResponse;
using qltest::RecordedRequest;
using qltest::RecordingServer;
using qltest::Reply;

const char* const kUserAgent = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const char* const kAccept = "Accept: text/html, application/xhtml+xml, */*";
const char* const kAcceptEncoding = "Accept-Encoding: gbk, GB2312";
const char* const kAcceptLanguage = "Accept-Language: zh-cn";
const char* const kFormType = "Content-Type: application/x-www-form-urlencoded";
const char* const kCacheControl = "Cache-Control: no-cache";

Reply Ok(const std::string& body = "ok", std::vector<std::string> headers = {}) {
    return Reply{HttpResponse(200, "OK", headers, body)};
}

RecordingServer::Handler Always(Reply reply) {
    return [reply](const RecordedRequest&) { return reply; };
}

// The request's header lines other than those the transport adds for every request (Host, Content-Length).
std::vector<std::string> CallerLines(const RecordedRequest& r) {
    std::vector<std::string> out;
    for (const std::string& h : r.headers)
        if (h.rfind("Host:", 0) != 0 && h.rfind("Content-Length:", 0) != 0) out.push_back(h);
    return out;
}

TEST(HttpRequestText, DefaultHeaderLinesInOrder) {
    RecordingServer server(Always(Ok("hello")));
    Text status;
    EXPECT_EQ(HttpRequestText(server.Base() + "/p/a?x=1&y=2", {.statusText = &status}), Text("hello"));
    EXPECT_EQ(status, Text("200 OK"));
    const RecordedRequest r = server.Last();
    EXPECT_EQ(r.requestLine, "GET /p/a?x=1&y=2 HTTP/1.1");
    EXPECT_EQ(CallerLines(r),
              (std::vector<std::string>{kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl}));
    EXPECT_EQ(r.Header("Host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(r.Count("Content-Length"), 0);
}

TEST(HttpRequestText, HeaderCompositionRules) {
    struct Case {
        const char* name;
        int method;
        const char* extraHeaders;
        const char* cookies;
        std::vector<std::string> expected;
    } cases[] = {
        // The Content-Type search respects case, the user-agent search does not.
        {"lower-case lines", 1, "content-type: text/plain\r\nuser-agent: mine", "",
         {"content-type: text/plain", "user-agent: mine", kAccept, kAcceptEncoding, kAcceptLanguage, kFormType,
          kCacheControl}},
        {"exact Content-Type", 1, "Content-Type: text/plain", "",
         {"Content-Type: text/plain", kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl}},
        // A caller text ending in CR LF leaves an empty line, which never reaches the wire.
        {"trailing CR LF", 0, "X-One: 1\r\n", "",
         {"X-One: 1", kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl}},
        // Searches look anywhere in the text: "X-Accept: " satisfies the Accept search.
        {"search anywhere", 0, "X-Accept: 1\r\nX-Cache-Control: 2", "",
         {"X-Accept: 1", "X-Cache-Control: 2", kUserAgent, kAcceptEncoding, kAcceptLanguage}},
        {"method 9 is GET without form type", 9, "", "",
         {kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kCacheControl}},
    };
    for (const Case& c : cases) {
        RecordingServer server(Always(Ok()));
        Text status;
        HttpRequestText(server.Base() + "/",
                        {.method = c.method, .cookies = c.cookies, .extraHeaders = c.extraHeaders, .statusText = &status});
        EXPECT_EQ(status, Text("200 OK")) << c.name;
        EXPECT_EQ(CallerLines(server.Last()), c.expected) << c.name;
    }
}

TEST(HttpRequestText, CookieLine) {
    RecordingServer server([](const RecordedRequest& r) {
        if (r.requestLine.rfind("GET /start", 0) == 0)
            return Reply{HttpResponse(302, "Found", {"Location: /end", "Set-Cookie: hop=1"}, "moved")};
        return Ok("done");
    });
    struct Case {
        const char* extraHeaders;
        const char* cookies;
        const char* sent;        // the Cookie line's value on the first request
        const char* redirected;  // and on the redirected one
    } cases[] = {
        {"", "a=1; b=2", "a=1; b=2", "hop=1; a=1; b=2"},
        {"cookie: z=9", "a=1", "z=9", "hop=1; z=9"},  // a caller's line, in any letter case, wins
        {"Cookie: z=9", "", "z=9", "z=9"},             // no cookies given: no store, the line as it is
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        HttpRequestText(server.Base() + "/start", {.cookies = c.cookies, .extraHeaders = c.extraHeaders});
        const std::vector<RecordedRequest> reqs = server.Requests();
        ASSERT_GE(reqs.size(), 2u);
        const RecordedRequest& first = reqs[reqs.size() - 2];
        const RecordedRequest& second = reqs.back();
        EXPECT_EQ(first.Count("Cookie"), *c.sent ? 1 : 0) << c.cookies;
        EXPECT_EQ(first.Header("Cookie"), c.sent) << c.cookies;
        EXPECT_EQ(second.Count("Cookie"), *c.redirected ? 1 : 0) << c.cookies;
        EXPECT_EQ(second.Header("Cookie"), c.redirected) << c.cookies;
    }
}

TEST(HttpRequestText, MethodTable) {
    struct Case {
        int method;
        const char* sent;
    } cases[] = {{0, "GET"},     {1, "POST"},  {2, "HEAD"},  {3, "PUT"}, {4, "OPTIONS"}, {5, "DELETE"},
                 {6, "TRACE"},   {7, "CONNECT"}, {8, "GET"}, {-1, "GET"}, {100, "GET"}};
    RecordingServer server(Always(Ok("body")));
    for (const Case& c : cases) {
        Text status;
        const Text body = HttpRequestText(server.Base() + "/m", {.method = c.method, .statusText = &status});
        EXPECT_EQ(status, Text("200 OK")) << c.method;
        EXPECT_EQ(server.Last().requestLine, std::string(c.sent) + " /m HTTP/1.1") << c.method;
        EXPECT_EQ(body, Text(c.method == 2 ? "" : "body")) << c.method;
    }
}

TEST(HttpRequestText, Bodies) {
    RecordingServer server(Always(Ok()));
    // An empty POST still states its length.
    HttpRequestText(server.Base() + "/", 1);
    EXPECT_EQ(server.Last().Header("Content-Length"), "0");
    EXPECT_EQ(server.Last().body, "");
    HttpRequestText(server.Base() + "/", 1, "q=%E4%BD%A0&from=zh");
    EXPECT_EQ(server.Last().body, "q=%E4%BD%A0&from=zh");
    EXPECT_EQ(server.Last().Header("Content-Type"), "application/x-www-form-urlencoded");
    // The body goes with any method, unchanged, and no form type is claimed for it.
    HttpRequestText(server.Base() + "/", 3, "\xC4\xE3 raw");
    EXPECT_EQ(server.Last().requestLine, "PUT / HTTP/1.1");
    EXPECT_EQ(server.Last().body, "\xC4\xE3 raw");
    EXPECT_EQ(server.Last().Count("Content-Type"), 0);
    const std::string big(3000, 'z');  // long enough that a transport might wait for "100 Continue"
    HttpRequestText(server.Base() + "/", 1, big);
    EXPECT_EQ(server.Last().body, big);
    EXPECT_EQ(server.Last().Count("Expect"), 0);
    HttpRequestText(server.Base() + "/", 0, "g=1");
    EXPECT_EQ(server.Last().requestLine, "GET / HTTP/1.1");
    EXPECT_EQ(server.Last().body, "g=1");
    EXPECT_EQ(server.Last().Count("Expect"), 0);
}

TEST(HttpRequestText, UrlForms) {
    RecordingServer server(Always(Ok()));
    HttpRequestText(server.Base());
    EXPECT_EQ(server.Last().requestLine, "GET / HTTP/1.1");
    // The query of a URL without a path is still sent.
    HttpRequestText(server.Base() + "?a=1");
    EXPECT_EQ(server.Last().requestLine, "GET /?a=1 HTTP/1.1");
    // Credentials and fragment in the URL stay off the wire; a space and GBK characters are escaped.
    HttpRequestText("http://u:p@127.0.0.1:" + std::to_string(server.port()) + "/a b/" + "图"_gbk + "#frag");
    EXPECT_EQ(server.Last().requestLine, "GET /a%20b/%E5%9B%BE HTTP/1.1");
    EXPECT_EQ(server.Last().Count("Authorization"), 0);
}

TEST(HttpRequestText, RedirectsFollowedAndNot) {
    RecordingServer server([](const RecordedRequest& r) {
        if (r.requestLine.rfind("GET /start", 0) == 0)
            return Reply{HttpResponse(302, "Found", {"Location: /end", "Set-Cookie: hop=1"}, "moved")};
        return Ok("done");
    });
    Text status, location("untouched");
    EXPECT_EQ(HttpRequestText(server.Base() + "/start", {.redirectLocation = &location, .statusText = &status}),
              Text("done"));
    EXPECT_EQ(status, Text("200 OK"));
    EXPECT_EQ(location, Text("untouched"));  // the final answer has no Location line
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].requestLine, "GET /end HTTP/1.1");

    Text cookies;
    EXPECT_EQ(HttpRequestText(server.Base() + "/start", {.returnedCookies = &cookies, .noRedirect = true,
                                                         .redirectLocation = &location, .statusText = &status}),
              Text("moved"));
    EXPECT_EQ(status, Text("302 Found"));
    EXPECT_EQ(location, Text("/end"));
    EXPECT_EQ(cookies, Text("hop=1"));
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST(HttpRequestText, CookiesCollectedAndMerged) {
    RecordingServer server(Always(Ok("c", {"Set-Cookie: a=1; Path=/; HttpOnly", "set-cookie: ignored=1",
                                           "Set-Cookie: b=2", "Set-Cookie: gone=deleted"})));
    struct Case {
        const char* sent;
        bool merge;
        const char* expected;
    } cases[] = {
        {"", true, "a=1; b=2; gone=deleted"},  // nothing sent: collected as they came
        {"c=3;  a=0; gone=x", true, "a=1;  b=2; c=3"},  // deleted pairs go, received ones win
        {"c=3; a=0", false, "a=1; b=2; gone=deleted"},
    };
    for (const Case& c : cases) {
        Text cookies, headers;
        HttpRequestText(server.Base() + "/", {.cookies = c.sent, .returnedCookies = &cookies,
                                              .returnedHeaders = &headers, .mergeCookies = c.merge});
        EXPECT_EQ(cookies, Text(c.expected)) << c.sent;
        EXPECT_EQ(TakeLeft(headers, 17), Text("HTTP/1.1 200 OK\r\n"));
        EXPECT_EQ(TakeRight(headers, 4), Text("\r\n\r\n"));
        EXPECT_GT(SearchText(headers, "Set-Cookie: b=2\r\n"), 0);
    }
}

TEST(HttpRequestText, BodyWithZeroByte) {
    const std::string body("abc\0def", 7);
    RecordingServer server(Always(Ok(body)));
    Bytes raw;
    EXPECT_EQ(HttpRequestText(server.Base() + "/", {.responseBytes = &raw}), Text("abc"));
    EXPECT_EQ(raw.data(), body);
}

TEST(HttpRequestText, DeclaredCharsets) {
    const std::string utf8Hello = "\xE4\xBD\xA0\xE5\xA5\xBD";
    const std::string gbkHello = "\xC4\xE3\xBA\xC3";
    const std::string filler(1100, 'x');
    struct Case {
        const char* name;
        std::string page;
        std::string expected;
    } cases[] = {
        {"utf-8", "<html><head><meta charset=\"utf-8\"></head><body>" + utf8Hello + "</body>",
         "<html><head><meta charset=\"utf-8\"></head><body>" + gbkHello + "</body>"},
        {"upper case, http-equiv", "<META http-equiv=\"Content-Type\" content=\"text/html; CHARSET=UTF-8\">" + utf8Hello,
         "<META http-equiv=\"Content-Type\" content=\"text/html; CHARSET=UTF-8\">" + gbkHello},
        {"big5", "<meta charset=big5>\xA7\x41\xA6\x6E", "<meta charset=big5>" + gbkHello},
        {"gbk as received", "<meta charset=\"gbk\">" + gbkHello, "<meta charset=\"gbk\">" + gbkHello},
        {"gb2312 as received", "<meta charset='gb2312'>" + gbkHello, "<meta charset='gb2312'>" + gbkHello},
        {"declared past 1024 bytes", filler + "<meta charset=\"utf-8\">" + utf8Hello,
         filler + "<meta charset=\"utf-8\">" + utf8Hello},
        {"declaration cut by byte 1024", std::string(1010, 'x') + "<meta charset=\"utf-8\">" + utf8Hello,
         std::string(1010, 'x') + "<meta charset=\"utf-8\">" + utf8Hello},
        {"line feed inside the tag", "<meta\ncharset=utf-8>" + utf8Hello, "<meta\ncharset=utf-8>" + utf8Hello},
        {"unknown name kept", "<meta charset=x-nothing>" + utf8Hello, "<meta charset=x-nothing>" + utf8Hello},
        {"none declared", utf8Hello, utf8Hello},
    };
    for (const Case& c : cases) {
        RecordingServer server(Always(Ok(c.page)));
        Bytes raw;
        EXPECT_EQ(HttpRequestText(server.Base() + "/", {.responseBytes = &raw}), Text(c.expected)) << c.name;
        EXPECT_EQ(raw.data(), c.page) << c.name;
    }
}

TEST(HttpRequestText, ServerThatNeverAnswers) {
    RecordingServer server(Always(Reply{"", true}));
    Text status, headers("untouched");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpRequestText(server.Base() + "/", {.returnedHeaders = &headers, .timeoutSeconds = 1,
                                                    .statusText = &status}),
              Text());
    // A functional bound, far below the 30-second default: the one-second limit was the one applied.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_EQ(status, "712 服务器未响应!"_gbk);
    EXPECT_EQ(headers, Text("untouched"));
}

TEST(HttpRequestText, Failures) {
    RecordingServer closer(Always(Reply{""}));  // reads the request, closes without a word
    RecordingServer partial(Always(Reply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"}));
    RecordingServer garbage(Always(Reply{"SSH-2.0-nope\r\n"}));
    const std::string refused = "http://127.0.0.1:" + std::to_string(qltest::RefusedPort()) + "/";
    struct Case {
        std::string url;
        Text extraHeaders;
        Text status;
        Text result;
    } cases[] = {
        {"not a url", "", "701 解析URL地址失败!"_gbk, ""},
        {"http://", "", "701 解析URL地址失败!"_gbk, ""},
        {"ftp://127.0.0.1/x", "", "701 解析URL地址失败!"_gbk, ""},
        {refused, "", "711 发送请求失败!"_gbk, ""},
        {closer.Base() + "/", "", "712 服务器未响应!"_gbk, ""},
        {garbage.Base() + "/", "", "712 服务器未响应!"_gbk, ""},
        // A cut-off body is still processed; the status line replaces the read failure.
        {partial.Base() + "/", "", "200 OK", "0123456789"},
        {closer.Base() + "/", "no colon", "710 设置协议头失败!"_gbk, ""},
        {closer.Base() + "/", "X-A: 1\nX-Injected: 2", "710 设置协议头失败!"_gbk, ""},
    };
    for (const Case& c : cases) {
        Text status, headers("untouched"), cookies("untouched");
        EXPECT_EQ(HttpRequestText(c.url, {.returnedCookies = &cookies, .extraHeaders = c.extraHeaders,
                                          .returnedHeaders = &headers, .timeoutSeconds = 5, .statusText = &status}),
                  c.result)
            << c.url;
        EXPECT_EQ(status, c.status) << c.url;
        // A failure writes nothing but its text; a processed answer writes the headers (and extends the
        // cookie text it was handed).
        EXPECT_EQ(cookies, Text("untouched")) << c.url;
        EXPECT_EQ(TakeLeft(headers, 4), Text(c.result.empty() ? "unto" : "HTTP")) << c.url;
    }
}

TEST(HttpRequestText, BasicCredentials) {
    RecordingServer server(Always(Ok()));
    HttpRequestText(server.Base() + "/", {.userName = "user", .password = "pass"});
    EXPECT_EQ(server.Last().Header("Authorization"), "Basic dXNlcjpwYXNz");
    // Both are needed.
    HttpRequestText(server.Base() + "/", {.userName = "user"});
    EXPECT_EQ(server.Last().Count("Authorization"), 0);
}

TEST(HttpRequestText, ThroughProxy) {
    RecordingServer proxy(Always(Ok("via proxy")));
    const Text url = "http://127.0.0.1:" + std::to_string(qltest::RefusedPort()) + "/far?q=1";
    EXPECT_EQ(HttpRequestText(url, {.proxy = "127.0.0.1:" + std::to_string(proxy.port()), .proxyUser = "pu",
                                    .proxyPassword = "pw"}),
              Text("via proxy"));
    EXPECT_EQ(proxy.Last().requestLine, "GET " + url.str() + " HTTP/1.1");
    EXPECT_EQ(proxy.Last().Header("Proxy-Authorization"), "Basic cHU6cHc=");

    // An https address goes through a tunnel; a proxy that refuses it leaves the request unsent.
    RecordingServer refusing(Always(Reply{HttpResponse(403, "Forbidden", {}, "")}));
    Text status;
    EXPECT_EQ(HttpRequestText("https://127.0.0.1:9/x",
                              {.proxy = "127.0.0.1:" + std::to_string(refusing.port()), .statusText = &status}),
              Text());
    EXPECT_EQ(refusing.Last().requestLine, "CONNECT 127.0.0.1:9 HTTP/1.1");
    EXPECT_EQ(status, "711 发送请求失败!"_gbk);
}

TEST(HttpRequestText, CallsOnSeveralThreadsAreIndependent) {
    RecordingServer server([](const RecordedRequest& r) {
        return Ok("<meta charset=utf-8>" + r.requestLine.substr(5, 2) + "\xE4\xBD\xA0",
                  {"Set-Cookie: t=" + r.requestLine.substr(5, 2)});
    });
    std::vector<std::thread> threads;
    std::vector<int> right(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i) {
                const std::string id = std::to_string(t) + std::to_string(i);
                Text cookies;
                const Text body = HttpRequestText(server.Base() + "/" + id, {.returnedCookies = &cookies});
                right[t] += body == "<meta charset=utf-8>" + id + "你"_gbk && cookies == "t=" + id;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(right, (std::vector<int>{5, 5, 5, 5}));
}

std::atomic<int> g_yields{0};

TEST(HttpRequestText, YieldsToPendingEvents) {
    SetPendingEventsHandler([] { ++g_yields; });
    RecordingServer server(Always(Ok("x", {"X-A: 1"})));
    HttpRequestText(server.Base() + "/");
    // Status line, X-A, Content-Length, Connection, the empty line, and after the charset step.
    EXPECT_EQ(g_yields.exchange(0), 6);
    HttpRequestText("not a url");
    EXPECT_EQ(g_yields.exchange(0), 1);
    SetPendingEventsHandler(nullptr);
    HttpRequestText(server.Base() + "/");
    EXPECT_EQ(g_yields.load(), 0);
}

TEST(HttpRequestText, SelfSignedCertificateIsRefused) {
    qltest::TlsServer server("secret");
    Text status;
    EXPECT_EQ(HttpRequestText(server.Base() + "/page", {.statusText = &status}), Text());
    EXPECT_EQ(status, "711 发送请求失败!"_gbk);
}

}  // namespace
}  // namespace ql
