// What the overlay's window tests share: one QApplication, a known snapshot of the (offscreen) primary
// screen, and reading back the canvas.
#pragma once

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "capture/capture_window.h"
#include "capture/overlay_state.h"
#include "graphics/layered_canvas.h"

namespace ql::test {

inline void EnsureApp() {
    static int argc = 1;
    static char name[] = "capture-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

inline QSize ScreenSize() { return QGuiApplication::primaryScreen()->geometry().size(); }

// A pattern without extremes, with a red, a blue and a black 20 x 20 block at 400/440/480, 300.
inline QRgb SnapshotPixel(int x, int y) {
    if (y >= 300 && y < 320) {
        if (x >= 400 && x < 420) return qRgb(255, 0, 0);
        if (x >= 440 && x < 460) return qRgb(0, 0, 255);
        if (x >= 480 && x < 500) return qRgb(0, 0, 0);
    }
    return qRgb(40 + (x * 3) % 200, 40 + (y * 5) % 200, 120);
}

inline QImage MakeSnapshot(QSize size) {
    QImage img(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) img.setPixel(x, y, SnapshotPixel(x, y));
    return img;
}

inline QRgb CanvasPixel(int x, int y) { return Overlay().WindowCanvas->DeviceContext()->pixel(x, y); }

// The dimmed value of one channel: black blended at 128 over it.
inline int Dim(int v) { return (v * 127 + 127) / 255; }

}  // namespace ql::test
