#include "app/ScrollingCaptureServices.h"

#include "capture/ScreenshotManager.h"
#include "ui/ThumbnailPreviewController.h"

#include <QScreen>

ScrollingCaptureServices::ScrollingCaptureServices(Needs needs)
    // The selection is drawn over a still picture of the screen: without a compositing
    // manager a translucent overlay would hide what lies under it.
    : m_selector([this](QScreen* screen) {
        QImage picture = m_grabber.grab(screen->geometry());
        picture.setDevicePixelRatio(screen->devicePixelRatio());
        return picture;
    })
    , m_manager({
          .library = needs.library,
          .sound = needs.sound,
          .alerts = needs.alerts,
          .input = m_input,
          .grabber = m_grabber,
          .escape = m_escape,
          .requestScreenRecordingPermission =
              [&screenshots = needs.screenshots] {
                  return screenshots.requestPermissionIfNeeded();
              },
          .selectRegion =
              [this](RegionSelector::Completion done) { m_selector.selectRegion(std::move(done)); },
          // Cards sliding out go as well; the frames are grabbed later, on a timer.
          .hideThumbnail = [&thumbnail = needs.thumbnail] { thumbnail.hideThen([] {}); },
          .showThumbnail = [&thumbnail = needs.thumbnail](
                               const Screenshot& screenshot) { thumbnail.show(screenshot); },
      }) {}
