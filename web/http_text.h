// One synchronous HTTP or HTTPS request whose answer comes back as a GBK text.
#pragma once

#include "web/text.h"

namespace ql {

// Method numbers of both request routines: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE,
// 7 CONNECT; any other number is GET.
const char* HttpMethodName(int method);

// Called where the routine yields to pending window events (after each response header line, after the
// character-set step, at each failure), on the thread that made the request. None by default.
using PendingEventsHandler = void (*)();
void SetPendingEventsHandler(PendingEventsHandler handler);

// Every field after url, with its default. Out-fields are pointers; a null pointer is an out-parameter the
// caller did not pass, and each is written only on the paths that name it.
struct HttpTextRequest {
    int method = 0;
    Text postData;                     // sent unchanged with any method
    Text cookies;                      // cookie text to send
    Text* returnedCookies = nullptr;   // out: cookies set by the response (merged with cookies when mergeCookies)
    Text extraHeaders;                 // caller's header lines separated by CR LF
    Text* returnedHeaders = nullptr;   // out: the response's raw header block
    bool noRedirect = false;
    Text userName;                     // Basic server credentials (used when both are non-empty)
    Text password;
    Text proxy;                        // host:port; empty means a direct connection
    Text proxyUser;                    // Basic proxy credentials (used when both are non-empty)
    Text proxyPassword;
    int timeoutSeconds = 0;            // 0 or less means 30 seconds, for each phase
    Text* redirectLocation = nullptr;  // out: value of a "Location: " line of the response
    Text* statusText = nullptr;        // out: status code and reason phrase, or "7xx ..." failure text
    Bytes* responseBytes = nullptr;    // out: the raw body
    bool mergeCookies = true;
};

// Returns the body (converted to GBK when the page declares another character set); the empty text after a
// failure, which is then described in statusText as one of the numbered texts 700 to 713.
Text HttpRequestText(const Text& url, const HttpTextRequest& request);

// The same routine with its parameters in their customary order.
Text HttpRequestText(const Text& url, int method = 0, const Text& postData = Text(), const Text& cookies = Text(),
                     Text* returnedCookies = nullptr, const Text& extraHeaders = Text(),
                     Text* returnedHeaders = nullptr, bool noRedirect = false, const Text& userName = Text(),
                     const Text& password = Text(), const Text& proxy = Text(), const Text& proxyUser = Text(),
                     const Text& proxyPassword = Text(), int timeoutSeconds = 0, Text* redirectLocation = nullptr,
                     Text* statusText = nullptr, Bytes* responseBytes = nullptr, bool mergeCookies = true);

}  // namespace ql
