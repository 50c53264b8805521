#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

// A one-pixel line between two parts of a window, in the separator colour of the palette
// the window uses.
class Separator : public QWidget {
    Q_OBJECT
public:
    // The text colour, faint: a hairline on light and on dark palettes alike.
    static QColor color(const QPalette& palette);

    Separator(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
