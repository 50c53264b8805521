#include "ui/ScreenshotCard.h"

#include "core/library/HistoryManager.h"
#include "core/library/ImageDidChangeNotification.h"
#include "platform/Drawing.h"
#include "platform/Symbols.h"
#include "ui/CardButtons.h"
#include "ui/DragOut.h"
#include "ui/PreviewLoader.h"
#include "ui/RelativeAge.h"
#include "ui/StripLayout.h"

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QtMath>

namespace {

constexpr qreal cornerRadius = 8;
constexpr int overlayFadeMs = 120;
constexpr int copiedMs = 1200;

} // namespace

using drawing::pixelFont;
using drawing::withAlpha;

// The hover layer: the dim, the kind badge, the "…" menu and the two buttons. Presses
// outside its buttons fall through to the card (drag, double-click).
class ScreenshotCard::Overlay : public QWidget {
public:
    explicit Overlay(ScreenshotCard* card)
        : QWidget(card)
        , m_card(card) {
        setGeometry(card->rect());
        m_more = new MoreMenuButton(this);
        connect(m_more, &QAbstractButton::clicked, this, [this] {
            QMenu* menu = m_card->makeMoreMenu();
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(m_more->mapToGlobal(QPoint(0, m_more->height())));
        });
        m_copy = new CapsuleButton({}, {}, this);
        connect(m_copy, &QAbstractButton::clicked, card, &ScreenshotCard::copyWithConfirmation);
        auto* edit = new CapsuleButton(QStringLiteral("Edit"), QStringLiteral("pencil.tip"), this);
        connect(edit, &QAbstractButton::clicked, card, &ScreenshotCard::edit);

        auto* top = new QHBoxLayout;
        top->setContentsMargins(8, 8, 8, 0);
        top->addStretch(1);
        top->addWidget(m_more);
        auto* bottom = new QHBoxLayout;
        bottom->setContentsMargins(0, 0, 0, 8);
        bottom->setSpacing(6);
        bottom->addStretch(1);
        bottom->addWidget(m_copy);
        bottom->addWidget(edit);
        bottom->addStretch(1);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->addLayout(top);
        column->addStretch(1);
        column->addLayout(bottom);
        refresh();

        auto* effect = new QGraphicsOpacityEffect(this);
        effect->setOpacity(0);
        setGraphicsEffect(effect);
        m_fade = new QPropertyAnimation(effect, "opacity", this);
        m_fade->setDuration(overlayFadeMs);
        m_fade->setEasingCurve(QEasingCurve::InOutQuad);
    }

    void fadeIn() {
        m_fade->stop();
        m_fade->setEndValue(1.0);
        m_fade->start();
        show();
    }
    void fadeOut() {
        m_fade->stop();
        m_fade->setEndValue(0.0);
        connect(m_fade, &QAbstractAnimation::finished, this, &QObject::deleteLater);
        m_fade->start();
    }

    // The age is read afresh whenever the overlay is drawn again for a change.
    void refresh() {
        const bool copied = m_card->showsCopied();
        m_copy->setContent(copied ? QStringLiteral("Copied") : QStringLiteral("Copy"),
                           copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"));
        m_age = m_card->ageText();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        painter.fillPath(clip, QColor(0, 0, 0, 128));

        const QFont font = pixelFont(10, QFont::Medium);
        const QFontMetrics metrics(font);
        constexpr int glyph = 10;
        const int textWidth = metrics.horizontalAdvance(m_age);
        const QRect badge(8, 8, 7 + glyph + 4 + textWidth + 7,
                          3 + std::max(glyph, metrics.height()) + 3);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 140));
        painter.drawRoundedRect(badge, badge.height() / 2.0, badge.height() / 2.0);
        const QString symbol = screenshot_kind::symbol(m_card->screenshot().kind());
        painter.drawPixmap(badge.left() + 7, badge.top() + (badge.height() - glyph) / 2,
                           symbols::pixmap(symbol, glyph, Qt::white, devicePixelRatioF()));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(badge.adjusted(7 + glyph + 4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         m_age);
    }

private:
    ScreenshotCard* m_card;
    MoreMenuButton* m_more;
    CapsuleButton* m_copy;
    QPropertyAnimation* m_fade;
    QString m_age;
};

ScreenshotCard::ScreenshotCard(const Screenshot& screenshot, const Context& context,
                               QWidget* parent)
    : QWidget(parent)
    , m_screenshot(screenshot)
    , m_context(context) {
    setFixedSize(strip_layout::cardWidth, strip_layout::cardHeight);
    setAttribute(Qt::WA_Hover);
    connect(&ImageDidChangeNotification::center(),
            &ImageDidChangeNotification::quillboxImageDidChange, this,
            &ScreenshotCard::reloadAfterEdit);
}

ScreenshotCard::~ScreenshotCard() {
    m_alive->store(false);
}

void ScreenshotCard::loadImage() {
    if (!m_image.isNull() || m_loading)
        return;
    m_loading = true;
    const int generation = ++m_loadGeneration;
    const QString path = m_context.history.fileURL(m_screenshot);
    const int side = qCeil(strip_layout::pictureSide * devicePixelRatioF());
    preview_loader::load(
        path, side, this,
        [this, generation](const QImage& image) {
            // A reload asked for after this one started wins.
            if (generation != m_loadGeneration)
                return;
            m_loading = false;
            if (!image.isNull()) {
                m_image = image;
                m_image.setDevicePixelRatio(1);
                m_framed = {};
                update();
            }
            Q_EMIT imageLoadFinished();
        },
        // Scrolled past before its turn came: not read.
        [alive = m_alive] { return alive->load(); });
}

