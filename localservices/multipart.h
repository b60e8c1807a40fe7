// multipart/form-data bodies, parsed from the raw request bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::localsvc {

struct MultipartPart {
    std::string name;                     // the Content-Disposition name
    std::optional<std::string> filename;  // absent when the part carries no filename parameter
    std::string contentType;              // empty when the part has no Content-Type
    std::string_view data;                // points into the parsed body
};

struct MultipartResult {
    bool ok = false;
    std::string error;  // why the body was refused, when !ok
    std::vector<MultipartPart> parts;
};

// The boundary parameter of a "multipart/form-data; boundary=..." Content-Type value; nullopt when the
// type is another one or the boundary is missing or longer than 200 characters.
std::optional<std::string> MultipartBoundary(std::string_view contentType);

// Parses the whole body. A body without its closing delimiter (truncated) is refused, as is a part whose
// header block is malformed; at most kMaxParts parts are taken.
inline constexpr size_t kMaxMultipartParts = 64;
MultipartResult ParseMultipart(std::string_view body, std::string_view boundary);

}  // namespace ql::localsvc
