#pragma once

#include <QList>
#include <QString>
#include <optional>

// Scales the default stroke width and font size of marks begun after it is chosen.
enum class LineWeight { thin, medium, thick };

namespace line_weight {

QString rawValue(LineWeight weight);
std::optional<LineWeight> fromRawValue(const QString& rawValue);
QString name(LineWeight weight);
double multiplier(LineWeight weight);
const QList<LineWeight>& allCases();

} // namespace line_weight
