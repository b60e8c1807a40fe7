// HotkeyCheck's confirmations and the reactions of the F7 poll.
#include <gtest/gtest.h>

#include "app/dialogs.h"
#include "capture/hotkey.h"

namespace ql {
namespace {

TEST(ToggleHotkey, CheckingOnlyInforms) {
    RecordingDialogs d;
    EXPECT_TRUE(ToggleHotkey(true, d));
    ASSERT_EQ(d.messages.size(), 1u);
    EXPECT_EQ(d.messages[0].text, "您已经开启截图识别功能，可以按下F7键来使用(*?▽?*)"_gbk);
    EXPECT_EQ(d.messages[0].title, "提示"_gbk);
    EXPECT_EQ(d.messages[0].buttons, MessageButtons::Ok);
}

TEST(ToggleHotkey, UncheckingAsksAndFollowsTheAnswer) {
    struct Case {
        DialogButton answer;
        bool staysChecked;
        size_t messages;
    };
    for (const Case c : {Case{DialogButton::Yes, false, 2}, Case{DialogButton::No, true, 1}}) {
        RecordingDialogs d;
        d.buttonAnswers.push_back(c.answer);
        EXPECT_EQ(ToggleHotkey(false, d), c.staysChecked);
        ASSERT_EQ(d.messages.size(), c.messages);
        EXPECT_EQ(d.messages[0].text, "您确定要关闭截图识别功能吗？这样您就没法使用快捷键F7截图识别了哦~"_gbk);
        EXPECT_EQ(d.messages[0].title, "提示"_gbk);
        EXPECT_EQ(d.messages[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(d.messages[0].icon, MessageIcon::None);
        if (c.messages == 2) {
            EXPECT_EQ(d.messages[1].text, "截图识别功能已关闭！"_gbk);
            EXPECT_EQ(d.messages[1].title, "提示"_gbk);
        }
    }
}

TEST(PollHotkey, ReactsToTheKeyByTheCheckBoxAndAnOpenOverlay) {
    struct Case {
        int32_t key;
        bool checked;
        bool overlayOpen;
        HotkeyReaction reaction;
        size_t messages;
    };
    const Case cases[] = {
        {0, true, false, HotkeyReaction::Nothing, 0},
        {0, false, false, HotkeyReaction::Nothing, 0},
        {1, true, false, HotkeyReaction::OpenCapture, 0},
        {static_cast<int32_t>(0x8000), true, false, HotkeyReaction::OpenCapture, 0},
        {1, false, false, HotkeyReaction::ToldToEnable, 1},
        {1, true, true, HotkeyReaction::Nothing, 0},   // no second overlay
        {1, false, true, HotkeyReaction::Nothing, 0},
    };
    for (const Case& c : cases) {
        RecordingDialogs d;
        EXPECT_EQ(PollHotkey(c.key, c.checked, c.overlayOpen, d), c.reaction) << c.key << c.checked << c.overlayOpen;
        ASSERT_EQ(d.messages.size(), c.messages);
        if (c.messages == 1) {
            EXPECT_EQ(d.messages[0].text, "您只有在勾选‘启用快捷键截图’时才可以使用快捷键截图哦！"_gbk);
            EXPECT_EQ(d.messages[0].title, "提示！"_gbk);
        }
    }
}

}  // namespace
}  // namespace ql
