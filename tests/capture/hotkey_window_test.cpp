// HotkeyCheck and HotkeyTimer wired to the hotkey on real widgets: messages, opening CaptureWindow, and a
// further F7 while it is open.
#include <gtest/gtest.h>

#include <filesystem>

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "capture/capture_export.h"
#include "capture/capture_window.h"
#include "capture/x11_keys.h"
#include "overlay_test_support.h"

namespace ql {
namespace {

int handedOn = 0;
void Count(const Text&, int32_t) { ++handedOn; }

// One tick of the timer, through the event loop.
void Tick(QTimer& timer) {
    timer.setSingleShot(true);
    timer.start(0);
    for (int i = 0; i < 1000 && timer.isActive(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(HotkeyWiring, TogglesPollsAndOpensOneOverlayAtATime) {
    test::EnsureApp();
    CreateOverlayObjects();
    SetSnapshotSourceForTests([] { return test::MakeSnapshot(test::ScreenSize()); });
    SetRecognitionForTests(&Count);
    const auto dir = std::filesystem::temp_directory_path() / ("capture-hotkey-" + std::to_string(::getpid()));
    SetRunDirectory(dir.string());
    int32_t key = 0;
    SetKeyStateSourceForTests([&key] { return std::exchange(key, 0); });

    ScopedRecordingDialogs dialogs;
    QCheckBox check(QString::fromUtf8("启用快捷键截图"));
    QTimer timer;
    ConnectHotkey(&check, &timer);

    // Unticked: F7 only tells how to enable the feature.
    key = 1;
    Tick(timer);
    EXPECT_FALSE(IsCaptureWindowOpen());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "提示！"_gbk);

    // Ticking informs; no key, no reaction.
    check.click();
    EXPECT_TRUE(check.isChecked());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    Tick(timer);
    EXPECT_FALSE(IsCaptureWindowOpen());

    // F7 opens CaptureWindow; a further F7 while it is open opens nothing and says nothing.
    key = 1;
    Tick(timer);
    ASSERT_TRUE(IsCaptureWindowOpen());
    CaptureWindow* window = CurrentCaptureWindow();
    key = 0x8000;
    Tick(timer);
    EXPECT_EQ(CurrentCaptureWindow(), window);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &esc);
    EXPECT_FALSE(IsCaptureWindowOpen());
    EXPECT_EQ(handedOn, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Closed by the system: no hand-off, and the next F7 opens a new overlay.
    key = 1;
    Tick(timer);
    ASSERT_TRUE(IsCaptureWindowOpen());
    CurrentCaptureWindow()->close();
    EXPECT_FALSE(IsCaptureWindowOpen());
    EXPECT_EQ(handedOn, 1);
    EXPECT_EQ(Overlay().WindowCanvas->DeviceContext(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    key = 1;
    Tick(timer);
    EXPECT_TRUE(IsCaptureWindowOpen());
    QCoreApplication::sendEvent(CurrentCaptureWindow(), &esc);
    EXPECT_EQ(handedOn, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Unticking and answering No keeps it ticked without a further message.
    dialogs.buttonAnswers.push_back(DialogButton::No);
    check.click();
    EXPECT_TRUE(check.isChecked());
    EXPECT_EQ(dialogs.messages.size(), 3u);
    dialogs.buttonAnswers.push_back(DialogButton::Yes);
    check.click();
    EXPECT_FALSE(check.isChecked());
    EXPECT_EQ(dialogs.messages.size(), 5u);

    SetKeyStateSourceForTests({});
    SetRecognitionForTests(nullptr);
    SetSnapshotSourceForTests({});
    ReleaseOverlayObjects();
    std::filesystem::remove_all(dir);
}

TEST(F7State, WithoutADisplayTheKeyIsNeverDown) {
    ::unsetenv("DISPLAY");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(AsyncF7State(), 0);
}

}  // namespace
}  // namespace ql
