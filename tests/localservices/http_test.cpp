// The local services over HTTP: the real executable on a free port, requests as the program sends them.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "tests/localservices/http_helpers.h"
#include "tests/localservices/server_process.h"

namespace ql::localsvc::testing {
namespace {

namespace fs = std::filesystem;

class LocalServicesHttp : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("qinglan-localsvc-test-" + std::to_string(getpid()) + "-" +
                                             std::to_string(std::random_device{}()));
        store_ = root_ / "store";
        fs::create_directories(store_);
        server_ = std::make_unique<ServerProcess>(std::vector<std::string>{"--store", store_.string()});
        ASSERT_TRUE(server_->running());
        cli_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        cli_->set_read_timeout(30, 0);
    }
    void TearDown() override {
        cli_.reset();
        if (server_) {
            EXPECT_EQ(server_->Stop(), 0) << "the server must end cleanly on SIGTERM";
        }
        // Nothing may appear beside the store.
        std::vector<std::string> beside;
        for (const auto& e : fs::directory_iterator(root_)) beside.push_back(e.path().filename().string());
        EXPECT_EQ(beside, std::vector<std::string>{"store"});
        fs::remove_all(root_);
    }
    std::vector<std::string> StoreFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(store_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Address(const std::string& id) const {
        return "http://127.0.0.1:" + std::to_string(server_->port()) + "/photo/" + id + ".png";
    }

    fs::path root_, store_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<httplib::Client> cli_;
};

TEST_F(LocalServicesHttp, TokenWithTheRightKeysComesFirstInItsObject) {
    auto res = cli_->Get("/oauth/2.0/token?grant_type=client_credentials&client_id=" + kApiKey +
                         "&client_secret=" + kSecretKey + "&");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body.rfind("{\"access_token\":\"", 0), 0u) << res->body;
    const std::string token = FetchToken(*cli_);
    EXPECT_GT(token.size(), 20u);
    EXPECT_EQ(token.find_first_of("\",&"), std::string::npos);
    EXPECT_NE(token, FetchToken(*cli_)) << "each request gets a token of its own";
}

TEST_F(LocalServicesHttp, TokenWithWrongKeysIsAnErrorWithoutAToken) {
    const struct {
        std::string query;
        int status;
    } cases[] = {
        {"grant_type=client_credentials&client_id=" + kApiKey + "&client_secret=wrong&", 401},
        {"grant_type=client_credentials&client_id=wrong&client_secret=" + kSecretKey + "&", 401},
        {"grant_type=client_credentials&client_id=" + kApiKey + "&", 401},
        {"grant_type=password&client_id=" + kApiKey + "&client_secret=" + kSecretKey + "&", 400},
        {"", 400},
    };
    for (const auto& c : cases) {
        auto res = cli_->Get("/oauth/2.0/token?" + c.query);
        ASSERT_TRUE(res) << c.query;
        EXPECT_EQ(res->status, c.status) << c.query;
        EXPECT_EQ(res->body.find("access_token"), std::string::npos) << c.query;
        EXPECT_TRUE(res->body.find("\"error\":\"invalid_client\"") != std::string::npos ||
                    res->body.find("\"error\":\"unsupported_grant_type\"") != std::string::npos)
            << res->body;
    }
}

TEST_F(LocalServicesHttp, UploadedBytesComeBackUnchanged) {
    // Bytes that look like the multipart framing must not confuse the parser.
    std::string data = std::string("\x89PNG\r\n\x1a\n\0\0", 10) + "\r\n--" + kBoundary.substr(0, 20) + "\r\n\r\n--x";
    for (int i = 0; i < 5000; ++i) data += static_cast<char>(i * 37 % 256);
    auto up = Upload(*cli_, UploadBody("23456", data));
    ASSERT_TRUE(up);
    EXPECT_EQ(up->status, 200) << up->body;
    EXPECT_EQ(StoreFiles(), std::vector<std::string>{"23456.png"});

    auto photo = cli_->Get("/photo/23456.png");
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->status, 200);
    EXPECT_EQ(photo->body, data);

    // A second upload under the same id replaces the picture.
    ASSERT_TRUE(Upload(*cli_, UploadBody("23456", "second")));
    EXPECT_EQ(cli_->Get("/photo/23456.png")->body, "second");

    // The program uploads a missing file as an empty part; it is stored empty.
    ASSERT_EQ(Upload(*cli_, UploadBody("7", ""))->status, 200);
    EXPECT_EQ(cli_->Get("/photo/7.png")->body, "");
}

