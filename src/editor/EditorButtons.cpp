#include "editor/EditorButtons.h"

#include "platform/Drawing.h"
#include "platform/Symbols.h"

#include <QPainter>

namespace {

constexpr QSize buttonSize(28, 24);
constexpr int symbolSize = 16;
constexpr double cornerRadius = 5;
constexpr int swatchDiameter = 18;

QColor primary(const QWidget& widget) {
    return widget.palette().color(QPalette::WindowText);
}

QColor accent(const QWidget& widget) {
    return widget.palette().color(QPalette::Highlight);
}

// A rounded rectangle stroked inside its edge: the border of every square button.
void paintFrame(QPainter& painter, QRectF rect, const QColor* fill, const QColor& stroke) {
    if (fill) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(*fill);
        painter.drawRoundedRect(rect, cornerRadius, cornerRadius);
    }
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                            cornerRadius - 0.5);
}

// The symbol in the palette's text colour, so that it shows on a dark palette too.
void paintSymbol(QPainter& painter, const QWidget& button, const QString& symbol) {
    const QPointF topLeft((button.width() - symbolSize) / 2.0,
                          (button.height() - symbolSize) / 2.0);
    painter.drawPixmap(
        topLeft, symbols::pixmap(symbol, symbolSize, primary(button), button.devicePixelRatioF()));
}

void setUp(QAbstractButton& button, const QString& help) {
    button.setToolTip(help);
    button.setFocusPolicy(Qt::NoFocus);
    button.setCursor(Qt::ArrowCursor);
    button.setFixedSize(buttonSize);
}

} // namespace

using drawing::withAlpha;

IconButton::IconButton(const QString& symbol, const QString& help, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol) {
    setUp(*this, help);
}

QSize IconButton::sizeHint() const {
    return buttonSize;
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);
    if (isDown()) {
        const QColor pressed = withAlpha(primary(*this), 0.08);
        paintFrame(painter, rect(), &pressed, withAlpha(primary(*this), 0.15));
    } else {
        paintFrame(painter, rect(), nullptr, withAlpha(primary(*this), 0.15));
    }
    paintSymbol(painter, *this, m_symbol);
}

PickerButton::PickerButton(Look look, const QString& help, QWidget* parent)
    : QAbstractButton(parent)
    , m_look(look) {
    setUp(*this, help);
}

PickerButton* PickerButton::symbol(const QString& symbol, const QString& help, QWidget* parent) {
    auto* button = new PickerButton(Look::symbol, help, parent);
    button->m_symbol = symbol;
    return button;
}

PickerButton* PickerButton::swatch(const QColor& color, const QString& help, QWidget* parent) {
    auto* button = new PickerButton(Look::swatch, help, parent);
    button->m_color = color;
    return button;
}

PickerButton* PickerButton::bar(int height, const QString& help, QWidget* parent) {
    auto* button = new PickerButton(Look::bar, help, parent);
    button->m_barHeight = height;
    return button;
}

void PickerButton::setSelected(bool selected) {
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

QSize PickerButton::sizeHint() const {
    return buttonSize;
}

bool PickerButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void PickerButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    const QPointF centre = box.center();
    if (m_look == Look::swatch) {
        const QRectF circle(centre.x() - swatchDiameter / 2.0, centre.y() - swatchDiameter / 2.0,
                            swatchDiameter, swatchDiameter);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color);
        painter.drawEllipse(circle);
        painter.setPen(QPen(withAlpha(primary(*this), 0.25), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
        // The ring keeps its place unselected, only unseen: 3 points clear all round.
        if (m_selected) {
            painter.setPen(QPen(accent(*this), 2));
            painter.drawEllipse(circle.adjusted(-2, -2, 2, 2));
        }
        return;
    }
    const QColor fill = withAlpha(accent(*this), 0.2);
    paintFrame(painter, box, m_selected ? &fill : nullptr,
               m_selected ? accent(*this) : withAlpha(primary(*this), 0.15));
    if (m_look == Look::symbol) {
        paintSymbol(painter, *this, m_symbol);
        return;
    }
    const QRectF capsule(centre.x() - 10, centre.y() - m_barHeight / 2.0, 20, m_barHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(primary(*this), 0.7));
    painter.drawRoundedRect(capsule, m_barHeight / 2.0, m_barHeight / 2.0);
}
