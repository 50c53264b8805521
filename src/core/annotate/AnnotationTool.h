#pragma once

#include <QList>
#include <QString>
#include <optional>

// The kind of mark a drag on the canvas makes. Declaration order is the toolbar's order.
enum class AnnotationTool { rectangle, ellipse, arrow, highlight, redact, freehand, text };

namespace annotation_tool {

QString rawValue(AnnotationTool tool);
// Exact, case-sensitive match of a raw value; anything else is no tool.
std::optional<AnnotationTool> fromRawValue(const QString& rawValue);
// The tooltip.
QString name(AnnotationTool tool);
QString symbol(AnnotationTool tool);
const QList<AnnotationTool>& allCases();

} // namespace annotation_tool
