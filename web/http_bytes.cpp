#include "web/http_bytes.h"

#include <curl/curl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "web/cookies.h"
#include "web/curl_transfer.h"

namespace ql {

namespace {

struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The request headers as the object holds them: one value per name, a later setting replacing an earlier
// one in its place, an empty value removing the header.
class RequestHeaders {
public:
    void Set(const Text& name, const Text& value) {
        // A name or value that would break the request line structure is refused, as the object refuses it.
        if (name.empty() || !detail::SafeHeaderLine(name.str()) || !detail::SafeHeaderLine(value.str()) ||
            SearchText(name, ":") > 0)
            return;
        const std::string key = Lower(name.str());
        for (auto& [n, v] : items_) {
            if (Lower(n) == key) {
                v = value.str();
                return;
            }
        }
        items_.emplace_back(name.str(), value.str());
    }
    bool Has(const std::string& name) const {
        const std::string key = Lower(name);
        for (const auto& [n, v] : items_)
            if (Lower(n) == key && !v.empty()) return true;
        return false;
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const auto& [n, v] : items_)
            out.push_back(v.empty() ? n + ":" : n + ": " + v);
        return out;
    }

private:
    std::vector<std::pair<std::string, std::string>> items_;
};

// The response headers as the object reports them: "Name: value" lines, each ending in CR LF, without the
// status line.
Text ReportedHeaders(const std::string& block) {
    Text out;
    bool first = true;
    for (const Text& line : SplitByText(BytesToText(Bytes(block)), "\r\n")) {
        if (first) {
            first = false;
            continue;
        }
        if (line.empty()) continue;
        out += HeaderName(line) + ": " + HeaderValue(line) + "\r\n";
    }
    return out;
}

}  // namespace

HttpRequestObject::HttpRequestObject() {
    if (detail::CurlReady()) handle_ = curl_easy_init();
}

HttpRequestObject::~HttpRequestObject() {
    if (handle_) curl_easy_cleanup(static_cast<CURL*>(handle_));
}

bool HttpRequestObject::valid() const noexcept { return handle_ != nullptr; }

