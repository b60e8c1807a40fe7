#include "services/requests.h"

#include <openssl/evp.h>

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "app/app_state.h"
#include "services/config.h"
#include "web/charset.h"
#include "web/http_bytes.h"
#include "web/http_text.h"

namespace ql {
namespace {

Text Decimal(int64_t n) { return Text(std::to_string(n)); }

}  // namespace

std::vector<Text> AllTextsBetween(const Text& text, const Text& prefix, const Text& suffix) {
    std::vector<Text> list;
    int position = 1;
    for (;;) {
        const int p = SearchText(text, prefix, position, true);
        if (p < 0) break;
        const int v = p + prefix.size();
        const int s = SearchText(text, suffix, v, true);
        if (s < 0) break;
        const Text item = TrimSpaces(TakeMiddle(text, v, s - v));
        if (!item.empty()) {
            list.push_back(item);
            position = s;
        } else {
            position = v;
        }
    }
    return list;
}

// --- access token ---

Text AccessTokenUrl() {
    return OcrServiceBase() + "/oauth/2.0/token?grant_type=client_credentials&client_id=" + OcrApiKey() +
           "&client_secret=" + OcrSecretKey() + "&";
}

Text FetchAccessToken() {
    const Text answer = HttpRequestText(AccessTokenUrl());
    return TextBetween(answer, kAccessTokenPrefix, kAccessTokenSuffix);
}

// --- upload ---

Bytes BuildUploadBody(int32_t uploadId, const Bytes& fileBytes) {
    const Text head = ReplaceText(kUploadPartHead, "6", Decimal(uploadId));
    return TextToBytes(head) + fileBytes + TextToBytes(kUploadClosing);
}

Bytes ReadImageFile(const Text& imagePath) {
    if (imagePath.empty()) return Bytes();
    // Paths travel as GBK texts; the file system names files in UTF-8. A name that is not valid GBK
    // came through unchanged, so its own bytes are tried as well.
    for (const std::string& name : {GbkToUtf8Bytes(imagePath.str()), imagePath.str()}) {
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        std::string data;
        char buf[65536];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) != 0) {
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) break;
            data.append(buf, static_cast<size_t>(n));
        }
        ::close(fd);
        if (n < 0) return Bytes();  // a folder, or a read error: no bytes at all
        return Bytes(std::move(data));
    }
    return Bytes();
}

void UploadImage(int32_t uploadId, const Text& imagePath) {
    const Bytes body = BuildUploadBody(uploadId, ReadImageFile(imagePath));
    Text extraHeaders = kUploadExtraHeader;  // the routine completes it with its default lines
    HttpBytesRequest r;
    r.method = 1;
    r.extraHeaders = &extraHeaders;
    r.noRedirect = true;
    r.postBytes = body;
    (void)HttpRequestBytes(ImageHostBase() + "/uploadheadimg.php", r);
}

Text HostedImageAddress(int32_t uploadId) { return ImageHostBase() + "/photo/" + Decimal(uploadId) + ".png"; }

// --- OCR ---

Text OcrUrl(const Text& accessToken) {
    return OcrServiceBase() + "/rest/2.0/ocr/v1/general_basic?access_token=" + accessToken;
}

Text RequestOcr(const Text& accessToken, const Text& imageAddress) {
    return Utf8ToGbk(HttpRequestText(OcrUrl(accessToken), 1, "url=" + imageAddress));
}

std::vector<Text> ParseOcrWords(const Text& answer) { return AllTextsBetween(answer, kOcrWordsPrefix, kOcrWordsSuffix); }

Text FormatOcrText(const Text& line) { return ReplaceText(line, "。"_gbk, "。\r\n    "_gbk); }

// --- translation ---

Text FormEncodeUtf8(const Text& gbk) {
    static const char hex[] = "0123456789ABCDEF";
    const std::string utf8 = GbkToUtf8Bytes(gbk.str());
    std::string out;
    out.reserve(utf8.size() * 3);
    for (unsigned char c : utf8) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return Text(out);
}

Text TranslateSign(const Text& source, const Text& salt) {
    const std::string signedText = GbkToUtf8Bytes((TranslateAppId() + source + salt + TranslateSignKey()).str());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(signedText.data(), signedText.size(), digest, &len, EVP_md5(), nullptr) != 1) return Text();
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return Text(out);
}

Text BuildTranslateBodyWithSalt(TranslateDirection dir, const Text& source, const Text& salt) {
    const Text fields = dir == ZhToEn ? Text("&from=zh&to=en&appid=") : Text("&from=en&to=zh&appid=");
    // q travels form-encoded in UTF-8, the form the sign is computed over, so that "&", "=", "+",
    // "%" and Chinese text reach the service as they were written.
    return "q=" + FormEncodeUtf8(source) + fields + TranslateAppId() + "&salt=" + salt +
           "&sign=" + TranslateSign(source, salt);
}

Text BuildTranslateBody(TranslateDirection dir, const Text& source) {
    return BuildTranslateBodyWithSalt(dir, source, Decimal(RandomInRange(50000, 100000)));
}

Text TranslateUrl() { return TranslateServiceBase() + "/api/trans/vip/translate"; }

Text RequestTranslation(const Text& body) {
    return HttpRequestText(TranslateUrl(), 1, body);
}

std::vector<Text> ParseTranslation(const Text& answer) {
    return AllTextsBetween(answer, kTranslationPrefix, kTranslationSuffix);
}

Text FormatTranslatedSegment(TranslateDirection dir, const Text& segment) {
    if (dir == ZhToEn) return ReplaceText(ReplaceText(segment, "\\"), ".", ".\r\n");
    return DecodeUnicodeEscapes(ReplaceText(segment, ".", "。\r\n"_gbk));
}

}  // namespace ql
