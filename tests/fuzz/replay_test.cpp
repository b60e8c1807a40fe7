// Replays the stored inputs of one fuzz target (its seed corpus and the inputs of faults found and
// fixed) through the target's harness in the ordinary build; a failed check aborts the test.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(FuzzReplay, StoredInputsPassTheHarness) {
    namespace fs = std::filesystem;
    int replayed = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path dir = fs::path(QINGLAN_SOURCE_DIR) / "fuzz" / kind / QINGLAN_FUZZ_TARGET;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream f(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
            SCOPED_TRACE(entry.path().string());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0) << "no stored inputs for " << QINGLAN_FUZZ_TARGET;
}
