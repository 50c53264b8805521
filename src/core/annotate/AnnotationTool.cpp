#include "core/annotate/AnnotationTool.h"

namespace annotation_tool {

namespace {

struct Entry {
    AnnotationTool tool;
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

const Entry& entry(AnnotationTool tool) {
    return entries[static_cast<int>(tool)];
}

} // namespace

QString rawValue(AnnotationTool tool) {
    return QString::fromLatin1(entry(tool).rawValue);
}

std::optional<AnnotationTool> fromRawValue(const QString& rawValue) {
    for (const Entry& e : entries) {
        if (rawValue == QLatin1String(e.rawValue))
            return e.tool;
    }
    return std::nullopt;
}

QString name(AnnotationTool tool) {
    return QString::fromLatin1(entry(tool).name);
}

QString symbol(AnnotationTool tool) {
    return QString::fromLatin1(entry(tool).symbol);
}

const QList<AnnotationTool>& allCases() {
    static const QList<AnnotationTool> tools = [] {
        QList<AnnotationTool> list;
        for (const Entry& e : entries)
            list.append(e.tool);
        return list;
    }();
    return tools;
}

} // namespace annotation_tool