TEST_F(LocalServicesHttp, RefusedUploadsWriteNothing) {
    const std::string good = UploadBody("123", "data");
    const struct {
        const char* why;
        std::string contentType;
        std::string body;
    } cases[] = {
        {"letters", "multipart/form-data; boundary=" + kBoundary, UploadBody("abc", "data")},
        {"path", "multipart/form-data; boundary=" + kBoundary, UploadBody("../x", "data")},
        {"path of digits", "multipart/form-data; boundary=" + kBoundary, UploadBody("../123", "data")},
        {"empty name", "multipart/form-data; boundary=" + kBoundary, UploadBody("", "data")},
        {"with extension", "multipart/form-data; boundary=" + kBoundary, UploadBody("123.png", "data")},
        {"signed", "multipart/form-data; boundary=" + kBoundary, UploadBody("-123", "data")},
        {"19 digits", "multipart/form-data; boundary=" + kBoundary, UploadBody("1234567890123456789", "data")},
        {"other field", "multipart/form-data; boundary=" + kBoundary,
         "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"1\"\r\n\r\nx\r\n--" + kBoundary + "--"},
        {"no filename", "multipart/form-data; boundary=" + kBoundary,
         "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"myfile\"\r\n\r\nx\r\n--" + kBoundary + "--"},
        {"truncated", "multipart/form-data; boundary=" + kBoundary, good.substr(0, good.size() - 10)},
        {"no closing dashes", "multipart/form-data; boundary=" + kBoundary, good.substr(0, good.size() - 2) + "\r\n"},
        {"other boundary", "multipart/form-data; boundary=zzz", good},
        {"no boundary", "multipart/form-data", good},
        {"not multipart", "application/octet-stream", good},
    };
    for (const auto& c : cases) {
        auto res = cli_->Post("/uploadheadimg.php", c.body, c.contentType.c_str());
        ASSERT_TRUE(res) << c.why;
        EXPECT_GE(res->status, 400) << c.why;
        EXPECT_LT(res->status, 500) << c.why;
    }
    EXPECT_TRUE(StoreFiles().empty());
}

TEST_F(LocalServicesHttp, BodiesPastTheLimitAreRefused) {
    const std::string big(20u * 1024u * 1024u + 1, 'x');
    auto res = Upload(*cli_, UploadBody("9", big));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 413);
    EXPECT_TRUE(StoreFiles().empty());
    // Still serving.
    EXPECT_FALSE(FetchToken(*cli_).empty());
}

TEST_F(LocalServicesHttp, UnknownPathsAre404) {
    ASSERT_EQ(Upload(*cli_, UploadBody("5", "five"))->status, 200);
    for (const char* path : {"/", "/photo/", "/photo/abc.png", "/photo/5.bmp", "/photo/6.png", "/photo/5.PNG",
                             "/photo/../store/5.png", "/photo/%2e%2e/5.png", "/store/5.png", "/uploadheadimg.php"}) {
        auto res = cli_->Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
    }
    auto res = cli_->Post("/nowhere", "x", "text/plain");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
}

TEST_F(LocalServicesHttp, OcrErrorsCarryAnErrorCode) {
    const std::string token = FetchToken(*cli_);
    ASSERT_FALSE(token.empty());
    ASSERT_EQ(Upload(*cli_, UploadBody("41", "not a picture"))->status, 200);
    const struct {
        std::string token;
        std::string body;
        const char* code;
    } cases[] = {
        {"", "url=" + Address("41"), "\"error_code\": 110"},
        {"24.forged", "url=" + Address("41"), "\"error_code\": 110"},
        {token, "", "\"error_code\": 216101"},
        {token, "url=http://example.com/picture.png", "\"error_code\": 282111"},
        {token, "url=" + Address("41") + "/../../x", "\"error_code\": 282111"},
        {token, "url=" + Address("42"), "\"error_code\": 282112"},
        {token, "url=" + Address("41"), "\"error_code\": 216201"},
    };
    for (const auto& c : cases) {
        auto res = cli_->Post("/rest/2.0/ocr/v1/general_basic?access_token=" + c.token, c.body,
                              "application/x-www-form-urlencoded");
        ASSERT_TRUE(res) << c.body;
        EXPECT_NE(res->body.find(c.code), std::string::npos) << c.body << " -> " << res->body;
        EXPECT_EQ(res->body.find("{\"words\": \""), std::string::npos);
    }
}

