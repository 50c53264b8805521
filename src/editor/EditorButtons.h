#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>

// The editor's small square buttons, 28 × 24 with a hairline border. Clicking them never
// takes the keyboard focus, so a text being typed keeps it.

// A symbol-only command button (undo, clear, crop).
class IconButton : public QAbstractButton {
    Q_OBJECT
public:
    IconButton(const QString& symbol, const QString& help, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
};

// One choice of a toolbar picker: a tool's symbol, a colour's swatch or a weight's bar.
// Its whole 28 × 24 rectangle is the hit area.
class PickerButton : public QAbstractButton {
    Q_OBJECT
public:
    static PickerButton* symbol(const QString& symbol, const QString& help, QWidget* parent);
    static PickerButton* swatch(const QColor& color, const QString& help, QWidget* parent);
    static PickerButton* bar(int height, const QString& help, QWidget* parent);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    enum class Look { symbol, swatch, bar };
    PickerButton(Look look, const QString& help, QWidget* parent);

    Look m_look;
    QString m_symbol;
    QColor m_color;
    int m_barHeight = 0;
    bool m_selected = false;
};
