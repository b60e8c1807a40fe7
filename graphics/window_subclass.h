// The window hook: every mouse and key event of a window reaches the installed handler as a Windows
// message (number, wParam, lParam) before the window's own handling.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QPointer>
#include <QWidget>

class QEvent;

namespace ql {

// Message numbers.
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;

// Mouse-message wParam flags.
constexpr uintptr_t MK_LBUTTON = 0x0001;
constexpr uintptr_t MK_RBUTTON = 0x0002;
constexpr uintptr_t MK_SHIFT = 0x0004;
constexpr uintptr_t MK_CONTROL = 0x0008;
constexpr uintptr_t MK_MBUTTON = 0x0010;

// Virtual-key codes (letters and digits are their upper-case ASCII codes).
constexpr uintptr_t VK_BACK = 0x08;
constexpr uintptr_t VK_TAB = 0x09;
constexpr uintptr_t VK_RETURN = 0x0D;
constexpr uintptr_t VK_SHIFT = 0x10;
constexpr uintptr_t VK_CONTROL = 0x11;
constexpr uintptr_t VK_MENU = 0x12;
constexpr uintptr_t VK_ESCAPE = 0x1B;
constexpr uintptr_t VK_SPACE = 0x20;
constexpr uintptr_t VK_F1 = 0x70;
constexpr uintptr_t VK_F7 = 0x76;

struct WindowMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    friend bool operator==(const WindowMessage&, const WindowMessage&) = default;
};

// x in the low word, y in the high word, each as a signed 16-bit value.
constexpr intptr_t MakePointParam(int x, int y) {
    return static_cast<intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                                 static_cast<uint16_t>(x));
}
constexpr int PointParamX(intptr_t lParam) { return static_cast<int16_t>(static_cast<uint32_t>(lParam) & 0xFFFF); }
constexpr int PointParamY(intptr_t lParam) {
    return static_cast<int16_t>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
}

// The virtual-key code of a Qt key (Qt::Key value); 0 when it has none.
uintptr_t VirtualKeyFromQtKey(int qtKey);

// The message an event stands for: mouse moves, presses, releases and double clicks of the three
// buttons (window coordinates in lParam, MK_* flags in wParam) and key presses and releases (virtual key
// in wParam; lParam repeat count 1, bit 30 set for an auto-repeated press, bit 31 set for a release).
// Key events with Alt held become WM_SYSKEYDOWN / WM_SYSKEYUP. Other events: none.
std::optional<WindowMessage> TranslateEvent(const QEvent& event);

class WindowSubclass {
public:
    // window, message, wParam, lParam -> result
    using Procedure = std::function<intptr_t(QWidget*, uint32_t, uintptr_t, intptr_t)>;

    WindowSubclass();
    WindowSubclass(const WindowSubclass&) = delete;
    WindowSubclass& operator=(const WindowSubclass&) = delete;
    ~WindowSubclass();  // removes

    // Removes an installed hook first. Turns on mouse tracking (so moves without a button arrive) until
    // Remove. False for nullptr or an empty procedure.
    bool Install(QWidget* window, Procedure procedure);
    // False when not installed.
    bool Remove();
    // The window's own handling of the message: after the procedure returns, the event goes on to the
    // window as usual. Returns 0. A procedure that never calls this swallows the event.
    intptr_t CallPrevious(QWidget* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

    bool IsInstalled() const { return installed_; }

private:
    class Filter;
    friend class Filter;

    QPointer<QWidget> window_;
    Procedure procedure_;
    bool previousTracking_ = false;
    bool passOn_ = false;
    bool installed_ = false;
    int dispatching_ = 0;  // the filter is running the procedure
    std::unique_ptr<Filter> filter_;
};

}  // namespace ql
