#include "core/annotate/Annotation.h"
#include "core/annotate/LineWeight.h"

#include <gtest/gtest.h>

TEST(AnnotationModel, rawValuesRoundTripAndAreCaseSensitive) {
    for (AnnotationTool tool : annotation_tool::allCases())
        EXPECT_EQ(annotation_tool::fromRawValue(annotation_tool::rawValue(tool)), tool);
    for (AnnotationColor color : annotation_color::allCases())
        EXPECT_EQ(annotation_color::fromRawValue(annotation_color::rawValue(color)), color);
    for (LineWeight weight : line_weight::allCases())
        EXPECT_EQ(line_weight::fromRawValue(line_weight::rawValue(weight)), weight);
    EXPECT_EQ(annotation_tool::fromRawValue(QStringLiteral("Rectangle")), std::nullopt);
    EXPECT_EQ(annotation_color::fromRawValue(QStringLiteral("Red")), std::nullopt);
}

TEST(AnnotationModel, equalityComparesEveryFieldExactly) {
    const Annotation a(QUuid::createUuid(), AnnotationTool::freehand, AnnotationColor::blue, {1, 2},
                       {3, 4}, 4.8, {{1, 2}, {3, 4}}, QString(), 0);
    Annotation other = a;
    EXPECT_EQ(other, a);
    other.setEnd({3, 4.000000000001}); // QPointF's own comparison would call this equal
    EXPECT_NE(other, a);
    other = a;
    other.appendPoint({5, 6});
    EXPECT_NE(other, a);

    other = a;
    other.translate(-10, -20);
    EXPECT_EQ(other.start(), QPointF(-9, -18));
    EXPECT_EQ(other.end(), QPointF(-7, -16));
    EXPECT_EQ(other.points(), (QList<QPointF>{{-9, -18}, {-7, -16}}));
}
