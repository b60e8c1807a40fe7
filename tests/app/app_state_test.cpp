// Application state, random ids, the exit routine and the controls pointer.
#include "app/app_state.h"
#include "app/exit_cleanup.h"
#include "app/random.h"
#include "services/main_controls.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

using namespace ql;

TEST(AppState, StartsEmptyAndClearsBackToEmpty) {
    AppState s;
    EXPECT_EQ(s.UploadId.get(), 0);
    EXPECT_TRUE(s.AccessToken.get().empty());
    EXPECT_EQ(s.GdiplusToken.get(), 0u);
    s.UploadId.set(20001);
    s.AccessToken.set("tok");
    s.ImageUrl.set("http://127.0.0.1/photo/20001.png");
    s.GdiplusToken.set(1);
    s.Clear();
    EXPECT_EQ(s.UploadId.get(), 0);
    EXPECT_TRUE(s.AccessToken.get().empty());
    EXPECT_TRUE(s.ImageUrl.get().empty());
    EXPECT_EQ(s.GdiplusToken.get(), 0u);
    EXPECT_EQ(&App(), &App());
}

TEST(AppState, WholeWritesFromSeveralThreads) {
    // Each read sees one of the written values whole, never a mix.
    const Text a(std::string(1000, 'a'));
    const Text b(std::string(10, 'b'));
    std::atomic<bool> torn{false};
    std::vector<std::thread> threads;
    for (int k = 0; k < 4; ++k) {
        threads.emplace_back([&, k] {
            for (int i = 0; i < 2000; ++i) {
                App().OcrAnswer.set(k % 2 ? a : b);
                const Text got = App().OcrAnswer.get();
                if (got != a && got != b) torn = true;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_FALSE(torn);
}

TEST(RunDirectory, NoTrailingSlash) {
    const std::string before = RunDirectory();
    SetRunDirectory("/tmp/x/");
    EXPECT_EQ(RunDirectory(), "/tmp/x");
    SetRunDirectory("/");
    EXPECT_EQ(RunDirectory(), "/");
    SetRunDirectory(before);
    const std::string exe = ExecutableDirectory();
    EXPECT_TRUE(std::filesystem::exists(exe + "/app_state_test")) << exe;
}

TEST(Random, TheCLibraryGeneratorSequence) {
    // srand(1); rand() gives 41, 18467, 6334, 26500 with this generator.
    uint32_t state = 1;
    const int expected[] = {41, 18467, 6334, 26500};
    for (int e : expected) EXPECT_EQ(NextRandom(state), e);
    state = 0;
    EXPECT_EQ(NextRandom(state), 38);
}

TEST(Random, BoundRules) {
    struct Case { int r, min, max, expected; };
    const std::vector<Case> cases = {
        {0, 19999, 999999, 19999},
        {32767, 19999, 999999, 52766},   // the highest upload id
        {32767, 50000, 100000, 82767},   // the highest translation salt
        {7, 10, 3, 3 + 7 % 8},            // swapped bounds are ordered
        {9, -5, 3, 9 % 4},                // a negative bound counts as 0
        {9, 3, -5, 9 % 4},
        {32767, 0, 0x7FFFFFFF, 32767},    // no overflow of max - min + 1
    };
    for (const auto& c : cases) EXPECT_EQ(ScaleIntoRange(c.r, c.min, c.max), c.expected) << c.r << " " << c.min << " " << c.max;
}

TEST(Random, RangesOfDraws) {
    EXPECT_EQ(RandomInRange(5, 5), 5);
    EXPECT_EQ(RandomInRange(-3, -7), 0);  // both count as 0: equal bounds
    std::set<int> seen;
    for (int i = 0; i < 300; ++i) {
        const int id = RandomInRange(19999, 999999);
        EXPECT_GE(id, 19999);
        EXPECT_LE(id, 52766);
        const int v = RandomInRange(10, 3);
        EXPECT_GE(v, 3);
        EXPECT_LE(v, 10);
        seen.insert(id);
    }
    // The growing offset makes draws within the same millisecond differ.
    EXPECT_GT(seen.size(), 100u);
}

TEST(Random, SeedOffsetGrowsByTheRule) {
    // Two seedings at the same tick: the second seed is the first plus 100 + (first seed mod 256).
    const uint32_t s1 = NextSeed(5000);
    const uint32_t s2 = NextSeed(5000);
    EXPECT_EQ(s2 - s1, 100u + (s1 % 256u));
}

TEST(Random, DrawsFromSeveralThreads) {
    std::vector<std::thread> threads;
    std::atomic<int> bad{0};
    for (int k = 0; k < 4; ++k)
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                const int v = RandomInRange(50000, 100000);
                if (v < 50000 || v > 82767) ++bad;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(ExitCleanup, RunsOnceAtNormalExit) {
    const std::string out = ::testing::TempDir() + "/exit_cleanup_" + std::to_string(getpid());
    std::remove(out.c_str());
    fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        static std::string path = out;
        static int runs = 0;
        App().AccessToken.set("token");
        RegisterExitCleanup([] {
            ++runs;
            std::ofstream f(path, std::ios::app);
            f << "release " << runs << " token=" << App().AccessToken.get().str() << "\n";
        });
        RegisterExitCleanup();  // a second registration neither drops the step nor runs it twice
        std::exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    std::ifstream f(out);
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "release 1 token=\n");  // once, after the state's texts were released
    std::remove(out.c_str());
}

namespace {
struct NullControls : MainControls {
    Text ImagePath() override { return {}; }
    Text ResultText() override { return {}; }
    void SetResultText(const Text&) override {}
    void AppendResultText(const Text&) override {}
    void SetBusyLabelText(const Text&) override {}
    void SetBusyPictureVisible(bool) override {}
    void SetBusyLabelVisible(bool) override {}
};
}  // namespace

TEST(MainControls, SetAndRead) {
    NullControls c;
    MainControls* before = Controls();
    SetMainControls(&c);
    EXPECT_EQ(Controls(), &c);
    SetMainControls(before);
}
