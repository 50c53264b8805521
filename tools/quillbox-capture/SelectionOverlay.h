#pragma once

#include "core/selection/SelectionPainter.h"
#include "platform/x11/PointerEventsX11.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QWidget>

class SelectionSession;
class QScreen;

// One monitor's part of the frozen screen, drawn over that monitor with the session's
// highlight. It forwards the pointer and Esc to the session.
class SelectionOverlay : public QWidget {
    Q_OBJECT
public:
    // `monitors` are every monitor's rectangle in screen device pixels, this overlay's at
    // `index`.
    SelectionOverlay(SelectionSession& session, const QImage& frozen, QScreen* screen,
                     QList<QRect> monitors, int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void highlightChanged();
    // Where the event was in device pixels, exact at every scale.
    QPoint pixelAt(const QMouseEvent* event);

    SelectionSession& m_session;
    QImage m_frozen;
    selection::Monitor m_monitor; // this monitor within the frozen screen
    QList<QRect> m_monitors;
    int m_index = 0;
    QRectF m_painted; // the highlight last drawn, in local coordinates
    PointerEventsX11 m_pointer;
};
