// The start-up sequence and the places where the other subsystems plug in their steps.
//
// app/main.cpp fills a StartupHooks record and hands it to RunProgram, which runs, on the window thread:
//   0. the run directory (the executable's folder), the QApplication and the font substitutions;
//   1. CreateOverlayObjects           the capture overlay's long-lived objects, created empty;
//   2. ExitCleanup registered         (with ReleaseOverlayObjects as its overlay step);
//   3. LocateSkinLibrary              with an empty path: sets AppState::SkinLibraryPath;
//   4. StartDrawingLayer              only while GdiplusToken is 0; its result is stored as the token
//                                     (no hook: 1, "the drawing layer is ready", as Qt needs no start);
//   5. MainWindow created, then MainWindowCreated (the creation handler) before the loop starts;
//   6. the event loop until MainWindow closes; RunProgram returns 0 and ExitCleanup runs at exit.
// An empty hook is a step that is skipped.
#pragma once

#include <cstdint>
#include <functional>

namespace ql {

class MainWindow;

struct StartupHooks {
    std::function<void()> CreateOverlayObjects;           // step 1
    std::function<void()> ReleaseOverlayObjects;          // run by ExitCleanup after the state's texts
    std::function<void()> LocateSkinLibrary;              // step 3
    std::function<uintptr_t()> StartDrawingLayer;         // step 4; 0 = failed (the token stays 0)
    std::function<void(MainWindow&)> MainWindowCreated;   // step 5's creation handler
    // Called with the shown window just before the loop runs (tests quit from here). Not a program step.
    std::function<void(MainWindow&)> BeforeEventLoop;
};

// Runs the whole sequence; returns 0 when the event loop ends, 1 when there is no display to show on.
// Uses the existing QApplication when there is one.
int RunProgram(int& argc, char** argv, const StartupHooks& hooks);

// True when a window system is reachable (an X or Wayland display, or QT_QPA_PLATFORM chosen).
bool HaveDisplay();

}  // namespace ql
