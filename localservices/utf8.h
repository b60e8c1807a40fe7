// UTF-8 helpers of the local services: decoding, validation, CJK classes, GBK fallback.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::localsvc {

// Code points of a UTF-8 string; every invalid or truncated sequence becomes U+FFFD.
std::vector<char32_t> DecodeUtf8(std::string_view s);
bool IsValidUtf8(std::string_view s);
void AppendUtf8(std::string& out, char32_t cp);
std::string EncodeUtf8(const std::vector<char32_t>& cps);

// Han characters, CJK punctuation and full-width forms: the characters written without spaces between them.
bool IsCjk(char32_t cp);

// Removes the spaces that OCR puts between two CJK characters; trims the line.
std::string JoinCjkSpaces(std::string_view line);

// GBK (code page 936) to UTF-8; nullopt when the bytes are not GBK.
std::optional<std::string> GbkToUtf8(std::string_view gbk);

}  // namespace ql::localsvc
