#include "ui/SettingsStyle.h"

#include <QFontDatabase>
#include <QWidget>

namespace settings_style {

namespace {

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

} // namespace

QFont monospaced(int pixelSize, QFont::Weight weight) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

QColor primary(const QWidget* widget, qreal opacity) {
    return withOpacity(widget->palette().color(QPalette::WindowText), opacity);
}

QColor accent(const QWidget* widget, qreal opacity) {
    return withOpacity(widget->palette().color(QPalette::Highlight), opacity);
}

QColor green(qreal opacity) {
    return withOpacity(QColor(40, 205, 65), opacity);
}

QColor orange(qreal opacity) {
    return withOpacity(QColor(255, 149, 0), opacity);
}

} // namespace settings_style
