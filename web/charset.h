// Character-set conversion of page bodies and decoding of \uXXXX escapes.
#pragma once

#include <optional>

#include "web/text.h"

namespace ql {

// Bytes in the named character set ("utf-8", "big5", ...; "unicode" is UTF-16LE) as a GBK text; characters
// without a GBK form are replaced. No result for a name the converter does not know.
std::optional<Text> DecodeCharset(const Bytes& bytes, const Text& charsetName);

// Turns "\u4f60"-style escapes (and the other escapes of a single-quoted script string, and %XX / %uXXXX)
// into the characters they stand for; CR LF and apostrophes survive unchanged.
Text DecodeUnicodeEscapes(const Text& text);

}  // namespace ql
