#include "core/annotate/AnnotationTool.h"

#include "core/RawValues.h"

namespace annotation_tool {

namespace {

struct Entry {
    AnnotationTool value;
    const char* rawValue;
    const char* name;
    const char* symbol;
};

constexpr Entry entries[] = {
    {AnnotationTool::rectangle, "rectangle", "Rectangle", "rectangle"},
    {AnnotationTool::ellipse, "ellipse", "Ellipse", "circle"},
    {AnnotationTool::arrow, "arrow", "Arrow", "arrow.up.right"},
    {AnnotationTool::highlight, "highlight", "Highlight", "highlighter"},
    {AnnotationTool::redact, "redact", "Redact (pixelate)", "eye.slash"},
    {AnnotationTool::freehand, "freehand", "Pen", "scribble"},
    {AnnotationTool::text, "text", "Text", "textformat"},
};
static_assert(raw_values::inDeclarationOrder(entries));

} // namespace

QString rawValue(AnnotationTool tool) {
    return raw_values::rawValue(entries, tool);
}

std::optional<AnnotationTool> fromRawValue(const QString& rawValue) {
    return raw_values::fromRawValue(entries, rawValue);
}

QString name(AnnotationTool tool) {
    return QString::fromLatin1(raw_values::entry(entries, tool).name);
}

QString symbol(AnnotationTool tool) {
    return QString::fromLatin1(raw_values::entry(entries, tool).symbol);
}

const QList<AnnotationTool>& allCases() {
    static const QList<AnnotationTool> tools = raw_values::allCases(entries);
    return tools;
}

} // namespace annotation_tool
