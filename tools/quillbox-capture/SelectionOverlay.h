#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QWidget>

class CaptureSession;
class QScreen;

// One monitor's part of the frozen screen, drawn over that monitor with the session's
// highlight. It forwards the pointer and Esc to the session.
class SelectionOverlay : public QWidget {
    Q_OBJECT
public:
    // `monitors` are every monitor's rectangle in screen device pixels (see deviceRect),
    // this overlay's at `index`.
    SelectionOverlay(CaptureSession& session, const QImage& frozen, QScreen* screen,
                     QList<QRect> monitors, int index);

    // A monitor's rectangle within the whole screen, in device pixels.
    static QRect deviceRect(const QScreen* screen);
    // The one monitor that shows the size label of a selection spanning several: the one
    // holding its bottom-left corner, where the label sits, or else the one showing most
    // of it. -1 for an empty selection.
    static int labelMonitor(const QRect& selection, const QList<QRect>& monitors);

    // Takes the keyboard, so Esc arrives wherever the focus was; retried while another
    // client (a pressed hot key, an open menu) still holds it.
    void grabKeyboardSoon();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPoint toDevice(QPointF local) const;
    QRectF toLocal(const QRect& device) const;
    void highlightChanged();

    CaptureSession& m_session;
    QImage m_frozen;
    QRect m_deviceRect; // this monitor within the frozen screen
    QList<QRect> m_monitors;
    int m_index = 0;
    qreal m_ratio = 1;
    QRectF m_painted; // the highlight last drawn, in local coordinates
    int m_grabTries = 0;
};
