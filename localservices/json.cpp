#include "localservices/json.h"

#include <cstdio>

#include "localservices/utf8.h"

namespace ql::localsvc {

namespace {

void AppendU16(std::string& out, unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", v & 0xFFFFu);
    out += buf;
}

}  // namespace

std::string JsonString(std::string_view utf8, bool asciiOnly) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (char32_t cp : DecodeUtf8(utf8)) {
        switch (cp) {
            case U'"': out += "\\\""; continue;
            case U'\\': out += "\\\\"; continue;
            case U'\b': out += "\\b"; continue;
            case U'\f': out += "\\f"; continue;
            case U'\n': out += "\\n"; continue;
            case U'\r': out += "\\r"; continue;
            case U'\t': out += "\\t"; continue;
            default: break;
        }
        if (cp < 0x20 || cp == 0x7F) {
            AppendU16(out, cp);
        } else if (cp < 0x80 || !asciiOnly) {
            AppendUtf8(out, cp);
        } else if (cp < 0x10000) {
            AppendU16(out, cp);
        } else {
            const char32_t v = cp - 0x10000;
            AppendU16(out, 0xD800 + (v >> 10));
            AppendU16(out, 0xDC00 + (v & 0x3FF));
        }
    }
    out += '"';
    return out;
}

}  // namespace ql::localsvc
