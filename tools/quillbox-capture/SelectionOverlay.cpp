#include "quillbox-capture/SelectionOverlay.h"

#include "core/selection/SelectionPainter.h"
#include "quillbox-capture/CaptureSession.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {
// Room around a highlight for its border and its label, which may sit outside it.
constexpr int labelMargin = 160;
constexpr int grabRetryMs = 20;
constexpr int grabTries = 100;
} // namespace

SelectionOverlay::SelectionOverlay(CaptureSession& session, const QImage& frozen, QScreen* screen)
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint)
    , m_session(session)
    , m_frozen(frozen)
    , m_ratio(screen->devicePixelRatio()) {
    // Qt keeps a screen's origin in device pixels and scales only its size.
    const QRect geometry = screen->geometry();
    m_deviceRect = QRect(geometry.topLeft(), geometry.size() * m_ratio);
    setWindowTitle(QStringLiteral("quillbox-capture"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setScreen(screen);
    setGeometry(geometry);
    connect(&session, &CaptureSession::highlightChanged, this, &SelectionOverlay::highlightChanged);
}

void SelectionOverlay::grabKeyboardSoon() {
    if (windowHandle() && windowHandle()->setKeyboardGrabEnabled(true))
        return;
    if (++m_grabTries < grabTries)
        QTimer::singleShot(grabRetryMs, this, &SelectionOverlay::grabKeyboardSoon);
}

QPoint SelectionOverlay::toDevice(QPointF local) const {
    return m_deviceRect.topLeft() + (local * m_ratio).toPoint();
}

QRectF SelectionOverlay::toLocal(const QRect& device) const {
    if (device.isEmpty())
        return {};
    return QRectF(QPointF(device.topLeft() - m_deviceRect.topLeft()) / m_ratio,
                  QSizeF(device.size()) / m_ratio);
}

void SelectionOverlay::highlightChanged() {
    const QRectF now = toLocal(m_session.highlight().intersected(m_deviceRect));
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
    painter.drawImage(QRectF(rect()), m_frozen, m_deviceRect);
    const QRectF highlight = toLocal(m_session.highlight());
    selection::paint(painter, rect(), highlight, palette().color(QPalette::Highlight),
                     m_session.mode() == CaptureSession::Mode::area);
}

void SelectionOverlay::mousePressEvent(QMouseEvent* event) {
    m_session.press(toDevice(event->position()), event->button());
}

void SelectionOverlay::mouseMoveEvent(QMouseEvent* event) {
    m_session.move(toDevice(event->position()));
}

void SelectionOverlay::mouseReleaseEvent(QMouseEvent* event) {
    m_session.release(toDevice(event->position()), event->button());
}

void SelectionOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        m_session.cancel();
    else
        QWidget::keyPressEvent(event);
}
