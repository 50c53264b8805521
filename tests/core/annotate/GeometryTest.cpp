#include "core/annotate/AnnotationPainter.h"
#include "core/annotate/ArrowGeometry.h"
#include "core/annotate/CanvasGeometry.h"
#include "core/annotate/CropGeometry.h"

#include <gtest/gtest.h>

using namespace canvas_geometry;

TEST(CanvasGeometry, fitsTheImageCentredWithAMarginEnlargingItAndMapsBothWays) {
    const QSizeF image(100, 50);
    const QRectF fitted = fittedRect(image, {500, 400});
    EXPECT_EQ(fitted, QRectF(16, 83, 468, 234));
    EXPECT_EQ(fittedRect({100, 400}, {500, 432}), QRectF(200, 16, 100, 400)); // height decides
    EXPECT_EQ(fittedRect({0, 50}, {500, 400}), QRectF());
    EXPECT_EQ(fittedRect({100, 50}, {20, 20}), QRectF(10, 10, 0, 0));

    EXPECT_EQ(toImage({484, 317}, fitted, image), QPointF(100, 50));
    EXPECT_EQ(toView({50, 25}, fitted, image), QPointF(250, 200));
    const QPointF back = toImage(toView({12.5, 40.25}, fitted, image), fitted, image);
    EXPECT_DOUBLE_EQ(back.x(), 12.5);
    EXPECT_DOUBLE_EQ(back.y(), 40.25);
    EXPECT_EQ(displayRect({0, 0, 50, 25}, fitted, image), QRectF(16, 83, 234, 117));

    EXPECT_TRUE(startsOnImage({16, 83}, fitted));
    EXPECT_FALSE(startsOnImage({484, 100}, fitted)); // right edge counts as outside
    EXPECT_FALSE(startsOnImage({100, 317}, fitted));
}

TEST(CanvasGeometry, defaultSizesScaleWithTheImageAndTheWeight) {
    EXPECT_DOUBLE_EQ(defaultLineWidth({2880, 1800}, LineWeight::thin), 10.8);
    EXPECT_DOUBLE_EQ(defaultLineWidth({1000, 800}, LineWeight::thin), 4.8);
    EXPECT_EQ(defaultLineWidth({2000, 1500}, LineWeight::medium), 15.0);
    EXPECT_DOUBLE_EQ(defaultFontSize({2800, 2800}, LineWeight::thick), 170.0);
}

TEST(CanvasGeometry, textFieldReachesTheImageEdgeButIsAtLeast120Wide) {
    const QRectF fitted(16, 16, 600, 400);
    const QSizeF image(1200, 800);
    EXPECT_EQ(textFieldPlacement({(616 - 50 - 16) * 2.0, 100}, 32, fitted, image).width, 120);
    const auto far = textFieldPlacement({(616 - 300 - 16) * 2.0, 100}, 32, fitted, image);
    EXPECT_EQ(far.width, 300);
    EXPECT_EQ(far.topLeft, QPointF(316, 66));
    EXPECT_EQ(far.fontSize, 16);
    EXPECT_EQ(textFieldPlacement({0, 0}, 10, fitted, image).fontSize, 8); // 5 is below the floor
}

TEST(CropGeometry, staysInsideTheImageRoundsOutwardsAndRefusesTinyRectangles) {
    using namespace crop_geometry;
    const QSize image(300, 200);
    EXPECT_EQ(rectForDrag({50, 40}, {1000, 900}, QSizeF(image)), QRectF(50, 40, 250, 160));
    EXPECT_EQ(rectForDrag({50, 40}, {-30, 10}, QSizeF(image)), QRectF(0, 10, 50, 30));
    EXPECT_EQ(pixelRect({10.4, 20.6, 100.2, 50.1}, image), QRect(10, 20, 101, 51));
    EXPECT_EQ(pixelRect({250.5, 150, 100, 100}, image), QRect(250, 150, 50, 50));
    EXPECT_EQ(pixelRect({10, 10, 7.9, 100}, image), std::nullopt);
    EXPECT_EQ(pixelRect({10, 10, 8, 8}, image), QRect(10, 10, 8, 8));
    // 8 pixels mapped from the canvas and back
    EXPECT_EQ(pixelRect({10, 10, 7.99999999999997, 8}, image), QRect(10, 10, 8, 8));
    EXPECT_EQ(pixelRect({400, 10, 50, 50}, image), std::nullopt); // nothing left
    EXPECT_EQ(pixelRect({-1e12, -1e12, 2e12, 2e12}, image), QRect(0, 0, 300, 200));
}

TEST(ArrowGeometry, arrowsShorterThanHalfAPixelHaveNoHead) {
    EXPECT_TRUE(ArrowGeometry::between({0, 0}, {0.3, 0.4}, 5).head.isEmpty()); // 0.5 apart
    EXPECT_FALSE(ArrowGeometry::between({0, 0}, {0.3, 0.41}, 5).head.isEmpty());
}

TEST(PaintSpace, canvasScalesWithTheZoomAndKeepsTextReadable) {
    const PaintSpace canvas = PaintSpace::canvas({16, 16, 224, 150}, {448, 300});
    EXPECT_EQ(canvas.map({448, 300}), QPointF(240, 166));
    EXPECT_EQ(canvas.textSize(9.6), 6); // 4.8 is below the canvas minimum
    EXPECT_EQ(canvas.textSize(40), 20);
    const PaintSpace image = PaintSpace::image({448, 300});
    EXPECT_EQ(image.map({12.5, 7}), QPointF(12.5, 7));
    EXPECT_EQ(image.textSize(9.6), 9.6);
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
}
