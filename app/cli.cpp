// Command-line use: the same pipeline steps as the window program, with the result box replaced by a
// buffer. The pipelines report the end of their work by hiding the busy indicator; we wait for that.
#include "app/cli.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <mutex>
#include <string>

#include "app/app_state.h"
#include "services/config.h"
#include "services/main_controls.h"
#include "services/recognition.h"
#include "services/requests.h"
#include "services/translation.h"
#include "services/workers.h"
#include "web/http_text.h"
#include "web/text.h"

#ifndef QINGLAN_VERSION
#define QINGLAN_VERSION "unknown"
#endif

namespace ql {

namespace {

// The result box and busy indicator of a window that is not there.
class BufferControls : public MainControls {
public:
    explicit BufferControls(Text imagePath = Text(), Text result = Text())
        : path_(std::move(imagePath)), result_(std::move(result)) {}

    Text ImagePath() override { std::lock_guard<std::mutex> l(m_); return path_; }
    Text ResultText() override { std::lock_guard<std::mutex> l(m_); return result_; }
    void SetResultText(const Text& text) override {
        std::lock_guard<std::mutex> l(m_);
        result_ = text;
        replaced_ = true;
    }
    void AppendResultText(const Text& text) override { std::lock_guard<std::mutex> l(m_); result_ += text; }
    void SetBusyLabelText(const Text&) override {}
    void SetBusyLabelVisible(bool) override {}
    void SetBusyPictureVisible(bool visible) override {
        std::lock_guard<std::mutex> l(m_);
        if (visible) shown_ = true;
        else if (shown_) done_ = true;
        cv_.notify_all();
    }

