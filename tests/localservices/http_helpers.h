// Requests shaped exactly as the program sends them, for the tests of the local services.
#pragma once

#include <httplib.h>

#include <string>

#include "localservices/services.h"

namespace ql::localsvc::testing {

inline const std::string kBoundary = "----WebKitFormBoundary4C4GSVIylEQB11fE";
inline const std::string kApiKey = "Qd7nWk2LrPz9XbTc4HsVf6Jm";
inline const std::string kSecretKey = "h3KpZr8NwT5qLx2VbY7cMd9FsJ4gRn6E";
inline const std::string kAppId = "30457182964015326";
inline const std::string kSignKey = "Tz4Rb_9WqKm2NsYd7LcX";

inline std::string UploadBody(const std::string& filename, const std::string& data) {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"myfile\"; filename=\"" + filename +
           "\"\r\nContent-Type: image/png\r\n\r\n" + data + "\r\n--" + kBoundary + "--";
}

inline httplib::Result Upload(httplib::Client& cli, const std::string& body) {
    return cli.Post("/uploadheadimg.php", body, ("multipart/form-data; boundary=" + kBoundary).c_str());
}

inline std::string TextBetween(const std::string& s, const std::string& prefix, const std::string& suffix) {
    const size_t a = s.find(prefix);
    if (a == std::string::npos) return {};
    const size_t b = s.find(suffix, a + prefix.size());
    if (b == std::string::npos) return {};
    return s.substr(a + prefix.size(), b - a - prefix.size());
}

inline std::string FetchToken(httplib::Client& cli) {
    auto res = cli.Get("/oauth/2.0/token?grant_type=client_credentials&client_id=" + kApiKey +
                       "&client_secret=" + kSecretKey + "&");
    return res ? TextBetween(res->body, "{\"access_token\":\"", "\",") : std::string();
}

inline httplib::Result Recognize(httplib::Client& cli, const std::string& token, const std::string& address) {
    return cli.Post("/rest/2.0/ocr/v1/general_basic?access_token=" + token, "url=" + address,
                    "application/x-www-form-urlencoded");
}

inline std::string PercentEncode(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

inline std::string TranslateBody(const std::string& q, const std::string& from, const std::string& to,
                                 const std::string& salt, const std::string& sign) {
    return "q=" + PercentEncode(q) + "&from=" + from + "&to=" + to + "&appid=" + kAppId + "&salt=" + salt +
           "&sign=" + sign;
}

inline std::string SignOf(const std::string& q, const std::string& salt) { return Md5Hex(kAppId + q + salt + kSignKey); }

}  // namespace ql::localsvc::testing
