#include "capture/ScrollingCaptureHud.h"

#include "capture/HudSpinner.h"
#include "platform/WindowShape.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr double cornerRadius = 12;

QLabel* makeLabel(QWidget* parent, const QString& text, int pixelSize, QFont::Weight weight,
                  const QColor& colour) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace

ScrollingCaptureHud::ScrollingCaptureHud()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(panelWidth, panelHeight);

    auto* spinner = new HudSpinner(this);
    spinner->setGeometry(18, 27, 24, 24);
    m_label = makeLabel(this, QStringLiteral("Capturing scrolling screenshot\u2026"), 13,
                        QFont::Medium, Qt::white);
    m_label->setGeometry(54, 20, 232, 18);
    QLabel* hint = makeLabel(this, QStringLiteral("Press Esc to stop"), 11, QFont::Normal,
                             QColor::fromRgbF(1, 1, 1, 0.5f));
    hint->setGeometry(54, 43, 232, 15);
}

void ScrollingCaptureHud::setText(const QString& text) {
    m_label->setText(text);
}

QString ScrollingCaptureHud::text() const {
    return m_label->text();
}

std::optional<QPoint> ScrollingCaptureHud::placement(const QRect& available, const QRectF& region) {
    const int x = available.left() + available.width() / 2 - panelWidth / 2;
    for (int y : {available.top() + 24, available.top() + available.height() - 24 - panelHeight}) {
        const QRectF panel(x, y, panelWidth, panelHeight);
        if (!panel.intersects(region))
            return QPoint(x, y);
    }
    return std::nullopt;
}

void ScrollingCaptureHud::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    window_shape::fitRoundedCorners(this, cornerRadius);
}

void ScrollingCaptureHud::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(path, QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.8f));
}
