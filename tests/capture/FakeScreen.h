#pragma once

#include "core/services/EscapeKeyMonitor.h"
#include "core/services/InputSynthesizer.h"
#include "core/services/RegionGrabber.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <algorithm>

// A screen showing a tall page in a scroll area under the captured region: a fixed header
// above the scrolled part and a fixed footer below it. Wheel clicks scroll the page a fixed
// number of pixels each, stopping at its ends, as X11 programs do.
class FakeScreen : public InputSynthesizer, public RegionGrabber {
public:
    FakeScreen(QImage page, QImage header, QImage footer, int viewportHeight)
        : page(std::move(page))
        , header(std::move(header))
        , footer(std::move(footer))
        , viewport(viewportHeight) {}

    // The page as the user sees it from the top: header, the whole page, footer; or, with
    // `rows` of it from `top`, the view of those rows.
    QImage wholePage() const { return compose(0, page.height()); }
    QImage compose(int top, int rows) const {
        QImage out(page.width(), header.height() + rows + footer.height(), QImage::Format_RGB32);
        QPainter painter(&out);
        painter.drawImage(0, 0, header);
        painter.drawImage(QPoint(0, header.height()), page, QRect(0, top, page.width(), rows));
        painter.drawImage(0, header.height() + rows, footer);
        return out;
    }

    int maxOffset() const { return std::max(0, page.height() - viewport); }

    bool isAvailable() override { return available; }
    std::optional<QPointF> pointerPosition() override { return pointer; }
    void warpPointer(const QPointF& position) override {
        pointer = position;
        warps.append(position);
    }
    void scrollWheel(const QPointF& position, int clicks) override {
        pointer = position;
        wheelClicks.append(clicks);
        if (!frozen)
            offset = std::clamp(offset - clicks * pixelsPerClick, 0, maxOffset());
    }
    QImage grab(const QRectF&) override {
        ++grabs;
        if (grabs > grabsThatWork)
            return {};
        return compose(offset, viewport);
    }

    QImage page, header, footer;
    int viewport;
    int offset = 0; // page row at the top of the scrolled part
    int pixelsPerClick = 60;
    bool frozen = false;
    bool available = true;
    int grabs = 0;
    int grabsThatWork = 1000;
    std::optional<QPointF> pointer = QPointF(5, 7);
    QList<QPointF> warps;
    QList<int> wheelClicks;
};

class EscapeKeyMonitorFake : public EscapeKeyMonitor {
public:
    bool start(std::function<void()> onEscape) override {
        callback = std::move(onEscape);
        ++starts;
        return true;
    }
    void stop() override {
        callback = nullptr;
        ++stops;
    }
    void press() {
        if (callback)
            callback();
    }

    std::function<void()> callback;
    int starts = 0;
    int stops = 0;
};
