// The cookie and header rules on arbitrary header lines and cookie texts: results are pieces of
// their inputs, repeats and deleted pairs are gone, and nothing runs past a text's end.
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "web/cookies.h"

using ql::Text;

namespace {

bool NoZero(const Text& t) { return t.str().find('\0') == std::string::npos; }
bool Contains(const Text& hay, const Text& needle) { return hay.str().find(needle.str()) != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qlfuzz::Input in(data, size);
    const Text sent(in.Piece());
    const Text received(in.Piece());
    const Text separator(in.Piece());
    std::vector<Text> lines;
    while (!in.empty() && lines.size() < 16) lines.emplace_back(in.Piece());

    for (const Text& line : lines) {
        const Text name = ql::HeaderName(line);
        const Text value = ql::HeaderValue(line);
        FUZZ_CHECK(Contains(line, name) && Contains(line, value));
        if (line.str().find(':') == std::string::npos) FUZZ_CHECK(name.empty() && value.empty());
        FUZZ_CHECK(Contains(line, ql::CookieName(line)));
    }

    const Text collected = ql::CollectSetCookies(lines, sent);
    FUZZ_CHECK(NoZero(collected));
    size_t bound = sent.str().size() + 2;
    for (const Text& line : lines) bound += line.str().size() + 2;
    FUZZ_CHECK(collected.str().size() <= bound);

    const Text merged = ql::MergeCookies(sent, received);
    FUZZ_CHECK(NoZero(merged));
    FUZZ_CHECK(merged.str().size() <= 3 * (sent.str().size() + received.str().size()) + 2);
    const std::vector<Text> pairs = ql::SplitByText(merged, "; ");
    for (size_t i = 0; i < pairs.size(); ++i) {
        FUZZ_CHECK(ql::TakeRight(pairs[i], 8) != Text("=deleted"));
        for (size_t j = 0; j < i; ++j) FUZZ_CHECK(pairs[i] != pairs[j]);
    }

    const Text distinct = ql::JoinDistinct(received, "; ");
    const std::vector<Text> pieces = ql::SplitByText(distinct, "; ");
    for (size_t i = 0; i < pieces.size(); ++i)
        for (size_t j = 0; j < i; ++j) FUZZ_CHECK(pieces[i].empty() || pieces[i] != pieces[j]);
    FUZZ_CHECK(NoZero(ql::JoinDistinct(received, separator)));
    FUZZ_CHECK(ql::JoinDistinct(received, separator).str().size() <= received.str().size());
    return 0;
}