    // Waits until the busy indicator was shown and hidden again; false when the time ran out.
    bool WaitUntilIdle(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> l(m_);
        return cv_.wait_for(l, limit, [&] { return done_; });
    }
    bool Replaced() { std::lock_guard<std::mutex> l(m_); return replaced_; }

private:
    std::mutex m_;
    std::condition_variable cv_;
    Text path_;
    Text result_;
    bool shown_ = false;
    bool done_ = false;
    bool replaced_ = false;
};

// Longer than the request routines' own limits (30 s per phase) over the pipeline's three requests.
constexpr std::chrono::seconds kPipelineLimit{200};

std::string Utf8(const Text& gbk) { return GbkToUtf8Bytes(gbk.str()); }

// A failure line: "qinglan: <service> at <address>: <what went wrong>".
int Fail(const std::string& service, const Text& address, const std::string& what) {
    std::fprintf(stderr, "qinglan: %s at %s: %s\n", service.c_str(), Utf8(address).c_str(), what.c_str());
    return 1;
}

// A short, single-line excerpt of an answer for an error message.
std::string Excerpt(const Text& answer) {
    std::string s = Utf8(TakeLeft(answer, 200));
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

// Why a request gave nothing usable: the failure text of the request routine, or the answer itself.
// Only called after a pipeline step came back empty; it repeats that step's request to find out.
std::string WhyEmpty(const Text& url, int method, const Text& body, bool answerIsUtf8) {
    Text status;
    HttpTextRequest r;
    r.method = method;
    r.postData = body;
    r.statusText = &status;
    const Text answer = HttpRequestText(url, r);
    // The request routine's own failures are numbered from 700 on; anything else is the server's status.
    if (answer.empty())
        return status.empty()                      ? std::string("no answer")
               : TakeLeft(status, 1) == Text("7") ? "cannot reach it (" + Utf8(status) + ")"
                                                  : "answered " + Utf8(status) + " with an empty body";
    return "answered: " + (answerIsUtf8 ? Excerpt(Utf8ToGbk(answer)) : Excerpt(answer));
}

// The printed form of a result box's text: its CR LF line breaks as the terminal's, ending in one.
void PrintResult(const Text& text) {
    std::string out = Utf8(ReplaceText(text, "\r\n", "\n"));
    if (out.empty() || out.back() != '\n') out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

bool FetchToken() {
    App().AccessToken.set(FetchAccessToken());
    if (!App().AccessToken.get().empty()) return true;
    Fail("OCR service", OcrServiceBase() + "/oauth/2.0/token",
         "no access token: " + WhyEmpty(AccessTokenUrl(), 0, Text(), false));
    return false;
}

int Recognize(const std::string& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        std::fprintf(stderr, "qinglan: %s: no such picture file\n", file.c_str());
        return 1;
    }
    const Text path = Utf8ToGbk(Text(file));
    if (ReadImageFile(path).empty()) {
        std::fprintf(stderr, "qinglan: %s: the picture cannot be read (or is empty)\n", file.c_str());
        return 1;
    }
    if (!FetchToken()) return 1;

    // What the window's chosen-picture command sets up, then the pipeline from its entry.
    const int32_t id = RandomInRange(19999, 999999);
    App().UploadId.set(id);
    App().CurrentFileName.set(path);
    BufferControls box(path);
    SetMainControls(&box);
    UploadAndRecognize(path, id);
    const bool finished = box.WaitUntilIdle(kPipelineLimit);
    WaitForWorkers(std::chrono::seconds(5));
    SetMainControls(nullptr);
    const Text ocrAddress = OcrServiceBase() + "/rest/2.0/ocr/v1/general_basic";
    if (!finished) return Fail("OCR service", ocrAddress, "no result within " + std::to_string(kPipelineLimit.count()) + " s");

    const Text result = box.ResultText();
    if (!result.empty()) {
        PrintResult(result);
        return 0;
    }
    // Nothing recognised: find the step that failed.
    const Text answer = App().OcrAnswer.get();
    if (answer.empty())
        return Fail("OCR service", ocrAddress,
                    WhyEmpty(OcrUrl(App().AccessToken.get()), 1, "url=" + App().ImageUrl.get(), true));
    Text hostStatus;
    HttpTextRequest probe;
    probe.statusText = &hostStatus;
    Bytes served;
    probe.responseBytes = &served;
    (void)HttpRequestText(App().ImageUrl.get(), probe);
    if (TakeLeft(hostStatus, 3) != Text("200") || served.empty())
        return Fail("image host", ImageHostBase() + "/uploadheadimg.php",
                    "the uploaded picture is not served at " + Utf8(App().ImageUrl.get()) + " (" +
                        (hostStatus.empty() ? std::string("no answer") : Utf8(hostStatus)) + ")");
    if (SearchText(answer, "error", 1, true) > 0)
        return Fail("OCR service", ocrAddress, "refused the picture: " + Excerpt(answer));
    std::fprintf(stderr, "qinglan: no text was recognised in %s\n", file.c_str());
    return 1;
}

int Translate(TranslateDirection dir) {
    const std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    // The result box holds CR LF line breaks; a final line break of the input is not part of the text.
    std::string text = input;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const Text source = ReplaceText(ReplaceText(Utf8ToGbk(Text(text)), "\r\n", "\n"), "\n", "\r\n");

    BufferControls box(Text(), source);
    SetMainControls(&box);
    bool empty = false;
    TranslateCommand(dir, [&](const Text&, const Text&) { empty = true; });
    if (empty) {
        SetMainControls(nullptr);
        std::fprintf(stderr, "qinglan: nothing to translate: standard input is empty\n");
        return 1;
    }
    const bool finished = box.WaitUntilIdle(kPipelineLimit);
    WaitForWorkers(std::chrono::seconds(5));
    SetMainControls(nullptr);
    const Text address = TranslateServiceBase() + "/api/trans/vip/translate";
    if (!finished) return Fail("translation service", address, "no result within " + std::to_string(kPipelineLimit.count()) + " s");
    // The pipeline replaces the box only when the answer held translated segments.
    const Text result = box.ResultText();
    if (!box.Replaced() || result.empty())
        return Fail("translation service", address, WhyEmpty(TranslateUrl(), 1, BuildTranslateBody(dir, source), false));
    PrintResult(result);
    return 0;
}

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: qinglan                         the window program\n"
                 "       qinglan --recognize FILE        prints the text recognised in a JPG, PNG or BMP picture\n"
                 "       qinglan --translate zh-en|en-zh translates standard input and prints the translation\n"
                 "       qinglan --help | --version\n"
                 "Services: QINGLAN_OCR_BASE, QINGLAN_IMAGE_HOST_BASE, QINGLAN_TRANSLATE_BASE (default %s)\n"
                 "and the keys QINGLAN_OCR_API_KEY, QINGLAN_OCR_SECRET_KEY, QINGLAN_TRANSLATE_APP_ID,\n"
                 "QINGLAN_TRANSLATE_SIGN_KEY. Exit status: 0 done, 1 a service step failed, 2 wrong arguments.\n",
                 kDefaultOcrServiceBase);
}

}  // namespace

bool IsCommandLineUse(int argc, char** argv) {
    if (argc < 2) return false;
    const std::string a = argv[1];
    return a == "--recognize" || a == "--translate" || a == "--help" || a == "-h" || a == "--version";
}

int RunCommandLine(int argc, char** argv) {
    SetRunDirectory(ExecutableDirectory());
    const std::string a = argv[1];
    if (a == "--help" || a == "-h") {
        Usage(stdout);
        return 0;
    }
    if (a == "--version") {
        std::printf("qinglan %s\nrun directory: %s\n", QINGLAN_VERSION, RunDirectory().c_str());
        return 0;
    }
    if (argc != 3) {
        Usage(stderr);
        return 2;
    }
    const std::string value = argv[2];
    if (a == "--recognize") return Recognize(value);
    if (value == "zh-en") return Translate(ZhToEn);
    if (value == "en-zh") return Translate(EnToZh);
    std::fprintf(stderr, "qinglan: --translate takes zh-en or en-zh, not %s\n", value.c_str());
    return 2;
}

}  // namespace ql
