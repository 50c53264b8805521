#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

// The region selector's overlay content: dims the screen, shows the dragged rectangle as
// a clear hole with an accent border and its size, and reports the drag on mouse-up.
// Points are kept in bottom-left view coordinates (origin at the bottom-left corner, y
// upward), the space the selector's arithmetic is written in.
class SelectionView : public QWidget {
    Q_OBJECT
public:
    explicit SelectionView(QWidget* parent = nullptr);

    // The screen's picture taken before the overlay appeared; painted under the dimming so
    // the overlay looks the same without a compositing manager. None: a transparent hole.
    void setBackdrop(const QImage& backdrop) { m_backdrop = backdrop; }

    // The dragged rectangle in bottom-left coordinates; empty while no drag is under way.
    QRectF selectionRect() const;

    std::function<void(const QRectF&)> onCommit;
    std::function<void()> onCancel;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF toBottomLeft(const QPointF& position) const;
    QRectF toWidget(const QRectF& bottomLeft) const;
    void drawSizeLabel(QPainter& painter, const QRectF& selection);

    std::optional<QPointF> m_anchor;
    std::optional<QPointF> m_current;
    QImage m_backdrop;
};
