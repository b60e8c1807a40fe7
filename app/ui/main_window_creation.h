// MainWindow's creation handler: skin library check, skin, drop target, access token, run stamp.
#pragma once

namespace ql {

class ShellCommands;

// Runs once on the window thread, after MainWindow and its controls exist and before the message loop:
// without VELTO.dll in the run directory it shows the missing-library error box and stops (no skin,
// no drop target, AccessToken and RunStamp stay empty). Otherwise LocateSkinLibrary with that file,
// ApplySkin, BindDropTarget, FetchAccessToken (blocking), RunStamp.
void RunMainWindowCreation(ShellCommands& commands);

}  // namespace ql
