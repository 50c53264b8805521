#include "quillbox-capture/SelectionOverlay.h"

#include "core/selection/SelectionSession.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace {
// Room around a highlight for its border and its label, which may sit outside it.
constexpr int labelMargin = 160;
} // namespace

SelectionOverlay::SelectionOverlay(SelectionSession& session, const QImage& frozen, QScreen* screen,
                                   QList<QRect> monitors, int index)
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint)
    , m_session(session)
    , m_frozen(frozen)
    , m_monitor(selection::Monitor::of(screen))
    , m_monitors(std::move(monitors))
    , m_index(index) {
    const QRect geometry = screen->geometry();
    setWindowTitle(QStringLiteral("quillbox-capture"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setScreen(screen);
    setGeometry(geometry);
    connect(&session, &SelectionSession::highlightChanged, this,
            &SelectionOverlay::highlightChanged);
}

void SelectionOverlay::highlightChanged() {
    const QRectF now = m_monitor.toLocal(m_session.highlight().intersected(m_monitor.device));
    // Repaint only around the old and the new highlight: a full 4K repaint per mouse move
    // would lag.
    QRectF dirty = m_painted.united(now);
    if (m_painted.isEmpty() != now.isEmpty())
        dirty = rect();
    update(dirty.toAlignedRect().adjusted(-labelMargin, -labelMargin / 4, labelMargin,
                                          labelMargin / 4));
    m_painted = now;
}

void SelectionOverlay::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(QRectF(rect()), m_frozen, m_monitor.device);
    const QRect highlight = m_session.highlight();
    // A selection across monitors is labelled once.
    const bool withLabel = m_session.mode() == SelectionSession::Mode::area &&
                           selection::labelMonitor(highlight, m_monitors) == m_index;
    selection::paint(painter, rect(), m_monitor.toLocal(highlight),
                     palette().color(QPalette::Highlight), withLabel);
}

bool SelectionOverlay::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    m_pointer.see(eventType, message);
    return QWidget::nativeEvent(eventType, message, result);
}

QPoint SelectionOverlay::pixelAt(const QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    return m_monitor.pixelAt(global, m_pointer.take(event->type(), event->timestamp(),
                                                    [this, global](const QPoint& pixel) {
                                                        return m_monitor.globalOf(pixel) == global;
                                                    }));
}

void SelectionOverlay::mousePressEvent(QMouseEvent* event) {
    m_session.press(pixelAt(event), event->button());
}

void SelectionOverlay::mouseMoveEvent(QMouseEvent* event) {
    m_session.move(pixelAt(event));
}

void SelectionOverlay::mouseReleaseEvent(QMouseEvent* event) {
    m_session.release(pixelAt(event), event->button());
}

void SelectionOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        m_session.cancel();
    else
        QWidget::keyPressEvent(event);
}
