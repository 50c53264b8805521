#pragma once

#include "core/services/ScreenRecordingPermission.h"

#include <QStringList>

// Answers with `allowed`; a request may flip it to `allowedAfterRequest`. Logs the order of
// the steps that may prompt or touch the screen.
class ScreenRecordingPermissionFake : public ScreenRecordingPermission {
public:
    bool preflight() override { return allowed; }
    void touchScreen() override { steps.append(QStringLiteral("touch")); }
    void request() override {
        steps.append(QStringLiteral("request"));
        if (allowedAfterRequest)
            allowed = true;
    }
    void probeShareableContent() override { steps.append(QStringLiteral("probe")); }
    QUrl settingsUrl() const override { return url; }

    bool allowed = true;
    bool allowedAfterRequest = false;
    QUrl url;
    QStringList steps;
};
