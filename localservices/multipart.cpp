#include "localservices/multipart.h"

#include <algorithm>
#include <cctype>

namespace ql::localsvc {

namespace {

constexpr size_t kMaxHeaderBlock = 8192;

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool IEquals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

struct Param {
    std::string name;
    std::string value;
};

// Splits `type; a=b; c="d e"` into the leading token and its parameters; quoted values may hold ";" and
// backslash escapes. Returns false on an unterminated quoted value.
bool SplitParams(std::string_view s, std::string& head, std::vector<Param>& params) {
    size_t i = s.find(';');
    head = std::string(Trim(s.substr(0, i)));
    while (i != std::string_view::npos && i < s.size()) {
        ++i;  // past ';'
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const size_t eq = s.find('=', i);
        const size_t semi = s.find(';', i);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            // A parameter without a value: skip it.
            i = semi;
            continue;
        }
        Param p;
        p.name = std::string(Trim(s.substr(i, eq - i)));
        std::transform(p.name.begin(), p.name.end(), p.name.begin(), Lower);
        i = eq + 1;
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        if (i < s.size() && s[i] == '"') {
            ++i;
            bool closed = false;
            while (i < s.size()) {
                if (s[i] == '\\' && i + 1 < s.size()) {
                    p.value += s[i + 1];
                    i += 2;
                } else if (s[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    p.value += s[i++];
                }
            }
            if (!closed) return false;
            i = s.find(';', i);
        } else {
            const size_t end = s.find(';', i);
            p.value = std::string(Trim(s.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i)));
            i = end;
        }
        params.push_back(std::move(p));
    }
    return true;
}

// After a delimiter: optional transport padding, then CR LF. Returns the position after it, or npos.
size_t SkipLineEnd(std::string_view body, size_t pos) {
    while (pos < body.size() && (body[pos] == ' ' || body[pos] == '\t')) ++pos;
    if (body.substr(pos, 2) != "\r\n") return std::string_view::npos;
    return pos + 2;
}

}  // namespace

std::optional<std::string> MultipartBoundary(std::string_view contentType) {
    std::string head;
    std::vector<Param> params;
    if (!SplitParams(contentType, head, params) || !IEquals(head, "multipart/form-data")) return std::nullopt;
    for (const Param& p : params) {
        if (p.name == "boundary") {
            if (p.value.empty() || p.value.size() > 200) return std::nullopt;
            return p.value;
        }
    }
    return std::nullopt;
}

MultipartResult ParseMultipart(std::string_view body, std::string_view boundary) {
    MultipartResult result;
    if (boundary.empty()) {
        result.error = "no boundary";
        return result;
    }
    const std::string delimiter = "--" + std::string(boundary);
    const std::string innerDelimiter = "\r\n" + delimiter;

    // The first delimiter opens the body or follows a preamble line.
    size_t pos;
    if (body.substr(0, delimiter.size()) == delimiter) {
        pos = delimiter.size();
    } else {
        const size_t at = body.find(innerDelimiter);
        if (at == std::string_view::npos) {
            result.error = "no opening boundary";
            return result;
        }
        pos = at + innerDelimiter.size();
    }

    for (;;) {
        if (body.substr(pos, 2) == "--") {
            result.ok = true;  // the closing delimiter; an epilogue after it is ignored
            return result;
        }
        pos = SkipLineEnd(body, pos);
        if (pos == std::string_view::npos) {
            result.error = "malformed boundary line";
            return result;
        }
        if (result.parts.size() >= kMaxMultipartParts) {
            result.error = "too many parts";
            return result;
        }

        // Header block: lines up to an empty line.
        MultipartPart part;
        bool sawDisposition = false;
        for (;;) {
            const size_t eol = body.find("\r\n", pos);
            if (eol == std::string_view::npos) {
                result.error = "truncated part headers";
                return result;
            }
            const std::string_view line = body.substr(pos, eol - pos);
            pos = eol + 2;
            if (line.empty()) break;
            if (line.size() > kMaxHeaderBlock) {
                result.error = "part header too long";
                return result;
            }
            const size_t colon = line.find(':');
            if (colon == std::string_view::npos) {
                result.error = "malformed part header";
                return result;
            }
            const std::string_view key = Trim(line.substr(0, colon));
            const std::string_view value = Trim(line.substr(colon + 1));
            if (IEquals(key, "Content-Disposition")) {
                std::string head;
                std::vector<Param> params;
                if (!SplitParams(value, head, params) || !IEquals(head, "form-data")) {
                    result.error = "malformed Content-Disposition";
                    return result;
                }
                sawDisposition = true;
                for (Param& p : params) {
                    if (p.name == "name") part.name = std::move(p.value);
                    else if (p.name == "filename") part.filename = std::move(p.value);
                }
            } else if (IEquals(key, "Content-Type")) {
                part.contentType = std::string(value);
            }
        }
        if (!sawDisposition) {
            result.error = "part without Content-Disposition";
            return result;
        }

        const size_t end = body.find(innerDelimiter, pos);
        if (end == std::string_view::npos) {
            result.error = "truncated part data";
            return result;
        }
        part.data = body.substr(pos, end - pos);
        result.parts.push_back(std::move(part));
        pos = end + innerDelimiter.size();
    }
}

}  // namespace ql::localsvc
