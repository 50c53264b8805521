#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// A symbol drawn in one colour, at `size` device-independent pixels for a screen of
// `devicePixelRatio`: the theme's glyphs are dark, and the cards draw them white.
namespace symbol_pixmap {

QPixmap tinted(const QString& symbolName, int size, const QColor& color, qreal devicePixelRatio);

} // namespace symbol_pixmap
