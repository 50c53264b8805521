#pragma once

#include "core/services/SoundPlayer.h"

#include <cstdint>
#include <functional>

struct ca_context;

// Event sounds through libcanberra and the freedesktop sound theme. Without a sound
// device or theme the sounds are skipped; the first failure is said once on stderr, and
// ALSA's own complaints are kept out of it. The beep then rings the display's bell, so a
// refusal is never silent.
class SoundPlayerCanberra : public SoundPlayer {
public:
    // `bell` rings when the beep cannot play (the program passes the display's bell); the
    // capture tool passes none, so that it never loads Qt's widget libraries.
    explicit SoundPlayerCanberra(std::function<void()> bell = {});
    ~SoundPlayerCanberra() override;
    SoundPlayerCanberra(const SoundPlayerCanberra&) = delete;
    SoundPlayerCanberra& operator=(const SoundPlayerCanberra&) = delete;

    void playCaptureSound() override;
    void beep() override;

    // Sounds play in the background; a process about to exit waits for them here (at
    // most `timeoutMs`), or they would be cut off.
    void waitUntilDone(int timeoutMs);

private:
    // False when the sound could not be played.
    bool play(const char* eventId, const char* description);
    void logOnce(const char* what, const char* reason);

    std::function<void()> m_bell;
    ca_context* m_context = nullptr;
    bool m_unavailable = false;
    bool m_logged = false;
    uint32_t m_nextId = 1;
};
