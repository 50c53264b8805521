#include "platform/SymbolLabel.h"

#include "platform/Symbols.h"

#include <QPainter>

SymbolLabel::SymbolLabel(const QString& symbol, int size, QPalette::ColorRole role, qreal opacity,
                         QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_size(size)
    , m_role(role)
    , m_opacity(opacity) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

SymbolLabel::SymbolLabel(const QString& symbol, int size, const QColor& color, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_size(size)
    , m_fixed(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolLabel::setSymbol(const QString& symbol, std::optional<QColor> color) {
    m_symbol = symbol;
    if (color)
        m_fixed = color;
    update();
}

QColor SymbolLabel::color() const {
    if (m_fixed)
        return *m_fixed;
    QColor ink = palette().color(m_role);
    ink.setAlphaF(float(ink.alphaF() * m_opacity));
    return ink;
}

void SymbolLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap glyph = symbols::pixmap(m_symbol, m_size, color(), devicePixelRatioF());
    painter.drawPixmap(QPointF((width() - m_size) / 2.0, (height() - m_size) / 2.0), glyph);
}
