#pragma once

#include "core/services/ScreenRecordingPermission.h"

#include <QStringList>

// Answers with `allowed`; a request may flip it to `allowedAfterRequest`. Counts each step
// and logs the order of the steps that may prompt or touch the screen.
class ScreenRecordingPermissionFake : public ScreenRecordingPermission {
public:
    bool preflight() override {
        ++preflights;
        return allowed;
    }
    void touchScreen() override {
        ++touches;
        steps.append(QStringLiteral("touch"));
    }
    void request() override {
        ++requests;
        steps.append(QStringLiteral("request"));
        if (allowedAfterRequest)
            allowed = true;
    }
    void probeShareableContent() override {
        ++probes;
        steps.append(QStringLiteral("probe"));
    }
    QUrl settingsUrl() const override { return url; }

    bool allowed = true;
    bool allowedAfterRequest = false;
    QUrl url;
    int preflights = 0;
    int touches = 0;
    int requests = 0;
    int probes = 0;
    QStringList steps;
};
