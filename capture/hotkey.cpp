#include "capture/hotkey.h"

#include "app/dialogs.h"
#include "web/text.h"

namespace ql {

bool ToggleHotkey(bool nowChecked, Dialogs& dialogs) {
    if (nowChecked) {
        dialogs.ShowMessage("您已经开启截图识别功能，可以按下F7键来使用(*?▽?*)"_gbk, "提示"_gbk,
                            MessageIcon::Information);
        return true;
    }
    const DialogButton answer =
        dialogs.ShowMessage("您确定要关闭截图识别功能吗？这样您就没法使用快捷键F7截图识别了哦~"_gbk, "提示"_gbk,
                            MessageIcon::None, MessageButtons::YesNo);
    if (answer == DialogButton::Yes) {
        dialogs.ShowMessage("截图识别功能已关闭！"_gbk, "提示"_gbk, MessageIcon::Information);
        return false;
    }
    // No (or the box closed without an answer): the feature stays on, silently.
    return true;
}

HotkeyReaction PollHotkey(int32_t keyState, bool hotkeyChecked, bool overlayOpen, Dialogs& dialogs) {
    if (keyState == 0 || overlayOpen) return HotkeyReaction::Nothing;
    if (hotkeyChecked) return HotkeyReaction::OpenCapture;
    dialogs.ShowMessage("您只有在勾选‘启用快捷键截图’时才可以使用快捷键截图哦！"_gbk, "提示！"_gbk,
                        MessageIcon::Information);
    return HotkeyReaction::ToldToEnable;
}

}  // namespace ql
