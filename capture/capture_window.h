// CaptureWindow: the frameless, topmost window over the whole primary screen in which a region of the
// frozen screen is selected. Its opening (OpenOverlay), its closing, the overlay's long-lived objects,
// the window side of the overlay's host interface, and the wiring of the F7 hotkey.
#pragma once

#include <functional>

#include <QImage>
#include <QWidget>

#include "capture/overlay_ports.h"

class QAbstractButton;
class QTimer;

namespace ql {

class CaptureWindow : public QWidget {
    Q_OBJECT
public:
    CaptureWindow();
    ~CaptureWindow() override;

protected:
    // Closed by the system (not through the overlay's own ways out): the window goes and its surfaces
    // are released as at any closing, without a hand-off; the next F7 opens a new overlay.
    void closeEvent(QCloseEvent* event) override;
};

// Creates CaptureWindow, runs OpenOverlay and shows it modally without an owner; returns at once (the
// window lives until FinishCapture closes it). With a window already open it returns that window and
// opens nothing.
CaptureWindow* OpenCaptureWindow();
CaptureWindow* CurrentCaptureWindow();  // nullptr when none is open
bool IsCaptureWindowOpen();

// The sixteen steps of the opening: snapshot, place and size, cursor, topmost, canvas, the two layers,
// the dimmed first frame, the drag coordinates reset, the hook, the waiting messages.
void OpenOverlay(CaptureWindow* window);
// The closing: both layers' surfaces and the canvas released, the window destroyed. The objects and
// the state stay for the next opening.
void CloseOverlay();

// The host through which the overlay's logic reaches the window, the drawing and the export.
OverlayHost& CaptureHost();

// Start-up: the overlay's objects, empty. Exit (ExitCleanup's overlay step): the snapshot freed and the
// objects destroyed in order.
// (CreateOverlayObjects and ReleaseOverlayObjects are declared in capture/overlay_state.h.)

// HotkeyCheck's clicks -> ToggleHotkey; HotkeyTimer's ticks -> PollHotkey, which opens CaptureWindow.
void ConnectHotkey(QAbstractButton* hotkeyCheck, QTimer* hotkeyTimer);

// Tests: where the snapshot and the pointer come from (empty functions go back to the screen).
void SetSnapshotSourceForTests(std::function<QImage()> source);
void SetPointerSourceForTests(std::function<Point()> source);

}  // namespace ql
