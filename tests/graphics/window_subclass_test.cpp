#include "graphics/window_subclass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QKeyEvent>
#include <QMouseEvent>

#include "tests/graphics/test_app.h"

namespace ql {
namespace {

QMouseEvent Mouse(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return QMouseEvent(type, pos, pos, button, buttons, modifiers);
}

TEST(TranslateEvent, MouseEventsBecomeButtonMessagesWithPackedPositions) {
    test::App();
    struct Case {
        QEvent::Type type;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        uint32_t message;
        uintptr_t wParam;
    };
    const Case cases[] = {
        {QEvent::MouseMove, Qt::NoButton, Qt::NoButton, Qt::NoModifier, WM_MOUSEMOVE, 0},
        {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT},
        {QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, WM_LBUTTONDOWN, MK_LBUTTON},
        {QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, WM_LBUTTONUP, 0},
        {QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, WM_LBUTTONDBLCLK, MK_LBUTTON},
        {QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, Qt::ControlModifier, WM_RBUTTONDOWN,
         MK_RBUTTON | MK_CONTROL},
        {QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, Qt::NoModifier, WM_RBUTTONUP, 0},
        {QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton, Qt::NoModifier, WM_MBUTTONDOWN, MK_MBUTTON},
    };
    for (const Case& c : cases) {
        const QMouseEvent e = Mouse(c.type, QPointF(1919.6, 1079.2), c.button, c.buttons, c.modifiers);
        const auto m = TranslateEvent(e);
        ASSERT_TRUE(m.has_value()) << c.message;
        EXPECT_EQ(m->message, c.message);
        EXPECT_EQ(m->wParam, c.wParam) << c.message;
        EXPECT_EQ(m->lParam, intptr_t{(1079 << 16) | 1919}) << c.message;
    }
    EXPECT_EQ(WM_LBUTTONDOWN, 513u);
    EXPECT_EQ(WM_RBUTTONUP, 517u);
    // Positions left of or above the window stay signed in their words.
    const auto m = TranslateEvent(Mouse(QEvent::MouseMove, QPointF(-3, -1), Qt::NoButton, Qt::NoButton));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(PointParamX(m->lParam), -3);
    EXPECT_EQ(PointParamY(m->lParam), -1);
    EXPECT_FALSE(TranslateEvent(QEvent(QEvent::Paint)).has_value());
    EXPECT_FALSE(TranslateEvent(Mouse(QEvent::MouseButtonPress, QPointF(1, 1), Qt::BackButton, Qt::BackButton))
                     .has_value());
}

TEST(TranslateEvent, KeyEventsCarryVirtualKeyCodes) {
    struct Case {
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers modifiers;
        bool autoRepeat;
        uint32_t message;
        uintptr_t vk;
        uint32_t flags;  // bits 29..31 of lParam
    };
    const Case cases[] = {
        {QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, false, WM_KEYDOWN, VK_ESCAPE, 0},
        {QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, true, WM_KEYDOWN, 27, 1u << 30},
        {QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier, false, WM_KEYUP, 27, 3u << 30},
        {QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier, false, WM_KEYDOWN, 0x76, 0},
        {QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, false, WM_KEYDOWN, 'A', 0},
        {QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, false, WM_KEYDOWN, '5', 0},
        {QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, false, WM_KEYDOWN, 0x25, 0},
        {QEvent::KeyPress, Qt::Key_X, Qt::AltModifier, false, WM_SYSKEYDOWN, 'X', 1u << 29},
        {QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, false, WM_KEYDOWN, 0, 0},
    };
    for (const Case& c : cases) {
        const QKeyEvent e(c.type, c.key, c.modifiers, QString(), c.autoRepeat);
        const auto m = TranslateEvent(e);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->message, c.message) << c.key;
        EXPECT_EQ(m->wParam, c.vk) << c.key;
        EXPECT_EQ(static_cast<uint32_t>(m->lParam) & 0xFFFF, 1u) << c.key;  // repeat count
        EXPECT_EQ(static_cast<uint32_t>(m->lParam) & 0xE0000000u, c.flags) << c.key;
    }
    EXPECT_EQ(WM_KEYDOWN, 256u);
}

// A window that logs what reaches its own handlers.
class LoggingWindow : public QWidget {
public:
    std::vector<std::string>* log = nullptr;

protected:
    void mousePressEvent(QMouseEvent*) override { log->push_back("widget press"); }
    void mouseReleaseEvent(QMouseEvent*) override { log->push_back("widget release"); }
    void mouseMoveEvent(QMouseEvent*) override { log->push_back("widget move"); }
    void mouseDoubleClickEvent(QMouseEvent*) override { log->push_back("widget dblclk"); }
    void keyPressEvent(QKeyEvent*) override { log->push_back("widget key"); }
};

TEST(WindowSubclass, TheProcedureSeesEventsAsMessagesBeforeTheWindow) {
    test::App();
    std::vector<std::string> log;
    LoggingWindow window;
    window.log = &log;
    window.resize(100, 100);
    WindowSubclass hook;
    ASSERT_TRUE(hook.Install(&window, [&](QWidget* w, uint32_t msg, uintptr_t wp, intptr_t lp) -> intptr_t {
        EXPECT_EQ(w, &window);
        log.push_back("hook " + std::to_string(msg) + " " + std::to_string(wp) + " " +
                      std::to_string(PointParamX(lp)) + "," + std::to_string(PointParamY(lp)));
        return hook.CallPrevious(w, msg, wp, lp);
    }));
    EXPECT_TRUE(window.hasMouseTracking());  // moves without a button must arrive too

    QMouseEvent press = Mouse(QEvent::MouseButtonPress, QPointF(10, 20), Qt::LeftButton, Qt::LeftButton);
    QMouseEvent move = Mouse(QEvent::MouseMove, QPointF(11, 22), Qt::NoButton, Qt::LeftButton);
    QMouseEvent release = Mouse(QEvent::MouseButtonRelease, QPointF(11, 22), Qt::LeftButton, Qt::NoButton);
    QMouseEvent dbl = Mouse(QEvent::MouseButtonDblClick, QPointF(11, 22), Qt::LeftButton, Qt::LeftButton);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    for (QEvent* e : std::initializer_list<QEvent*>{&press, &move, &release, &dbl, &esc})
        QCoreApplication::sendEvent(&window, e);

    const std::vector<std::string> expected = {
        "hook 513 1 10,20", "widget press",   "hook 512 1 11,22", "widget move", "hook 514 0 11,22",
        "widget release",   "hook 515 1 11,22", "widget dblclk",  "hook 256 27 1,0", "widget key"};
    EXPECT_EQ(log, expected);

    // After Remove the window alone handles its events, and mouse tracking is as before.
    log.clear();
    EXPECT_TRUE(hook.Remove());
    EXPECT_FALSE(hook.Remove());
    EXPECT_FALSE(window.hasMouseTracking());
    QCoreApplication::sendEvent(&window, &press);
    EXPECT_EQ(log, std::vector<std::string>{"widget press"});
}

TEST(WindowSubclass, AProcedureThatDoesNotCallThePreviousOneSwallowsTheEvent) {
    test::App();
    std::vector<std::string> log;
    LoggingWindow window;
    window.log = &log;
    WindowSubclass hook;
    int seen = 0;
    ASSERT_TRUE(hook.Install(&window, [&](QWidget*, uint32_t, uintptr_t, intptr_t) -> intptr_t {
        ++seen;
        return 0;
    }));
    QMouseEvent press = Mouse(QEvent::MouseButtonPress, QPointF(1, 1), Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::sendEvent(&window, &press);
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(log.empty());
    // Installing again replaces the procedure.
    int second = 0;
    ASSERT_TRUE(hook.Install(&window, [&](QWidget* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
        ++second;
        return hook.CallPrevious(w, m, wp, lp);
    }));
    QCoreApplication::sendEvent(&window, &press);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(log, std::vector<std::string>{"widget press"});
    EXPECT_FALSE(hook.Install(nullptr, [](QWidget*, uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; }));
    EXPECT_FALSE(hook.IsInstalled());
}

TEST(WindowSubclass, AWindowDestroyedByTheProcedureGetsNoFurtherDelivery) {
    test::App();
    std::vector<std::string> log;
    auto* window = new LoggingWindow;
    window->log = &log;
    WindowSubclass hook;
    ASSERT_TRUE(hook.Install(window, [&](QWidget* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
        hook.CallPrevious(w, m, wp, lp);
        hook.Remove();
        delete w;
        return 0;
    }));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &esc);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(hook.IsInstalled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace ql
