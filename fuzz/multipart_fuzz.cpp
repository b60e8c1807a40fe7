// The local services' multipart parser: arbitrary bodies and content types parse without reading
// outside the body, and a body laid out the way the program's upload lays it out comes back whole.
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "localservices/multipart.h"

namespace lsv = ql::localsvc;

namespace {

bool Inside(std::string_view whole, std::string_view part) {
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

bool Token(const std::string& s) {
    if (s.empty() || s.size() > 70) return false;
    for (unsigned char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qlfuzz::Input in(data, size);
    const std::string contentType = in.Piece();
    const std::string boundary = in.Piece();
    const std::string name = in.Piece();
    const std::string filename = in.Piece();
    const std::string payload = in.Rest();

    const auto b = lsv::MultipartBoundary(contentType);
    if (b) FUZZ_CHECK(!b->empty() && b->size() <= 200);

    // The rest of the input as a body of its own, with the fuzzed boundary.
    const auto any = lsv::ParseMultipart(payload, boundary);
    FUZZ_CHECK(any.parts.size() <= lsv::kMaxMultipartParts);
    if (!any.ok) FUZZ_CHECK(!any.error.empty());
    for (const auto& p : any.parts) FUZZ_CHECK(Inside(payload, p.data));

    // A well-formed body of one file part, as the upload builds it.
    if (!Token(boundary) || !Token(name) || !Token(filename)) return 0;
    const std::string delimiter = "--" + boundary;
    if (payload.find(delimiter) != std::string::npos) return 0;  // the payload may not hold the delimiter
    const std::string type = "multipart/form-data; boundary=" + boundary;
    const auto parsedBoundary = lsv::MultipartBoundary(type);
    FUZZ_CHECK(parsedBoundary && *parsedBoundary == boundary);
    const std::string body = delimiter + "\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" +
                             filename + "\"\r\nContent-Type: image/png\r\n\r\n" + payload + "\r\n" + delimiter +
                             "--\r\n";
    const auto r = lsv::ParseMultipart(body, boundary);
    FUZZ_CHECK(r.ok);
    FUZZ_CHECK(r.parts.size() == 1);
    FUZZ_CHECK(r.parts[0].name == name);
    FUZZ_CHECK(r.parts[0].filename && *r.parts[0].filename == filename);
    FUZZ_CHECK(r.parts[0].contentType == "image/png");
    FUZZ_CHECK(r.parts[0].data == payload);
    FUZZ_CHECK(Inside(body, r.parts[0].data));

    // The same body cut short anywhere before its closing delimiter is refused.
    const size_t cut = payload.size() % body.size();
    if (cut < body.size() - 4) FUZZ_CHECK(!lsv::ParseMultipart(std::string_view(body).substr(0, cut), boundary).ok);
    return 0;
}
