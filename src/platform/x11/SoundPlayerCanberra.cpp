#include "platform/x11/SoundPlayerCanberra.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <canberra.h>
#include <cstdio>
#include <dlfcn.h>

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

} // namespace

SoundPlayerCanberra::SoundPlayerCanberra(std::function<void()> bell)
    : m_bell(std::move(bell)) {}

SoundPlayerCanberra::~SoundPlayerCanberra() {
    if (m_context)
        ca_context_destroy(m_context);
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
    if (!m_context) {
        silenceAlsa();
        int error = ca_context_create(&m_context);
        if (error == CA_SUCCESS)
            error = ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Quillbox",
                                            CA_PROP_APPLICATION_ID, "quillbox", nullptr);
        if (error == CA_SUCCESS)
            error = ca_context_open(m_context);
        if (error != CA_SUCCESS) {
            // No device: every later sound would fail the same way.
            if (m_context)
                ca_context_destroy(m_context);
            m_context = nullptr;
            m_unavailable = true;
            logOnce("no sound device", error);
            return false;
        }
    }
    const int error = ca_context_play(m_context, m_nextId++, CA_PROP_EVENT_ID, eventId,
                                      CA_PROP_EVENT_DESCRIPTION, description, nullptr);
    if (error != CA_SUCCESS)
        logOnce(eventId, error);
    return error == CA_SUCCESS;
}

void SoundPlayerCanberra::waitUntilDone(int timeoutMs) {
    if (!m_context)
        return;
    QElapsedTimer timer;
    timer.start();
    for (uint32_t id = 1; id < m_nextId; ++id) {
        int playing = 0;
        while (ca_context_playing(m_context, id, &playing) == CA_SUCCESS && playing &&
               !timer.hasExpired(timeoutMs))
            QThread::msleep(10);
    }
}

void SoundPlayerCanberra::logOnce(const char* what, int error) {
    if (m_logged)
        return;
    m_logged = true;
    if (alsaComplained)
        std::fputs("Quillbox: no sound device is available; sounds are off\n", stderr);
    else
        std::fprintf(stderr, "Quillbox: sounds are off (%s: %s)\n", what, ca_strerror(error));
}
