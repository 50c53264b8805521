#pragma once

#include <QByteArray>
#include <QEvent>
#include <QPoint>
#include <deque>
#include <functional>
#include <optional>

// Where the X server put a window's pointer events, in screen device pixels. Qt rounds
// event positions to whole logical pixels, so a scaled window cannot tell two device
// pixels apart from its mouse events alone. The window hands every native event to
// `see`, and asks for each mouse event's own position with `take`.
class PointerEventsX11 {
public:
    PointerEventsX11();

    void see(const QByteArray& eventType, const void* message);
    // The position of the event of `type` (press, release, move) at `timestamp` that
    // `fits`, once; events seen before it are dropped.
    std::optional<QPoint> take(QEvent::Type type, quint64 timestamp,
                               const std::function<bool(const QPoint&)>& fits);

private:
    struct Seen {
        QEvent::Type type;
        quint64 time;
        QPoint position;
    };
    std::deque<Seen> m_seen;
    quint8 m_inputExtension = 0;
};
