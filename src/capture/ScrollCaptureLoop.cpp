#include "capture/ScrollCaptureLoop.h"

#include "capture/WheelSteps.h"
#include "core/services/InputSynthesizer.h"
#include "core/services/RegionGrabber.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

ScrollCaptureLoop::ScrollCaptureLoop(InputSynthesizer& input, RegionGrabber& grabber,
                                     Settings settings, QObject* parent)
    : QObject(parent)
    , m_input(input)
    , m_grabber(grabber)
    , m_settings(settings) {}

int ScrollCaptureLoop::stepFor(const QRectF& region) {
    return std::max(40, static_cast<int>(region.height() * 0.78));
}

void ScrollCaptureLoop::start(const QRectF& region, std::function<bool()> isCancelled) {
    m_region = region;
    m_cancelled = std::move(isCancelled);
    m_result = {};
    m_sticky = {};
    m_direction = 0;
    m_triedBothWays = false;
    m_asked.clear();
    m_step = stepFor(region);
    m_rowsPerClick = 0;
    m_input.warpPointer(region.center());
    QTimer::singleShot(m_settings.firstSettleMs, this, &ScrollCaptureLoop::grabFirstFrame);
}

void ScrollCaptureLoop::grabFirstFrame() {
    const QImage first = m_grabber.grab(m_region);
    if (first.isNull())
        return end();
    m_result.frames = {first};
    m_rowsPerPoint = first.height() / m_region.height();
    if (m_cancelled())
        return end();
    probe(-1);
}

void ScrollCaptureLoop::probe(int sign) {
    // One click: how far a click scrolls is not known yet, and more could overshoot.
    scroll(sign, 1);
    QTimer::singleShot(m_settings.settleMs, this, [this, sign] { evaluateProbe(sign); });
}

void ScrollCaptureLoop::evaluateProbe(int sign) {
    const QImage first = m_result.frames.front();
    QImage moved;
    if (!m_cancelled())
        moved = m_grabber.grab(m_region);
    if (!moved.isNull()) {
        const auto sticky = ScrollStitcher::stickyBands({first, moved});
        // Content that moved down the screen is what the stitcher joins; content that moved
        // up is the same pair read the other way round. On text over a plain ground a wrong
        // shift can match too, so where both readings find movement the cheaper one holds:
        // the real movement matches (nearly) exactly.
        const auto down = ScrollStitcher::guidedMatch(first, moved, sticky.top, sticky.bottom, 0);
        const auto up = ScrollStitcher::guidedMatch(moved, first, sticky.top, sticky.bottom, 0);
        const bool downMoved = down && down->delta >= 1;
        const bool upMoved = up && up->delta >= 1;
        // Where both readings cost alike, the one that whole rows agree with on more texture
        // holds.
        const bool tie = downMoved && upMoved && std::abs(up->cost - down->cost) < 0.5 &&
                         up->support != down->support;
        const bool movedUp =
            upMoved && (!downMoved || (tie ? up->support > down->support : up->cost < down->cost));
        const bool movedDown = downMoved && !movedUp;
        if (movedDown || movedUp) {
            const ScrollStitcher::Match& seen = movedDown ? *down : *up;
            // Where nothing in the frames pinned the shift, a click's distance stays unknown
            // and the next step is one click again.
            m_rowsPerClick = seen.support == 0 ? 0 : seen.delta;
            m_direction = sign;
            m_sticky = sticky;
            m_result.contentMovedUp = movedUp;
            m_triedBothWays = sign == +1;
            append(moved, movedDown ? down->delta : up->delta, 1, 0);
            return scrollOnce();
        }
    }
    if (sign == -1 && !m_cancelled())
        return probe(+1);
    end();
}

