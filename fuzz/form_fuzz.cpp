// The local services' form parser: arbitrary bodies parse without running past their end, and fields
// written the way a client encodes them come back byte for byte.
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "localservices/form.h"

namespace lsv = ql::localsvc;

namespace {

std::string Encode(const std::string& s) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);

    // Anything at all: decoding never grows a text, and fields hold no separator they were cut at.
    FUZZ_CHECK(lsv::PercentDecode(raw).size() <= raw.size());
    const auto fields = lsv::ParseForm(raw);
    FUZZ_CHECK(fields.size() <= (raw.size() + 1) / 2);
    if (!fields.empty()) FUZZ_CHECK(lsv::FormValue(fields, fields[0].name) == fields[0].value);

    // Encoded fields survive the trip.
    qlfuzz::Input in(data, size);
    std::vector<lsv::FormField> sent;
    std::string body;
    while (!in.empty() && sent.size() < 8) {
        lsv::FormField f{in.Piece(), in.Piece()};
        if (f.name.empty()) continue;
        if (!body.empty()) body += '&';
        body += Encode(f.name) + "=" + Encode(f.value);
        sent.push_back(std::move(f));
    }
    const auto got = lsv::ParseForm(body);
    FUZZ_CHECK(got.size() == sent.size());
    for (size_t i = 0; i < got.size(); ++i) {
        FUZZ_CHECK(got[i].name == sent[i].name);
        FUZZ_CHECK(got[i].value == sent[i].value);
    }
    return 0;
}
