#include "capture/capture_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "app/dialogs.h"
#include "capture/capture_export.h"
#include "capture/hotkey.h"
#include "capture/overlay_logic.h"
#include "capture/overlay_render.h"
#include "capture/overlay_state.h"
#include "capture/x11_keys.h"
#include "graphics/bmp_codec.h"
#include "graphics/graphics_objects.h"
#include "graphics/layered_canvas.h"
#include "graphics/window_subclass.h"

namespace ql {
namespace {

QPointer<CaptureWindow>& Current() {
    static QPointer<CaptureWindow> window;
    return window;
}

std::function<QImage()>& SnapshotSource() {
    static std::function<QImage()> f;
    return f;
}
std::function<Point()>& PointerSource() {
    static std::function<Point()> f;
    return f;
}

QRect PrimaryScreenRect() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect();
}

// The whole primary screen as BMP file bytes.
Bytes SnapshotOfScreen() {
    QImage image;
    if (SnapshotSource()) {
        image = SnapshotSource()();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        image = screen->grabWindow(0).toImage();
    }
    if (image.isNull()) return Bytes();
    return EncodeBmp(image.convertToFormat(QImage::Format_ARGB32));
}

const QCursor& OverlayQCursor() {
    static const QCursor cursor = [] {
        const CursorImage& ci = OverlayCursorImage();
        if (ci.image.isNull()) return QCursor(Qt::ArrowCursor);
        return QCursor(QPixmap::fromImage(ci.image), ci.hotX, ci.hotY);
    }();
    return cursor;
}

class WindowHost : public OverlayHost {
public:
    Point PointerPosition() override {
        if (PointerSource()) return PointerSource()();
        const QPoint p = QCursor::pos();
        return Point{p.x(), p.y()};
    }
    int32_t ScreenWidth() override { return PrimaryScreenRect().width(); }
    int32_t ScreenHeight() override { return PrimaryScreenRect().height(); }
    void SetCursor(CursorShape shape) override {
        CaptureWindow* w = Current().data();
        if (w == nullptr) return;
        switch (shape) {
            case CursorShape::Overlay: w->setCursor(OverlayQCursor()); break;
            case CursorShape::Arrow: w->setCursor(Qt::ArrowCursor); break;
            case CursorShape::SizeAll: w->setCursor(Qt::SizeAllCursor); break;
            case CursorShape::SizeNS: w->setCursor(Qt::SizeVerCursor); break;
            case CursorShape::SizeWE: w->setCursor(Qt::SizeHorCursor); break;
            case CursorShape::SizeNWSE: w->setCursor(Qt::SizeFDiagCursor); break;
            case CursorShape::SizeNESW: w->setCursor(Qt::SizeBDiagCursor); break;
        }
    }
    void DrawDimmedBase() override { ql::DrawDimmedBase(); }
    void DrawSelectionFrame(int32_t l, int32_t t, int32_t r, int32_t b) override { ql::DrawSelectionFrame(l, t, r, b); }
    void DrawToolbar(const Rect& box) override { ql::DrawToolbar(box, ScreenHeight()); }
    void DrawMagnifier() override { ql::DrawMagnifier(PointerPosition(), ScreenWidth(), ScreenHeight()); }
    // The window shows the whole back buffer; only the parts changed since the last present are
    // painted again, the rest of the window already shows the same pixels.
    void Present() override {
        LayeredWindowCanvas* c = Overlay().WindowCanvas;
        if (c == nullptr || !c->IsAttached() || c->Window() == nullptr) return;
        const QRegion changed = TakeChangedRegion().intersected(c->Window()->rect());
        if (!changed.isEmpty()) c->Window()->update(changed);
    }
    void ConfirmSelection() override { ql::ConfirmSelection(); }
    void FinishCapture() override { ql::FinishCapture(); }
    intptr_t CallPreviousHandler(OverlayWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        WindowSubclass* hook = Overlay().WindowHook;
        if (hook == nullptr) return 0;
        return hook->CallPrevious(static_cast<QWidget*>(window), message, wParam, lParam);
    }
};

}  // namespace

CaptureWindow::CaptureWindow() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("CaptureWindow"));
    setFocusPolicy(Qt::StrongFocus);
}

CaptureWindow::~CaptureWindow() {
    if (Current().data() == this) Current() = nullptr;
}

void CaptureWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (Current().data() == this) CloseOverlay();
}

OverlayHost& CaptureHost() {
    static WindowHost host;
    return host;
}

CaptureWindow* CurrentCaptureWindow() { return Current().data(); }
bool IsCaptureWindowOpen() { return !Current().isNull(); }

