#pragma once

#include "core/services/ScreenRecordingPermission.h"

// X11 keeps no such permission: reading the screen is allowed when the root window can
// be read. There is nothing to request and no settings page.
class ScreenRecordingPermissionX11 : public ScreenRecordingPermission {
public:
    bool preflight() override;
    void touchScreen() override {}
    void request() override {}
    void probeShareableContent() override {}
    QUrl settingsUrl() const override { return {}; }
};
