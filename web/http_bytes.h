// One synchronous HTTP or HTTPS request through a request object; the answer comes back as bytes.
#pragma once

#include "web/text.h"

namespace ql {

// A reusable request object. It keeps its transport handle and its own timeouts from call to call; a caller
// that passes one to HttpRequestBytes still owns it afterwards.
class HttpRequestObject {
public:
    HttpRequestObject();
    ~HttpRequestObject();
    HttpRequestObject(const HttpRequestObject&) = delete;
    HttpRequestObject& operator=(const HttpRequestObject&) = delete;

    bool valid() const noexcept;
    // -1: the transport's own timeouts; otherwise milliseconds for resolve, connect, send and receive.
    void SetTimeouts(long milliseconds) noexcept { timeoutMs_ = milliseconds; }
    long timeouts() const noexcept { return timeoutMs_; }
    void* handle() const noexcept { return handle_; }

private:
    void* handle_ = nullptr;  // CURL*
    long timeoutMs_ = -1;
};

struct HttpBytesRequest {
    int method = 0;                    // 0..7 as for HttpRequestText; anything else is 0
    Text postData;                     // body, used when postBytes is empty
    Text cookies;                      // sent as one "Cookie" header
    Text* returnedCookies = nullptr;   // out
    Text* extraHeaders = nullptr;      // in and out: completed with the default lines
    Text* returnedHeaders = nullptr;   // out: "Name: value" lines separated by CR LF
    int* statusCode = nullptr;         // out: 0 when the exchange failed
    bool noRedirect = false;
    Bytes postBytes;                   // sent instead of postData when non-empty
    Text proxy;
    int timeoutSeconds = 0;            // -1: the object's own; > 0: seconds; otherwise 15 seconds
    Text proxyUser;
    Text proxyPassword;
    int proxyAuthMode = 1;             // 1: Basic "Proxy-Authorization" header; other: none
    HttpRequestObject* requestObject = nullptr;
    bool mergeCookies = true;
};

// Returns the body bytes; empty bytes when no request object can be made (then nothing is written) or when
// the exchange failed. Certificate errors are ignored.
Bytes HttpRequestBytes(const Text& url, const HttpBytesRequest& request);

// The same routine with its parameters in their customary order.
Bytes HttpRequestBytes(const Text& url, int method = 0, const Text& postData = Text(), const Text& cookies = Text(),
                       Text* returnedCookies = nullptr, Text* extraHeaders = nullptr,
                       Text* returnedHeaders = nullptr, int* statusCode = nullptr, bool noRedirect = false,
                       const Bytes& postBytes = Bytes(), const Text& proxy = Text(), int timeoutSeconds = 0,
                       const Text& proxyUser = Text(), const Text& proxyPassword = Text(), int proxyAuthMode = 1,
                       HttpRequestObject* requestObject = nullptr, bool mergeCookies = true);

}  // namespace ql
