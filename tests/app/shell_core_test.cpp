// Widget-free pieces of the shell: run stamp, file filter, recording dialogs, banner decoding.
#include <gtest/gtest.h>

#include "app/dialogs.h"
#include "app/png_image.h"
#include "app/run_stamp.h"

#include <regex>

namespace ql {
namespace {

std::tm At(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return t;
}

TEST(RunStampTest, NumbersWithoutLeadingZerosAndAClosingS) {
    struct Case { std::tm t; const char* stamp; };
    const Case cases[] = {
        {At(2018, 6, 13, 9, 5, 7), "2018/6/13 9:5 7s"},
        {At(2018, 12, 31, 23, 59, 0), "2018/12/31 23:59 0s"},
        {At(2026, 1, 1, 0, 0, 0), "2026/1/1 0:0 0s"},
        {At(2026, 10, 10, 10, 10, 10), "2026/10/10 10:10 10s"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatRunStamp(c.t), Text(c.stamp));
}

TEST(RunStampTest, NowHasTheSameShape) {
    std::string s = CurrentRunStamp().str();
    EXPECT_TRUE(std::regex_match(s, std::regex(R"(\d{4}/[1-9]\d?/[1-9]\d? (0|[1-9]\d?):(0|[1-9]\d?) (0|[1-9]\d?)s)"))) << s;
}

TEST(QtFileFilterTest, PairsBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter("图片文件（*.jpg;*.jpeg;*.png;*.bmp）|*.jpg;*.jpeg;*.png;*.bmp"_gbk),
              "图片文件（*.jpg;*.jpeg;*.png;*.bmp） (*.jpg *.jpeg *.png *.bmp)");
    EXPECT_EQ(QtFileFilter("A|*.a|B|*.b;*.c"), "A (*.a);;B (*.b *.c)");
    EXPECT_EQ(QtFileFilter(""), "");
}

TEST(RecordingDialogsTest, NotesRequestsAndAnswersInOrder) {
    ScopedRecordingDialogs d;
    EXPECT_EQ(&UiDialogs(), &d);
    d.buttonAnswers = {DialogButton::No};
    d.fileAnswers = {std::string("/x/a.png")};
    EXPECT_EQ(UiDialogs().ShowMessage("t", "T", MessageIcon::Question, MessageButtons::YesNo), DialogButton::No);
    EXPECT_EQ(UiDialogs().ShowMessage("t2", "T2", MessageIcon::Error, MessageButtons::YesNo), DialogButton::Yes);
    EXPECT_EQ(UiDialogs().ShowMessage("t3", "T3", MessageIcon::Error), DialogButton::Ok);
    EXPECT_EQ(UiDialogs().OpenFile("F|*.f", "/init"), std::optional<std::string>("/x/a.png"));
    EXPECT_EQ(UiDialogs().OpenFile("F|*.f", ""), std::nullopt);
    ASSERT_EQ(d.messages.size(), 3u);
    EXPECT_EQ(d.messages[0].text, Text("t"));
    EXPECT_EQ(d.messages[1].icon, MessageIcon::Error);
    ASSERT_EQ(d.fileRequests.size(), 2u);
    EXPECT_EQ(d.fileRequests[0].initialPath, "/init");
}

TEST(RecordingDialogsTest, ScopeRestoresThePreviousDialogs) {
    Dialogs* before = InstalledDialogs();
    {
        ScopedRecordingDialogs outer;
        {
            ScopedRecordingDialogs inner;
            EXPECT_EQ(InstalledDialogs(), &inner);
        }
        EXPECT_EQ(InstalledDialogs(), &outer);
    }
    EXPECT_EQ(InstalledDialogs(), before);
}

TEST(PngTest, TheBannerDecodesTo550By166) {
    DecodedPng png;
    ASSERT_TRUE(DecodePng(AboutBannerPng(), AboutBannerPngSize(), png));
    EXPECT_EQ(png.width, 550);
    EXPECT_EQ(png.height, 166);
    ASSERT_EQ(png.bgra.size(), 550u * 166u * 4u);
    // Opaque, and not one flat colour.
    bool varied = false;
    for (size_t i = 0; i < png.bgra.size(); i += 4) {
        ASSERT_EQ(png.bgra[i + 3], 255);
        if (png.bgra[i] != png.bgra[0]) varied = true;
    }
    EXPECT_TRUE(varied);
}

TEST(PngTest, DamagedDataIsRefused) {
    std::string banner(reinterpret_cast<const char*>(AboutBannerPng()), AboutBannerPngSize());
    struct Case { std::string bytes; };
    const Case cases[] = {{""}, {"not a png at all"}, {banner.substr(0, 8)}, {banner.substr(0, banner.size() / 2)}};
    for (const Case& c : cases) {
        DecodedPng png;
        EXPECT_FALSE(DecodePng(c.bytes.data(), c.bytes.size(), png)) << c.bytes.size();
        EXPECT_EQ(png.width, 0);
        EXPECT_TRUE(png.bgra.empty());
    }
    DecodedPng png;
    EXPECT_FALSE(DecodePng(nullptr, 10, png));
}

}  // namespace
}  // namespace ql
