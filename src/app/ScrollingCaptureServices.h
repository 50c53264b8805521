#pragma once

#include "capture/RegionSelector.h"
#include "capture/ScrollingCaptureManager.h"
#include "platform/x11/EscapeKeyMonitorX11.h"
#include "platform/x11/InputSynthesizerXTest.h"
#include "platform/x11/RegionGrabberX11.h"

class ScreenshotManager;
class ThumbnailPreviewController;

// The scrolling capture with the region selector and its X11 services, built by `main`
// at the first scrolling capture.
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

    ScrollingCaptureManager& manager() { return m_manager; }
    // Whether input can be posted: the desktop's accessibility trust.
    static bool inputAvailable() { return InputSynthesizerXTest().isAvailable(); }

private:
    InputSynthesizerXTest m_input;
    RegionGrabberX11 m_grabber;
    EscapeKeyMonitorX11 m_escape;
    RegionSelector m_selector;
    ScrollingCaptureManager m_manager;
};