void OpenOverlay(CaptureWindow* window) {
    OverlayState& s = Overlay();
    ForgetRenderCaches();
    // 1. The snapshot, replacing the previous one.
    s.CaptureSnapshot = SnapshotOfScreen();
    // 2. Top, left, then the primary screen's size.
    const QRect screen = PrimaryScreenRect();
    window->setGeometry(0, 0, screen.width(), screen.height());
    // 3. OverlayCursor.
    window->setCursor(OverlayQCursor());
    // 4. Topmost (the flag is part of the window's creation flags; kept in place here).
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->setWindowFlag(Qt::FramelessWindowHint, true);
    window->setGeometry(0, 0, screen.width(), screen.height());
    // 5. The back buffer.
    if (s.WindowCanvas != nullptr) s.WindowCanvas->Attach(window);
    const int w = window->width();
    const int h = window->height();
    // 6.-8. The snapshot at full brightness, blended onto the canvas.
    if (s.SnapshotImage != nullptr) s.SnapshotImage->LoadFromBytes(s.CaptureSnapshot, false);
    if (s.BrightLayer != nullptr) {
        s.BrightLayer->Create(w, h);
        if (s.SnapshotImage != nullptr) s.BrightLayer->DrawImage(*s.SnapshotImage, 0, 0, float(w), float(h));
    }
    if (s.WindowCanvas != nullptr && s.BrightLayer != nullptr)
        s.WindowCanvas->Blend(s.BrightLayer->DeviceContext(), 0, 0, w, h, 0, 0, w, h, 255, false);
    // 9.-11. Opaque black in the second layer; the decoded image and the brush are not needed any more.
    if (s.ShadeBrush != nullptr) s.ShadeBrush->Create(ToArgb(0, 0, 0));
    if (s.DimLayer != nullptr) {
        s.DimLayer->Create(w, h);
        if (s.ShadeBrush != nullptr) s.DimLayer->FillRectangle(*s.ShadeBrush, 0, 0, float(w), float(h));
    }
    if (s.SnapshotImage != nullptr) s.SnapshotImage->Dispose();
    if (s.ShadeBrush != nullptr) s.ShadeBrush->Delete();
    // 12.-13. The whole screen darkened by half, shown.
    if (s.WindowCanvas != nullptr && s.DimLayer != nullptr)
        s.WindowCanvas->Blend(s.DimLayer->DeviceContext(), 0, 0, w, h, 0, 0, w, h, 128, false);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
    if (s.WindowCanvas != nullptr) s.WindowCanvas->Present();
    // 14. No drag under way. A press or drag cut off by the last closing is forgotten too, so the first
    // movements of this opening are not taken for a drag.
    ResetOverlayOnOpen();
    // 15. Every message of the window goes through the overlay first.
    if (s.WindowHook != nullptr) {
        s.WindowHook->Install(window, [](QWidget* wnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
            return OverlayMessage(CaptureHost(), wnd, message, wParam, lParam);
        });
    }
    // 16. The messages already waiting, once.
    QCoreApplication::processEvents();
}

CaptureWindow* OpenCaptureWindow() {
    if (CaptureWindow* open = Current().data()) return open;
    auto* window = new CaptureWindow();
    Current() = window;
    OpenOverlay(window);
    return window;
}

void CloseOverlay() {
    OverlayState& s = Overlay();
    if (s.BrightLayer != nullptr) s.BrightLayer->Release();
    if (s.DimLayer != nullptr) s.DimLayer->Release();
    if (s.WindowCanvas != nullptr) s.WindowCanvas->Detach();
    ForgetRenderCaches();
    if (CaptureWindow* w = Current().data()) {
        Current() = nullptr;
        w->hide();
        // Closing runs inside the window's own message handling: the widget goes once that returns.
        w->deleteLater();
    }
}

void CreateOverlayObjects() {
    OverlayState& s = Overlay();
    s.WindowCanvas = new LayeredWindowCanvas();
    s.SnapshotImage = new ImageObject();
    s.BrightLayer = new Surface();
    s.ShadeBrush = new SolidBrushObject();
    s.DimLayer = new Surface();
    s.WindowHook = new WindowSubclass();
    s.SelectionRect = Rect{};
    s.ToolbarRect = Rect{};
}

void ReleaseOverlayObjects() {
    OverlayState& s = Overlay();
    s.CaptureSnapshot = Bytes();
    ForgetRenderCaches();
    delete s.WindowCanvas;
    s.WindowCanvas = nullptr;
    delete s.SnapshotImage;
    s.SnapshotImage = nullptr;
    delete s.BrightLayer;
    s.BrightLayer = nullptr;
    delete s.ShadeBrush;
    s.ShadeBrush = nullptr;
    delete s.DimLayer;
    s.DimLayer = nullptr;
    delete s.WindowHook;
    s.WindowHook = nullptr;
    s.CurrentOperation = Operation::None;
    s.HitArea = Area::None;
    s.ResizeHandle = Area::None;
    s.SelectionRect = Rect{};
    s.ToolbarRect = Rect{};
}

void ConnectHotkey(QAbstractButton* hotkeyCheck, QTimer* hotkeyTimer) {
    if (hotkeyCheck == nullptr || hotkeyTimer == nullptr) return;
    QObject::connect(hotkeyCheck, &QAbstractButton::clicked, hotkeyCheck, [hotkeyCheck] {
        const bool keep = ToggleHotkey(hotkeyCheck->isChecked(), UiDialogs());
        if (keep != hotkeyCheck->isChecked()) hotkeyCheck->setChecked(keep);
    });
    QObject::connect(hotkeyTimer, &QTimer::timeout, hotkeyCheck, [hotkeyCheck] {
        // The timer goes on ticking inside a message box's own loop; a poll meanwhile only takes the
        // key's state, so holding F7 cannot stack boxes.
        static bool inPoll = false;
        const int32_t key = AsyncF7State();
        if (inPoll) return;
        inPoll = true;
        const HotkeyReaction r = PollHotkey(key, hotkeyCheck->isChecked(), IsCaptureWindowOpen(), UiDialogs());
        if (r == HotkeyReaction::OpenCapture) OpenCaptureWindow();
        inPoll = false;
    });
}

void SetSnapshotSourceForTests(std::function<QImage()> source) { SnapshotSource() = std::move(source); }
void SetPointerSourceForTests(std::function<Point()> source) { PointerSource() = std::move(source); }

}  // namespace ql
