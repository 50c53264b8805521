#include "capture/SelectionView.h"

#include "capture/RegionGeometry.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

SelectionView::SelectionView(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
}

QRectF SelectionView::selectionRect() const {
    if (!m_anchor || !m_current)
        return {};
    return {std::min(m_anchor->x(), m_current->x()), std::min(m_anchor->y(), m_current->y()),
            std::abs(m_current->x() - m_anchor->x()), std::abs(m_current->y() - m_anchor->y())};
}

QPointF SelectionView::toBottomLeft(const QPointF& position) const {
    return {position.x(), height() - position.y()};
}

QRectF SelectionView::toWidget(const QRectF& r) const {
    return {r.left(), height() - r.top() - r.height(), r.width(), r.height()};
}

void SelectionView::mousePressEvent(QMouseEvent* event) {
    m_anchor = m_current = toBottomLeft(event->position());
    update();
}

void SelectionView::mouseMoveEvent(QMouseEvent* event) {
    // Not clipped to the view: a drag past the screen's edge reaches beyond it.
    m_current = toBottomLeft(event->position());
    update();
}

void SelectionView::mouseReleaseEvent(QMouseEvent* event) {
    m_current = toBottomLeft(event->position());
    const QRectF rect = m_anchor ? selectionRect() : QRectF();
    m_anchor.reset();
    m_current.reset();
    update();
    if (onCommit)
        onCommit(rect);
}

void SelectionView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (onCancel)
            onCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SelectionView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_backdrop.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(rect()), m_backdrop);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.25f));

    const QRectF selection = selectionRect();
    if (selection.width() <= 0 || selection.height() <= 0)
        return;
    const QRectF hole = toWidget(selection);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (m_backdrop.isNull()) {
        painter.fillRect(hole, Qt::transparent);
    } else {
        const qreal ratio = m_backdrop.devicePixelRatio();
        painter.drawImage(hole, m_backdrop, QRectF(hole.topLeft() * ratio, hole.size() * ratio));
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(hole);
    drawSizeLabel(painter, selection);
}

void SelectionView::drawSizeLabel(QPainter& painter, const QRectF& selection) {
    QFont font = this->font();
    font.setPixelSize(11);
    font.setWeight(QFont::Medium);
    const QString text = regiongeometry::sizeLabelText(selection.size());
    const QFontMetricsF metrics(font);
    const QSizeF textSize(metrics.horizontalAdvance(text), metrics.height());
    const QRectF box = toWidget(
        regiongeometry::sizeLabelBox(selection, QRectF(0, 0, width(), height()), textSize));

    QPainterPath path;
    path.addRoundedRect(box, 4, 4);
    painter.fillPath(path, QColor::fromRgbF(0, 0, 0, 0.6f));
    painter.setFont(font);
    painter.setPen(Qt::white);
    // The text sits 8 points in from the box's left and 4 up from its bottom.
    const QRectF textRect(box.left() + 8, box.bottom() - 4 - textSize.height(), textSize.width(),
                          textSize.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
}
