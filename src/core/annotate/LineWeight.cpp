#include "core/annotate/LineWeight.h"

namespace line_weight {

namespace {

struct Entry {
    LineWeight weight;
    const char* rawValue;
    const char* name;
    double multiplier;
};

constexpr Entry entries[] = {
    {LineWeight::thin, "thin", "Thin", 0.6},
    {LineWeight::medium, "medium", "Medium", 1.0},
    {LineWeight::thick, "thick", "Thick", 1.7},
};

const Entry& entry(LineWeight weight) {
    return entries[static_cast<int>(weight)];
}

} // namespace

QString rawValue(LineWeight weight) {
    return QString::fromLatin1(entry(weight).rawValue);
}

std::optional<LineWeight> fromRawValue(const QString& rawValue) {
    for (const Entry& e : entries) {
        if (rawValue == QLatin1String(e.rawValue))
            return e.weight;
    }
    return std::nullopt;
}

QString name(LineWeight weight) {
    return QString::fromLatin1(entry(weight).name);
}

double multiplier(LineWeight weight) {
    return entry(weight).multiplier;
}

const QList<LineWeight>& allCases() {
    static const QList<LineWeight> weights = [] {
        QList<LineWeight> list;
        for (const Entry& e : entries)
            list.append(e.weight);
        return list;
    }();
    return weights;
}

} // namespace line_weight
