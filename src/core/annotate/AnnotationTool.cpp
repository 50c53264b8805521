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

} // namespace

QUILLBOX_RAW_VALUE_FUNCTIONS(AnnotationTool)

QString name(AnnotationTool tool) {
    return QString::fromLatin1(raw_values::entry(entries, tool).name);
}

QString symbol(AnnotationTool tool) {
    return QString::fromLatin1(raw_values::entry(entries, tool).symbol);
}

} // namespace annotation_tool
