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
}
