// Splits one fuzzer input into the parameters of a call: small integers, flags and texts.
// The same harness runs under libFuzzer and, on stored inputs, inside the ordinary test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(cond)                                                                   \
    do {                                                                                   \
        if (!(cond)) {                                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);  \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

namespace qlfuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : d_(reinterpret_cast<const char*>(data), size) {}

    uint8_t Byte() {
        if (d_.empty()) return 0;
        const auto b = static_cast<uint8_t>(d_[0]);
        d_.remove_prefix(1);
        return b;
    }
    bool Flag() { return Byte() & 1u; }
    // A small signed number around the sizes of the texts, so positions before, inside and after hit.
    int Small() { return static_cast<int>(static_cast<int8_t>(Byte())); }
    // The bytes up to the next zero byte (a text never holds one), or the rest.
    std::string Piece() {
        const size_t z = d_.find('\0');
        std::string out(d_.substr(0, z));
        d_.remove_prefix(z == std::string_view::npos ? d_.size() : z + 1);
        return out;
    }
    std::string Rest() {
        std::string out(d_);
        d_ = {};
        return out;
    }
    bool empty() const { return d_.empty(); }

private:
    std::string_view d_;
};

}  // namespace qlfuzz
