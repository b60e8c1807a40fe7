// The requests sent to the OCR, image-hosting and translation services, and the cutting of values out
// of their answers. Answers are never parsed as JSON: values are cut out between fixed markers.
// No state; every function may run on any thread and blocks it for the length of its request.
#pragma once

#include <cstdint>
#include <vector>

#include "web/text.h"

namespace ql {

enum TranslateDirection { ZhToEn, EnToZh };

// Fixed texts of the multipart upload (\r\n = CR LF).
inline constexpr const char kUploadPartHead[] =
    "------WebKitFormBoundary4C4GSVIylEQB11fE\r\n"
    "Content-Disposition: form-data; name=\"myfile\"; filename=\"6\"\r\n"
    "Content-Type: image/png\r\n"
    "\r\n";
inline constexpr const char kUploadClosing[] = "\r\n------WebKitFormBoundary4C4GSVIylEQB11fE--";
inline constexpr const char kUploadExtraHeader[] =
    "Content-Type: multipart/form-data; boundary=----WebKitFormBoundary4C4GSVIylEQB11fE";

// Markers around the values in the services' answers.
inline constexpr const char kAccessTokenPrefix[] = "{\"access_token\":\"";
inline constexpr const char kAccessTokenSuffix[] = "\",";
inline constexpr const char kOcrWordsPrefix[] = "{\"words\": \"";
inline constexpr const char kOcrWordsSuffix[] = "\"}";
inline constexpr const char kTranslationPrefix[] = "dst\":\"";
inline constexpr const char kTranslationSuffix[] = "\"}";

// Every trimmed, non-empty text between prefix and suffix (ASCII case ignored), in order.
std::vector<Text> AllTextsBetween(const Text& text, const Text& prefix, const Text& suffix);

// --- OCR service: access token ---
Text AccessTokenUrl();   // OcrServiceBase + "/oauth/2.0/token?grant_type=...&client_secret=...&"
Text FetchAccessToken();  // GET; the token cut out of the answer, empty on any failure

// --- Image-hosting service ---
// Part head (file name = decimal id) + file bytes + closing text.
Bytes BuildUploadBody(int32_t uploadId, const Bytes& fileBytes);
// The whole file at imagePath (a GBK path, opened by its file-system name); empty when unreadable.
Bytes ReadImageFile(const Text& imagePath);
// Uploads the file under the id (POST, multipart, no redirects); the answer is not examined.
void UploadImage(int32_t uploadId, const Text& imagePath);
// ImageHostBase + "/photo/" + id + ".png", from the id alone.
Text HostedImageAddress(int32_t uploadId);

// --- OCR service: recognition ---
Text OcrUrl(const Text& accessToken);  // OcrServiceBase + "/rest/2.0/ocr/v1/general_basic?access_token=" + token
// POST "url=" + address; the UTF-8 answer converted to GBK.
Text RequestOcr(const Text& accessToken, const Text& imageAddress);
std::vector<Text> ParseOcrWords(const Text& answer);  // the recognised lines
Text FormatOcrText(const Text& line);                  // every "。" followed by CR LF and four spaces

// --- Translation service ---
// The application/x-www-form-urlencoded form of a GBK text's UTF-8 bytes (all but A-Z a-z 0-9 - . _ ~
// percent-encoded).
Text FormEncodeUtf8(const Text& gbk);
// Lowercase MD5 hex of appid + source + salt + key in UTF-8.
Text TranslateSign(const Text& source, const Text& salt);
// q, from, to, appid, salt, sign; salt from RandomInRange(50000, 100000); q percent-encoded UTF-8.
Text BuildTranslateBody(TranslateDirection dir, const Text& source);
// The same with a given salt (tests).
Text BuildTranslateBodyWithSalt(TranslateDirection dir, const Text& source, const Text& salt);
Text TranslateUrl();                          // TranslateServiceBase + "/api/trans/vip/translate"
Text RequestTranslation(const Text& body);    // POST; the answer as returned
std::vector<Text> ParseTranslation(const Text& answer);  // the translated segments
// zh->en: backslashes removed, "." -> ".\r\n"; en->zh: "." -> "。\r\n", then \u escapes decoded.
Text FormatTranslatedSegment(TranslateDirection dir, const Text& segment);

}  // namespace ql
