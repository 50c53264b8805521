#include "capture/SelectionView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

SelectionView::SelectionView(QScreen* screen, QWidget* parent)
    : QWidget(parent)
    , m_monitor(selection::Monitor::of(screen)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
    connect(&m_session, &SelectionSession::highlightChanged, this,
            qOverload<>(&SelectionView::update));
    connect(&m_session, &SelectionSession::selected, this, [this](QRect rect) {
        if (onCommit)
            onCommit(rect);
    });
    connect(&m_session, &SelectionSession::cancelled, this, [this] {
        if (onCancel)
            onCancel();
    });
}

// The left button drags, a right click cancels (as in the capture tool), others do nothing.
void SelectionView::mousePressEvent(QMouseEvent* event) {
    m_session.press(m_monitor.pixelAt(event->globalPosition().toPoint(), std::nullopt),
                    event->button());
}

void SelectionView::mouseMoveEvent(QMouseEvent* event) {
    m_session.move(m_monitor.pixelAt(event->globalPosition().toPoint(), std::nullopt));
}

void SelectionView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // A mouse-up without a drag before it (the press went elsewhere) is no selection.
    if (!m_session.dragging())
        m_session.cancel();
    else
        m_session.release(m_monitor.pixelAt(event->globalPosition().toPoint(), std::nullopt),
                          Qt::LeftButton);
}

void SelectionView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        m_session.cancel();
    else
        QWidget::keyPressEvent(event);
}

void SelectionView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_backdrop.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(rect()), m_backdrop);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    selection::paint(painter, rect(), m_monitor.toLocal(m_session.highlight()),
                     palette().color(QPalette::Highlight));
}
