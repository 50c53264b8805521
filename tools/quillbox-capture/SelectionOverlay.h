#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class CaptureSession;
class QScreen;

// One monitor's part of the frozen screen, drawn over that monitor with the session's
// highlight. It forwards the pointer and Esc to the session.
class SelectionOverlay : public QWidget {
    Q_OBJECT
public:
    SelectionOverlay(CaptureSession& session, const QImage& frozen, QScreen* screen);

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
    qreal m_ratio = 1;
    QRectF m_painted; // the highlight last drawn, in local coordinates
    int m_grabTries = 0;
};
