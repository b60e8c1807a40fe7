// Readable test failures: texts and bytes are shown as escaped strings.
#pragma once

#include <ostream>

#include "web/text.h"

namespace ql {

inline void PrintEscaped(const std::string& s, std::ostream* os) {
    static const char* kHex = "0123456789ABCDEF";
    *os << '"';
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            *os << static_cast<char>(c);
        else
            *os << "\\x" << kHex[c >> 4] << kHex[c & 15];
    }
    *os << '"';
}
inline void PrintTo(const Text& t, std::ostream* os) { PrintEscaped(t.str(), os); }
inline void PrintTo(const Bytes& b, std::ostream* os) { PrintEscaped(b.data(), os); }

}  // namespace ql
