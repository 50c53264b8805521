#pragma once

#include "platform/ScreenRecordingPermission.h"

// Answers with `allowed`; a request may flip it to `allowedAfterRequest`. Counts each step.
class ScreenRecordingPermissionFake : public ScreenRecordingPermission {
public:
    bool preflight() override {
        ++preflights;
        return allowed;
    }
    void touchScreen() override { ++touches; }
    void request() override {
        ++requests;
        if (allowedAfterRequest)
            allowed = true;
    }
    void probeShareableContent() override { ++probes; }
    QUrl settingsUrl() const override { return url; }

    bool allowed = true;
    bool allowedAfterRequest = false;
    QUrl url;
    int preflights = 0;
    int touches = 0;
    int requests = 0;
    int probes = 0;
};
