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

SelectionOverlay::SelectionOverlay(CaptureSession& session, const QImage& frozen, QScreen* screen,
                                   QList<QRect> monitors, int index)
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint)
    , m_session(session)
    , m_frozen(frozen)
    , m_deviceRect(deviceRect(screen))
    , m_monitors(std::move(monitors))
    , m_index(index)
    , m_ratio(screen->devicePixelRatio()) {
    const QRect geometry = screen->geometry();
    setWindowTitle(QStringLiteral("quillbox-capture"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setScreen(screen);
    setGeometry(geometry);
    connect(&session, &CaptureSession::highlightChanged, this, &SelectionOverlay::highlightChanged);
}

QRect SelectionOverlay::deviceRect(const QScreen* screen) {
    // Qt keeps a screen's origin in device pixels and scales only its size.
    const QRect geometry = screen->geometry();
    return QRect(geometry.topLeft(), geometry.size() * screen->devicePixelRatio());
}

int SelectionOverlay::labelMonitor(const QRect& selection, const QList<QRect>& monitors) {
    if (selection.isEmpty())
        return -1;
    const QPoint corner = selection.bottomLeft();
    int best = -1;
    qint64 bestArea = 0;
    for (int i = 0; i < monitors.size(); ++i) {
        if (monitors[i].contains(corner))
            return i;
        const QRect shared = monitors[i].intersected(selection);
        const qint64 area = qint64(shared.width()) * shared.height();
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    return best;
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
    const QRect highlight = m_session.highlight();
    // A selection across monitors is labelled once.
    const bool withLabel = m_session.mode() == CaptureSession::Mode::area &&
                           labelMonitor(highlight, m_monitors) == m_index;
    selection::paint(painter, rect(), toLocal(highlight), palette().color(QPalette::Highlight),
                     withLabel);
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
