// The Xlib side of the hotkey poll, kept apart from every Qt header: Xlib's macros (None, Bool,
// Status, KeyPress) clash with Qt's names.
#include "capture/x11_keys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <cstdlib>

namespace ql {
namespace {

std::function<int32_t()>& TestSource() {
    static std::function<int32_t()> source;
    return source;
}

// A connection of our own, apart from the toolkit's: raw key presses on the root window reach it
// whatever window has the focus, without grabbing the keyboard.
class KeyWatcher {
public:
    KeyWatcher() {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0') return;
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr) return;
        f7_ = XKeysymToKeycode(display_, XK_F7);
        int event = 0, error = 0;
        if (XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error)) {
            int major = 2, minor = 0;
            if (XIQueryVersion(display_, &major, &minor) == Success) {
                unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
                XIEventMask mask;
                mask.deviceid = XIAllMasterDevices;
                mask.mask_len = sizeof(bits);
                mask.mask = bits;
                XISetMask(bits, XI_RawKeyPress);
                XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
                XFlush(display_);
                raw_ = true;
            }
        }
    }
    // The watcher lives until process exit, when the connection closes with the process. Closing it
    // here would run Xlib's I/O error path (which calls exit() again) when the X server has gone first.
    ~KeyWatcher() = default;
    KeyWatcher(const KeyWatcher&) = delete;
    KeyWatcher& operator=(const KeyWatcher&) = delete;

    int32_t Query() {
        if (display_ == nullptr || f7_ == 0) return 0;
        bool pressed = false;
        if (raw_) {
            while (XPending(display_) > 0) {
                XEvent ev;
                XNextEvent(display_, &ev);
                XGenericEventCookie* cookie = &ev.xcookie;
                if (cookie->type == GenericEvent && cookie->extension == xiOpcode_ &&
                    XGetEventData(display_, cookie)) {
                    if (cookie->evtype == XI_RawKeyPress) {
                        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
                        if (raw->detail == f7_) pressed = true;
                    }
                    XFreeEventData(display_, cookie);
                }
            }
        }
        char keys[32] = {};
        XQueryKeymap(display_, keys);
        const bool down = (keys[f7_ / 8] >> (f7_ % 8)) & 1;
        // As on Windows: the high bit for "down now", the low bit for "pressed since the last query".
        return (down ? 0x8000 : 0) | (pressed ? 1 : 0);
    }

private:
    Display* display_ = nullptr;
    KeyCode f7_ = 0;
    int xiOpcode_ = 0;
    bool raw_ = false;
};

}  // namespace

int32_t AsyncF7State() {
    if (TestSource()) return TestSource()();
    static KeyWatcher watcher;
    return watcher.Query();
}

void SetKeyStateSourceForTests(std::function<int32_t()> source) { TestSource() = std::move(source); }

}  // namespace ql
