#include "web/http_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/web/print_text.h"
#include "tests/web/recorder.h"
#include "tests/web/tls_server.h"

namespace ql {
namespace {

using namespace std::string_literals;

using qltest::HttpResponse;
using qltest::RecordedRequest;
using qltest::RecordingServer;
using qltest::Reply;

const char* const kUserAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

RecordingServer::Handler Always(Reply reply) {
    return [reply](const RecordedRequest&) { return reply; };
}

Reply Ok(const std::string& body = "ok", std::vector<std::string> headers = {}) {
    return Reply{HttpResponse(200, "OK", headers, body)};
}

std::vector<std::string> CallerLines(const RecordedRequest& r) {
    std::vector<std::string> out;
    for (const std::string& h : r.headers)
        if (h.rfind("Host:", 0) != 0 && h.rfind("Content-Length:", 0) != 0) out.push_back(h);
    return out;
}

TEST(HttpRequestBytes, DefaultHeaderSet) {
    RecordingServer server(Always(Ok("body")));
    const Text url = server.Base() + "/get";
    Text headers;
    int status = -1;
    EXPECT_EQ(HttpRequestBytes(url, {.extraHeaders = &headers, .statusCode = &status}).data(), "body");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(headers, "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\n" + kUserAgent);
    EXPECT_EQ(server.Last().requestLine, "GET /get HTTP/1.1");
    EXPECT_EQ(CallerLines(server.Last()),
              (std::vector<std::string>{"Accept: */*", "Referer: " + url.str(), "Accept-Language: zh-cn", kUserAgent}));
}

TEST(HttpRequestBytes, UploadAsTheCallersSendIt) {
    RecordingServer server(Always(Ok("stored")));
    const Text url = server.Base() + "/uploadheadimg.php";
    // Long enough that a transport would otherwise wait for "100 Continue" before sending it.
    const std::string part = "--b\r\nContent-Disposition: form-data; name=\"myfile\"; filename=\"123\"\r\n\r\n"s +
                             "\x89PNG\0\0\x01\xFF"s + std::string(2000, '\x7F') + "\r\n--b--\r\n";
    Text headers = "Content-Type: multipart/form-data; boundary=b";
    HttpRequestBytes(url, 1, Text(), Text(), nullptr, &headers, nullptr, nullptr, true, Bytes(part));
    EXPECT_EQ(headers, "Content-Type: multipart/form-data; boundary=b\r\nAccept: */*\r\nReferer: " + url +
                           "\r\nAccept-Language: zh-cn\r\n" + kUserAgent);
    const RecordedRequest r = server.Last();
    EXPECT_EQ(r.requestLine, "POST /uploadheadimg.php HTTP/1.1");
    EXPECT_EQ(r.Count("Content-Type"), 1);
    EXPECT_EQ(r.Header("Content-Type"), "multipart/form-data; boundary=b");
    EXPECT_EQ(r.body, part);  // zero bytes and all
    EXPECT_EQ(r.Count("Expect"), 0);
}

TEST(HttpRequestBytes, MethodsAndBodies) {
    RecordingServer server(Always(Ok()));
    struct Case {
        int method;
        Text postData;
        std::string postBytes;
        const char* line;
        std::string body;
        int formTypes;
    } cases[] = {
        {1, "a=1", "", "POST / HTTP/1.1", "a=1", 1},               // the form type only for POST
        {1, "", "", "POST / HTTP/1.1", "", 1},                      // an empty POST body
        {1, "text", std::string("b\0b", 3), "POST / HTTP/1.1", std::string("b\0b", 3), 1},  // bytes win
        {9, "", "", "GET / HTTP/1.1", "", 0},                       // out of range: GET, no form type
        {-2, "", "", "GET / HTTP/1.1", "", 0},
        {3, "put", "", "PUT / HTTP/1.1", "put", 0},
        {5, "", "", "DELETE / HTTP/1.1", "", 0},
        {4, "", "", "OPTIONS / HTTP/1.1", "", 0},
        {6, "", "", "TRACE / HTTP/1.1", "", 0},
        {7, "", "", "CONNECT / HTTP/1.1", "", 0},
        {2, "", "", "HEAD / HTTP/1.1", "", 0},
    };
    for (const Case& c : cases) {
        HttpRequestBytes(server.Base() + "/", {.method = c.method, .postData = c.postData, .postBytes = Bytes(c.postBytes)});
        const RecordedRequest r = server.Last();
        EXPECT_EQ(r.requestLine, c.line) << c.method;
        EXPECT_EQ(r.body, c.body) << c.method;
        EXPECT_EQ(r.Count("Content-Type"), c.formTypes) << c.method;
    }
}

TEST(HttpRequestBytes, Redirects) {
    RecordingServer server([](const RecordedRequest& r) {
        if (r.requestLine.rfind("GET /start", 0) == 0)
            return Reply{HttpResponse(302, "Found", {"Location: /end"}, "moved")};
        return Ok("done");
    });
    int status = 0;
    Text headers;
    EXPECT_EQ(HttpRequestBytes(server.Base() + "/start", {.returnedHeaders = &headers, .statusCode = &status,
                                                           .noRedirect = true}).data(),
              "moved");
    EXPECT_EQ(status, 302);
    EXPECT_GT(SearchText(headers, "Location: /end\r\n"), 0);
    EXPECT_EQ(HttpRequestBytes(server.Base() + "/start", {.statusCode = &status}).data(), "done");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST(HttpRequestBytes, CookiesSentCollectedMerged) {
    RecordingServer server(Always(Ok("", {"Set-Cookie: a=1; Path=/", "Set-Cookie: b=2", "Set-Cookie: c=deleted"})));
    struct Case {
        const char* sent;
        bool merge;
        const char* expected;
    } cases[] = {
        {"", true, "a=1; b=2; c=deleted"},
        {"c=9; d=4", true, "a=1;  b=2;  d=4"},
        {"c=9; d=4", false, "a=1; b=2; c=deleted"},
    };
    for (const Case& c : cases) {
        Text cookies, headers;
        HttpRequestBytes(server.Base() + "/", {.cookies = c.sent, .returnedCookies = &cookies,
                                               .returnedHeaders = &headers, .mergeCookies = c.merge});
        EXPECT_EQ(cookies, Text(c.expected)) << c.sent;
        EXPECT_EQ(server.Last().Header("Cookie"), c.sent) << c.sent;
        EXPECT_GT(SearchText(headers, "Set-Cookie: a=1; Path=/\r\n"), 0);
        EXPECT_LT(SearchText(headers, "HTTP/1.1"), 1);  // the status line is not a header
    }
    // The Cookie header comes before the caller's lines, and a caller's Cookie line replaces it.
    Text extra = "X-First: 1";
    HttpRequestBytes(server.Base() + "/", {.cookies = "k=v", .extraHeaders = &extra});
    EXPECT_EQ(CallerLines(server.Last())[0], "Cookie: k=v");
    EXPECT_EQ(CallerLines(server.Last())[1], "X-First: 1");
    extra = "Cookie: mine=1";
    HttpRequestBytes(server.Base() + "/", {.cookies = "k=v", .extraHeaders = &extra});
    EXPECT_EQ(server.Last().Count("Cookie"), 1);
    EXPECT_EQ(server.Last().Header("Cookie"), "mine=1");
}

TEST(HttpRequestBytes, FailedExchangesGiveEmptyValues) {
    RecordingServer silent(Always(Reply{"", true}));
    const std::string refused = "http://127.0.0.1:" + std::to_string(qltest::RefusedPort()) + "/";
    for (const std::string& url : {refused, std::string("not a url"), std::string("file:///etc/hostname"),
                                   silent.Base() + "/"}) {
        Text headers("untouched"), cookies("untouched");
        int status = -1;
        EXPECT_TRUE(HttpRequestBytes(url, {.cookies = "s=1", .returnedCookies = &cookies, .returnedHeaders = &headers,
                                           .statusCode = &status, .timeoutSeconds = 1})
                        .empty())
            << url;
        EXPECT_EQ(status, 0) << url;
        EXPECT_EQ(headers, Text()) << url;
        EXPECT_EQ(cookies, Text("s=1")) << url;  // the sent cookies merged with nothing
    }
}

TEST(HttpRequestBytes, TimeoutsOfTheRequestObject) {
    RecordingServer server(Always(Ok()));
    HttpRequestObject object;
    ASSERT_TRUE(object.valid());
    EXPECT_EQ(object.timeouts(), -1);  // the transport's own
    struct Case {
        int timeoutSeconds;
        long expected;
    } cases[] = {{-1, -1}, {0, 15000}, {5, 5000}, {-1, 5000}, {-7, 15000}};
    for (const Case& c : cases) {
        int status = 0;
        HttpRequestBytes(server.Base() + "/", {.statusCode = &status, .timeoutSeconds = c.timeoutSeconds,
                                               .requestObject = &object});
        EXPECT_EQ(status, 200) << c.timeoutSeconds;
        EXPECT_EQ(object.timeouts(), c.expected) << c.timeoutSeconds;
    }
    EXPECT_TRUE(object.valid());  // still the caller's
}

TEST(HttpRequestBytes, ProxyCredentials) {
    RecordingServer proxy(Always(Ok("from proxy")));
    const Text proxyAddress = "127.0.0.1:" + std::to_string(proxy.port());
    const Text url = "http://127.0.0.1:" + std::to_string(qltest::RefusedPort()) + "/up";
    EXPECT_EQ(HttpRequestBytes(url, {.proxy = proxyAddress, .proxyUser = "u", .proxyPassword = "p"}).data(),
              "from proxy");
    EXPECT_EQ(proxy.Last().requestLine, "GET " + url.str() + " HTTP/1.1");
    EXPECT_EQ(proxy.Last().Header("Proxy-Authorization"), "Basic dTpw");
    HttpRequestBytes(url, {.proxy = proxyAddress, .proxyUser = "u", .proxyPassword = "p", .proxyAuthMode = 0});
    EXPECT_EQ(proxy.Last().Count("Proxy-Authorization"), 0);
    // A password alone is enough with a user name; without a proxy, credentials go nowhere.
    HttpRequestBytes(url, {.proxy = proxyAddress, .proxyUser = "u"});
    EXPECT_EQ(proxy.Last().Header("Proxy-Authorization"), "Basic dTo=");

    // Through a tunnel the credentials travel on the CONNECT request.
    RecordingServer refusing(Always(Reply{HttpResponse(403, "Forbidden", {}, "")}));
    int status = -1;
    HttpRequestBytes("https://127.0.0.1:9/x", {.statusCode = &status,
                                               .proxy = "127.0.0.1:" + std::to_string(refusing.port()),
                                               .proxyUser = "u", .proxyPassword = "p"});
    EXPECT_EQ(refusing.Last().requestLine, "CONNECT 127.0.0.1:9 HTTP/1.1");
    EXPECT_EQ(refusing.Last().Header("Proxy-Authorization"), "Basic dTpw");
    EXPECT_EQ(status, 0);
}

TEST(HttpRequestBytes, SelfSignedCertificateIsAccepted) {
    qltest::TlsServer server("secret page");
    int status = 0;
    EXPECT_EQ(HttpRequestBytes(server.Base() + "/page", {.statusCode = &status}).data(), "secret page");
    EXPECT_EQ(status, 200);
}

}  // namespace
}  // namespace ql
