#include "core/annotate/Annotation.h"
#include "core/annotate/LineWeight.h"
#include "core/annotate/TextDraft.h"

#include <gtest/gtest.h>

namespace {

Annotation mark(QUuid id = QUuid::createUuid()) {
    return Annotation(id, AnnotationTool::freehand, AnnotationColor::blue, {1, 2}, {3, 4}, 4.8,
                      {{1, 2}, {3, 4}}, QString(), 0);
}

} // namespace

TEST(AnnotationModel, rawValuesAreExactAndCaseSensitive) {
    EXPECT_EQ(annotation_tool::fromRawValue(QStringLiteral("Rectangle")), std::nullopt);
    EXPECT_EQ(annotation_tool::fromRawValue(QStringLiteral("pen")), std::nullopt);
    const auto freehand = annotation_tool::fromRawValue(QStringLiteral("freehand"));
    ASSERT_EQ(freehand, AnnotationTool::freehand);
    EXPECT_EQ(annotation_tool::name(*freehand), QStringLiteral("Pen"));
    EXPECT_EQ(annotation_tool::name(AnnotationTool::redact), QStringLiteral("Redact (pixelate)"));
    EXPECT_EQ(annotation_tool::symbol(AnnotationTool::ellipse), QStringLiteral("circle"));
    EXPECT_EQ(annotation_color::fromRawValue(QStringLiteral("Red")), std::nullopt);
    EXPECT_EQ(line_weight::fromRawValue(QStringLiteral("thick")), LineWeight::thick);

    for (AnnotationTool tool : annotation_tool::allCases())
        EXPECT_EQ(annotation_tool::fromRawValue(annotation_tool::rawValue(tool)), tool);
    for (AnnotationColor color : annotation_color::allCases())
        EXPECT_EQ(annotation_color::fromRawValue(annotation_color::rawValue(color)), color);
    for (LineWeight weight : line_weight::allCases())
        EXPECT_EQ(line_weight::fromRawValue(line_weight::rawValue(weight)), weight);
}

TEST(AnnotationModel, casesComeInToolbarOrderWithTheirNamesAndColours) {
    const auto& tools = annotation_tool::allCases();
    ASSERT_EQ(tools.size(), 7);
    EXPECT_EQ(tools.first(), AnnotationTool::rectangle);
    EXPECT_EQ(tools.last(), AnnotationTool::text);

    const auto& colors = annotation_color::allCases();
    ASSERT_EQ(colors.size(), 7);
    EXPECT_EQ(colors.first(), AnnotationColor::red);
    EXPECT_EQ(colors.last(), AnnotationColor::black);
    EXPECT_EQ(annotation_color::name(AnnotationColor::orange), QStringLiteral("Orange"));
    EXPECT_EQ(annotation_color::qColor(AnnotationColor::red), QColor(255, 59, 48));
    EXPECT_EQ(annotation_color::qColor(AnnotationColor::blue), QColor(0, 122, 255));
    EXPECT_EQ(annotation_color::qColor(AnnotationColor::white), QColor(Qt::white));

    const auto& weights = line_weight::allCases();
    ASSERT_EQ(weights.size(), 3);
    EXPECT_EQ(weights.first(), LineWeight::thin);
    EXPECT_EQ(line_weight::multiplier(LineWeight::thin), 0.6);
    EXPECT_EQ(line_weight::multiplier(LineWeight::medium), 1.0);
    EXPECT_EQ(line_weight::multiplier(LineWeight::thick), 1.7);
    EXPECT_EQ(line_weight::name(LineWeight::medium), QStringLiteral("Medium"));
}

TEST(AnnotationModel, equalityComparesEveryFieldExactly) {
    const Annotation a = mark();
    EXPECT_EQ(a, a);
    EXPECT_NE(a, mark()); // same values, another id

    Annotation moved = a;
    moved.setEnd({3, 4.000000000001}); // QPointF's own comparison would call this equal
    EXPECT_NE(moved, a);

    Annotation longer = a;
    longer.appendPoint({5, 6});
    EXPECT_NE(longer, a);

    Annotation shifted = a;
    shifted.translate(-10, -20);
    EXPECT_EQ(shifted.start(), QPointF(-9, -18));
    EXPECT_EQ(shifted.end(), QPointF(-7, -16));
    EXPECT_EQ(shifted.points(), (QList<QPointF>{{-9, -18}, {-7, -16}}));
}

TEST(AnnotationModel, textDraftKeepsItsColourAndSize) {
    TextDraft draft({10, 20}, QString(), AnnotationColor::green, 12.5);
    draft.setString(QStringLiteral("  hi  "));
    EXPECT_EQ(draft.string(), QStringLiteral("  hi  "));
    EXPECT_EQ(draft.color(), AnnotationColor::green);
    EXPECT_EQ(draft.fontSize(), 12.5);
    EXPECT_EQ(draft.origin(), QPointF(10, 20));
}
