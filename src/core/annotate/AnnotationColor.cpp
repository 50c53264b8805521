#include "core/annotate/AnnotationColor.h"

#include "core/RawValues.h"

namespace annotation_color {

namespace {

struct Entry {
    AnnotationColor value;
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

} // namespace

QUILLBOX_RAW_VALUE_FUNCTIONS(AnnotationColor)

QString name(AnnotationColor color) {
    const QString raw = rawValue(color);
    return raw.left(1).toUpper() + raw.mid(1);
}

QColor qColor(AnnotationColor color) {
    return QColor::fromRgb(raw_values::entry(entries, color).rgb);
}

} // namespace annotation_color
