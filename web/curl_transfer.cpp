#include "web/curl_transfer.h"

#include <cstring>

namespace ql::detail {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// One URL handle of libcurl's parser, released with the scope.
struct UrlHandle {
    CURLU* h = curl_url();
    ~UrlHandle() { curl_url_cleanup(h); }
    std::optional<std::string> Get(CURLUPart part, unsigned flags = 0) const {
        char* out = nullptr;
        if (curl_url_get(h, part, &out, flags) != CURLUE_OK || !out) return std::nullopt;
        std::string s(out);
        curl_free(out);
        return s;
    }
};

// Percent-escapes what may not stand in a request target as it is: spaces, controls and every byte of a
// non-ASCII character (the URL is in UTF-8 by then). Existing escapes stay as they are.
std::string EscapeTarget(const std::string& s) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

bool CurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

std::optional<HttpUrl> ParseHttpUrl(const Text& url) {
    std::string u = GbkToUtf8(url).str();
    const size_t schemeEnd = u.find("://");
    if (schemeEnd == std::string::npos || schemeEnd == 0) return std::nullopt;
    const size_t authorityEnd = u.find_first_of("/?#", schemeEnd + 3);
    if (authorityEnd != std::string::npos) u = u.substr(0, authorityEnd) + EscapeTarget(u.substr(authorityEnd));

    UrlHandle h;
    if (!h.h || curl_url_set(h.h, CURLUPART_URL, u.c_str(), 0) != CURLUE_OK) return std::nullopt;
    HttpUrl out;
    out.scheme = Lower(h.Get(CURLUPART_SCHEME).value_or(""));
    if (out.scheme != "http" && out.scheme != "https") return std::nullopt;
    out.secure = out.scheme == "https";
    out.host = h.Get(CURLUPART_HOST).value_or("");
    if (out.host.empty()) return std::nullopt;
    out.port = h.Get(CURLUPART_PORT, CURLU_DEFAULT_PORT).value_or("");
    std::string path = h.Get(CURLUPART_PATH).value_or("");
    if (path.empty()) path = "/";
    const std::optional<std::string> query = h.Get(CURLUPART_QUERY);
    out.objectName = query ? path + "?" + *query : path;
    // Credentials written into the URL are not sent, and a fragment never goes on the wire.
    curl_url_set(h.h, CURLUPART_USER, nullptr, 0);
    curl_url_set(h.h, CURLUPART_PASSWORD, nullptr, 0);
    curl_url_set(h.h, CURLUPART_FRAGMENT, nullptr, 0);
    out.forCurl = h.Get(CURLUPART_URL).value_or("");
    if (out.forCurl.empty()) return std::nullopt;
    return out;
}

std::string ProxyForScheme(const std::string& proxyList, const std::string& scheme) {
    std::string chosen;
    size_t i = 0;
    while (i < proxyList.size() && chosen.empty()) {
        const size_t end = proxyList.find_first_of("; \t", i);
        const std::string entry = proxyList.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i = end == std::string::npos ? proxyList.size() : end + 1;
        if (entry.empty()) continue;
        const size_t eq = entry.find('=');
        const size_t sep = entry.find("://");
        if (eq != std::string::npos && (sep == std::string::npos || eq < sep)) {
            if (Lower(entry.substr(0, eq)) == Lower(scheme)) chosen = entry.substr(eq + 1);
        } else {
            chosen = entry;
        }
    }
    if (chosen.empty()) return std::string();
    if (chosen.find("://") == std::string::npos) chosen = "http://" + chosen;
    UrlHandle h;
    if (!h.h || curl_url_set(h.h, CURLUPART_URL, chosen.c_str(), 0) != CURLUE_OK) return chosen;
    // A proxy named without a port listens on 80, not on libcurl's 1080.
    if (!h.Get(CURLUPART_PORT)) curl_url_set(h.h, CURLUPART_PORT, "80", 0);
    return h.Get(CURLUPART_URL).value_or(chosen);
}

CURLcode SetMethodAndBody(CURL* curl, int method, const std::string& body) {
    static const char* const kNames[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    CURLcode rc = CURLE_OK;
    auto set = [&](CURLcode r) {
        if (rc == CURLE_OK) rc = r;
    };
    auto setBody = [&] {
        set(curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())));
        set(curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data()));
    };
    switch (method) {
        case 1:  // a POST always states its length, even of an empty body
            setBody();
            break;
        case 2:
            set(curl_easy_setopt(curl, CURLOPT_NOBODY, 1L));
            break;
        default:
            if (body.empty()) {
                set(curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L));
            } else {
                setBody();
            }
            if (method != 0 || !body.empty()) set(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, kNames[method]));
    }
    return rc;
}

