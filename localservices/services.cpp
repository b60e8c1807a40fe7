#include "localservices/services.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "localservices/dictionary.h"
#include "localservices/form.h"
#include "localservices/json.h"
#include "localservices/multipart.h"
#include "localservices/utf8.h"

namespace ql::localsvc {

namespace {

constexpr size_t kMaxTokens = 4096;
constexpr size_t kMaxQueryBytes = 65536;

std::string RandomHex(size_t digits) {
    static thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char* hex = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < digits; ++i) s += hex[gen() & 15];
    return s;
}

Reply Json(int status, std::string body) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

// The OCR service's error object, written like its answers: ", " and ": " separators.
Reply OcrError(int code, std::string_view message) {
    return Json(200, "{\"error_code\": " + std::to_string(code) + ", \"error_msg\": " + JsonString(message, false) + "}");
}

// The translation service's error object: compact, the code as a string.
Reply TranslateError(std::string_view code, std::string_view message) {
    return Json(200, "{\"error_code\":\"" + std::string(code) + "\",\"error_msg\":" + JsonString(message, true) + "}");
}

Reply UploadError(int status, std::string_view message) {
    return Json(status, "{\"code\":" + std::to_string(status) + ",\"msg\":" + JsonString(message, true) + "}");
}

std::string ReadFile(const std::filesystem::path& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    if (!ok) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    ok = !in.bad();
    return ss.str();
}

std::string SniffType(std::string_view data) {
    if (data.substr(0, 8) == "\x89PNG\r\n\x1a\n") return "image/png";
    if (data.substr(0, 2) == "BM") return "image/bmp";
    if (data.substr(0, 3) == "\xff\xd8\xff") return "image/jpeg";
    if (data.substr(0, 4) == "GIF8") return "image/gif";
    return "application/octet-stream";
}

bool ContainsHan(std::string_view utf8) {
    for (char32_t c : DecodeUtf8(utf8)) {
        if ((c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF)) return true;
    }
    return false;
}

// The photo id inside an address of the form [scheme://host]/photo/<digits>.png; empty otherwise.
std::string PhotoIdOfAddress(std::string_view address) {
    std::string_view rest = address;
    if (const size_t scheme = rest.find("://"); scheme != std::string_view::npos) {
        rest.remove_prefix(scheme + 3);
        const size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return {};
        rest.remove_prefix(slash);
    }
    constexpr std::string_view prefix = "/photo/", suffix = ".png";
    if (rest.size() <= prefix.size() + suffix.size() || rest.substr(0, prefix.size()) != prefix ||
        rest.substr(rest.size() - suffix.size()) != suffix) {
        return {};
    }
    const std::string_view id = rest.substr(prefix.size(), rest.size() - prefix.size() - suffix.size());
    return IsPhotoId(id) ? std::string(id) : std::string();
}

}  // namespace

ServiceKeys ServiceKeys::FromEnvironment() {
    ServiceKeys k;
    const auto take = [](const char* name, std::string& field) {
        const char* v = std::getenv(name);
        if (v && *v) field = v;
    };
    take("QINGLAN_OCR_API_KEY", k.ocrApiKey);
    take("QINGLAN_OCR_SECRET_KEY", k.ocrSecretKey);
    take("QINGLAN_TRANSLATE_APP_ID", k.translateAppId);
    take("QINGLAN_TRANSLATE_SIGN_KEY", k.translateSignKey);
    return k;
}

bool IsPhotoId(std::string_view s) {
    if (s.empty() || s.size() > 18) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &len, EVP_md5(), nullptr) != 1) return {};
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

LocalServices::LocalServices(ServiceConfig config) : config_(std::move(config)), ocr_(config_.ocr) {}

std::string LocalServices::IssueToken() {
    // Shaped like the real service's tokens; it never holds a quote or a comma.
    std::string token = "24." + RandomHex(32) + ".2592000." + std::to_string(std::time(nullptr)) + "." +
                        std::to_string(100000 + std::random_device{}() % 900000) + "-qinglan";
    std::lock_guard lock(tokensMutex_);
    if (tokens_.insert(token).second) tokenOrder_.push_back(token);
    while (tokenOrder_.size() > kMaxTokens) {
        tokens_.erase(tokenOrder_.front());
        tokenOrder_.pop_front();
    }
    return token;
}

