#pragma once

#include "capture/RegionSelector.h"
#include "capture/ScrollingCaptureManager.h"
#include "platform/x11/EscapeKeyMonitorX11.h"
#include "platform/x11/InputSynthesizerXTest.h"
#include "platform/x11/RegionGrabberX11.h"

class ScreenshotManager;
class ThumbnailPreviewController;

// The scrolling capture with the region selector and its X11 services, built once by
// `main` and installed as the shared instances.
class ScrollingCaptureServices {
public:
    struct Needs {
        HistoryManager& library;
        SoundPlayer& sound;
        Alerts& alerts;
        ScreenshotManager& screenshots;
        ThumbnailPreviewController& thumbnail;
    };

    explicit ScrollingCaptureServices(Needs needs);
    ~ScrollingCaptureServices();

    ScrollingCaptureManager& manager() { return m_manager; }
    // Whether input can be posted: the desktop's accessibility trust.
    bool inputAvailable() { return m_input.isAvailable(); }

private:
    InputSynthesizerXTest m_input;
    RegionGrabberX11 m_grabber;
    EscapeKeyMonitorX11 m_escape;
    RegionSelector m_selector;
    ScrollingCaptureManager m_manager;
};