void ScreenshotCard::reloadAfterEdit(const QUuid& id) {
    if (id != m_screenshot.id())
        return;
    m_image = {};
    m_framed = {};
    m_loading = false;
    update();
    loadImage();
}

QString ScreenshotCard::ageText() const {
    return relative_age::abbreviated(m_screenshot.date(), m_context.now());
}

void ScreenshotCard::copyWithConfirmation() {
    // "Copied" once it is on the clipboard; an unreadable file copies nothing.
    m_context.history.copyToClipboard(m_screenshot, this, [this](bool copied) {
        Q_EMIT copyFinished(copied);
        if (!copied)
            return;
        m_showCopied = true;
        if (m_overlay)
            m_overlay->refresh();
        // Each copy sets its own reset; the earliest one still pending ends the "Copied".
        QTimer::singleShot(copiedMs, Qt::PreciseTimer, this, [this] {
            m_showCopied = false;
            if (m_overlay)
                m_overlay->refresh();
        });
    });
}

void ScreenshotCard::edit() {
    if (m_context.edit)
        m_context.edit(m_screenshot);
}

void ScreenshotCard::addLibraryActions(QMenu* menu) {
    // The card may be gone by the time an action runs (Delete removes it).
    HistoryManager* history = &m_context.history;
    const Screenshot screenshot = m_screenshot;
    menu->addAction(QStringLiteral("Open in Image Viewer"), menu,
                    [history, screenshot] { history->openInPreview(screenshot); });
    menu->addAction(QStringLiteral("Show in Folder"), menu,
                    [history, screenshot] { history->revealInFinder(screenshot); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Delete"), menu,
                    [history, screenshot] { history->deleteScreenshot(screenshot); });
}

QMenu* ScreenshotCard::makeMoreMenu() {
    auto* menu = new QMenu(this);
    addLibraryActions(menu);
    return menu;
}

QMenu* ScreenshotCard::makeContextMenu() {
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("Edit…"), this, &ScreenshotCard::edit);
    HistoryManager* history = &m_context.history;
    const Screenshot screenshot = m_screenshot;
    menu->addAction(QStringLiteral("Copy"), menu,
                    [history, screenshot] { history->copyToClipboard(screenshot); });
    addLibraryActions(menu);
    return menu;
}

void ScreenshotCard::setHover(bool hover) {
    if (hover == m_hover)
        return;
    m_hover = hover;
    if (hover) {
        if (m_overlay)
            m_overlay->deleteLater();
        m_overlay = new Overlay(this);
        m_overlay->fadeIn();
    } else if (m_overlay) {
        m_overlay->fadeOut();
        m_overlay = nullptr;
    }
    update();
}

void ScreenshotCard::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHover(true);
}

void ScreenshotCard::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHover(false);
}

void ScreenshotCard::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    m_pressPosition = event->position().toPoint();
}

void ScreenshotCard::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - m_pressPosition).manhattanLength() <
        QApplication::startDragDistance())
        return;
    m_pressed = false;
    startDrag();
}

void ScreenshotCard::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        edit();
}

void ScreenshotCard::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QMimeData* ScreenshotCard::makeDragData() const {
    // The folder is read now: it may have moved since the card was made. A file that is
    // gone still drags with its URL and name.
    return drag_out::mimeData(m_context.history.fileURL(m_screenshot), m_screenshot.fileName());
}

void ScreenshotCard::startDrag() {
    auto* drag = new QDrag(this);
    drag->setMimeData(makeDragData());
    if (!m_image.isNull()) {
        QPixmap preview = QPixmap::fromImage(m_image.scaled(
            QSize(120, 120) * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        preview.setDevicePixelRatio(devicePixelRatioF());
        drag->setPixmap(preview);
    }
    drag->exec(Qt::CopyAction);
}

void ScreenshotCard::paintPicture(QPainter& painter) {
    const QRect frame = rect();
    if (m_image.isNull()) {
        const QColor tertiary = withAlpha(palette().color(QPalette::WindowText), 0.26);
        const QPixmap glyph =
            symbols::pixmap(QStringLiteral("photo"), 18, tertiary, devicePixelRatioF());
        painter.drawPixmap(frame.center().x() - 9 + 1, frame.center().y() - 9 + 1, glyph);
        return;
    }
    const qreal dpr = devicePixelRatioF();
    if (m_framed.isNull()) {
        // Fill the card keeping the aspect ratio; the overflow is cut off.
        const QSize target = frame.size() * dpr;
        const QImage filled =
            m_image.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        const QRect cut((filled.width() - target.width()) / 2,
                        (filled.height() - target.height()) / 2, target.width(), target.height());
        m_framed = QPixmap::fromImage(filled.copy(cut));
        m_framed.setDevicePixelRatio(dpr);
    }
    painter.drawPixmap(frame.topLeft(), m_framed);
}

void ScreenshotCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect());
    QPainterPath shape;
    shape.addRoundedRect(frame, cornerRadius, cornerRadius);
    const QColor primary = palette().color(QPalette::WindowText);
    painter.fillPath(shape, withAlpha(primary, 0.06));
    painter.save();
    painter.setClipPath(shape);
    paintPicture(painter);
    painter.restore();
    const QColor border =
        m_hover ? withAlpha(palette().color(QPalette::Highlight), 0.5) : withAlpha(primary, 0.1);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                            cornerRadius - 0.5);
}
