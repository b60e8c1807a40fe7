#include "graphics/window_subclass.h"

#include <cmath>

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>

namespace ql {

namespace {

uintptr_t ButtonFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uintptr_t flags = 0;
    if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
    return flags;
}

// The button's message among the three forms (down, up, double click); 0 for other buttons.
uint32_t ButtonMessage(Qt::MouseButton button, int form) {
    switch (button) {
        case Qt::LeftButton: return WM_LBUTTONDOWN + static_cast<uint32_t>(form);
        case Qt::RightButton: return WM_RBUTTONDOWN + static_cast<uint32_t>(form);
        case Qt::MiddleButton: return WM_MBUTTONDOWN + static_cast<uint32_t>(form);
        default: return 0;
    }
}

}  // namespace

uintptr_t VirtualKeyFromQtKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uintptr_t>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<uintptr_t>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<uintptr_t>(key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Return: return VK_RETURN;
        case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_Tab: return VK_TAB;
        case Qt::Key_Backtab: return VK_TAB;
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Shift: return VK_SHIFT;
        case Qt::Key_Control: return VK_CONTROL;
        case Qt::Key_Alt: return VK_MENU;
        case Qt::Key_Pause: return 0x13;
        case Qt::Key_CapsLock: return 0x14;
        case Qt::Key_PageUp: return 0x21;
        case Qt::Key_PageDown: return 0x22;
        case Qt::Key_End: return 0x23;
        case Qt::Key_Home: return 0x24;
        case Qt::Key_Left: return 0x25;
        case Qt::Key_Up: return 0x26;
        case Qt::Key_Right: return 0x27;
        case Qt::Key_Down: return 0x28;
        case Qt::Key_Print: return 0x2C;
        case Qt::Key_Insert: return 0x2D;
        case Qt::Key_Delete: return 0x2E;
        case Qt::Key_Meta: return 0x5B;
        case Qt::Key_Menu: return 0x5D;
        case Qt::Key_NumLock: return 0x90;
        case Qt::Key_ScrollLock: return 0x91;
        default: return 0;
    }
}

std::optional<WindowMessage> TranslateEvent(const QEvent& event) {
    switch (event.type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto& mouse = static_cast<const QMouseEvent&>(event);
            uint32_t message = WM_MOUSEMOVE;
            if (event.type() == QEvent::MouseButtonPress) message = ButtonMessage(mouse.button(), 0);
            if (event.type() == QEvent::MouseButtonRelease) message = ButtonMessage(mouse.button(), 1);
            if (event.type() == QEvent::MouseButtonDblClick) message = ButtonMessage(mouse.button(), 2);
            if (message == 0) return std::nullopt;
            const QPointF p = mouse.position();
            WindowMessage m;
            m.message = message;
            m.wParam = ButtonFlags(mouse.buttons(), mouse.modifiers());
            m.lParam = MakePointParam(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
            return m;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto& key = static_cast<const QKeyEvent&>(event);
            const bool release = event.type() == QEvent::KeyRelease;
            const bool alt = key.modifiers() & Qt::AltModifier;
            WindowMessage m;
            m.message = release ? (alt ? WM_SYSKEYUP : WM_KEYUP) : (alt ? WM_SYSKEYDOWN : WM_KEYDOWN);
            m.wParam = VirtualKeyFromQtKey(key.key());
            uint32_t l = 1;                                   // repeat count
            l |= (key.nativeScanCode() & 0xFFu) << 16;        // scan code
            if (alt) l |= 1u << 29;                           // context code
            if (release || key.isAutoRepeat()) l |= 1u << 30; // previous key state
            if (release) l |= 1u << 31;                       // transition state
            m.lParam = static_cast<intptr_t>(l);
            return m;
        }
        default:
            return std::nullopt;
    }
}

class WindowSubclass::Filter : public QObject {
public:
    explicit Filter(WindowSubclass* hook) : hook_(hook) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        QWidget* window = hook_->window_.data();
        if (!window || watched != window || !hook_->procedure_) return false;
        const std::optional<WindowMessage> m = TranslateEvent(*event);
        if (!m) return false;
        QPointer<QWidget> guard(window);
        // A copy: the procedure may remove or reinstall the hook while it runs.
        Procedure procedure = hook_->procedure_;
        const bool outerPassOn = hook_->passOn_;
        hook_->passOn_ = false;
        ++hook_->dispatching_;
        procedure(window, m->message, m->wParam, m->lParam);
        --hook_->dispatching_;
        const bool passOn = hook_->passOn_;
        hook_->passOn_ = outerPassOn;
        // A window destroyed by the procedure must not receive the event any more.
        if (!guard) return true;
        return !passOn;
    }

private:
    WindowSubclass* hook_;
};

WindowSubclass::WindowSubclass() = default;

WindowSubclass::~WindowSubclass() { Remove(); }

bool WindowSubclass::Install(QWidget* window, Procedure procedure) {
    if (installed_) Remove();
    if (!window || !procedure) return false;
    window_ = window;
    procedure_ = std::move(procedure);
    previousTracking_ = window->hasMouseTracking();
    window->setMouseTracking(true);
    filter_ = std::make_unique<Filter>(this);
    window->installEventFilter(filter_.get());
    installed_ = true;
    return true;
}

bool WindowSubclass::Remove() {
    if (!installed_) return false;
    if (QWidget* window = window_.data()) {
        window->removeEventFilter(filter_.get());
        window->setMouseTracking(previousTracking_);
    }
    // The filter may be running (Remove called from inside the procedure): delete it later.
    if (filter_) {
        if (dispatching_ > 0)
            filter_.release()->deleteLater();
        else
            filter_.reset();
    }
    window_ = nullptr;
    installed_ = false;
    return true;
}

intptr_t WindowSubclass::CallPrevious(QWidget* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    passOn_ = true;
    return 0;
}

}  // namespace ql
