// OCR through the real server: pictures rendered with Qt in the CJK font, uploaded as the program uploads
// them (PNG, JPEG, and the 32-bit bottom-up BI_BITFIELDS BMP of its capture files), recognised line by line.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <future>

#include "localservices/utf8.h"
#include "tests/localservices/bmp_fixture.h"
#include "tests/localservices/http_helpers.h"
#include "tests/localservices/server_process.h"

namespace ql::localsvc::testing {
namespace {

const std::vector<std::string> kLines = {
    "青岚识文把图片中的文字变成文本",
    "今天天气很好，我们去公园散步。",
    "Text recognition and translation 2026",
};

// transparent: black text on a fully transparent page (its colour values are black too).
QImage Render(const std::vector<std::string>& lines, int width, int height, bool transparent = false) {
    QImage img(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    img.fill(transparent ? QColor(0, 0, 0, 0) : QColor(Qt::white));
    QPainter p(&img);
    QFont font("WenQuanYi Micro Hei");
    font.setPixelSize(32);
    p.setFont(font);
    p.setPen(Qt::black);
    int y = 50;
    for (const std::string& line : lines) {
        p.drawText(20, y, QString::fromStdString(line));
        y += 56;
    }
    return img;
}

std::string Encode(const QImage& img, const char* format) {
    if (std::string(format) == "BMP32") {
        std::vector<uint32_t> px;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) px.push_back(img.pixel(x, y) & 0xFFFFFF);
        return MakeBmp(img.width(), img.height(), px, 32);
    }
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format, 95);
    return bytes.toStdString();
}

// Levenshtein distance over code points.
size_t EditDistance(const std::vector<char32_t>& a, const std::vector<char32_t>& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diag = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diag = up;
        }
    }
    return row[b.size()];
}

// Share of the expected characters recognised right: 1 - distance / length (spaces ignored).
double Accuracy(const std::string& expected, const std::string& got) {
    auto cps = [](const std::string& s) {
        std::vector<char32_t> v = DecodeUtf8(s);
        v.erase(std::remove(v.begin(), v.end(), U' '), v.end());
        return v;
    };
    const auto e = cps(expected), g = cps(got);
    return 1.0 - static_cast<double>(EditDistance(e, g)) / static_cast<double>(e.size());
}

// The recognised lines, cut out of the answer with the program's own markers.
std::vector<std::string> Words(const std::string& answer) {
    std::vector<std::string> out;
    const std::string prefix = "{\"words\": \"", suffix = "\"}";
    for (size_t pos = answer.find(prefix); pos != std::string::npos; pos = answer.find(prefix, pos)) {
        const size_t end = answer.find(suffix, pos + prefix.size());
        if (end == std::string::npos) break;
        out.push_back(answer.substr(pos + prefix.size(), end - pos - prefix.size()));
        pos = end;
    }
    return out;
}

class LocalServicesOcr : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "localsvc_ocr_test";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) app_ = new QGuiApplication(argc, argv);
    }
    static inline QGuiApplication* app_ = nullptr;
};

TEST_F(LocalServicesOcr, RenderedLinesAreRecognisedInEveryFormat) {
    ServerProcess server;
    ASSERT_TRUE(server.running());
    httplib::Client cli("127.0.0.1", server.port());
    cli.set_read_timeout(120, 0);
    const std::string token = FetchToken(cli);
    ASSERT_FALSE(token.empty());

    const QImage img = Render(kLines, 720, 190);
    std::vector<std::pair<std::string, std::string>> pictures = {
        {"PNG", Encode(img, "PNG")},
        {"BMP32", Encode(img, "BMP32")},
        {"transparent PNG", Encode(Render(kLines, 720, 190, true), "PNG")},
    };
    if (QImageWriter::supportedImageFormats().contains("jpeg")) pictures.emplace_back("JPEG", Encode(img, "JPEG"));
    int id = 31000;
    std::vector<std::pair<std::string, std::future<httplib::Result>>> pending;
    for (const auto& [format, bytes] : pictures) {
        const std::string name = std::to_string(++id);
        ASSERT_EQ(Upload(cli, UploadBody(name, bytes))->status, 200) << format;
        // The formats are recognised at the same time, each on its own connection.
        pending.emplace_back(format, std::async(std::launch::async, [&server, token, name] {
            httplib::Client c("127.0.0.1", server.port());
            c.set_read_timeout(120, 0);
            return Recognize(c, token, "http://127.0.0.1:" + std::to_string(server.port()) + "/photo/" + name + ".png");
        }));
    }
    for (auto& [format, future] : pending) {
        httplib::Result res = future.get();
        ASSERT_TRUE(res) << format;
        const std::string& answer = res->body;
        EXPECT_EQ(answer.rfind("{\"log_id\": ", 0), 0u) << answer;
        EXPECT_NE(answer.find(", \"words_result_num\": 3, \"words_result\": [{\"words\": \""), std::string::npos) << answer;
        const std::vector<std::string> words = Words(answer);
        ASSERT_EQ(words.size(), kLines.size()) << format << ": " << answer;
        for (size_t i = 0; i < kLines.size(); ++i) {
            // Clean 32-pixel text: at least 90% of the characters right, by edit distance.
            EXPECT_GE(Accuracy(kLines[i], words[i]), 0.9) << format << ": " << kLines[i] << " -> " << words[i];
            std::printf("%s line %zu: %.3f  %s\n", format.c_str(), i + 1, Accuracy(kLines[i], words[i]), words[i].c_str());
        }
    }
}

TEST_F(LocalServicesOcr, AnEmptyPictureHasNoLines) {
    ServerProcess server;
    ASSERT_TRUE(server.running());
    httplib::Client cli("127.0.0.1", server.port());
    cli.set_read_timeout(120, 0);
    const std::string token = FetchToken(cli);
    ASSERT_EQ(Upload(cli, UploadBody("5", Encode(Render({}, 300, 100), "PNG")))->status, 200);
    auto res = Recognize(cli, token, "http://127.0.0.1:" + std::to_string(server.port()) + "/photo/5.png");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body.substr(res->body.find(',')), ", \"words_result_num\": 0, \"words_result\": []}");
}

}  // namespace
}  // namespace ql::localsvc::testing
