// GUI helpers of the shell tests: one QApplication, a bounded event-loop wait, real drag-and-drop
// events delivered through the window, the desktop folder pointed at a test folder.
#pragma once

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <string>

#include "app/ui/fonts.h"
#include "tests/app/shell_test_util.h"

namespace ql::test {

inline QApplication& TheApp() {
    static int argc = 1;
    static char name[] = "shell_gui_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        InstallFontSubstitutions();
        return a;
    }();
    return *app;
}

// Runs the event loop until done() or about 10 s have passed (a bound against hanging, not a timing check).
template <class F>
bool SpinUntil(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

inline void Spin() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

// A drag of the given addresses entering the top-level window at pos (window coordinates), then, as
// the platform does, a drop only when the drag was accepted. Qt's window routes both to the widget
// under pos that accepts drops. Returns whether the drop was delivered and accepted.
inline bool DragAndDrop(QWidget& top, const QPoint& pos, const QList<QUrl>& urls) {
    QWindow* window = top.windowHandle();
    if (window == nullptr) return false;
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window, &leave);
        return false;
    }
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

inline QList<QUrl> FileUrls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    return urls;
}

// The centre of a child widget in its top-level window's coordinates.
inline QPoint CentreIn(QWidget& top, QWidget* child) {
    return child->mapTo(&top, child->rect().center());
}

// Points the XDG desktop folder at folder (through the user-dirs file Qt reads).
inline void SetDesktopFolder(const TempDir& config, const std::string& folder) {
    WriteFile(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + folder + "\"\n");
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
}

}  // namespace ql::test
