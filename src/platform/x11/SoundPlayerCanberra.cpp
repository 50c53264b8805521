#include "platform/x11/SoundPlayerCanberra.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <canberra.h>
#include <cstdio>
#include <dlfcn.h>
#include <optional>
#include <type_traits>

namespace {

// Whether ALSA complained (no card, no usable default device): canberra then reports
// "File or data not found", as if the sound were missing.
std::atomic<bool> alsaComplained{false};

// ALSA writes its own lines to stderr (eight of them without a card); we say it once.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {
    alsaComplained = true;
}

// Canberra loads ALSA on its own; the handler is set on the same library, reached by its
// name, so that nothing more needs linking.
void silenceAlsa() {
    static const bool done = [] {
        void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!alsa)
            return true;
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(::dlsym(alsa, "snd_lib_error_set_handler")))
            set(quietAlsa);
        return true; // the library stays loaded: canberra uses it
    }();
    Q_UNUSED(done);
}

// libcanberra, loaded at the first sound rather than at every start, with the sound
// libraries it brings.
struct Canberra {
    decltype(&ca_context_create) create = nullptr;
    decltype(&ca_context_change_props) changeProps = nullptr;
    decltype(&ca_context_open) open = nullptr;
    decltype(&ca_context_play) play = nullptr;
    decltype(&ca_context_playing) playing = nullptr;
    decltype(&ca_context_destroy) destroy = nullptr;
    decltype(&ca_strerror) strerror = nullptr;
};

// Null when the library cannot be loaded.
const Canberra* canberra() {
    static const std::optional<Canberra> loaded = []() -> std::optional<Canberra> {
        void* library = ::dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return std::nullopt;
        Canberra entries;
        const auto resolve = [library](auto& entry, const char* name) {
            entry =
                reinterpret_cast<std::remove_reference_t<decltype(entry)>>(::dlsym(library, name));
            return entry != nullptr;
        };
        if (resolve(entries.create, "ca_context_create") &&
            resolve(entries.changeProps, "ca_context_change_props") &&
            resolve(entries.open, "ca_context_open") && resolve(entries.play, "ca_context_play") &&
            resolve(entries.playing, "ca_context_playing") &&
            resolve(entries.destroy, "ca_context_destroy") &&
            resolve(entries.strerror, "ca_strerror"))
            return entries;
        return std::nullopt;
    }();
    return loaded ? &*loaded : nullptr;
}

} // namespace

SoundPlayerCanberra::SoundPlayerCanberra(std::function<void()> bell)
    : m_bell(std::move(bell)) {}

SoundPlayerCanberra::~SoundPlayerCanberra() {
    if (m_context)
        canberra()->destroy(m_context);
}

void SoundPlayerCanberra::playCaptureSound() {
    play("screen-capture", "Screenshot taken");
}

void SoundPlayerCanberra::beep() {
    // The theme's bell rather than the X bell where it can play: Xvfb and many desktops
    // mute the latter.
    if (!play("bell", "Bell") && m_bell)
        m_bell();
}

bool SoundPlayerCanberra::play(const char* eventId, const char* description) {
    if (m_unavailable)
        return false;
    const Canberra* ca = canberra();
    if (!ca) {
        m_unavailable = true;
        logOnce("libcanberra.so.0", "the library cannot be loaded");
        return false;
    }
    if (!m_context) {
        silenceAlsa();
        int error = ca->create(&m_context);
        if (error == CA_SUCCESS)
            error = ca->changeProps(m_context, CA_PROP_APPLICATION_NAME, "Quillbox",
                                    CA_PROP_APPLICATION_ID, "quillbox", nullptr);
        if (error == CA_SUCCESS)
            error = ca->open(m_context);
        if (error != CA_SUCCESS) {
            // No device: every later sound would fail the same way.
            if (m_context)
                ca->destroy(m_context);
            m_context = nullptr;
            m_unavailable = true;
            logOnce("no sound device", ca->strerror(error));
            return false;
        }
    }
    const int error = ca->play(m_context, m_nextId++, CA_PROP_EVENT_ID, eventId,
                               CA_PROP_EVENT_DESCRIPTION, description, nullptr);
    if (error != CA_SUCCESS)
        logOnce(eventId, ca->strerror(error));
    return error == CA_SUCCESS;
}

void SoundPlayerCanberra::waitUntilDone(int timeoutMs) {
    if (!m_context)
        return;
    QElapsedTimer timer;
    timer.start();
    for (uint32_t id = 1; id < m_nextId; ++id) {
        int playing = 0;
        while (canberra()->playing(m_context, id, &playing) == CA_SUCCESS && playing &&
               !timer.hasExpired(timeoutMs))
            QThread::msleep(10);
    }
}

void SoundPlayerCanberra::logOnce(const char* what, const char* reason) {
    if (m_logged)
        return;
    m_logged = true;
    if (alsaComplained)
        std::fputs("Quillbox: no sound device is available; sounds are off\n", stderr);
    else
        std::fprintf(stderr, "Quillbox: sounds are off (%s: %s)\n", what, reason);
}