bool LocalServices::TokenValid(const std::string& token) {
    std::lock_guard lock(tokensMutex_);
    return tokens_.count(token) != 0;
}

Reply LocalServices::Token(std::string_view query) {
    const std::vector<FormField> fields = ParseForm(query);
    const std::string grant = FormValue(fields, "grant_type").value_or("");
    const std::string id = FormValue(fields, "client_id").value_or("");
    const std::string secret = FormValue(fields, "client_secret").value_or("");
    if (grant != "client_credentials") {
        return Json(400, R"({"error":"unsupported_grant_type","error_description":"The authorization grant type is not supported"})");
    }
    if (id != config_.keys.ocrApiKey) {
        return Json(401, R"({"error":"invalid_client","error_description":"unknown client id"})");
    }
    if (secret != config_.keys.ocrSecretKey) {
        return Json(401, R"({"error":"invalid_client","error_description":"Client authentication failed"})");
    }
    const std::string token = IssueToken();
    return Json(200, "{\"access_token\":\"" + token +
                         "\",\"expires_in\":2592000,\"scope\":\"public brain_all_scope\",\"session_key\":\"" +
                         RandomHex(32) + "\",\"session_secret\":\"" + RandomHex(32) + "\"}");
}

Reply LocalServices::Upload(std::string_view contentType, std::string_view body) {
    const std::optional<std::string> boundary = MultipartBoundary(contentType);
    if (!boundary) return UploadError(400, "expected multipart/form-data with a boundary");
    const MultipartResult parsed = ParseMultipart(body, *boundary);
    if (!parsed.ok) return UploadError(400, "malformed multipart body: " + parsed.error);
    const MultipartPart* file = nullptr;
    for (const MultipartPart& p : parsed.parts) {
        if (p.name == "myfile" && p.filename) {
            file = &p;
            break;
        }
    }
    if (!file) return UploadError(400, "no file in the field myfile");
    if (!IsPhotoId(*file->filename)) return UploadError(400, "the file name must be 1 to 18 decimal digits");

    // Written under a temporary name and renamed, so that a reader sees the old picture or the new one.
    std::string temp = (config_.store / ".upload-XXXXXX").string();
    const int fd = mkstemp(temp.data());
    if (fd < 0) return UploadError(500, "the store cannot be written");
    bool ok = true;
    for (size_t done = 0; done < file->data.size();) {
        const ssize_t n = write(fd, file->data.data() + done, file->data.size() - done);
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ok = close(fd) == 0 && ok;
    const std::filesystem::path target = config_.store / (*file->filename + ".png");
    if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return UploadError(500, "the store cannot be written");
    }
    return Json(200, "{\"code\":0,\"msg\":\"ok\",\"url\":\"/photo/" + *file->filename + ".png\",\"size\":" +
                         std::to_string(file->data.size()) + "}");
}

Reply LocalServices::Photo(std::string_view id) {
    if (!IsPhotoId(id)) return UploadError(404, "no such photo");
    bool ok = false;
    std::string data = ReadFile(config_.store / (std::string(id) + ".png"), ok);
    if (!ok) return UploadError(404, "no such photo");
    Reply r;
    r.contentType = SniffType(data);
    r.body = std::move(data);
    return r;
}