CURLcode Exchange::Attach(CURL* curl, long idleMs) {
    idleMs_ = idleMs;
    Touch();
    CURLcode rc = CURLE_OK;
    auto set = [&](CURLcode r) {
        if (rc == CURLE_OK) rc = r;
    };
    set(curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Exchange::OnHeader));
    set(curl_easy_setopt(curl, CURLOPT_HEADERDATA, this));
    set(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Exchange::OnBody));
    set(curl_easy_setopt(curl, CURLOPT_WRITEDATA, this));
    set(curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &Exchange::OnPrereq));
    set(curl_easy_setopt(curl, CURLOPT_PREREQDATA, this));
    if (idleMs > 0) {
        set(curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, idleMs));
        set(curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Exchange::OnProgress));
        set(curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this));
        set(curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L));
    }
    return rc;
}

size_t Exchange::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* ex = static_cast<Exchange*>(self);
    const size_t n = size * count;
    ex->Touch();
    ex->anyResponseByte = true;
    if (n >= 5 && std::memcmp(data, "HTTP/", 5) == 0) {
        // A new response: an interim or followed one before it is forgotten.
        ex->headerBlock.clear();
        ex->headersComplete = false;
        const char* space = static_cast<const char*>(std::memchr(data, ' ', n));
        const bool interim = space && space + 1 < data + n && space[1] == '1';
        if (!interim) ++ex->finalResponses;
    }
    ex->headerBlock.append(data, n);
    if ((n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n')) ex->headersComplete = true;
    return n;
}

size_t Exchange::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* ex = static_cast<Exchange*>(self);
    const size_t n = size * count;
    ex->Touch();
    ex->anyResponseByte = true;
    ex->body.append(data, n);
    return n;
}

int Exchange::OnProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* ex = static_cast<Exchange*>(self);
    if (dlnow != ex->lastDown_ || ulnow != ex->lastUp_) {
        ex->lastDown_ = dlnow;
        ex->lastUp_ = ulnow;
        ex->Touch();
        return 0;
    }
    const auto idle = std::chrono::steady_clock::now() - ex->lastActivity_;
    if (ex->idleMs_ > 0 && idle > std::chrono::milliseconds(ex->idleMs_)) {
        ex->idleTimedOut = true;
        return 1;
    }
    return 0;
}

int Exchange::OnPrereq(void* self, char*, char*, int, int) {
    auto* ex = static_cast<Exchange*>(self);
    ++ex->requestsSent;
    ex->Touch();  // sending has a phase of its own
    return CURL_PREREQFUNC_OK;
}

Exchange::Stage Exchange::FailureStage(CURL* curl, CURLcode code, size_t bodySize) const {
    if (requestsSent == 0) return Stage::Connect;
    long redirects = 0;
    curl_easy_getinfo(curl, CURLINFO_REDIRECT_COUNT, &redirects);
    if (!anyResponseByte && redirects == 0) {
        curl_off_t uploaded = 0;
        curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &uploaded);
        if (code == CURLE_SEND_ERROR || static_cast<size_t>(uploaded) < bodySize) return Stage::Send;
    }
    if (headersComplete && finalResponses > redirects && code != CURLE_TOO_MANY_REDIRECTS) return Stage::Body;
    return Stage::Receive;
}

bool SafeHeaderLine(const std::string& line) { return line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

bool HasHeaderLine(const std::string& headerText, const std::string& name) {
    const std::string want = Lower(name);
    size_t start = 0;
    while (start <= headerText.size()) {
        size_t end = headerText.find("\r\n", start);
        if (end == std::string::npos) end = headerText.size();
        const std::string line = headerText.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string n = line.substr(0, colon);
            while (!n.empty() && (n.back() == ' ' || n.back() == '\t')) n.pop_back();
            size_t b = 0;
            while (b < n.size() && (n[b] == ' ' || n[b] == '\t')) ++b;
            if (Lower(n.substr(b)) == want) return true;
        }
        start = end + 2;
    }
    return false;
}

}  // namespace ql::detail
