// Time per pointer movement in CaptureWindow, including the present (the window's repaint from the back
// buffer), on Qt's offscreen platform with a screen of the given size; and the time of ConfirmSelection.
//   overlay_bench                 both 1920x1080 and 3840x2160 (one child process per size)
//   overlay_bench WxH [moves]     one size (default 400 movements per case)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>

#include "app/app_state.h"
#include "capture/capture_export.h"
#include "capture/capture_window.h"
#include "capture/overlay_logic.h"
#include "capture/overlay_state.h"
#include "graphics/window_subclass.h"

using namespace ql;
using Clock = std::chrono::steady_clock;

namespace {

Point pointer;
std::vector<double> handlerTimes;  // the handler's part of each movement, without the repaint
int paints = 0;

// Counts the window's paint events, to show that every movement was painted.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void Quietly(const Text&, int32_t) {}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* what, std::vector<double> t) {
    std::sort(t.begin(), t.end());
    const double median = t[t.size() / 2];
    const double p99 = t[std::min(t.size() - 1, (t.size() * 99) / 100)];
    std::printf("  %-40s median %7.3f ms   p99 %7.3f ms", what, median, p99);
    if (handlerTimes.size() >= t.size()) {
        std::vector<double> h(handlerTimes.end() - static_cast<long>(t.size()), handlerTimes.end());
        std::sort(h.begin(), h.end());
        std::printf("   (handler alone: median %6.3f ms)", h[h.size() / 2]);
    }
    std::printf("   paints %d\n", paints);
    paints = 0;
    handlerTimes.clear();
}

// One message through the hook's handler, then the window painted from the back buffer.
double Send(QWidget* window, uint32_t message, int x, int y) {
    pointer = Point{x, y};
    const auto start = Clock::now();
    OverlayMessage(CaptureHost(), window, message, 0, 0);
    handlerTimes.push_back(Ms(Clock::now() - start));
    // The present schedules the repaint of what changed; run it now, as the event loop would.
    QCoreApplication::sendPostedEvents();
    return Ms(Clock::now() - start);
}

QImage Snapshot(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) row[x] = qRgb((x * 7) & 255, (y * 3) & 255, (x ^ y) & 255);
    }
    return img;
}

// A path of movements wandering over the screen, one or two pixels at a time.
std::vector<Point> Path(int n, int w, int h, int x0, int y0) {
    std::vector<Point> p;
    int x = x0, y = y0, dx = 2, dy = 1;
    for (int i = 0; i < n; ++i) {
        x += dx;
        y += dy;
        if (x < 10 || x > w - 10) dx = -dx;
        if (y < 10 || y > h - 10) dy = -dy;
        p.push_back(Point{x, y});
    }
    return p;
}

int RunOneSize(int w, int h, int moves) {
    const std::string dir = "/tmp/overlay-bench-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    const std::string config = dir + "/screen.json";
    std::ofstream(config) << "{\"screens\":[{\"name\":\"bench\",\"x\":0,\"y\":0,\"width\":" << w
                          << ",\"height\":" << h << ",\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}";
    const std::string platform = "offscreen:configfile=" + config;
    ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    int argc = 1;
    char name[] = "overlay_bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    SetRunDirectory(dir);
    SetRecognitionForTests(&Quietly);
    const QImage snap = Snapshot(w, h);
    SetSnapshotSourceForTests([&snap] { return snap; });
    SetPointerSourceForTests([] { return pointer; });
    CreateOverlayObjects();

    std::printf("%dx%d, %d movements per case\n", w, h, moves);
    {
        ResetOverlayState();
        QWidget* window = OpenCaptureWindow();
        PaintCounter counter;
        window->installEventFilter(&counter);
        QCoreApplication::sendPostedEvents();
        paints = 0;
        if (window->size() != QSize(w, h)) {
            std::printf("  screen is %dx%d, not the size asked for\n", window->width(), window->height());
            return 1;
        }
        std::vector<double> t;
        handlerTimes.clear();
        // Drawing mode, hovering: dimmed screen and magnifier.
        for (const Point p : Path(moves, w, h, w / 3, h / 3)) t.push_back(Send(window, WM_MOUSEMOVE, p.x, p.y));
        Report("drawing mode, hover (magnifier)", t);
        // Drawing a selection with the button down: frame and magnifier.
        t.clear();
        Send(window, WM_LBUTTONDOWN, w / 4, h / 4);
        handlerTimes.clear();
        for (const Point p : Path(moves, w, h, w / 2, h / 2)) t.push_back(Send(window, WM_MOUSEMOVE, p.x, p.y));
        Report("drawing mode, drawing a selection", t);
        Send(window, WM_LBUTTONUP, w / 2, h / 2);
        // Selection mode: a 600x400 selection, hovering (selection, toolbar, hover highlight).
        Overlay().SelectionRect = Rect{w / 2 - 300, h / 2 - 200, w / 2 + 300, h / 2 + 200};
        t.clear();
        handlerTimes.clear();
        for (const Point p : Path(moves, w, h, 50, 50)) t.push_back(Send(window, WM_MOUSEMOVE, p.x, p.y));
        Report("selection mode, hover (toolbar)", t);
        // Moving the selection.
        t.clear();
        Send(window, WM_MOUSEMOVE, w / 2, h / 2);
        Send(window, WM_LBUTTONDOWN, w / 2, h / 2);
        handlerTimes.clear();
        int x = w / 2, y = h / 2;
        for (int i = 0; i < moves; ++i) {
            x += (i / 100) % 2 == 0 ? 2 : -2;
            y += (i / 50) % 2 == 0 ? 1 : -1;
            t.push_back(Send(window, WM_MOUSEMOVE, x, y));
        }
        Report("selection mode, moving the selection", t);
        Send(window, WM_LBUTTONUP, x, y);
        // Resizing by the bottom-right corner (magnifier on).
        t.clear();
        const Rect s = Overlay().SelectionRect;
        Send(window, WM_MOUSEMOVE, s.right, s.bottom);
        Send(window, WM_LBUTTONDOWN, s.right, s.bottom);
        handlerTimes.clear();
        for (const Point p : Path(moves, w, h, s.right, s.bottom)) t.push_back(Send(window, WM_MOUSEMOVE, p.x, p.y));
        Report("selection mode, resizing (magnifier)", t);
        Send(window, WM_LBUTTONUP, s.right, s.bottom);
        FinishCapture();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    {
        std::vector<double> t;
        handlerTimes.clear();
        for (int i = 0; i < 7; ++i) {
            QWidget* window = OpenCaptureWindow();
            window->repaint();
            Overlay().HasSelection = 1;
            Overlay().SelectionRect = Rect{w / 4, h / 4, w / 4 + 800, h / 4 + 600};
            const auto start = Clock::now();
            ConfirmSelection();
            t.push_back(Ms(Clock::now() - start));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        Report("ConfirmSelection (800x600 region)", t);
    }
    ReleaseOverlayObjects();
    SetSnapshotSourceForTests({});
    SetPointerSourceForTests({});
    std::filesystem::remove_all(dir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2) {
        int w = 0, h = 0;
        if (std::sscanf(argv[1], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) {
            std::fprintf(stderr, "usage: overlay_bench [WxH [moves]]\n");
            return 2;
        }
        return RunOneSize(w, h, argc >= 3 ? std::max(10, std::atoi(argv[2])) : 400);
    }
    int rc = 0;
    for (const char* size : {"1920x1080", "3840x2160"}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            char* args[] = {argv[0], const_cast<char*>(size), nullptr};
            ::execv("/proc/self/exe", args);
            std::_Exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) rc = 1;
    }
    return rc;
}
