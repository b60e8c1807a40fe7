// Shared ground of the two request routines on libcurl: URL and proxy rules, method options, and the
// record of one exchange (status line, header block, body) with a per-phase idle timeout.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <curl/curl.h>

#include "web/text.h"

namespace ql::detail {

// libcurl initialised once per process; false when it cannot be.
bool CurlReady();

struct HttpUrl {
    std::string scheme;      // "http" or "https", lower case
    std::string host;
    std::string port;
    std::string objectName;  // path and query, "/" when the URL has no path
    std::string forCurl;     // scheme://host:port/objectName, without user information and fragment
    bool secure = false;
};

// Parses a full http or https URL (GBK); nullopt when it is not one.
std::optional<HttpUrl> ParseHttpUrl(const Text& url);

// The proxy that serves `scheme` in a WinHttp-style proxy list ("host:port", "http=host:port",
// "http=a:1;https=b:2"), as "http://host:port" for libcurl; empty when none applies.
std::string ProxyForScheme(const std::string& proxyList, const std::string& scheme);

// Sets the method (0..7, already normalised) and the body. HEAD never carries a body. The body must outlive
// the transfer.
CURLcode SetMethodAndBody(CURL* curl, int method, const std::string& body);

// Collects one exchange. The header block always holds the latest response's lines (an interim or
// redirect response is replaced by the one that follows it).
class Exchange {
public:
    // Installs the callbacks; idleMs > 0 bounds connecting and every wait for bytes to go out or come in.
    CURLcode Attach(CURL* curl, long idleMs);

    std::string headerBlock;   // raw lines with their CR LF, ending in the empty line
    std::string body;
    int requestsSent = 0;      // connections made (or reused) and requests about to go out
    int finalResponses = 0;    // non-interim status lines seen
    bool headersComplete = false;
    bool anyResponseByte = false;
    bool idleTimedOut = false;

    // Which step of the exchange a failed transfer stopped at.
    enum class Stage { Connect, Send, Receive, Body };
    Stage FailureStage(CURL* curl, CURLcode code, size_t bodySize) const;

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow);
    static int OnPrereq(void* self, char* conn_primary_ip, char* conn_local_ip, int conn_primary_port,
                        int conn_local_port);
    void Touch() { lastActivity_ = std::chrono::steady_clock::now(); }

    long idleMs_ = 0;
    curl_off_t lastDown_ = 0, lastUp_ = 0;
    std::chrono::steady_clock::time_point lastActivity_;
};

// A header line that libcurl may put on the wire as it is: no CR, LF or zero byte inside, which would let
// it smuggle further lines into the request.
bool SafeHeaderLine(const std::string& line);

// True when a header text holds a line whose name is `name` (ASCII letter case ignored).
bool HasHeaderLine(const std::string& headerText, const std::string& name);

}  // namespace ql::detail