Reply LocalServices::Ocr(std::string_view query, std::string_view body) {
    const std::string token = FormValue(ParseForm(query), "access_token").value_or("");
    if (token.empty() || !TokenValid(token)) return OcrError(110, "Access token invalid or no longer valid");
    const std::string address = FormValue(ParseForm(body), "url").value_or("");
    if (address.empty()) return OcrError(216101, "param url not exist");
    const std::string id = PhotoIdOfAddress(address);
    if (id.empty()) return OcrError(282111, "url format illegal: only this server's /photo/<digits>.png pictures are read");
    bool ok = false;
    const std::string picture = ReadFile(config_.store / (id + ".png"), ok);
    if (!ok) return OcrError(282112, "image not found in the photo store");

    const OcrOutcome outcome = ocr_.Recognize(picture);
    if (outcome.status == OcrOutcome::Status::BadPicture) return OcrError(216201, "image format error: " + outcome.error);
    if (outcome.status == OcrOutcome::Status::EngineFailed) return OcrError(282000, "internal error: " + outcome.error);

    std::string out = "{\"log_id\": " + std::to_string(logId_.fetch_add(1)) +
                      ", \"words_result_num\": " + std::to_string(outcome.lines.size()) + ", \"words_result\": [";
    for (size_t i = 0; i < outcome.lines.size(); ++i) {
        if (i) out += ", ";
        out += "{\"words\": " + JsonString(outcome.lines[i], false) + "}";
    }
    out += "]}";
    return Json(200, std::move(out));
}

Reply LocalServices::Translate(std::string_view query, std::string_view body) {
    std::vector<FormField> fields = ParseForm(body);
    for (FormField& f : ParseForm(query)) fields.push_back(std::move(f));
    const std::optional<std::string> q = FormValue(fields, "q"), from = FormValue(fields, "from"),
                                     to = FormValue(fields, "to"), appid = FormValue(fields, "appid"),
                                     salt = FormValue(fields, "salt"), sign = FormValue(fields, "sign");
    if (!q || q->empty() || !from || from->empty() || !to || to->empty() || !appid || !salt || !sign) {
        return TranslateError("54000", "PARAM_FROM_TO_OR_Q_EMPTY");
    }
    if (*appid != config_.keys.translateAppId) return TranslateError("52003", "UNAUTHORIZED USER");
    // The dictionary walk is cheap, but not for megabytes; the real service takes far less than this.
    if (q->size() > kMaxQueryBytes) return TranslateError("54005", "q longer than 65536 bytes");

    // q is UTF-8; a client that sends its GBK bytes unencoded is understood too, its sign being over
    // the UTF-8 form of the same text.
    std::string text = *q;
    if (!IsValidUtf8(text)) {
        const std::optional<std::string> converted = GbkToUtf8(text);
        if (!converted) return TranslateError("54001", "Invalid Sign");
        text = *converted;
    }
    std::string given = *sign;
    for (char& c : given) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (given != Md5Hex(*appid + text + *salt + config_.keys.translateSignKey)) {
        return TranslateError("54001", "Invalid Sign");
    }

    std::string source = *from;
    if (source == "auto") source = ContainsHan(text) ? "zh" : "en";
    if (source != "zh" && source != "en") return TranslateError("58001", "INVALID_TO_PARAM");
    if (*to != "zh" && *to != "en") return TranslateError("58001", "INVALID_TO_PARAM");

    const Dictionary& dict = Dictionary::Builtin();
    std::string out = "{\"from\":\"" + source + "\",\"to\":\"" + *to + "\",\"trans_result\":[";
    bool first = true;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string segment = text.substr(pos, nl - pos);
        pos = nl + 1;
        while (!segment.empty() && (segment.back() == '\r' || segment.back() == ' ' || segment.back() == '\t')) segment.pop_back();
        size_t lead = 0;
        while (lead < segment.size() && (segment[lead] == ' ' || segment[lead] == '\t')) ++lead;
        segment.erase(0, lead);
        if (segment.empty()) continue;
        std::string dst = segment;
        if (source == "zh" && *to == "en") dst = dict.ZhToEn(segment);
        else if (source == "en" && *to == "zh") dst = dict.EnToZh(segment);
        if (!first) out += ',';
        first = false;
        out += "{\"src\":" + JsonString(segment, true) + ",\"dst\":" + JsonString(dst, true) + "}";
    }
    out += "]}";
    return Json(200, std::move(out));
}

}  // namespace ql::localsvc
