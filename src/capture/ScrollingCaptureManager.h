#pragma once

#include "capture/RegionSelector.h"
#include "capture/ScrollCaptureLoop.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <functional>
#include <memory>
#include <optional>

class Alerts;
class EscapeKeyMonitor;
class HistoryManager;
class InputSynthesizer;
class RegionGrabber;
class Screenshot;
class ScrollingCaptureHud;
class SoundPlayer;

// Captures a region whose content is longer than the region: scrolls it, grabs a frame
// after each scroll, joins the frames and files the result as a scrolling capture. GUI
// thread only; the join and the PNG encoding run on a worker thread.
class ScrollingCaptureManager : public QObject {
    Q_OBJECT
public:
    static constexpr int maxFrames = 40;
    static constexpr double settleDelay = 0.35;
    static constexpr double firstSettleDelay = 0.15;
    static constexpr double overlapFraction = 0.22;

    struct Collaborators {
        HistoryManager& library;
        SoundPlayer& sound;
        Alerts& alerts;
        InputSynthesizer& input;
        RegionGrabber& grabber;
        EscapeKeyMonitor& escape;
        // The screen-recording check, which explains itself when it says no.
        std::function<bool()> requestScreenRecordingPermission = [] { return true; };
        std::function<void(RegionSelector::Completion)> selectRegion;
        // The thumbnail card must not be in any frame, and shows the result.
        std::function<void()> hideThumbnail = [] {};
        std::function<void(const Screenshot&)> showThumbnail = [](const Screenshot&) {};
        ScrollCaptureLoop::Settings loop = {maxFrames, int(settleDelay * 1000),
                                            int(firstSettleDelay * 1000)};
        bool showHud = true;
    };

    explicit ScrollingCaptureManager(Collaborators collaborators, QObject* parent = nullptr);
    ~ScrollingCaptureManager() override;

    // Checks the permissions, lets the user pick a region and captures it; ignored while a
    // capture runs.
    void capture();
    bool isCapturing() const { return m_isCapturing; }
    bool ensureAccessibilityPermission();
    // Starts capturing a region in global top-left coordinates.
    void begin(const QRectF& region);

    QString hudText() const { return m_hudText; }

Q_SIGNALS:
    void hudTextChanged(const QString& text);
    // The capture is over (filed, dropped or failed) and a new one may start.
    void finished();

private:
    void cancel();
    void setHudText(const QString& text);
    void showHud(const QRectF& region);
    void loopFinished(const ScrollCaptureFrames& result);
    void save(const ScrollCaptureFrames& result);
    // `error` is empty when the file was written.
    void saved(const QString& fileName, const QString& path, const QString& error);
    void finish();

    Collaborators m_c;
    ScrollCaptureLoop m_loop;
    bool m_isCapturing = false;
    bool m_cancelled = false;
    bool m_localEscMonitor = false;
    std::unique_ptr<ScrollingCaptureHud> m_hud;
    QString m_hudText;
    std::optional<QPointF> m_pointer;
    QRect m_hudScreen; // available area of the screen the HUD shows on

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
