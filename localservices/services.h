// The request handlers of the local services, free of any HTTP library: each takes the parts of a request
// it needs and gives the status, content type and body of the answer.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "localservices/ocr.h"

namespace ql::localsvc {

struct ServiceKeys {
    std::string ocrApiKey = "Qd7nWk2LrPz9XbTc4HsVf6Jm";
    std::string ocrSecretKey = "h3KpZr8NwT5qLx2VbY7cMd9FsJ4gRn6E";
    std::string translateAppId = "30457182964015326";
    std::string translateSignKey = "Tz4Rb_9WqKm2NsYd7LcX";

    // The defaults, each overridden by the program's own variable when that is set and not empty:
    // QINGLAN_OCR_API_KEY, QINGLAN_OCR_SECRET_KEY, QINGLAN_TRANSLATE_APP_ID, QINGLAN_TRANSLATE_SIGN_KEY.
    static ServiceKeys FromEnvironment();
};

struct ServiceConfig {
    ServiceKeys keys;
    std::filesystem::path store;  // the photo store; must exist
    OcrOptions ocr;
};

struct Reply {
    int status = 200;
    std::string contentType = "application/json;charset=utf-8";
    std::string body;
};

// Photo ids: 1 to 18 decimal digits, nothing else (no sign, no dot, no separator).
bool IsPhotoId(std::string_view s);
std::string Md5Hex(std::string_view bytes);

class LocalServices {
public:
    explicit LocalServices(ServiceConfig config);

    // GET /oauth/2.0/token?grant_type=client_credentials&client_id=..&client_secret=..&
    Reply Token(std::string_view query);
    // POST /uploadheadimg.php: the raw multipart body and its Content-Type.
    Reply Upload(std::string_view contentType, std::string_view body);
    // GET /photo/<id>.png
    Reply Photo(std::string_view id);
    // POST /rest/2.0/ocr/v1/general_basic?access_token=.. with the body url=<address>
    Reply Ocr(std::string_view query, std::string_view body);
    // POST /api/trans/vip/translate with q, from, to, appid, salt, sign (in the body or the query)
    Reply Translate(std::string_view query, std::string_view body);

    const std::filesystem::path& Store() const { return config_.store; }

private:
    std::string IssueToken();
    bool TokenValid(const std::string& token);

    ServiceConfig config_;
    OcrEngines ocr_;
    std::mutex tokensMutex_;
    std::set<std::string> tokens_;
    std::deque<std::string> tokenOrder_;
    std::atomic<uint64_t> logId_{1};
};

}  // namespace ql::localsvc
