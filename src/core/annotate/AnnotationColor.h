#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <optional>

// The colours a mark can have, in the toolbar's order. The same colour is used on
// screen and in the exported image.
enum class AnnotationColor { red, orange, yellow, green, blue, white, black };

namespace annotation_color {

QString rawValue(AnnotationColor color);
std::optional<AnnotationColor> fromRawValue(const QString& rawValue);
// The raw value with its first letter capitalised.
QString name(AnnotationColor color);
QColor qColor(AnnotationColor color);
const QList<AnnotationColor>& allCases();

} // namespace annotation_color
