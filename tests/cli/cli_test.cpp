// qinglan --recognize / --translate / --help / --version as a user runs them: the real program, without
// a display, against the real local services on a free port (and against a stopped one).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/localservices/server_process.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A folder of its own for the test's files, removed at the end.
class Scratch {
public:
    Scratch() {
        char tmpl[] = "/tmp/qinglan-cli-XXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    ~Scratch() { fs::remove_all(dir_); }
    fs::path operator/(const std::string& name) const { return dir_ / name; }

private:
    fs::path dir_;
};

// Runs the installed-style program with no display at all and the services at `base`; bounded.
Outcome RunQinglan(const std::vector<std::string>& args, const std::string& input, const std::string& base,
                   const Scratch& scratch) {
    const fs::path in = scratch / "stdin", out = scratch / "stdout", err = scratch / "stderr";
    std::ofstream(in, std::ios::binary) << input;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string kv = *e;
        if (kv.rfind("DISPLAY=", 0) == 0 || kv.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
            kv.rfind("QT_QPA_PLATFORM=", 0) == 0 || kv.rfind("QINGLAN_", 0) == 0)
            continue;
        env.push_back(kv);
    }
    for (const char* var : {"QINGLAN_OCR_BASE=", "QINGLAN_IMAGE_HOST_BASE=", "QINGLAN_TRANSLATE_BASE="})
        env.push_back(var + base);
    std::vector<std::string> argv = {QINGLAN_BIN_DIR "/qinglan"};
    argv.insert(argv.end(), args.begin(), args.end());

    const pid_t pid = fork();
    if (pid == 0) {
        const int fi = open(in.c_str(), O_RDONLY);
        const int fo = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int fe = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fi, 0);
        dup2(fo, 1);
        dup2(fe, 2);
        std::vector<char*> a, e;
        for (auto& s : argv) a.push_back(s.data());
        a.push_back(nullptr);
        for (auto& s : env) e.push_back(s.data());
        e.push_back(nullptr);
        execve(a[0], a.data(), e.data());
        _exit(127);
    }
    Outcome o;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    o.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = ReadAll(out);
    o.err = ReadAll(err);
    return o;
}

// A white picture with two black lines of 24 px text, saved as PNG.
void RenderPicture(const fs::path& file, const QString& first, const QString& second) {
    QImage image(420, 110, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font("WenQuanYi Micro Hei");
    font.setPixelSize(24);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(20, 42, first);
    p.drawText(20, 86, second);
    p.end();
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "PNG"));
}

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

class CommandLine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        services_ = new ql::localsvc::testing::ServerProcess;
        ASSERT_TRUE(services_->running());
    }
    static void TearDownTestSuite() {
        delete services_;
        services_ = nullptr;
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(services_->port()); }

    static ql::localsvc::testing::ServerProcess* services_;
    Scratch scratch_;
};
ql::localsvc::testing::ServerProcess* CommandLine::services_ = nullptr;

TEST_F(CommandLine, RecognizePrintsTheTextOfARenderedPicture) {
    const fs::path picture = scratch_ / "lines.png";
    RenderPicture(picture, QString::fromUtf8("今天天气很好。我们去公园"), QStringLiteral("Hello World"));
    const Outcome o = RunQinglan({"--recognize", picture.string()}, "", base(), scratch_);
    EXPECT_EQ(o.code, 0) << o.err;
    // The result box's text: "。" breaks the line and indents the next by four spaces.
    EXPECT_EQ(o.out, "今天天气很好。\n    我们去公园Hello World\n");
    EXPECT_EQ(o.err, "");
}

TEST_F(CommandLine, TranslateBothWaysFromStandardInput) {
    struct Case {
        const char* direction;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"en-zh", "hello\n", "你好\n"},
        {"zh-en", "你好\n", "Hello\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.direction);
        const Outcome o = RunQinglan({"--translate", c.direction}, c.input, base(), scratch_);
        EXPECT_EQ(o.code, 0) << o.err;
        EXPECT_EQ(o.out, c.expected);
    }
}

TEST_F(CommandLine, FailuresPrintOneLineAndExitNonZero) {
    const fs::path picture = scratch_ / "lines.png";
    RenderPicture(picture, QStringLiteral("Hello World"), QString());
    const fs::path blank = scratch_ / "blank.png";
    RenderPicture(blank, QString(), QString());
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string input;
        int code;
        std::string mentions;
    };
    const Case cases[] = {
        {"missing picture", {"--recognize", (scratch_ / "none.png").string()}, "", 1, "none.png"},
        {"nothing in the picture", {"--recognize", blank.string()}, "", 1, "no text was recognised"},
        {"empty input", {"--translate", "en-zh"}, "\n", 1, "nothing to translate"},
        {"unknown direction", {"--translate", "en-fr"}, "hello", 2, "en-fr"},
        {"missing argument", {"--recognize"}, "", 2, "usage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = RunQinglan(c.args, c.input, base(), scratch_);
        EXPECT_EQ(o.code, c.code);
        EXPECT_EQ(o.out, "");
        EXPECT_NE(o.err.find(c.mentions), std::string::npos) << o.err;
        if (c.code == 1) {
            EXPECT_EQ(Lines(o.err), 1) << o.err;
        }
    }
}

TEST_F(CommandLine, StoppedServicesNameTheServiceAndItsAddress) {
    const fs::path picture = scratch_ / "lines.png";
    RenderPicture(picture, QStringLiteral("Hello World"), QString());
    ql::localsvc::testing::ServerProcess stopped;
    ASSERT_TRUE(stopped.running());
    const std::string gone = "http://127.0.0.1:" + std::to_string(stopped.port());
    stopped.Stop();

    const Outcome r = RunQinglan({"--recognize", picture.string()}, "", gone, scratch_);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("OCR service at " + gone + "/oauth/2.0/token"), std::string::npos) << r.err;

    const Outcome t = RunQinglan({"--translate", "en-zh"}, "hello", gone, scratch_);
    EXPECT_EQ(t.code, 1);
    EXPECT_EQ(t.out, "");
    EXPECT_EQ(Lines(t.err), 1) << t.err;
    EXPECT_NE(t.err.find("translation service at " + gone + "/api/trans/vip/translate"), std::string::npos) << t.err;
}

TEST_F(CommandLine, HelpAndVersion) {
    const Outcome h = RunQinglan({"--help"}, "", base(), scratch_);
    EXPECT_EQ(h.code, 0);
    EXPECT_NE(h.out.find("--recognize FILE"), std::string::npos);
    const Outcome v = RunQinglan({"--version"}, "", base(), scratch_);
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out.rfind("qinglan ", 0), 0u) << v.out;
    EXPECT_NE(v.out.find("run directory: " QINGLAN_BIN_DIR "\n"), std::string::npos) << v.out;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);  // only for rendering the pictures; the program runs without one
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
