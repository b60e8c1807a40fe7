// OCR time per picture of the local services' engine (in-process, no HTTP): a 400 x 120 picture of two
// lines and a 1920 x 1080 screenshot-like picture, both rendered with Qt in the CJK font.
//   build/bench-bin/ocr_bench [--runs N] [--psm N] [--lang L]
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QBuffer>

#include "localservices/ocr.h"

namespace {

QFont Font(int px) {
    QFont f("WenQuanYi Micro Hei");
    f.setPixelSize(px);
    return f;
}

std::string Png(const QImage& img) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes.toStdString();
}

QImage TwoLines() {
    QImage img(400, 120, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(Font(32));
    p.setPen(Qt::black);
    p.drawText(12, 46, QString::fromUtf8("今天天气很好"));
    p.drawText(12, 100, QStringLiteral("Hello World 2026"));
    return img;
}

// A desktop with a window: title bar, menu, a side list and paragraphs of mixed text at 16 to 22 px.
QImage Screenshot() {
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(QColor(0x2d, 0x5f, 0x8a));
    QPainter p(&img);
    p.fillRect(160, 90, 1600, 900, QColor(0xf4, 0xf4, 0xf4));
    p.fillRect(160, 90, 1600, 40, QColor(0x30, 0x30, 0x38));
    p.setPen(Qt::white);
    p.setFont(Font(20));
    p.drawText(180, 118, QString::fromUtf8("青岚识文 - 文字识别与翻译"));
    p.setPen(Qt::black);
    p.setFont(Font(18));
    p.drawText(180, 160, QString::fromUtf8("文件    编辑    视图    工具    帮助"));
    p.fillRect(160, 180, 300, 810, QColor(0xe2, 0xe6, 0xea));
    const char* side[] = {"最近的图片", "截图记录", "翻译历史", "Settings", "About"};
    for (int i = 0; i < 5; ++i) p.drawText(185, 220 + 44 * i, QString::fromUtf8(side[i]));
    const char* para[] = {
        "识别结果已经复制到剪贴板，请粘贴使用。",
        "点击按钮选择图片，或者把文件拖到这里。",
        "The quick brown fox jumps over the lazy dog.",
        "Please select a picture file (JPG, PNG or BMP).",
        "今天天气很好，我们去公园散步。",
        "中文和English混合的一行文字123",
        "Version 1.0.3, released on 12/11/2026",
        "上传图片以后，程序会把识别出的文字写进结果框。",
    };
    int y = 230;
    for (int round = 0; round < 2; ++round) {
        for (const char* line : para) {
            p.setFont(Font(round == 0 ? 22 : 16));
            p.drawText(500, y, QString::fromUtf8(line));
            y += round == 0 ? 44 : 32;
        }
        y += 30;
    }
    p.fillRect(1500, 930, 110, 36, QColor(0x2d, 0x7d, 0xd2));
    p.setPen(Qt::white);
    p.drawText(1522, 954, QString::fromUtf8("确定"));
    return img;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    ql::localsvc::LimitOcrThreads(argv);  // as the server runs its engines
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int runs = 3;
    ql::localsvc::OcrOptions options;
    options.maxEngines = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--psm") options.pageSegMode = std::atoi(argv[i + 1]);
        else if (a == "--lang") options.languages = argv[i + 1];
    }
    ql::localsvc::OcrEngines engines(options);
    const struct {
        const char* name;
        std::string png;
    } pictures[] = {{"400x120 two lines", Png(TwoLines())}, {"1920x1080 screenshot", Png(Screenshot())}};

    std::printf("languages %s, psm %d, %d runs each (after one warm-up, which includes the engine start)\n",
                options.languages.c_str(), options.pageSegMode, runs);
    const auto t0 = std::chrono::steady_clock::now();
    engines.Recognize(pictures[0].png);
    std::printf("first recognition (engine start + 400x120): %.3f s\n", Seconds(std::chrono::steady_clock::now() - t0));
    for (const auto& pic : pictures) {
        std::vector<double> times;
        size_t lines = 0;
        for (int r = 0; r < runs; ++r) {
            const auto t = std::chrono::steady_clock::now();
            const ql::localsvc::OcrOutcome out = engines.Recognize(pic.png);
            times.push_back(Seconds(std::chrono::steady_clock::now() - t));
            lines = out.lines.size();
            if (r == 0 && std::getenv("OCR_BENCH_SHOW")) {
                for (const std::string& l : out.lines) std::printf("    | %s\n", l.c_str());
            }
        }
        std::sort(times.begin(), times.end());
        double sum = 0;
        for (double t : times) sum += t;
        std::printf("%-22s lines %2zu  mean %.3f s  min %.3f s  max %.3f s\n", pic.name, lines, sum / runs, times.front(),
                    times.back());
    }
    return 0;
}