TEST_F(LocalServicesHttp, TranslationAnswersInEscapedCompactJson) {
    const struct {
        std::string q, from, to, answer;
    } cases[] = {
        {"hello world", "en", "zh",
         R"({"from":"en","to":"zh","trans_result":[{"src":"hello world","dst":"\u4f60\u597d\u4e16\u754c"}]})"},
        {"你好世界", "zh", "en",
         R"({"from":"zh","to":"en","trans_result":[{"src":"\u4f60\u597d\u4e16\u754c","dst":"Hello world"}]})"},
        {"我爱你\r\n\r\n谢谢", "zh", "en",
         R"({"from":"zh","to":"en","trans_result":[{"src":"\u6211\u7231\u4f60","dst":"I love you"},{"src":"\u8c22\u8c22","dst":"Thank you"}]})"},
        {"Say \"hi\" & go", "en", "zh",
         R"({"from":"en","to":"zh","trans_result":[{"src":"Say \"hi\" & go","dst":"\u8bf4 \"hi\" & \u53bb"}]})"},
    };
    for (const auto& c : cases) {
        const std::string salt = "54321";
        auto res = cli_->Post("/api/trans/vip/translate", TranslateBody(c.q, c.from, c.to, salt, SignOf(c.q, salt)),
                              "application/x-www-form-urlencoded");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->body, c.answer);
    }
}

TEST_F(LocalServicesHttp, TranslationUnderstandsUnencodedGbk) {
    // The GBK bytes of 你好 as they stand, signed over the UTF-8 form of the same text.
    const std::string salt = "50001";
    auto res = cli_->Post("/api/trans/vip/translate",
                          "q=\xC4\xE3\xBA\xC3&from=zh&to=en&appid=" + kAppId + "&salt=" + salt + "&sign=" + SignOf("你好", salt),
                          "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, R"({"from":"zh","to":"en","trans_result":[{"src":"\u4f60\u597d","dst":"Hello"}]})");
}

TEST_F(LocalServicesHttp, TranslationRefusesBadSignsAndAppIds) {
    const std::string q = "hello", salt = "60000";
    const struct {
        std::string body, answer;
    } cases[] = {
        {TranslateBody(q, "en", "zh", salt, SignOf("hellp", salt)), R"({"error_code":"54001","error_msg":"Invalid Sign"})"},
        {TranslateBody(q, "en", "zh", "60001", SignOf(q, salt)), R"({"error_code":"54001","error_msg":"Invalid Sign"})"},
        {"q=hello&from=en&to=zh&appid=1&salt=" + salt + "&sign=" + SignOf(q, salt),
         R"({"error_code":"52003","error_msg":"UNAUTHORIZED USER"})"},
        {"from=en&to=zh&appid=" + kAppId + "&salt=1&sign=x", R"({"error_code":"54000","error_msg":"PARAM_FROM_TO_OR_Q_EMPTY"})"},
        {"q=hello&to=zh&appid=" + kAppId + "&salt=1&sign=x", R"({"error_code":"54000","error_msg":"PARAM_FROM_TO_OR_Q_EMPTY"})"},
        {"", R"({"error_code":"54000","error_msg":"PARAM_FROM_TO_OR_Q_EMPTY"})"},
    };
    for (const auto& c : cases) {
        auto res = cli_->Post("/api/trans/vip/translate", c.body, "application/x-www-form-urlencoded");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, c.answer) << c.body;
    }
}

TEST_F(LocalServicesHttp, ConcurrentClientsEachGetTheirOwnPicture) {
    constexpr int kThreads = 6, kRounds = 8;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            httplib::Client cli("127.0.0.1", server_->port());
            cli.set_read_timeout(30, 0);
            for (int r = 0; r < kRounds; ++r) {
                const std::string id = std::to_string(1000 + t);
                const std::string data = "picture " + std::to_string(t) + " round " + std::to_string(r);
                auto up = Upload(cli, UploadBody(id, data));
                auto back = cli.Get("/photo/" + id + ".png");
                if (!up || up->status != 200 || !back || back->body != data || FetchToken(cli).empty()) ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(StoreFiles().size(), static_cast<size_t>(kThreads));
}

}  // namespace
}  // namespace ql::localsvc::testing
