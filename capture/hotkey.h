// The F7 screenshot hotkey: HotkeyCheck's confirmations and the 100 ms poll of the key. The decisions
// are widget-free; MainWindow's check box and timer are wired to them by ConnectHotkey
// (capture/capture_window.h).
#pragma once

#include <cstdint>

namespace ql {

class Dialogs;

// After a click on HotkeyCheck has changed it to `nowChecked`: the confirmation messages (and the
// question when it was unticked). Returns the state the box must have afterwards: true when the user
// kept the feature on by answering No.
bool ToggleHotkey(bool nowChecked, Dialogs& dialogs);

enum class HotkeyReaction : uint8_t {
    Nothing,        // the key was not pressed, or an overlay is open already
    OpenCapture,    // open CaptureWindow
    ToldToEnable,   // the box is not ticked: the user has been told how to enable the feature
};

// One tick of HotkeyTimer. keyState: F7's asynchronous state (0 = not pressed). While an overlay is
// open a press is taken (so it does not fire after the window closes) and does nothing else.
HotkeyReaction PollHotkey(int32_t keyState, bool hotkeyChecked, bool overlayOpen, Dialogs& dialogs);

}  // namespace ql
