// application/x-www-form-urlencoded fields (request bodies and query strings).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::localsvc {

struct FormField {
    std::string name;
    std::string value;
};

// "%XX" becomes the byte XX and "+" a space; a "%" not followed by two hex digits stays as it is.
std::string PercentDecode(std::string_view s);

// Fields separated by "&"; a field without "=" has an empty value; empty fields are skipped.
std::vector<FormField> ParseForm(std::string_view body);

// The first field of that name.
std::optional<std::string> FormValue(const std::vector<FormField>& fields, std::string_view name);

}  // namespace ql::localsvc
