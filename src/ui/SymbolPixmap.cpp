#include "ui/SymbolPixmap.h"

#include "platform/Symbols.h"

#include <QPainter>
#include <QtMath>

namespace symbol_pixmap {

QPixmap tinted(const QString& symbolName, int size, const QColor& color, qreal devicePixelRatio) {
    const int device = qCeil(size * devicePixelRatio);
    QPixmap glyph = symbols::icon(symbolName).pixmap(device, device);
    if (glyph.isNull())
        return glyph;
    QPainter painter(&glyph);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(glyph.rect(), color);
    painter.end();
    glyph.setDevicePixelRatio(devicePixelRatio);
    return glyph;
}

} // namespace symbol_pixmap