Bytes HttpRequestBytes(const Text& url, const HttpBytesRequest& r) {
    const Text cookieText = r.cookies;
    const int method = r.method >= 0 && r.method <= 7 ? r.method : 0;

    std::unique_ptr<HttpRequestObject> own;
    HttpRequestObject* object = r.requestObject;
    if (!object) {
        own = std::make_unique<HttpRequestObject>();
        object = own.get();
    }
    if (!object->valid()) return Bytes();
    CURL* h = static_cast<CURL*>(object->handle());
    curl_easy_reset(h);

    if (r.timeoutSeconds != -1) object->SetTimeouts(r.timeoutSeconds > 0 ? r.timeoutSeconds * 1000L : 15000L);

    const std::optional<detail::HttpUrl> target = detail::ParseHttpUrl(url);
    const std::string proxyUrl = r.proxy.empty() || !target ? std::string()
                                                            : detail::ProxyForScheme(r.proxy.str(), target->scheme);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROXY, proxyUrl.c_str());
    curl_easy_setopt(h, CURLOPT_NOPROXY, "");
    curl_easy_setopt(h, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, r.noRedirect ? 0L : 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Untrusted issuer, wrong usage, wrong name and expiry are all ignored.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    if (target) curl_easy_setopt(h, CURLOPT_URL, target->forCurl.c_str());

    // The caller's header text, completed with the default lines it lacks.
    Text headers = r.extraHeaders ? *r.extraHeaders : Text();
    if (SearchText(headers, "Accept:") < 1) headers = headers.empty() ? Text("Accept: */*") : headers + "\r\nAccept: */*";
    if (SearchText(headers, "Referer:") < 1) headers += "\r\nReferer: " + url;
    if (SearchText(headers, "Accept-Language:") < 1) headers += "\r\nAccept-Language: zh-cn";
    if (SearchText(headers, "User-Agent:") < 1)
        headers += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
    if (method == 1 && SearchText(headers, "Content-Type:") < 1)
        headers += "\r\nContent-Type: application/x-www-form-urlencoded";
    if (r.extraHeaders) *r.extraHeaders = headers;

    RequestHeaders set;
    if (!cookieText.empty()) set.Set("Cookie", cookieText);
    for (const Text& line : SplitByText(headers, "\r\n"))
        if (!line.empty()) set.Set(HeaderName(line), HeaderValue(line));
    Text proxyAuthorization;
    if (!r.proxy.empty() && !r.proxyUser.empty() && r.proxyAuthMode == 1)
        proxyAuthorization = "Basic " + Base64Encode(TextToBytes(r.proxyUser + ":" + r.proxyPassword));
    // Through a tunnel (https) the proxy sees only the CONNECT request: the credentials go there and are
    // not handed on to the server. A plain http request goes to the proxy itself.
    const bool tunnelled = target && target->secure && !proxyUrl.empty();
    if (!proxyAuthorization.empty() && !tunnelled) set.Set("Proxy-Authorization", proxyAuthorization);

    std::unique_ptr<curl_slist, SlistDeleter> list, proxyList;
    auto append = [](std::unique_ptr<curl_slist, SlistDeleter>& l, const std::string& line) {
        if (curl_slist* grown = curl_slist_append(l.get(), line.c_str())) {
            l.release();
            l.reset(grown);
        }
    };
    for (const std::string& line : set.Lines()) append(list, line);
    // libcurl would add lines of its own that this request does not carry.
    if (!set.Has("Expect")) append(list, "Expect:");
    if (!set.Has("Content-Type")) append(list, "Content-Type:");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
    if (tunnelled && !proxyAuthorization.empty()) {
        append(proxyList, "Proxy-Authorization: " + proxyAuthorization.str());
        curl_easy_setopt(h, CURLOPT_PROXYHEADER, proxyList.get());
    }

    const std::string body = !r.postBytes.empty() ? r.postBytes.data() : r.postData.str();
    detail::SetMethodAndBody(h, method, body);
    detail::Exchange exchange;
    exchange.Attach(h, object->timeouts());

    // An address that is not an http or https URL makes the exchange fail: it yields empty values.
    const CURLcode rc = target ? curl_easy_perform(h) : CURLE_URL_MALFORMAT;
    Bytes result;
    Text reported;
    long status = 0;
    if (rc == CURLE_OK) {
        result = Bytes(std::move(exchange.body));
        reported = ReportedHeaders(exchange.headerBlock);
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    }
    if (r.returnedHeaders) *r.returnedHeaders = reported;
    if (r.statusCode) *r.statusCode = static_cast<int>(status);

    Text collected = CollectSetCookies(SplitByText(reported, "\r\n"));
    if (r.mergeCookies && !cookieText.empty()) collected = MergeCookies(cookieText, collected);
    if (r.returnedCookies) *r.returnedCookies = collected;

    // The handle stays with a caller's object; it forgets this call's lists before they are freed.
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(h, CURLOPT_PROXYHEADER, nullptr);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, nullptr);
    return result;
}

Bytes HttpRequestBytes(const Text& url, int method, const Text& postData, const Text& cookies, Text* returnedCookies,
                       Text* extraHeaders, Text* returnedHeaders, int* statusCode, bool noRedirect,
                       const Bytes& postBytes, const Text& proxy, int timeoutSeconds, const Text& proxyUser,
                       const Text& proxyPassword, int proxyAuthMode, HttpRequestObject* requestObject,
                       bool mergeCookies) {
    HttpBytesRequest r;
    r.method = method;
    r.postData = postData;
    r.cookies = cookies;
    r.returnedCookies = returnedCookies;
    r.extraHeaders = extraHeaders;
    r.returnedHeaders = returnedHeaders;
    r.statusCode = statusCode;
    r.noRedirect = noRedirect;
    r.postBytes = postBytes;
    r.proxy = proxy;
    r.timeoutSeconds = timeoutSeconds;
    r.proxyUser = proxyUser;
    r.proxyPassword = proxyPassword;
    r.proxyAuthMode = proxyAuthMode;
    r.requestObject = requestObject;
    r.mergeCookies = mergeCookies;
    return HttpRequestBytes(url, r);
}

}  // namespace ql
