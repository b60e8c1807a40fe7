// The requests as a loopback server receives them, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "services/config.h"
#include "services/requests.h"
#include "test_support.h"

using namespace ql;
using qltest::RawRecorder;

namespace {

std::string TempFile(const std::string& name, const std::string& content) {
    const auto path = std::filesystem::temp_directory_path() / ("qinglan-req-" + std::to_string(::getpid()) + name);
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

const char kHead23456[] =
    "------WebKitFormBoundary4C4GSVIylEQB11fE\r\n"
    "Content-Disposition: form-data; name=\"myfile\"; filename=\"23456\"\r\n"
    "Content-Type: image/png\r\n"
    "\r\n";
const char kClosing[] = "\r\n------WebKitFormBoundary4C4GSVIylEQB11fE--";

class Requests : public ::testing::Test {
protected:
    void TearDown() override { SetServiceConfig(ServiceConfigFromEnvironment()); }
};

}  // namespace

TEST_F(Requests, UploadSendsHeadFileBytesAndClosingText) {
    RawRecorder server("ok");
    qltest::PointServicesAt(server.base());
    const std::string file("\x89PNG\r\n\x1a\n\0\0\0\rIHDR-6-6-", 20);
    const std::string path = TempFile("upload.png", file);

    UploadImage(23456, path);

    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requestLine(), "POST /uploadheadimg.php HTTP/1.1");
    EXPECT_TRUE(HasLine(server.headerLines(),
                        "Content-Type: multipart/form-data; boundary=----WebKitFormBoundary4C4GSVIylEQB11fE"));
    EXPECT_FALSE(HasLine(server.headerLines(), "Content-Type: application/x-www-form-urlencoded"));
    EXPECT_EQ(server.body(), std::string(kHead23456) + file + kClosing);
    EXPECT_EQ(HostedImageAddress(23456), Text(server.base() + "/photo/23456.png"));
    std::filesystem::remove(path);
}

TEST_F(Requests, UnreadableFileGivesHeadThenClosingText) {
    RawRecorder server("ok");
    qltest::PointServicesAt(server.base());
    const std::string missing = (std::filesystem::temp_directory_path() / "qinglan-no-such-file.png").string();
    for (const std::string& path : {missing, std::filesystem::temp_directory_path().string()}) {
        UploadImage(23456, path);
    }
    ASSERT_EQ(server.requests().size(), 2u);
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(server.body(i), std::string(kHead23456) + kClosing) << i;
}

TEST_F(Requests, HostedAddressIsFormedWhenTheHostIsDown) {
    qltest::PointServicesAt("http://127.0.0.1:" + std::to_string(qltest::ClosedPort()));
    UploadImage(77, "/nonexistent.png");  // returns, nothing to report
    EXPECT_EQ(TakeRight(HostedImageAddress(77), 13), Text("/photo/77.png"));
}

TEST_F(Requests, OcrRequestPostsTheAddressAndConvertsTheAnswer) {
    RawRecorder server("{\"words_result\": [{\"words\": \"你好\"}]}");
    qltest::PointServicesAt(server.base());
    const Text answer = RequestOcr("24.tok-en", "http://127.0.0.1:17650/photo/5.png");

    EXPECT_EQ(server.requestLine(), "POST /rest/2.0/ocr/v1/general_basic?access_token=24.tok-en HTTP/1.1");
    const auto lines = server.headerLines();
    for (const char* line : {"User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
                             "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
                             "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded",
                             "Cache-Control: no-cache", "Content-Length: 38"})
        EXPECT_TRUE(HasLine(lines, line)) << line;
    EXPECT_EQ(server.body(), "url=http://127.0.0.1:17650/photo/5.png");
    EXPECT_EQ(answer, "{\"words_result\": [{\"words\": \"你好\"}]}"_gbk);
}

TEST_F(Requests, OcrRequestWithEmptyToken) {
    RawRecorder server("{}");
    qltest::PointServicesAt(server.base());
    RequestOcr("", "x");
    EXPECT_EQ(server.requestLine(), "POST /rest/2.0/ocr/v1/general_basic?access_token= HTTP/1.1");
    EXPECT_EQ(server.body(), "url=x");
}

TEST_F(Requests, TokenUrlEndsWithALoneAmpersand) {
    RawRecorder server("{\"access_token\":\"24.abc\",\"expires_in\":2592000}");
    qltest::PointServicesAt(server.base());
    EXPECT_EQ(FetchAccessToken(), Text("24.abc"));
    EXPECT_EQ(server.requestLine(),
              "GET /oauth/2.0/token?grant_type=client_credentials&client_id=Qd7nWk2LrPz9XbTc4HsVf6Jm"
              "&client_secret=h3KpZr8NwT5qLx2VbY7cMd9FsJ4gRn6E& HTTP/1.1");
    EXPECT_EQ(server.body(), "");
}

TEST_F(Requests, TokenNeedsBothMarkers) {
    struct Case {
        const char* answer;
        const char* token;
    } cases[] = {
        {"{\"access_token\":\"t1\",\"x\":1}", "t1"},
        {"{\"expires_in\":1,\"access_token\":\"t2\"}", ""},     // not the first key
        {"{\"access_token\":\"t3\"}", ""},                      // no "," after it
        {"{\"error\":\"invalid_client\"}", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        RawRecorder server(c.answer);
        qltest::PointServicesAt(server.base());
        EXPECT_EQ(FetchAccessToken(), Text(c.token)) << c.answer;
    }
}

TEST_F(Requests, TokenIsEmptyWhenTheServiceIsDown) {
    qltest::PointServicesAt("http://127.0.0.1:" + std::to_string(qltest::ClosedPort()));
    EXPECT_EQ(FetchAccessToken(), Text());
}

TEST_F(Requests, TranslationBodyIsFormEncodedAndSigned) {
    RawRecorder server("{}");
    qltest::PointServicesAt(server.base());
    RequestTranslation(BuildTranslateBodyWithSalt(ZhToEn, "你好&=+%"_gbk, "60000"));
    EXPECT_EQ(server.requestLine(), "POST /api/trans/vip/translate HTTP/1.1");
    EXPECT_EQ(server.body(),
              "q=%E4%BD%A0%E5%A5%BD%26%3D%2B%25&from=zh&to=en&appid=30457182964015326&salt=60000"
              "&sign=02f4cb820355dea8e17ed71b60c770f2");
    EXPECT_EQ(BuildTranslateBodyWithSalt(EnToZh, "apple", "60000"),
              Text("q=apple&from=en&to=zh&appid=30457182964015326&salt=60000&sign=469e87dcb789a62ea2ce1099e32d9ac9"));
}

TEST_F(Requests, SaltIsDrawnPerBodyWithinItsBounds) {
    for (int i = 0; i < 20; ++i) {
        const Text body = BuildTranslateBody(ZhToEn, "a b");
        ASSERT_EQ(TakeLeft(body, 45), Text("q=a%20b&from=zh&to=en&appid=30457182964015326"));
        const Text salt = TextBetween(body, "&salt=", "&sign=");
        const int n = std::atoi(salt.c_str());
        EXPECT_GE(n, 50000);
        EXPECT_LE(n, 100000);
        EXPECT_EQ(TextBetween(body + "|", "&sign=", "|"), TranslateSign("a b", salt));
    }
}
