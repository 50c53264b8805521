#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>
#include <optional>

// One symbol, square, in a colour of the palette the widget uses (read when it paints, so
// a dark palette or a move to another screen is followed) or in a fixed colour.
class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    SymbolLabel(const QString& symbol, int size, QPalette::ColorRole role, qreal opacity,
                QWidget* parent = nullptr);
    SymbolLabel(const QString& symbol, int size, const QColor& color, QWidget* parent = nullptr);

    const QString& symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol, std::optional<QColor> color = std::nullopt);
    // The colour it paints in now.
    QColor color() const;
    QSize sizeHint() const override { return {m_size, m_size}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_size;
    QPalette::ColorRole m_role = QPalette::WindowText;
    qreal m_opacity = 1.0;
    std::optional<QColor> m_fixed;
};
