#include "prefs/global_hotkeys.h"

#include "platform/x11_keysyms.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>

#include <vector>

namespace kesto {

namespace {

// Xlib reports a refused grab through a process-wide handler that takes no
// context; the flag lives only between a grab and the sync after it, on the
// UI thread.
bool grabRefused = false;

int noteRefusal(Display*, XErrorEvent* event) {
    if (event->error_code == BadAccess)
        grabRefused = true;
    return 0;
}

// The lock keys must not break a binding: each combination is grabbed with
// Caps Lock and Num Lock (Mod2 on every common layout) in every state.
constexpr unsigned kLockVariants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

unsigned modifierMask(const Hotkey& k) {
    return (k.win ? Mod4Mask : 0u) | (k.ctrl ? ControlMask : 0u) | (k.alt ? Mod1Mask : 0u) |
           (k.shift ? ShiftMask : 0u);
}

} // namespace

struct GlobalHotkeys::Impl {
    struct Grab {
        int id;
        int keycode;
        unsigned modifiers;
    };
    Display* display = nullptr;
    Window root = 0;
    std::unique_ptr<QSocketNotifier> notifier;
    std::vector<Grab> grabs;

    void ungrab(const Grab& g) const {
        for (const unsigned lock : kLockVariants)
            XUngrabKey(display, g.keycode, g.modifiers | lock, root);
    }
};

GlobalHotkeys::GlobalHotkeys(std::function<void(int id)> fired, bool useX, QObject* parent)
    : QObject(parent), impl_(std::make_unique<Impl>()), fired_(std::move(fired)) {
    if (!useX || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    impl_->display = XOpenDisplay(nullptr);
    if (!impl_->display)
        return;
    impl_->root = DefaultRootWindow(impl_->display);
    impl_->notifier =
        std::make_unique<QSocketNotifier>(ConnectionNumber(impl_->display), QSocketNotifier::Read);
    connect(impl_->notifier.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
}

GlobalHotkeys::~GlobalHotkeys() {
    if (!impl_->display)
        return;
    impl_->notifier.reset();
    XCloseDisplay(impl_->display); // the server drops our grabs with the connection
}

bool GlobalHotkeys::available() const {
    return impl_->display != nullptr;
}

bool GlobalHotkeys::registerHotkey(int id, const Hotkey& key) {
    Impl& d = *impl_;
    if (!d.display)
        return false;
    unregisterHotkey(id);
    const unsigned long sym = keysymForVk(key.vk);
    const int keycode = sym ? XKeysymToKeycode(d.display, sym) : 0;
    if (keycode == 0)
        return false;
    const Impl::Grab grab{id, keycode, modifierMask(key)};
    XSync(d.display, False);
    grabRefused = false;
    XErrorHandler previous = XSetErrorHandler(noteRefusal);
    for (const unsigned lock : kLockVariants)
        XGrabKey(d.display, keycode, grab.modifiers | lock, d.root, False, GrabModeAsync,
                 GrabModeAsync);
    XSync(d.display, False);
    XSetErrorHandler(previous);
    if (grabRefused) {
        d.ungrab(grab); // the variants that did succeed
        XSync(d.display, False);
        return false;
    }
    d.grabs.push_back(grab);
    return true;
}

void GlobalHotkeys::unregisterHotkey(int id) {
    Impl& d = *impl_;
    if (!d.display)
        return;
    std::erase_if(d.grabs, [&](const Impl::Grab& g) {
        if (g.id != id)
            return false;
        d.ungrab(g);
        return true;
    });
    XFlush(d.display);
}

void GlobalHotkeys::readEvents() {
    Impl& d = *impl_;
    while (XPending(d.display) > 0) {
        XEvent event;
        XNextEvent(d.display, &event);
        if (event.type != KeyPress)
            continue;
        const unsigned state = event.xkey.state & ~(LockMask | Mod2Mask) &
                               (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
        for (const Impl::Grab& g : d.grabs) {
            if (g.keycode == static_cast<int>(event.xkey.keycode) && g.modifiers == state) {
                if (fired_)
                    fired_(g.id);
                break;
            }
        }
    }
}

void RegisterAllHotkeys(GlobalHotkeys& hotkeys, Settings& settings,
                        const std::function<void(int function)>& failed) {
    for (int n = 0; n < kHotkeyCount; ++n) {
        const std::optional<Hotkey> key = storedHotkey(settings, n);
        if (!key)
            continue;
        if (!hotkeys.registerHotkey(n, *key) && failed)
            failed(n);
    }
}

void UnregisterAllHotkeys(GlobalHotkeys& hotkeys) {
    for (int n = 0; n < kHotkeyCount; ++n)
        hotkeys.unregisterHotkey(n);
}

} // namespace kesto
