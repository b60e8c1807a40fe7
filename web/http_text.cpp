#include "web/http_text.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "web/charset.h"
#include "web/cookies.h"
#include "web/curl_transfer.h"

namespace ql {

// Where each step of the exchange can fail on libcurl, and the text it then reports:
//   700  curl_global_init fails, or the library speaks no HTTP at all (the platform check)
//   701  curl_url cannot parse the URL, its scheme is not http or https, or it has no host
//   702  curl_easy_init fails, or a session-wide option (proxy, protocol version, redirect policy) is refused
//   703  CURLOPT_URL (the host and port to connect to) is refused
//   704  the method, body or certificate options are refused
//   705  CURLOPT_CONNECTTIMEOUT_MS or the idle-timeout progress callback is refused
//   707  the Basic server or proxy credential options are refused
//   708  switching the per-call cookie store on (CURLOPT_COOKIEFILE "") is refused
//   709  CURLOPT_FOLLOWLOCATION 0 is refused
//   710  a header line is not "Name: value", would put a raw CR or LF on the wire, or CURLOPT_HTTPHEADER is
//        refused
//   711  curl_easy_perform fails before the request went out: no name resolution, connection refused or
//        timed out, TLS handshake or certificate verification failed, proxy tunnel refused, or the send
//        itself failed (CURLE_SEND_ERROR, or the body stalled past the timeout)
//   712  the request went out but no complete response header block arrived: timeout waiting for it,
//        connection closed (CURLE_GOT_NOTHING, CURLE_RECV_ERROR), a reply that is not HTTP, a followed
//        redirect that could not be fetched, or too many redirects
//   713  the transfer failed while the body was being read (CURLE_PARTIAL_FILE, CURLE_RECV_ERROR, a stalled
//        body past the timeout); the partial body is still processed and the status line replaces the text
// 706 does not occur.

namespace {

std::atomic<PendingEventsHandler> g_pendingEvents{nullptr};

void YieldToEvents() {
    if (PendingEventsHandler h = g_pendingEvents.load(std::memory_order_acquire)) h();
}

Text FailureText(int number) {
    switch (number) {
        case 700: return "700 当前系统不支持WinHttp服务!"_gbk;
        case 701: return "701 解析URL地址失败!"_gbk;
        case 702: return "702 创建WinHttp会话失败!"_gbk;
        case 703: return "703 创建WinHttp连接失败!"_gbk;
        case 704: return "704 创建WinHttp请求失败!"_gbk;
        case 705: return "705 设置超时时间失败!"_gbk;
        case 707: return "707 设置代理凭证失败!"_gbk;
        case 708: return "708 禁止自动设置Cookies失败!"_gbk;
        case 709: return "709 重定向设置失败!"_gbk;
        case 710: return "710 设置协议头失败!"_gbk;
        case 711: return "711 发送请求失败!"_gbk;
        case 712: return "712 服务器未响应!"_gbk;
        default: return "713 读取数据失败!"_gbk;
    }
}

bool PlatformSupportsHttp() {
    if (!detail::CurlReady()) return false;
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (!info || !info->protocols) return false;
    for (const char* const* p = info->protocols; *p; ++p)
        if (std::string(*p) == "http") return true;
    return false;
}

const pcre2_code* CharsetPattern() {
    static pcre2_code* const code = [] {
        pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
        pcre2_set_newline(context, PCRE2_NEWLINE_LF);  // the dot stops at a line feed only
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* c = pcre2_compile(reinterpret_cast<PCRE2_SPTR>("<meta.+?charset=[^\\w]?([-\\w]+)"),
                                      PCRE2_ZERO_TERMINATED, PCRE2_CASELESS, &error, &offset, context);
        pcre2_compile_context_free(context);
        return c;
    }();
    return code;
}

// The character-set name a page's head declares within the given text, or empty.
Text DeclaredCharset(const Text& head) {
    const pcre2_code* code = CharsetPattern();
    if (!code) return Text();
    pcre2_match_data* match = pcre2_match_data_create_from_pattern(code, nullptr);
    if (!match) return Text();
    Text name;
    const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(head.c_str()), head.str().size(), 0, 0, match,
                               nullptr);
    if (rc >= 2) {
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(match);
        name = Text(head.str().substr(ov[2], ov[3] - ov[2]));
    }
    pcre2_match_data_free(match);
    return name;
}

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

const char* HttpMethodName(int method) {
    static const char* const kNames[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return method >= 0 && method <= 7 ? kNames[method] : kNames[0];
}

void SetPendingEventsHandler(PendingEventsHandler handler) { g_pendingEvents.store(handler, std::memory_order_release); }

Text HttpRequestText(const Text& url, const HttpTextRequest& r) {
    const Text cookieText = r.cookies;
    const int method = r.method >= 0 && r.method <= 7 ? r.method : 0;
    auto fail = [&](int number) {
        if (r.statusText) *r.statusText = FailureText(number);
        YieldToEvents();
        return Text();
    };
    auto ok = [](CURLcode c) { return c == CURLE_OK; };

    // Set-up.
    if (!PlatformSupportsHttp()) return fail(700);
    const std::optional<detail::HttpUrl> target = detail::ParseHttpUrl(url);
    if (!target) return fail(701);
    std::string proxyName;
    if (!r.proxy.empty()) proxyName = target->secure ? r.proxy.str() : "http=" + r.proxy.str();

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return fail(702);
    CURL* h = curl.get();
    // The session: direct unless a proxy was named (the environment's proxy settings do not apply), HTTP/1.1,
    // redirects followed by the layer (up to 10, http and https only), no signals from worker threads.
    const std::string proxyUrl = detail::ProxyForScheme(proxyName, target->scheme);
    if (!ok(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L)) || !ok(curl_easy_setopt(h, CURLOPT_PROXY, proxyUrl.c_str())) ||
        !ok(curl_easy_setopt(h, CURLOPT_NOPROXY, "")) ||
        !ok(curl_easy_setopt(h, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE))) ||
        !ok(curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1))) ||
        !ok(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L)) || !ok(curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L)) ||
        !ok(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https")) ||
        !ok(curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https")))
        return fail(702);
    if (!ok(curl_easy_setopt(h, CURLOPT_URL, target->forCurl.c_str()))) return fail(703);

    const std::string body = r.postData.str();
    if (!ok(detail::SetMethodAndBody(h, method, body)) || !ok(curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L)) ||
        !ok(curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L)))
        return fail(704);

    const long timeoutMs = r.timeoutSeconds > 0 ? static_cast<long>(r.timeoutSeconds) * 1000 : 30000;
    detail::Exchange exchange;
    if (!ok(exchange.Attach(h, timeoutMs))) return fail(705);

    if (!r.userName.empty() && !r.password.empty()) {
        if (!ok(curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC))) ||
            !ok(curl_easy_setopt(h, CURLOPT_USERNAME, r.userName.c_str())) ||
            !ok(curl_easy_setopt(h, CURLOPT_PASSWORD, r.password.c_str())))
            return fail(707);
    }
    if (!r.proxyUser.empty() && !r.proxyPassword.empty()) {
        if (!ok(curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC))) ||
            !ok(curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, r.proxyUser.c_str())) ||
            !ok(curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, r.proxyPassword.c_str())))
            return fail(707);
    }
    // Without cookies to send the layer keeps no cookies (libcurl's store is off unless asked for). With
    // cookies, a per-call store carries what redirects set on to the next hop.
    if (!cookieText.empty() && !ok(curl_easy_setopt(h, CURLOPT_COOKIEFILE, ""))) return fail(708);
    if (r.noRedirect && !ok(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L))) return fail(709);

    // Request headers: the caller's lines, then each default line the text still lacks.
    Text headers;
    if (!r.extraHeaders.empty()) headers = r.extraHeaders + "\r\n";
    auto lacks = [&](const Text& sought, bool ignoreCase) { return SearchText(headers, sought, 1, ignoreCase) < 1; };
    if (lacks("User-Agent: ", true))
        headers += "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
    if (lacks("Accept: ", true)) headers += "Accept: text/html, application/xhtml+xml, */*\r\n";
    if (lacks("Accept-Encoding: ", true)) headers += "Accept-Encoding: gbk, GB2312\r\n";
    if (lacks("Accept-Language: ", true)) headers += "Accept-Language: zh-cn\r\n";
    if (method == 1 && lacks("Content-Type:", false))
        headers += "Content-Type: application/x-www-form-urlencoded\r\n";
    if (lacks("Cache-Control: ", true)) headers += "Cache-Control: no-cache\r\n";
    if (!cookieText.empty() && lacks("Cookie: ", true)) headers += "Cookie: " + cookieText + "\r\n";

    std::unique_ptr<curl_slist, SlistDeleter> list;
    auto append = [&](const std::string& line) {
        curl_slist* grown = curl_slist_append(list.get(), line.c_str());
        if (!grown) return false;
        list.release();
        list.reset(grown);
        return true;
    };
    // While the per-call cookie store is on, the Cookie lines go through it, so that a redirected request
    // carries one Cookie line with both the stored and the given cookies rather than two lines.
    std::string cookieLine;
    for (const Text& line : SplitByText(headers, "\r\n")) {
        if (line.empty()) continue;
        const int colon = SearchText(line, ":");
        if (colon < 1 || TrimSpaces(TakeLeft(line, colon - 1)).empty() || !detail::SafeHeaderLine(line.str()))
            return fail(710);
        if (!cookieText.empty() && SearchText(HeaderName(line), "Cookie", 1, true) == 1 &&
            HeaderName(line).size() == 6) {
            if (!cookieLine.empty()) cookieLine += "; ";
            cookieLine += HeaderValue(line).str();
            continue;
        }
        if (!append(line.str())) return fail(710);
    }
    if (!cookieLine.empty() && !ok(curl_easy_setopt(h, CURLOPT_COOKIE, cookieLine.c_str()))) return fail(710);
    // libcurl would add lines of its own that this request does not carry.
    const std::string& ht = headers.str();
    if ((!detail::HasHeaderLine(ht, "Accept") && !append("Accept:")) ||
        (!detail::HasHeaderLine(ht, "Expect") && !append("Expect:")) ||
        (!detail::HasHeaderLine(ht, "Content-Type") && !append("Content-Type:")) ||
        !ok(curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get())))
        return fail(710);

    // Send, wait for the response, read the body.
    const CURLcode rc = curl_easy_perform(h);
    if (rc != CURLE_OK) {
        switch (exchange.FailureStage(h, rc, method == 2 ? 0 : body.size())) {
            case detail::Exchange::Stage::Connect:
            case detail::Exchange::Stage::Send: return fail(711);
            case detail::Exchange::Stage::Receive: return fail(712);
            case detail::Exchange::Stage::Body:
                if (r.statusText) *r.statusText = FailureText(713);
                break;
        }
    }
    if (exchange.headerBlock.empty()) return Text();

    // Response processing.
    const Text block = BytesToText(Bytes(exchange.headerBlock));
    if (r.returnedHeaders) *r.returnedHeaders = block;
    if (r.statusText) {
        const int lineEnd = SearchText(block, "\r\n", 10);
        *r.statusText = lineEnd > 0 ? TakeMiddle(block, 10, lineEnd - 10) : TakeMiddle(block, 10, block.size());
    }
    const std::vector<Text> lines = SplitByText(block, "\r\n");
    Text collected = CollectSetCookies(lines, r.returnedCookies ? *r.returnedCookies : Text());
    for (const Text& line : lines) {
        if (SearchText(TakeLeft(line, 10), "Location: ", 1, true) == 1 && line.size() >= 10 && r.redirectLocation)
            *r.redirectLocation = TakeMiddle(line, 11, line.size() - 10);
        YieldToEvents();
    }
    if (r.mergeCookies && !cookieText.empty()) collected = MergeCookies(cookieText, collected);
    if (r.returnedCookies) *r.returnedCookies = collected;

    Bytes bodyBytes(std::move(exchange.body));
    Text bodyText = BytesToText(bodyBytes);
    const Text charset = DeclaredCharset(TakeLeft(bodyText, 1024));
    if (!charset.empty() && charset != Text("gbk") && charset != Text("gb2312")) {
        if (std::optional<Text> decoded = DecodeCharset(bodyBytes, charset)) bodyText = *decoded;
    }
    if (r.responseBytes) *r.responseBytes = std::move(bodyBytes);
    YieldToEvents();
    return bodyText;
}

Text HttpRequestText(const Text& url, int method, const Text& postData, const Text& cookies, Text* returnedCookies,
                     const Text& extraHeaders, Text* returnedHeaders, bool noRedirect, const Text& userName,
                     const Text& password, const Text& proxy, const Text& proxyUser, const Text& proxyPassword,
                     int timeoutSeconds, Text* redirectLocation, Text* statusText, Bytes* responseBytes,
                     bool mergeCookies) {
    HttpTextRequest r;
    r.method = method;
    r.postData = postData;
    r.cookies = cookies;
    r.returnedCookies = returnedCookies;
    r.extraHeaders = extraHeaders;
    r.returnedHeaders = returnedHeaders;
    r.noRedirect = noRedirect;
    r.userName = userName;
    r.password = password;
    r.proxy = proxy;
    r.proxyUser = proxyUser;
    r.proxyPassword = proxyPassword;
    r.timeoutSeconds = timeoutSeconds;
    r.redirectLocation = redirectLocation;
    r.statusText = statusText;
    r.responseBytes = responseBytes;
    r.mergeCookies = mergeCookies;
    return HttpRequestText(url, r);
}

}  // namespace ql
