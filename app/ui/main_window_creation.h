// MainWindow's creation handler: skin library check, skin, drop target, access token, run stamp.
#pragma once

namespace ql {

class MainWindow;
class ShellCommands;

// Runs once on the window thread, after MainWindow and its controls exist and before the message loop:
// without VELTO.dll in the run directory it shows the missing-library error box and stops (no skin,
// no drop target, AccessToken and RunStamp stay empty). Otherwise LocateSkinLibrary with that file,
// ApplySkin, BindDropTarget, FetchAccessToken (blocking), RunStamp.
void RunMainWindowCreation(ShellCommands& commands);

// The start-up sequence's MainWindow step: message boxes parented to the window (unless other dialogs
// are installed), the commands connected to its controls, then the creation handler. The commands
// belong to the window.
ShellCommands& AttachShell(MainWindow& window);

}  // namespace ql
