#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;

// Fonts and colours shared by the settings window's pieces.
namespace settings_style {

QFont monospaced(int pixelSize, QFont::Weight weight = QFont::Normal);
// The primary text colour at an opacity (secondary 0.5, tertiary 0.26).
QColor primary(const QWidget* widget, qreal opacity = 1.0);
QColor accent(const QWidget* widget, qreal opacity = 1.0);
QColor green(qreal opacity = 1.0);
QColor orange(qreal opacity = 1.0);

} // namespace settings_style