void ScrollCaptureLoop::scrollOnce() {
    if (m_cancelled())
        return end();
    // 78 % of the region, in clicks of the distance measured so far; but never more than
    // the stitcher can match, which is less where the fixed bands take much of the region.
    const int matchable = m_result.frames.front().height() - m_sticky.top - m_sticky.bottom -
                          ScrollStitcher::comparedBandRows;
    m_clicks = wheelClicksFor(std::min<double>(m_step * m_rowsPerPoint, matchable), m_rowsPerClick);
    scroll(m_direction, m_clicks);
    QTimer::singleShot(m_settings.settleMs, this, &ScrollCaptureLoop::evaluateFrame);
}

void ScrollCaptureLoop::evaluateFrame() {
    if (m_cancelled())
        return end();
    const QImage next = m_grabber.grab(m_region);
    if (next.isNull())
        return end();
    const QImage& last = m_result.frames.back();
    // How far the wheel was asked to move the content: where the frames alone cannot tell
    // (a flat band at the edge), that decides.
    const int expected = static_cast<int>(std::lround(m_clicks * m_rowsPerClick));
    const auto match =
        m_result.contentMovedUp
            ? ScrollStitcher::guidedMatch(next, last, m_sticky.top, m_sticky.bottom, expected)
            : ScrollStitcher::guidedMatch(last, next, m_sticky.top, m_sticky.bottom, expected);
    if (!match || match->delta == 0) {
        // The probe may have moved only what was left of a partial line at one end: the
        // page can still scroll the other way, from the frame the probe left.
        if (match && !m_triedBothWays && m_result.frames.size() == 2) {
            m_triedBothWays = true;
            m_direction = -m_direction;
            m_result.contentMovedUp = !m_result.contentMovedUp;
            m_result.frames.removeFirst();
            m_result.deltas.clear();
            m_asked.clear();
            m_rowsPerClick = 0; // the probe's distance was cut short by the end
            return scrollOnce();
        }
        return end(); // the end of the content: this frame shows nothing new
    }
    // A program may scroll further per click than the first click showed; never less is
    // assumed, so the steps only get safer.
    if (match->support != 0)
        m_rowsPerClick = std::max(m_rowsPerClick, double(match->delta) / m_clicks);
    append(next, match->delta, m_clicks, expected);
    // Rows that stayed alike in two frames (a white margin) need not be fixed bars: with
    // more frames the bands only narrow, and the search widens with them.
    if (m_result.frames.size() >= 3)
        m_sticky = ScrollStitcher::stickyBands(m_result.frames);
    if (m_result.frames.size() >= m_settings.maxFrames)
        return end();
    scrollOnce();
}

void ScrollCaptureLoop::scroll(int sign, int clicks) {
    m_input.warpPointer(m_region.center());
    m_input.scrollWheel(m_region.center(), sign * clicks);
}

void ScrollCaptureLoop::append(const QImage& frame, int delta, int clicks, int expected) {
    m_result.frames.append(frame);
    m_result.deltas.append(delta);
    m_asked.append({clicks, expected});
    Q_EMIT frameCountChanged(static_cast<int>(m_result.frames.size()));
}

void ScrollCaptureLoop::end() {
    // Early steps were measured before the distance of a click was known; where the
    // frames alone could not tell, what is known now decides.
    for (qsizetype i = 0; i < m_result.deltas.size(); ++i) {
        const int expected = static_cast<int>(std::lround(m_asked[i].clicks * m_rowsPerClick));
        if (expected == m_asked[i].expected || expected == m_result.deltas[i])
            continue;
        const QImage& earlier = m_result.frames[i];
        const QImage& later = m_result.frames[i + 1];
        const auto match = m_result.contentMovedUp
                               ? ScrollStitcher::guidedMatch(later, earlier, m_sticky.top,
                                                             m_sticky.bottom, expected)
                               : ScrollStitcher::guidedMatch(earlier, later, m_sticky.top,
                                                             m_sticky.bottom, expected);
        if (match && match->delta > 0)
            m_result.deltas[i] = match->delta;
    }
    Q_EMIT finished(m_result);
}
