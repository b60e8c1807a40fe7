// JSON string literals for the services' answers.
#pragma once

#include <string>
#include <string_view>

namespace ql::localsvc {

// A quoted JSON string. Quotes, backslashes and control characters are escaped. With asciiOnly every
// non-ASCII character is written as \uXXXX (a surrogate pair above U+FFFF), as the translation service
// answers; otherwise UTF-8 stays raw, as the OCR service answers. Invalid UTF-8 becomes U+FFFD.
std::string JsonString(std::string_view utf8, bool asciiOnly);

}  // namespace ql::localsvc
