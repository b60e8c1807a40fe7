#include "app/startup.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/app_state.h"
#include "app/exit_cleanup.h"
#include "app/ui/fonts.h"
#include "app/ui/main_window.h"

namespace ql {

namespace {
// Ends the event loop when MainWindow has closed, whatever other windows are still open.
class QuitWhenClosed : public QObject {
public:
    explicit QuitWhenClosed(QWidget* window) : QObject(window), window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            // decided after the close event has been handled: a handler may refuse it
            QTimer::singleShot(0, this, [this] {
                if (!window_->isVisible()) QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }
private:
    QWidget* window_;
};
}  // namespace

bool HaveDisplay() {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(var);
        if (v && *v) return true;
    }
    return false;
}

int RunProgram(int& argc, char** argv, const StartupHooks& hooks) {
    if (!HaveDisplay()) {
        std::fprintf(stderr,
                     "qinglan: no X display (DISPLAY is not set); run it under Xvfb, for example: "
                     "xvfb-run -a -s '-screen 0 1920x1080x24' %s\n",
                     argc > 0 ? argv[0] : "qinglan");
        return 1;
    }
    SetRunDirectory(ExecutableDirectory());

    std::unique_ptr<QApplication> ownApp;
    if (!QApplication::instance()) ownApp = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qinglan"));
    InstallFontSubstitutions();
    QApplication::setFont(PixelFont(YaheiFamily(), 12));

    // 1. The capture overlay's objects.
    if (hooks.CreateOverlayObjects) hooks.CreateOverlayObjects();
    // 2. The exit routine.
    RegisterExitCleanup(hooks.ReleaseOverlayObjects);
    // 3. The skin library's location.
    if (hooks.LocateSkinLibrary) hooks.LocateSkinLibrary();
    // 4. The drawing layer, once.
    if (App().GdiplusToken.get() == 0) {
        App().GdiplusToken.set(hooks.StartDrawingLayer ? hooks.StartDrawingLayer() : uintptr_t{1});
    }
    // 5. MainWindow and its creation handler.
    int rc = 0;
    {
        MainWindow window;
        if (hooks.MainWindowCreated) hooks.MainWindowCreated(window);
        QApplication::setQuitOnLastWindowClosed(false);
        window.installEventFilter(new QuitWhenClosed(&window));
        window.show();
        if (hooks.BeforeEventLoop) hooks.BeforeEventLoop(window);
        // 6. The event loop, until MainWindow closes.
        rc = QApplication::exec();
    }
    (void)rc;
    return 0;
}

}  // namespace ql
