#include "localservices/form.h"

namespace ql::localsvc {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string PercentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<FormField> ParseForm(std::string_view body) {
    std::vector<FormField> fields;
    size_t pos = 0;
    while (pos <= body.size()) {
        size_t amp = body.find('&', pos);
        if (amp == std::string_view::npos) amp = body.size();
        const std::string_view field = body.substr(pos, amp - pos);
        if (!field.empty()) {
            const size_t eq = field.find('=');
            if (eq == std::string_view::npos) {
                fields.push_back({PercentDecode(field), {}});
            } else {
                fields.push_back({PercentDecode(field.substr(0, eq)), PercentDecode(field.substr(eq + 1))});
            }
        }
        pos = amp + 1;
    }
    return fields;
}

std::optional<std::string> FormValue(const std::vector<FormField>& fields, std::string_view name) {
    for (const FormField& f : fields) {
        if (f.name == name) return f.value;
    }
    return std::nullopt;
}

}  // namespace ql::localsvc
