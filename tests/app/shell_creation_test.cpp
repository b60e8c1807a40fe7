// MainWindow's creation handler with a real token / upload / OCR server on loopback and real skin
// libraries in temporary run directories.
#include <gtest/gtest.h>

#include <httplib.h>

#include <QLineEdit>
#include <QPlainTextEdit>

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <regex>
#include <thread>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/skin.h"
#include "app/ui/main_window.h"
#include "app/ui/main_window_creation.h"
#include "app/ui/shell_commands.h"
#include "services/config.h"
#include "services/workers.h"
#include "tests/app/shell_gui_util.h"

namespace ql {
namespace {

using test::TempDir;

// The token, upload and OCR endpoints, on a free loopback port, for the length of one test.
class FakeServices {
public:
    FakeServices() {
        server_.Get("/oauth/2.0/token", [this](const httplib::Request&, httplib::Response& res) {
            ++tokenRequests;
            res.set_content("{\"access_token\":\"24.tok-from-test\",\"expires_in\":2592000}", "application/json");
        });
        // The multipart parts as the server's reader sees them: field name, file name, content.
        server_.Post("/uploadheadimg.php", [this](const httplib::Request&, httplib::Response& res,
                                                  const httplib::ContentReader& reader) {
            std::vector<Upload> parts;
            reader(
                [&](const httplib::MultipartFormData& part) {
                    parts.push_back({part.name, part.filename, {}});
                    return true;
                },
                [&](const char* data, size_t n) {
                    if (!parts.empty()) parts.back().content.append(data, n);
                    return true;
                });
            std::lock_guard<std::mutex> l(m_);
            for (auto& p : parts) uploads.push_back(p);
            res.set_content("ok", "text/plain");
        });
        server_.Post("/rest/2.0/ocr/v1/general_basic", [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard<std::mutex> l(m_);
                ocrTokens.push_back(req.get_param_value("access_token"));
            }
            res.set_content("{\"log_id\": 1, \"words_result_num\": 1, \"words_result\": [{\"words\": \"识别出的文字\"}]}",
                            "application/json");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::yield();
    }
    ~FakeServices() {
        WaitForWorkers(std::chrono::seconds(30));
        server_.stop();
        thread_.join();
    }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

    struct Upload { std::string field, filename, content; };
    std::vector<Upload> Uploads() { std::lock_guard<std::mutex> l(m_); return uploads; }
    std::vector<std::string> OcrTokens() { std::lock_guard<std::mutex> l(m_); return ocrTokens; }

    std::atomic<int> tokenRequests{0};

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::mutex m_;
    std::vector<Upload> uploads;
    std::vector<std::string> ocrTokens;
};

int AttachCalls(const std::string& library) {
    void* h = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h == nullptr) return 0;  // never loaded
    auto count = reinterpret_cast<int (*)()>(dlsym(h, "VeltoAttachCount"));
    int n = count ? count() : -1;
    dlclose(h);
    return n;
}

class CreationTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::TheApp();
        App().Clear();
        SetRunDirectory(run.path());
        SetSystemFolder(system.path());
        ServiceConfig config = ServiceConfigFromEnvironment();
        config.OcrServiceBase = services.Base();
        config.ImageHostBase = services.Base();
        config.TranslateServiceBase = services.Base();
        SetServiceConfig(config);
        qApp->setStyleSheet(QString());
        window = std::make_unique<MainWindow>();
    }
    void TearDown() override {
        WaitForWorkers(std::chrono::seconds(30));
        window.reset();
        qApp->setStyleSheet(QString());
    }

    TempDir run, system, pictures;
    FakeServices services;
    ScopedRecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(CreationTest, WithoutTheLibraryTheMessageShowsAndNothingElseRuns) {
    test::CopyInto(VELTO_COUNTING_PATH, system.path());  // only in the system folder: not enough
    ShellCommands& commands = AttachShell(*window);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "缺少重要文件——‘VELTO.dll'，请到官网下载完整版或者'VELTO.dll'放到软件根目录即可！"_gbk);
    EXPECT_EQ(dialogs.messages[0].title, "错误！"_gbk);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(AttachCalls(system / "VELTO.dll"), 0);
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    EXPECT_EQ(services.tokenRequests.load(), 0);
    EXPECT_EQ(App().AccessToken.get(), Text());
    EXPECT_EQ(App().RunStamp.get(), Text());
    EXPECT_FALSE(commands.DropTargetBound());

