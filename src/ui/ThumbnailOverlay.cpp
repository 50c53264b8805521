#include "ui/ThumbnailOverlay.h"

#include "platform/Drawing.h"
#include "platform/Symbols.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int padding = 8;

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
    painter.fillPath(path, color);
}

// The close button: a white cross on a dark disc.
class CloseButton : public QAbstractButton {
public:
    explicit CloseButton(QWidget* parent)
        : QAbstractButton(parent) {
        setFixedSize(18, 18);
        setCursor(Qt::ArrowCursor);
        setToolTip(QStringLiteral("Close"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF disc = QRectF(rect()).adjusted(1, 1, -1, -1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.6f));
        painter.drawEllipse(disc);
        painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
        const QPointF c = disc.center();
        const qreal arm = disc.width() * 0.2;
        painter.drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
        painter.drawLine(c + QPointF(-arm, arm), c + QPointF(arm, -arm));
    }
};

} // namespace

ThumbnailOverlay::ThumbnailOverlay(ScreenshotKind kind, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_close(new CloseButton(this))
    , m_copy(new CapsuleButton(QStringLiteral("Copy"), QStringLiteral("doc.on.doc"), this))
    , m_edit(new CapsuleButton(QStringLiteral("Edit"), QStringLiteral("pencil.tip"), this))
    , m_show(new CapsuleButton(QStringLiteral("Show"), QStringLiteral("folder"), this)) {
    m_copy->setToolTip(QStringLiteral("Copy to Clipboard"));
    m_show->setToolTip(QStringLiteral("Show in Folder"));
}

void ThumbnailOverlay::setCopied(bool copied) {
    m_copied = copied;
    m_copy->setContent(copied ? QStringLiteral("Copied") : QStringLiteral("Copy"),
                       copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"));
    layoutButtons();
}

void ThumbnailOverlay::resizeEvent(QResizeEvent*) {
    layoutButtons();
}

void ThumbnailOverlay::layoutButtons() {
    m_close->move(width() - padding - m_close->width(), padding);
    const QList<CapsuleButton*> row{m_copy, m_edit, m_show};
    int total = 6 * (static_cast<int>(row.size()) - 1);
    for (CapsuleButton* button : row)
        total += button->sizeHint().width();
    int x = (width() - total) / 2;
    for (CapsuleButton* button : row) {
        const QSize size = button->sizeHint();
        button->setGeometry(x, height() - padding - size.height(), size.width(), size.height());
        x += size.width() + 6;
    }
}

void ThumbnailOverlay::paintEvent(QPaintEvent*) {
    // The kind badge: symbol and title in a dark capsule, top left.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QString title = screenshot_kind::title(m_kind);
    const QFont font = drawing::pixelFont(10, QFont::DemiBold);
    const QFontMetrics metrics(font);
    const int glyph = 10;
    const QRectF badge(padding, padding, 7 + glyph + 4 + metrics.horizontalAdvance(title) + 7,
                       3 + metrics.height() + 3);
    fillCapsule(painter, badge, QColor::fromRgbF(0, 0, 0, 0.5f));
    painter.drawPixmap(
        QPointF(badge.left() + 7, badge.center().y() - glyph / 2.0),
        symbols::pixmap(screenshot_kind::symbol(m_kind), glyph, Qt::white, devicePixelRatioF()));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge.adjusted(7 + glyph + 4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     title);
}
