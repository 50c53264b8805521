#pragma once

#include <QUrl>

// Whether Quillbox may read the screen. Only `preflight` answers; the other steps exist
// for desktops that keep such a permission and do nothing where there is none.
class ScreenRecordingPermission {
public:
    virtual ~ScreenRecordingPermission() = default;
    // Never prompts and never shows anything.
    virtual bool preflight() = 0;
    // Reads the screen once, so the desktop lists Quillbox among those asking.
    virtual void touchScreen() = 0;
    // May prompt; its answer is not used.
    virtual void request() = 0;
    // Asks for the shareable content in the background; its answer is not used.
    virtual void probeShareableContent() = 0;
    // The desktop's settings page for the permission; empty when the desktop has none.
    virtual QUrl settingsUrl() const = 0;
};
