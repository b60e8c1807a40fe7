// Writes pictures of the skinned MainWindow and of AboutWindow: shell_screenshots OUT_DIR
// (run by scripts/screenshot-shell.sh under Xvfb; uses bin/VELTO.dll as the program does).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/skin.h"
#include "app/ui/about_window.h"
#include "app/ui/fonts.h"
#include "app/ui/main_window.h"

using ql::operator""_gbk;

namespace {

void Settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// What the X server shows of the window (falls back to the widget's own rendering).
bool Shoot(QWidget& w, const QString& file) {
    Settle();
    QPixmap shot;
    if (QScreen* screen = w.screen()) shot = screen->grabWindow(w.winId());
    if (shot.isNull() || shot.size() != w.size()) shot = w.grab();
    bool ok = shot.save(file, "PNG");
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(file), shot.width(), shot.height());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: shell_screenshots OUT_DIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    ql::InstallFontSubstitutions();
    QApplication::setFont(ql::PixelFont(ql::YaheiFamily(), 12));
    QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    ql::SetRunDirectory(QINGLAN_BIN_DIR);
    ql::RecordingDialogs quiet;
    ql::SetDialogs(&quiet);

    ql::LocateSkinLibraryPath(ql::RunDirectorySkinLibrary());
    if (!ql::ApplySkin()) std::fprintf(stderr, "shell_screenshots: the skin was not applied\n");

    bool ok = true;
    {
        ql::MainWindow window;
        window.move(40, 40);
        window.SetImagePathText("/home/user/图片/截图.png"_gbk);
        window.SetResultText("青岚识文把图片里的文字变成可编辑的文本。\r\n"
                             "    识别结果显示在这里，可以复制、保存或翻译。\r\n"
                             "The quick brown fox jumps over the lazy dog."_gbk);
        window.show();
        ok = Shoot(window, out + "/shell-main-window.png") && ok;
    }
    {
        ql::AboutWindow about;
        about.move(40, 40);
        about.show();
        ok = Shoot(about, out + "/shell-about-window.png") && ok;
    }
    return ok ? 0 : 1;
}
