// 青岚识文: process entry. The subsystems plug their start-up steps in here (see app/startup.h for the
// order RunProgram keeps); a step left empty is skipped.
#include <QCheckBox>
#include <QTimer>

#include "app/cli.h"
#include "app/skin.h"
#include "app/startup.h"
#include "app/ui/main_window.h"
#include "app/ui/main_window_creation.h"
#include "app/ui/shown_probe.h"
#include "capture/capture_window.h"
#include "capture/overlay_state.h"

int main(int argc, char** argv) {
    // --recognize, --translate, --help, --version: the pipelines without a window (no display needed).
    if (ql::IsCommandLineUse(argc, argv)) return ql::RunCommandLine(argc, argv);

    ql::StartupHooks hooks;

    // Step 1 and its release in ExitCleanup: the capture overlay's long-lived objects.
    hooks.CreateOverlayObjects = ql::CreateOverlayObjects;
    hooks.ReleaseOverlayObjects = ql::ReleaseOverlayObjects;

    // Step 3: LocateSkinLibrary with an empty path.
    hooks.LocateSkinLibrary = [] { ql::LocateSkinLibrary(""); };

    // Step 4: the drawing layer needs no start on Qt; the token is set to 1 when this stays empty.
    // hooks.StartDrawingLayer = ...;

    // Step 5: MainWindow's creation handler (skin, drop target, access token, run stamp), and the
    // commands and the hotkey connected to its controls.
    hooks.MainWindowCreated = [](ql::MainWindow& window) {
        ql::AttachShell(window);  // commands, then the creation handler
        ql::ConnectHotkey(window.HotkeyCheck(), window.HotkeyTimer());  // F7 and CaptureWindow
    };

    // The start-up benchmark's probe (QINGLAN_EXIT_AFTER_SHOWN=1): report the first paint and quit.
    hooks.BeforeEventLoop = [](ql::MainWindow& window) { ql::InstallShownProbe(window); };

    return ql::RunProgram(argc, argv, hooks);
}
