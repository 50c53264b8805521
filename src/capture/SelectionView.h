#pragma once

#include "core/selection/SelectionPainter.h"
#include "core/selection/SelectionSession.h"

#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>

class QScreen;

// The region selector's overlay content over one screen: dims it, shows the dragged
// rectangle as a clear hole with an accent border and its size, and reports the drag on
// mouse-up. The drag is not cut to the screen.
class SelectionView : public QWidget {
    Q_OBJECT
public:
    explicit SelectionView(QScreen* screen, QWidget* parent = nullptr);

    // The screen's picture taken before the overlay appeared; painted under the dimming so
    // the overlay looks the same without a compositing manager. None: a transparent hole.
    void setBackdrop(const QImage& backdrop) { m_backdrop = backdrop; }

    const selection::Monitor& monitor() const { return m_monitor; }

    // The dragged rectangle in screen device pixels.
    std::function<void(const QRect&)> onCommit;
    std::function<void()> onCancel;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    selection::Monitor m_monitor;
    SelectionSession m_session{
        SelectionSession::Mode::area, {m_monitor.device}, SelectionSession::Bounds::open};
    QImage m_backdrop;
};
