#include "ui/ThumbnailPreviewView.h"

#include "capture/HudSpinner.h"
#include "core/library/ImageDidChangeNotification.h"
#include "platform/WindowShape.h"
#include "ui/CardShadow.h"
#include "ui/DragOut.h"
#include "ui/PreviewLoader.h"
#include "ui/ThumbnailOverlay.h"

#include <QApplication>
#include <QDrag>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <cmath>

namespace {

constexpr double cornerRadius = 12;
constexpr int overlayFadeMs = 150;
constexpr int copiedMs = 1200;
constexpr int spinnerSize = 20;

// The part of `image` that fills `frame` at the frame's aspect ratio, centred.
QRectF aspectFillSource(const QSizeF& image, const QSizeF& frame) {
    const qreal scale = std::max(frame.width() / image.width(), frame.height() / image.height());
    const QSizeF shown(frame.width() / scale, frame.height() / scale);
    return {(image.width() - shown.width()) / 2, (image.height() - shown.height()) / 2,
            shown.width(), shown.height()};
}

} // namespace

ThumbnailPreviewView::ThumbnailPreviewView(Screenshot screenshot, Actions actions,
                                           std::function<QString()> fileURL, Later later)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus)
    , m_screenshot(std::move(screenshot))
    , m_margins(window_shape::compositingManagerRunning() ? card_shadow::margins() : QMargins())
    , m_actions(std::move(actions))
    , m_fileURL(std::move(fileURL))
    , m_later(std::move(later))
    , m_spinner(new HudSpinner(this))
    , m_overlay(new ThumbnailOverlay(m_screenshot.kind(), this))
    , m_overlayOpacity(new QGraphicsOpacityEffect(m_overlay))
    , m_overlayFade(new QVariantAnimation(this)) {
    setWindowTitle(QStringLiteral("Quillbox"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(QSize(cardWidth, cardHeight).grownBy(m_margins));
    m_spinner->setGeometry(m_margins.left() + (cardWidth - spinnerSize) / 2,
                           m_margins.top() + (cardHeight - spinnerSize) / 2, spinnerSize,
                           spinnerSize);

    m_overlay->setGeometry(cardRect());
    m_overlayOpacity->setOpacity(0);
    m_overlay->setGraphicsEffect(m_overlayOpacity);
    m_overlay->hide();
    m_overlayFade->setDuration(overlayFadeMs);
    m_overlayFade->setEasingCurve(QEasingCurve::InOutCubic);
    connect(m_overlayFade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { m_overlayOpacity->setOpacity(value.toDouble()); });
    connect(m_overlayFade, &QVariantAnimation::finished, this, [this] {
        if (!m_hovering)
            m_overlay->hide();
    });

    connect(m_overlay->closeButton(), &QAbstractButton::clicked, this, [this] {
        if (m_actions.onDismiss)
            m_actions.onDismiss();
    });
    connect(m_overlay->copyButton(), &QAbstractButton::clicked, this, [this] { copy(); });
    connect(m_overlay->editButton(), &QAbstractButton::clicked, this, [this] {
        if (m_actions.onEdit)
            m_actions.onEdit();
    });
    connect(m_overlay->showButton(), &QAbstractButton::clicked, this, [this] {
        if (m_actions.onReveal)
            m_actions.onReveal();
    });
    connect(&ImageDidChangeNotification::center(),
            &ImageDidChangeNotification::quillboxImageDidChange, this,
            &ThumbnailPreviewView::reloadIfMine);
}

void ThumbnailPreviewView::loadImage() {
    if (!m_image.isNull())
        return;
    m_loadRequested = true;
    const quint64 generation = ++m_loadGeneration;
    const int maxSide = static_cast<int>(std::ceil(pictureSide * devicePixelRatioF()));
    preview_loader::load(m_fileURL(), maxSide, this, [this, generation](QImage picture) {
        // A reload started meanwhile wins; a missing file leaves the spinner.
        if (generation != m_loadGeneration || picture.isNull())
            return;
        m_image = std::move(picture);
        m_spinner->hide();
        update();
        Q_EMIT imageLoaded();
    });
}

void ThumbnailPreviewView::dispose() {
    hide();
    m_disposed = true;
    if (!m_dragging)
        deleteLater();
}

void ThumbnailPreviewView::reloadIfMine(const QUuid& screenshotId) {
    if (screenshotId != m_screenshot.id())
        return;
    m_image = QImage();
    m_spinner->show();
    update();
    loadImage();
}

void ThumbnailPreviewView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Margins are there only for a shadow, which needs a compositing manager.
    const bool composited = !m_margins.isNull();
    window_shape::fitRoundedCorners(this, cornerRadius, composited);
    if (composited)
        window_shape::setInputArea(this, cardRect());
    if (!m_loadRequested)
        loadImage();
}

void ThumbnailPreviewView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame(cardRect());
    if (!m_margins.isNull()) {
        const qreal ratio = devicePixelRatioF();
        if (m_shadow.isNull() || m_shadow.devicePixelRatio() != ratio)
            m_shadow = card_shadow::image(size(), frame, cornerRadius, ratio);
        painter.drawImage(QPointF(0, 0), m_shadow);
    }
    QPainterPath card;
    card.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.setClipPath(card);
    // The shadow stays outside: the card is translucent.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(frame, QColor::fromRgbF(0, 0, 0, 0.85f));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!m_image.isNull())
        painter.drawImage(frame, m_image, aspectFillSource(QSizeF(m_image.size()), frame.size()));
    painter.setClipping(false);
    QPainterPath border;
    border.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                          cornerRadius - 0.5);
    painter.strokePath(border, QPen(QColor::fromRgbF(1, 1, 1, 0.18f), 1));
}

