#pragma once

#include "core/stitch/ScrollStitcher.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <functional>

class InputSynthesizer;
class RegionGrabber;

// What a scrolling capture grabbed: frames in the order taken, whether the content moved
// up the screen between them (the page scrolled toward its end), and how far it moved
// between each frame and the next.
struct ScrollCaptureFrames {
    QList<QImage> frames;
    QList<int> deltas;
    bool contentMovedUp = false;
};

// Scrolls the content under a region and grabs a frame after each scroll until the content
// stops moving, the caller cancels or the frame limit is reached. The waits between steps
// are timers on the GUI thread, so the interface stays responsive.
class ScrollCaptureLoop : public QObject {
    Q_OBJECT
public:
    struct Settings {
        int maxFrames = 40;
        int settleMs = 350;      // after each scroll, before grabbing
        int firstSettleMs = 150; // after moving the pointer, before the first frame
    };

    ScrollCaptureLoop(InputSynthesizer& input, RegionGrabber& grabber, Settings settings,
                      QObject* parent = nullptr);

    // Starts a run; `finished` follows once. `isCancelled` is read at the points where a
    // run may stop early.
    void start(const QRectF& region, std::function<bool()> isCancelled);

    // Points scrolled per step: 78 % of the region's height, at least 40.
    static int stepFor(const QRectF& region);

Q_SIGNALS:
    void frameCountChanged(int frames);
    void finished(const ScrollCaptureFrames& result);

private:
    void grabFirstFrame();
    void probe(int sign);
    void evaluateProbe(int sign);
    void scrollOnce();
    void evaluateFrame();
    void scroll(int sign, int clicks);
    void append(const QImage& frame, int delta, int clicks, int expected);
    void end();

    InputSynthesizer& m_input;
    RegionGrabber& m_grabber;
    Settings m_settings;
    std::function<bool()> m_cancelled;
    QRectF m_region;
    int m_step = 0;
    int m_direction = 0;
    int m_clicks = 1;
    double m_rowsPerClick = 0; // from moves the frames pinned down; 0 while not known
    double m_rowsPerPoint = 1;
    bool m_triedBothWays = false;
    struct Asked {
        int clicks = 0;
        int expected = 0; // rows the measure was told to expect, 0 for not known
    };
    QList<Asked> m_asked; // one per delta
    ScrollStitcher::StickyBands m_sticky;
    ScrollCaptureFrames m_result;
};
