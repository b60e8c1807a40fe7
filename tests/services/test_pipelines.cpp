// Both pipelines end to end against the local services, written into recording controls.
#include <gtest/gtest.h>

#include <memory>

#include "app/app_state.h"
#include "services/config.h"
#include "services/recognition.h"
#include "services/requests.h"
#include "services/translation.h"
#include "services/workers.h"
#include "web/charset.h"
#include "test_support.h"

using namespace ql;
using qltest::RecordingControls;

namespace {

const Text kPicture = Text(QINGLAN_SOURCE_DIR "/tests/services/data/ocr_lines.png");
const Text kRecognised = "今天天气很好。\r\n    我们去公园Hello World"_gbk;

class Pipelines : public ::testing::Test {
protected:
    static void SetUpTestSuite() { services_ = new qltest::LocalServices; }
    static void TearDownTestSuite() {
        delete services_;
        services_ = nullptr;
    }
    void SetUp() override {
        ASSERT_GT(services_->port(), 0) << "local services did not start";
        qltest::PointServicesAt(services_->base());
        App().AccessToken.set(FetchAccessToken());
        ASSERT_FALSE(App().AccessToken.get().empty());
        controls_ = std::make_unique<RecordingControls>();
        SetMainControls(controls_.get());
    }
    void TearDown() override {
        // Every worker has ended before the controls go away.
        EXPECT_TRUE(WaitForWorkers(std::chrono::seconds(120)));
        SetMainControls(nullptr);
        SetServiceConfig(ServiceConfigFromEnvironment());
    }

public:
    void PointAtClosedPort() {
        qltest::PointServicesAt("http://127.0.0.1:" + std::to_string(qltest::ClosedPort()));
    }
    // Translates `source` in `dir` through the command and waits for the worker.
    Text Translate(TranslateDirection dir, const Text& source) {
        controls_->PresetResult(source);
        TranslateCommand(dir, [](const Text&, const Text&) { ADD_FAILURE() << "unexpected message"; });
        EXPECT_TRUE(controls_->WaitForHides(1));
        EXPECT_TRUE(WaitForWorkers(std::chrono::seconds(60)));
        return controls_->ResultText();
    }

    static qltest::LocalServices* services_;
    std::unique_ptr<RecordingControls> controls_;
};
qltest::LocalServices* Pipelines::services_ = nullptr;

}  // namespace

TEST_F(Pipelines, RecognisesAPictureChosenInTheMainWindow) {
    controls_->SetImagePath(kPicture);
    controls_->PresetResult("old result");
    App().UploadId.set(424242);
    StartUploadWorker();
    ASSERT_TRUE(controls_->WaitForHides(1));
    ASSERT_TRUE(WaitForWorkers(std::chrono::seconds(60)));

    EXPECT_EQ(controls_->ResultText(), kRecognised);
    EXPECT_EQ(App().ImageUrl.get(), Text(services_->base() + "/photo/424242.png"));
    EXPECT_NE(SearchText(App().OcrAnswer.get(), "{\"words\": \""), -1);
    const std::vector<std::string> expected = {
        "label:" + "正在进行识别……"_gbk.str(), "picture:show", "label:show", "set:",
        "append:" + "今天天气很好。\r\n    我们去公园"_gbk.str(), "append:Hello World", "picture:hide", "label:hide"};
    EXPECT_EQ(controls_->log(), expected);
}

TEST_F(Pipelines, CapturePathRecognisesOnTheCallingThread) {
    Translate(EnToZh, "hello");  // leaves the translation's label text behind
    UploadAndRecognize(kPicture, 515151);  // returns once the OCR has been started
    EXPECT_EQ(App().ImageUrl.get(), Text(services_->base() + "/photo/515151.png"));
    EXPECT_EQ(controls_->label(), "正在进行识别……"_gbk);
    ASSERT_TRUE(controls_->WaitForHides(1));
    ASSERT_TRUE(WaitForWorkers(std::chrono::seconds(60)));
    EXPECT_EQ(controls_->ResultText(), kRecognised);
}