    window->show();
    ASSERT_TRUE(test::WriteFile(pictures / "a.png", "PNGDATA"));
    EXPECT_FALSE(test::DragAndDrop(*window, test::CentreIn(*window, window->ImagePathEdit()),
                                   test::FileUrls({QString::fromStdString(pictures / "a.png")})));
    EXPECT_EQ(window->ImagePathText(), "<------请选择图片------>"_gbk);
    EXPECT_FALSE(test::Exists(run / "ImgCode.log"));
    EXPECT_EQ(dialogs.messages.size(), 1u) << "the message shows once";
}

TEST_F(CreationTest, WithTheLibraryTheSessionIsPreparedAndADropRecognises) {
    test::CopyInto(VELTO_COUNTING_PATH, run.path());
    ShellCommands& commands = AttachShell(*window);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(GbkToUtf8Bytes(App().SkinLibraryPath.get().str()), run / "VELTO.dll");
    EXPECT_EQ(AttachCalls(run / "VELTO.dll"), 1);
    EXPECT_EQ(qApp->styleSheet().toStdString(), std::string(reinterpret_cast<const char*>(EmbeddedSkin()), 3482));
    EXPECT_TRUE(commands.DropTargetBound());
    EXPECT_EQ(services.tokenRequests.load(), 1);
    EXPECT_EQ(App().AccessToken.get(), Text("24.tok-from-test"));
    const std::string stamp = App().RunStamp.get().str();
    EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}/[1-9]\d?/[1-9]\d? (0|[1-9]\d?):(0|[1-9]\d?) (0|[1-9]\d?)s)")))
        << stamp;

    // A real drop on the path box: the picture is logged, uploaded under its id and recognised.
    window->show();
    ASSERT_TRUE(test::WriteFile(pictures / "截图.png", "PNGDATA-bytes"));
    ASSERT_TRUE(test::DragAndDrop(*window, test::CentreIn(*window, window->ImagePathEdit()),
                                  test::FileUrls({QString::fromStdString(pictures / "截图.png")})));
    const int id = App().UploadId.get();
    EXPECT_EQ(App().CurrentFileName.get(), "截图.png"_gbk);
    EXPECT_EQ(test::ReadFile(run / "ImgCode.log"), stamp + ("|截图.png-->"_gbk).str() + std::to_string(id) + "\r\n");
    ASSERT_TRUE(test::SpinUntil([&] { return window->ResultText() == "识别出的文字"_gbk; }))
        << GbkToUtf8Bytes(window->ResultText().str());
    auto uploads = services.Uploads();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].field, "myfile");
    EXPECT_EQ(uploads[0].filename, std::to_string(id));
    EXPECT_EQ(uploads[0].content, "PNGDATA-bytes");
    auto tokens = services.OcrTokens();
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0], "24.tok-from-test");

    // Drops elsewhere in the window are still refused.
    EXPECT_FALSE(test::DragAndDrop(*window, test::CentreIn(*window, window->ResultEdit()),
                                   test::FileUrls({QString::fromStdString(pictures / "截图.png")})));
}

TEST_F(CreationTest, AFailedTokenFetchLeavesTheTokenEmptyAndGoesOn) {
    test::CopyInto(VELTO_COUNTING_PATH, run.path());
    ServiceConfig config = CurrentServiceConfig();
    config.OcrServiceBase = Text(services.Base() + "/nothing-here");
    SetServiceConfig(config);
    AttachShell(*window);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(App().AccessToken.get(), Text());
    EXPECT_FALSE(App().RunStamp.get().empty());
}

}  // namespace
}  // namespace ql
