#include "platform/x11/GlobalHotkeysX11.h"

#include "core/services/SystemLog.h"
#include "platform/x11/HotkeyMapping.h"
#include "platform/x11/XcbConnection.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTimer>
#include <X11/keysym.h>
#include <cstdlib>
#include <utility>
#include <xcb/xcb.h>

using hotkey_mapping::KeyGrab;

namespace {

// Only the modifier bits take part in matching a press; button bits do not.
constexpr quint16 modifierBits = 0xff;

// A key held down repeats at least this often (in X server milliseconds); a press of a key
// still marked down that comes later is a fresh one whose release went unseen.
constexpr xcb_timestamp_t repeatGapMs = 2000;

// While a combination's key is marked down, the keyboard is read this often: its release
// is not always sent to us. A window of ours that held the keyboard at the press and closed
// before the release (the popover, toggled by its own hot key) leaves the release to
// whichever window has the focus then.
constexpr int releasePollMs = 30;

} // namespace

struct GlobalHotkeysX11::Private {
    std::unique_ptr<XcbConnection> x; // Qt's own: its events are the ones Qt reads
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    PressedHandler pressed;
    QHash<quint32, QList<KeyGrab>> grabs;
    quint16 lockMask = 0; // NumLock | CapsLock as they were at the last grab
    // Keys of a held combination that are down, with the time of their last press: the
    // keyboard's auto-repeat must not fire a combination again while it is held.
    QHash<quint8, xcb_timestamp_t> down;
    quint8 lastReleasedKey = 0;
    xcb_timestamp_t lastReleaseTime = 0;
    QTimer releasePoll;
    SystemLog* log = nullptr;
    QSet<quint32> unmappedLogged;

    // Told once per key code: the shortcut then simply stays unregistered.
    void logUnmapped(quint32 keyCode, const char* why) {
        if (!log || unmappedLogged.contains(keyCode))
            return;
        unmappedLogged.insert(keyCode);
        log->write(QStringLiteral("Quillbox: the shortcut key code ") + QString::number(keyCode) +
                   QLatin1String(why) + QStringLiteral("; that shortcut is not registered"));
    }

    // Unmarks the keys that are up now, whoever was told of their release.
    void forgetReleasedKeys() {
        XcbReply<xcb_query_keymap_reply_t> keymap(
            xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr));
        if (!keymap)
            return;
        for (auto it = down.begin(); it != down.end();) {
            const quint8 key = it.key();
            if (keymap->keys[key / 8] & (1 << (key % 8)))
                ++it;
            else
                it = down.erase(it);
        }
        if (down.isEmpty())
            releasePoll.stop();
    }

    // Auto-repeat comes as presses without releases, or as release-press pairs that share
    // one timestamp.
    bool isRepeat(const xcb_key_press_event_t* press) const {
        const auto held = down.constFind(press->detail);
        if (held != down.cend() && press->time - *held < repeatGapMs)
            return true;
        return lastReleasedKey == press->detail && lastReleaseTime == press->time;
    }

    bool grabKey(const KeyGrab& grab) const {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(connection, 0, root, grab.modifiers, grab.keycode,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        XcbReply<xcb_generic_error_t> error(xcb_request_check(connection, cookie));
        return !error;
    }

    void ungrabKey(const KeyGrab& grab) const {
        xcb_ungrab_key(connection, grab.keycode, root, grab.modifiers);
    }
};

GlobalHotkeysX11::GlobalHotkeysX11(SystemLog* log)
    : d(std::make_unique<Private>()) {
    d->log = log;
    if (XcbConnection::qtOnX11()) {
        d->x = std::make_unique<XcbConnection>();
        d->connection = d->x->get();
        d->root = d->x->root();
    }
    d->releasePoll.setInterval(releasePollMs);
    d->releasePoll.callOnTimeout(&d->releasePoll, [this] { d->forgetReleasedKeys(); });
    if (d->connection)
        QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalHotkeysX11::~GlobalHotkeysX11() {
    const QList<quint32> ids = d->grabs.keys();
    for (quint32 id : ids)
        release(id);
    if (d->connection && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void GlobalHotkeysX11::setPressedHandler(PressedHandler handler) {
    d->pressed = std::move(handler);
}

bool GlobalHotkeysX11::grab(quint32 id, const HotkeyCombo& combo) {
    if (!d->connection || d->root == XCB_NONE || d->grabs.contains(id))
        return false;
    const auto keysym = hotkey_mapping::keysymForKeyCode(combo.keyCode);
    if (!keysym) {
        d->logUnmapped(combo.keyCode, " stands for no key Quillbox knows");
        return false;
    }
    const QList<quint8> keycodes = d->x->keycodesOf(*keysym);
    if (keycodes.isEmpty()) {
        d->logUnmapped(combo.keyCode, " is on no key of this keyboard");
        return false;
    }
    const quint16 numLock = d->x->numLockMask();
    const quint16 capsLock = hotkey_mapping::lockMask;
    d->lockMask = numLock | capsLock;
    const QList<KeyGrab> grabs = hotkey_mapping::lockVariants(
        keycodes, hotkey_mapping::x11Modifiers(combo.modifiers), numLock, capsLock);
    // The server lets a client grab a combination it already holds again, silently; a
    // combination held under another identifier is refused like one another client holds.
    for (const QList<KeyGrab>& held : std::as_const(d->grabs)) {
        for (const KeyGrab& grab : grabs) {
            if (held.contains(grab))
                return false;
        }
    }
    const bool taken = hotkey_mapping::grabAllOrNone(
        grabs, [this](const KeyGrab& grab) { return d->grabKey(grab); },
        [this](const KeyGrab& grab) { d->ungrabKey(grab); });
    xcb_flush(d->connection);
    if (!taken)
        return false;
    d->grabs.insert(id, grabs);
    return true;
}

void GlobalHotkeysX11::release(quint32 id) {
    const QList<KeyGrab> grabs = d->grabs.take(id);
    for (const KeyGrab& grab : grabs)
        d->ungrabKey(grab);
    if (!grabs.isEmpty())
        xcb_flush(d->connection);
}

bool GlobalHotkeysX11::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || d->grabs.isEmpty())
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const int type = event->response_type & 0x7f;
    if (type == XCB_KEY_RELEASE) {
        auto* release = reinterpret_cast<xcb_key_release_event_t*>(event);
        d->down.remove(release->detail);
        if (d->down.isEmpty())
            d->releasePoll.stop();
        d->lastReleasedKey = release->detail;
        d->lastReleaseTime = release->time;
        return false;
    }
    if (type != XCB_KEY_PRESS)
        return false;
    // Not only presses on the root window: while one of our own popups holds the keyboard,
    // the combination reaches that popup instead of the passive grab, and still counts.
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    const quint16 state = press->state & modifierBits & ~d->lockMask;
    for (auto it = d->grabs.cbegin(); it != d->grabs.cend(); ++it) {
        for (const KeyGrab& grab : it.value()) {
            if (grab.keycode == press->detail && (grab.modifiers & ~d->lockMask) == state) {
                const bool repeat = d->isRepeat(press);
                d->down.insert(press->detail, press->time);
                if (!d->releasePoll.isActive())
                    d->releasePoll.start();
                if (!repeat && d->pressed)
                    d->pressed(it.key());
                return true;
            }
        }
    }
    return false;
}