TEST_F(Pipelines, RecognitionFailuresEmptyTheResultAndHideTheIndicator) {
    struct Case {
        const char* name;
        std::function<void(Pipelines&)> arrange;
    } cases[] = {
        {"services down", [](Pipelines& t) { t.PointAtClosedPort(); }},
        {"bad token", [](Pipelines&) { App().AccessToken.set("not-a-token"); }},
        {"empty token", [](Pipelines&) { App().AccessToken.set(""); }},
        {"missing file", [](Pipelines& t) { t.controls_->SetImagePath("/nonexistent/picture.png"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controls_ = std::make_unique<RecordingControls>();
        SetMainControls(controls_.get());
        qltest::PointServicesAt(services_->base());
        controls_->SetImagePath(kPicture);
        controls_->PresetResult("old result");
        App().AccessToken.set(FetchAccessToken());
        App().UploadId.set(606060);
        c.arrange(*this);
        StartUploadWorker();
        ASSERT_TRUE(controls_->WaitForHides(1));
        ASSERT_TRUE(WaitForWorkers(std::chrono::seconds(60)));
        EXPECT_EQ(controls_->ResultText(), Text());
        EXPECT_FALSE(controls_->pictureVisible());
        EXPECT_FALSE(controls_->labelVisible());
    }
}

TEST_F(Pipelines, TranslatesBothWays) {
    struct Case {
        TranslateDirection dir;
        const char* source;    // UTF-8
        const char* expected;  // UTF-8
    } cases[] = {
        {ZhToEn, "你好", "Hello"},
        {ZhToEn, "你好。谢谢", "Hello.\r\n Thank you"},
        {ZhToEn, "你好。\r\n    谢谢", "Hello.\r\nThank you"},  // two segments, nothing between
        {EnToZh, "hello", "你好"},
        {EnToZh, "hello.\r\nthank you", "你好。谢谢"},
        {ZhToEn, "谢谢&你好", "Thank you & hello"},
        {EnToZh, "x &=+% y", "x &=+% y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Translate(c.dir, Text(Utf8ToGbkBytes(c.source))), Text(Utf8ToGbkBytes(c.expected))) << c.source;
    }
}

TEST_F(Pipelines, SignCheckPassesForEveryCharacter) {
    // The service answers "Invalid Sign" when q does not arrive as it was signed, and echoes what it
    // received as src.
    for (const char* source : {"谢谢", "a&b", "a=b", "a+b", "100%", "x &=+% y", "谢谢&你好=+%"}) {
        const Text text = Text(Utf8ToGbkBytes(source));
        for (TranslateDirection dir : {ZhToEn, EnToZh}) {
            const Text answer = RequestTranslation(BuildTranslateBody(dir, text));
            EXPECT_EQ(SearchText(answer, "error_code"), -1) << source << ": " << answer.str();
            EXPECT_FALSE(ParseTranslation(answer).empty()) << source;
            EXPECT_EQ(DecodeUnicodeEscapes(TextBetween(answer, "\"src\":\"", "\",\"dst\"")), text) << source;
        }
    }
}

TEST_F(Pipelines, TranslationFailuresKeepTheText) {
    const Text source = "你好"_gbk;
    {
        PointAtClosedPort();
        EXPECT_EQ(Translate(ZhToEn, source), source);
    }
    {
        qltest::PointServicesAt(services_->base());
        ServiceConfig c = CurrentServiceConfig();
        c.TranslateSignKey = "wrong-key";  // the service answers with an error document
        SetServiceConfig(c);
        EXPECT_EQ(Translate(ZhToEn, source), source);
    }
    EXPECT_FALSE(controls_->labelVisible());
    EXPECT_FALSE(controls_->pictureVisible());
}

TEST_F(Pipelines, TranslateCommandRefusesOnlyTheExactlyEmptyText) {
    std::vector<std::pair<Text, Text>> shown;
    TranslateCommand(ZhToEn, [&](const Text& text, const Text& title) { shown.emplace_back(text, title); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, "待翻译的内容是空白的！(╯▔皿▔)╯"_gbk);
    EXPECT_EQ(shown[0].second, "提示！"_gbk);
    EXPECT_TRUE(controls_->log().empty());

    Translate(EnToZh, " ");  // a lone space is sent
    const std::vector<std::string> log = controls_->log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "picture:show");
    EXPECT_EQ(log[1], "label:" + "正在进行翻译……"_gbk.str());
    EXPECT_EQ(log[2], "label:show");
    EXPECT_EQ(log.back(), "label:hide");
}

TEST_F(Pipelines, RecognitionsAndATranslationAtOnce) {
    controls_->SetImagePath(kPicture);
    controls_->PresetResult("hello");
    App().UploadId.set(717171);
    StartUploadWorker();
    UploadAndRecognize(kPicture, 727272);
    TranslateCommand(EnToZh, [](const Text&, const Text&) {});
    ASSERT_TRUE(controls_->WaitForHides(3));
    ASSERT_TRUE(WaitForWorkers(std::chrono::seconds(120)));
    EXPECT_FALSE(controls_->labelVisible());
    // Whichever chain ran last wrote last; ImageUrl holds one of the two addresses.
    const Text url = App().ImageUrl.get();
    EXPECT_TRUE(url == Text(services_->base() + "/photo/717171.png") ||
                url == Text(services_->base() + "/photo/727272.png"))
        << url.str();
}
