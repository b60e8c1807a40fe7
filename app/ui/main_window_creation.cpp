#include "app/ui/main_window_creation.h"

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/run_stamp.h"
#include "app/skin.h"
#include "app/qt_dialogs.h"
#include "app/ui/about_window.h"
#include "app/ui/main_window.h"
#include "app/ui/shell_commands.h"
#include "services/requests.h"

namespace ql {

void RunMainWindowCreation(ShellCommands& commands) {
    std::string inRun = RunDirectorySkinLibrary();
    if (!FileExists(inRun)) {
        UiDialogs().ShowMessage(MissingSkinLibraryText(), MissingSkinLibraryTitle(), MessageIcon::Error);
        return;
    }
    LocateSkinLibraryPath(inRun);
    ApplySkin();
    commands.BindDropTarget();
    App().AccessToken.set(FetchAccessToken());
    App().RunStamp.set(CurrentRunStamp());
}

ShellCommands& AttachShell(MainWindow& window) {
    InstallQtDialogs(&window);
    auto* commands = new ShellCommands(window);
    RunMainWindowCreation(*commands);
    return *commands;
}

}  // namespace ql
