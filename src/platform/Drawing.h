#pragma once

#include <QColor>
#include <QFont>

// The small pieces every hand-drawn widget needs: the application's font at a pixel size
// and a colour at an opacity.
namespace drawing {

QFont pixelFont(int pixelSize, QFont::Weight weight = QFont::Normal);
// `color` with its alpha set to `alpha` (0 to 1), whatever it was.
QColor withAlpha(QColor color, qreal alpha);

} // namespace drawing
