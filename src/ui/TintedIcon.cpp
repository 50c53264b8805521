#include "ui/TintedIcon.h"

#include <QPainter>

namespace tinted_icon {

namespace {

bool isDark(const QColor& color) {
    // Relative luminance, close enough for choosing between two colours.
    return 0.2126 * color.redF() + 0.7152 * color.greenF() + 0.0722 * color.blueF() < 0.5;
}

// The glyph's shape in one colour: its own colours give way, its alpha stays.
void paintOver(QPixmap& glyph, const QColor& color) {
    QPainter painter(&glyph);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(glyph.rect(), color);
}

} // namespace

QIcon icon(const QIcon& symbolic, const QColor& color) {
    QIcon tinted;
    QList<QSize> sizes = symbolic.availableSizes();
    if (sizes.isEmpty())
        sizes = {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(48, 48)};
    for (const QSize& size : sizes) {
        QPixmap pixmap = symbolic.pixmap(size);
        if (pixmap.isNull())
            continue;
        paintOver(pixmap, color);
        tinted.addPixmap(pixmap);
    }
    return tinted;
}

QColor glyphColor(const QColor& background, const QPalette& palette) {
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    const bool darkBackground = isDark(background);
    // The palette's pair, whichever way round contrasts with the background; plain
    // near-white or near-black when both of its colours are on one side.
    if (isDark(text) != darkBackground)
        return text;
    if (isDark(window) != darkBackground)
        return window;
    return darkBackground ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x1f, 0x1f, 0x1f);
}

} // namespace tinted_icon
