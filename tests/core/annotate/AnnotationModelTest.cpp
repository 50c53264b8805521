#include "core/annotate/Annotation.h"

#include <gtest/gtest.h>

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
