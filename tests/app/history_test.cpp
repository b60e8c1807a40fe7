// The history log: line format, newest first, and a failed write that must leave the old log whole.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "app/app_state.h"
#include "app/history.h"
#include "tests/app/shell_test_util.h"

namespace ql {
namespace {

using test::ReadFile;
using test::TempDir;

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        App().Clear();
        SetRunDirectory(dir.path());
        SetHistoryWriter(nullptr);
    }
    void TearDown() override { SetHistoryWriter(nullptr); }

    void Choose(const Text& path, int id) {
        App().CurrentFileName.set(FileNameOfPath(path));
        App().UploadId.set(id);
        RecordHistory();
    }
    std::string Log() { return ReadFile(dir / "ImgCode.log"); }

    TempDir dir;
};

TEST(FileNameOfPathTest, TakesTheBytesAfterTheLastSlash) {
    struct Case { Text path; Text name; };
    const Case cases[] = {
        {"/home/u/图片/截图.png"_gbk, "截图.png"_gbk},
        {"截图.png"_gbk, "截图.png"_gbk},           // no slash: the whole path
        {"", ""},                                   // a cancelled first dialog
        {"/tmp/dir/", ""},                          // ends with a slash
        {"/a/x.png\r\n/b/y.png\r\n", "y.png\r\n"},  // several dropped files
        {"<------请选择图片------>"_gbk, "<------请选择图片------>"_gbk},
    };
    for (const Case& c : cases) EXPECT_EQ(FileNameOfPath(c.path), c.name) << c.path.str();
}

TEST_F(HistoryTest, FirstChoiceCreatesTheLogWithOneLine) {
    App().RunStamp.set("2018/6/13 9:5 7s");
    Choose("/home/u/截图.png"_gbk, 23456);
    EXPECT_EQ(Log(), ("2018/6/13 9:5 7s|截图.png-->23456\r\n"_gbk).str());
    EXPECT_EQ(App().LogEntry.get(), "截图.png-->23456\r\n"_gbk);
    EXPECT_EQ(App().LogSnapshot.get(), Text());
}

TEST_F(HistoryTest, TwoChoicesInOneRunPutTheSecondFirst) {
    App().RunStamp.set("2018/12/31 23:59 0s");
    Choose("/p/a.png", 20001);
    Choose("/p/b.jpg", 30002);
    EXPECT_EQ(Log(), "2018/12/31 23:59 0s|b.jpg-->30002\r\n2018/12/31 23:59 0s|a.png-->20001\r\n");
    EXPECT_EQ(App().LogSnapshot.get(), Text("2018/12/31 23:59 0s|a.png-->20001\r\n"));
}

TEST_F(HistoryTest, LineFormsForTheSpecialNames) {
    struct Case { Text stamp; Text path; int id; std::string line; };
    const Case cases[] = {
        {"", "/p/a.png", 19999, "|a.png-->19999\r\n"},                              // no run stamp
        {"2018/6/13 9:5 7s", "名字.bmp"_gbk, 52766, ("2018/6/13 9:5 7s|名字.bmp-->52766\r\n"_gbk).str()},
        {"", "", 20000, "|-->20000\r\n"},                                           // cancelled first dialog
        {"", "/a/x.png\r\n/b/y.png\r\n", 21000, "|y.png\r\n-->21000\r\n"},          // entry spans two lines
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir / "ImgCode.log");
        App().RunStamp.set(c.stamp);
        Choose(c.path, c.id);
        EXPECT_EQ(Log(), c.line) << c.path.str();
    }
}

TEST_F(HistoryTest, KeepsEveryOldByteEvenPastAZeroByte) {
    std::string old("old line\r\n\0binary\r\n", 20);
    ASSERT_TRUE(test::WriteFile(dir / "ImgCode.log", old));
    Choose("/p/n.png", 22222);
    EXPECT_EQ(Log(), "|n.png-->22222\r\n" + old);
}

TEST_F(HistoryTest, AnUnwritableLogIsSkippedSilently) {
    SetRunDirectory(dir / "missing-folder");
    Choose("/p/n.png", 22222);  // nothing to check but that it returns
    EXPECT_EQ(App().LogEntry.get(), Text("n.png-->22222\r\n"));
    EXPECT_FALSE(test::Exists(dir / "missing-folder"));
}

// A write that fails half-way (here: the file-size limit, as a full disk would) keeps the old log.
TEST_F(HistoryTest, AWriteFailingHalfWayLeavesTheOldLogWhole) {
    std::string old;
    for (int i = 0; i < 200; ++i) old += "2018/6/13 9:5 7s|picture-" + std::to_string(i) + ".png-->23456\r\n";
    ASSERT_TRUE(test::WriteFile(dir / "ImgCode.log", old));

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;  // smaller than the new content
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Choose("/p/new.png", 30000);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(Log(), old);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) { ++files; (void)e; }
    EXPECT_EQ(files, 1) << "the temporary file must be gone";

    Choose("/p/new.png", 30000);  // with room again the line is added
    EXPECT_EQ(Log(), "|new.png-->30000\r\n" + old);
}

TEST_F(HistoryTest, AReadOnlyLogIsNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
    ASSERT_TRUE(test::WriteFile(dir / "ImgCode.log", "|old.png-->1\r\n"));
    std::filesystem::permissions(dir / "ImgCode.log", std::filesystem::perms::owner_read);
    Choose("/p/a.png", 25000);
    EXPECT_EQ(Log(), "|old.png-->1\r\n");
    EXPECT_EQ(App().LogEntry.get(), Text("a.png-->25000\r\n"));
}

TEST_F(HistoryTest, RecordHistoryHandsTheWholeNewContentToTheWriter) {
    ASSERT_TRUE(test::WriteFile(dir / "ImgCode.log", "|old.png-->1\r\n"));
    std::string seenPath, seenContent;
    SetHistoryWriter([&](const std::string& p, const std::string& c) {
        seenPath = p;
        seenContent = c;
        return false;  // a failing writer: the log stays as it was
    });
    App().RunStamp.set("2018/6/13 9:5 7s");
    Choose("/p/a.png", 25000);
    EXPECT_EQ(seenPath, dir / "ImgCode.log");
    EXPECT_EQ(seenContent, "2018/6/13 9:5 7s|a.png-->25000\r\n|old.png-->1\r\n");
    EXPECT_EQ(Log(), "|old.png-->1\r\n");
}

}  // namespace
}  // namespace ql
