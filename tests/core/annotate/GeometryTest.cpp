#include "core/annotate/AnnotationPainter.h"
#include "core/annotate/ArrowGeometry.h"
#include "core/annotate/CanvasGeometry.h"
#include "core/annotate/CropGeometry.h"

#include <gtest/gtest.h>

using namespace canvas_geometry;

TEST(CanvasGeometry, fitsTheImageCentredWithAMarginAndEnlargesSmallImages) {
    EXPECT_EQ(fittedRect({100, 50}, {500, 400}), QRectF(16, 83, 468, 234));
    // Tall image: height decides.
    EXPECT_EQ(fittedRect({100, 400}, {500, 432}), QRectF(200, 16, 100, 400));
    EXPECT_EQ(fittedRect({0, 50}, {500, 400}), QRectF());
    EXPECT_EQ(fittedRect({100, 50}, {20, 20}), QRectF(10, 10, 0, 0));
}

TEST(CanvasGeometry, mapsBothWaysBetweenViewAndImage) {
    const QRectF fitted(16, 83, 468, 234);
    const QSizeF image(100, 50);
    EXPECT_EQ(toImage({16, 83}, fitted, image), QPointF(0, 0));
    EXPECT_EQ(toImage({484, 317}, fitted, image), QPointF(100, 50));
    EXPECT_EQ(toView({50, 25}, fitted, image), QPointF(250, 200));
    const QPointF q(12.5, 40.25);
    const QPointF back = toImage(toView(q, fitted, image), fitted, image);
    EXPECT_DOUBLE_EQ(back.x(), q.x());
    EXPECT_DOUBLE_EQ(back.y(), q.y());
    EXPECT_EQ(displayRect({0, 0, 50, 25}, fitted, image), QRectF(16, 83, 234, 117));

    EXPECT_TRUE(startsOnImage({16, 83}, fitted));
    EXPECT_FALSE(startsOnImage({484, 100}, fitted)); // right edge counts as outside
    EXPECT_FALSE(startsOnImage({100, 317}, fitted));
    EXPECT_FALSE(startsOnImage({10, 100}, fitted));
}

TEST(CanvasGeometry, defaultSizesScaleWithTheImageAndTheWeight) {
    EXPECT_DOUBLE_EQ(defaultLineWidth({2880, 1800}, LineWeight::thin), 10.8);
    EXPECT_DOUBLE_EQ(defaultLineWidth({1000, 800}, LineWeight::thin), 4.8);
    EXPECT_EQ(defaultLineWidth({2000, 1500}, LineWeight::medium), 15.0);
    EXPECT_DOUBLE_EQ(defaultFontSize({448, 300}, LineWeight::thin), 9.6);
    EXPECT_DOUBLE_EQ(defaultFontSize({2800, 2800}, LineWeight::thick), 170.0);
}

TEST(CanvasGeometry, textFieldReachesTheImageEdgeButIsAtLeast120Wide) {
    const QRectF fitted(16, 16, 600, 400);
    const QSizeF image(1200, 800);
    const auto near = textFieldPlacement({(616 - 50 - 16) * 2.0, 100}, 32, fitted, image);
    EXPECT_EQ(near.width, 120);
    const auto far = textFieldPlacement({(616 - 300 - 16) * 2.0, 100}, 32, fitted, image);
    EXPECT_EQ(far.width, 300);
    EXPECT_EQ(far.topLeft, QPointF(316, 66));
    EXPECT_EQ(far.fontSize, 16);
    EXPECT_EQ(textFieldPlacement({0, 0}, 10, fitted, image).fontSize, 8); // 5 is below the floor
}

TEST(CropGeometry, dragRectangleStaysInsideTheImage) {
    const QSizeF image(300, 200);
    EXPECT_EQ(crop_geometry::rectForDrag({50, 40}, {1000, 900}, image), QRectF(50, 40, 250, 160));
    EXPECT_EQ(crop_geometry::rectForDrag({50, 40}, {-30, 10}, image), QRectF(0, 10, 50, 30));
    EXPECT_EQ(crop_geometry::rectForDrag({50, 40}, {50, 40}, image), QRectF(50, 40, 0, 0));
}

TEST(CropGeometry, roundsOutwardsClipsAndRefusesTinyRectangles) {
    const QSize image(300, 200);
    EXPECT_EQ(crop_geometry::pixelRect({10.4, 20.6, 100.2, 50.1}, image), QRect(10, 20, 101, 51));
    EXPECT_EQ(crop_geometry::pixelRect({250.5, 150, 100, 100}, image), QRect(250, 150, 50, 50));
    EXPECT_EQ(crop_geometry::pixelRect({10, 10, 7.9, 100}, image), std::nullopt);
    EXPECT_EQ(crop_geometry::pixelRect({10, 10, 8, 8}, image), QRect(10, 10, 8, 8));
    EXPECT_EQ(crop_geometry::pixelRect({400, 10, 50, 50}, image), std::nullopt); // nothing left
    EXPECT_EQ(crop_geometry::pixelRect({-1e12, -1e12, 2e12, 2e12}, image), QRect(0, 0, 300, 200));
}

TEST(ArrowGeometry, headIsThreeAndAHalfWidthsLongAndAtLeastTen) {
    const auto thin = ArrowGeometry::between({0, 0}, {100, 0}, 4.8);
    ASSERT_EQ(thin.head.size(), 3);
    EXPECT_EQ(thin.head[0], QPointF(100, 0));
    EXPECT_NEAR(100 - thin.head[1].x(), 16.8, 1e-9);
    EXPECT_NEAR(thin.head[1].y() - thin.head[2].y(), 20.16, 1e-9);

    const auto fine = ArrowGeometry::between({0, 0}, {0, 50}, 2);
    ASSERT_EQ(fine.head.size(), 3);
    EXPECT_NEAR(50 - fine.head[1].y(), 10, 1e-9);
    EXPECT_NEAR(std::abs(fine.head[1].x() - fine.head[2].x()), 12, 1e-9);

    EXPECT_TRUE(ArrowGeometry::between({0, 0}, {0.3, 0.4}, 5).head.isEmpty()); // 0.5 apart
    EXPECT_FALSE(ArrowGeometry::between({0, 0}, {0.3, 0.41}, 5).head.isEmpty());
}

TEST(PaintSpace, canvasScalesWithTheZoomAndKeepsTextReadable) {
    const PaintSpace canvas = PaintSpace::canvas({16, 16, 224, 150}, {448, 300});
    EXPECT_EQ(canvas.map({448, 300}), QPointF(240, 166));
    EXPECT_EQ(canvas.scale(), 0.5);
    EXPECT_EQ(canvas.textSize(9.6), 6); // 4.8 is below the canvas minimum
    EXPECT_EQ(canvas.textSize(40), 20);

    const PaintSpace image = PaintSpace::image({448, 300});
    EXPECT_EQ(image.map({12.5, 7}), QPointF(12.5, 7));
    EXPECT_EQ(image.scale(), 1);
    EXPECT_EQ(image.textSize(9.6), 9.6);
}
