#include "core/annotate/AnnotationColor.h"

namespace annotation_color {

namespace {

struct Entry {
    AnnotationColor color;
    const char* rawValue;
    QRgb rgb;
};

// The desktop's fixed colours in their light appearance.
constexpr Entry entries[] = {
    {AnnotationColor::red, "red", qRgb(255, 59, 48)},
    {AnnotationColor::orange, "orange", qRgb(255, 149, 0)},
    {AnnotationColor::yellow, "yellow", qRgb(255, 204, 0)},
    {AnnotationColor::green, "green", qRgb(40, 205, 65)},
    {AnnotationColor::blue, "blue", qRgb(0, 122, 255)},
    {AnnotationColor::white, "white", qRgb(255, 255, 255)},
    {AnnotationColor::black, "black", qRgb(0, 0, 0)},
};

const Entry& entry(AnnotationColor color) {
    return entries[static_cast<int>(color)];
}

} // namespace

QString rawValue(AnnotationColor color) {
    return QString::fromLatin1(entry(color).rawValue);
}

std::optional<AnnotationColor> fromRawValue(const QString& rawValue) {
    for (const Entry& e : entries) {
        if (rawValue == QLatin1String(e.rawValue))
            return e.color;
    }
    return std::nullopt;
}

QString name(AnnotationColor color) {
    const QString raw = rawValue(color);
    return raw.left(1).toUpper() + raw.mid(1);
}

QColor qColor(AnnotationColor color) {
    return QColor::fromRgb(entry(color).rgb);
}

const QList<AnnotationColor>& allCases() {
    static const QList<AnnotationColor> colors = [] {
        QList<AnnotationColor> list;
        for (const Entry& e : entries)
            list.append(e.color);
        return list;
    }();
    return colors;
}

} // namespace annotation_color