void ThumbnailPreviewView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHovering(true);
}

void ThumbnailPreviewView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovering(false);
}

void ThumbnailPreviewView::setHovering(bool hovering) {
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    if (hovering)
        m_overlay->show();
    m_overlayFade->stop();
    m_overlayFade->setStartValue(m_overlayOpacity->opacity());
    m_overlayFade->setEndValue(hovering ? 1.0 : 0.0);
    m_overlayFade->start();
    if (m_actions.onHoverChange)
        m_actions.onHoverChange(hovering);
}

void ThumbnailPreviewView::copy() {
    if (!m_actions.onCopy)
        return;
    // "Copied" once it is on the clipboard; an unreadable file copies nothing.
    m_actions.onCopy(this, [this](bool copied) {
        if (!copied)
            return;
        m_overlay->setCopied(true);
        // Each copy resets after its own 1.2 s; a later one does not move an earlier reset.
        m_later(copiedMs, this, [this] { m_overlay->setCopied(false); });
    });
}

void ThumbnailPreviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && cardRect().contains(event->position().toPoint()))
        m_pressAt = event->position().toPoint();
}

void ThumbnailPreviewView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressAt || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - *m_pressAt).manhattanLength() <
        QApplication::startDragDistance())
        return;
    m_pressAt.reset();
    startDrag();
}

void ThumbnailPreviewView::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressAt && event->button() == Qt::LeftButton;
    m_pressAt.reset();
    if (click && cardRect().contains(event->position().toPoint()) && m_actions.onEdit)
        m_actions.onEdit();
}

void ThumbnailPreviewView::startDrag() {
    // Dragging holds the card as the pointer on it does.
    if (m_actions.onHoverChange)
        m_actions.onHoverChange(true);
    auto* drag = new QDrag(this);
    drag->setMimeData(drag_out::mimeData(m_fileURL(), m_screenshot.fileName()));
    if (!m_image.isNull())
        drag->setPixmap(QPixmap::fromImage(
            m_image.scaled(QSize(120, 80), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_dragging = true;
    drag->exec(Qt::CopyAction);
    m_dragging = false;
    if (m_disposed) {
        deleteLater();
        return;
    }
    // The pointer may have left during the drag without a leave being reported: the clock
    // must run again, or the card would stay for good.
    if (!cardRect().contains(mapFromGlobal(QCursor::pos()))) {
        m_hovering = true;
        setHovering(false);
    }
}
