// Escape decoding and charset conversion on arbitrary texts and bytes: never a zero byte in a text,
// plain texts pass through (the line-break placeholder "{$}" excepted, it comes back as CR LF), and every known character set gives a result.
#include <string>

#include "fuzz/fuzz_input.h"
#include "web/charset.h"

using ql::Text;

namespace {

bool NoZero(const Text& t) { return t.str().find('\0') == std::string::npos; }

bool Plain(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c >= 0x7F || c == '\\' || c == '%' || c == '\'' || c == '{') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qlfuzz::Input in(data, size);
    static const char* const kNames[] = {"utf-8", "GBK", "gb2312", "big5", "unicode", "UTF-16BE",
                                         "iso-8859-1", "shift_jis", "no-such-charset", ""};
    const char* name = kNames[in.Byte() % (sizeof kNames / sizeof kNames[0])];
    const Text text(in.Piece());

    const Text decoded = ql::DecodeUnicodeEscapes(text);
    FUZZ_CHECK(NoZero(decoded));
    if (Plain(text.str())) FUZZ_CHECK(decoded == text);

    const std::string rest = in.Rest();
    const auto converted = ql::DecodeCharset(ql::Bytes(rest), Text(name));
    const std::string n(name);
    if (n == "no-such-charset" || n.empty())
        FUZZ_CHECK(!converted);
    else
        FUZZ_CHECK(converted && NoZero(*converted));
    return 0;
}
