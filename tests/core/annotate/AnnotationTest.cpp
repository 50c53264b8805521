#include "TestImages.h"
#include "core/annotate/AnnotationPainter.h"
#include "core/annotate/AnnotationRenderer.h"
#include "core/annotate/ArrowGeometry.h"
#include "core/annotate/CanvasGeometry.h"
#include "core/annotate/CropGeometry.h"
#include "core/annotate/Pixelate.h"

#include <QPainter>
#include <gtest/gtest.h>

using test_images::filled;
using test_images::inkBounds;
using test_images::noise;
using namespace canvas_geometry;

namespace {

Annotation mark(AnnotationTool tool, QPointF start, QPointF end, double lineWidth = 10,
                AnnotationColor color = AnnotationColor::red) {
    return Annotation(QUuid::createUuid(), tool, color, start, end, lineWidth, {}, QString(), 0);
}

// More than half covered by the red mark on white.
bool isRed(const QImage& image, int x, int y) {
    return qGreen(image.pixel(x, y)) < 157;
}

QImage render(const QImage& base, const QList<Annotation>& marks, const QImage& pixelated = {}) {
    return annotation_renderer::render(base, marks, pixelated);
}

// Image pixels that differ from the pixelated copy inside `area` and from the base outside.
int mismatches(const QImage& image, const QImage& base, const QImage& pixelated,
               const std::function<bool(int, int)>& covered) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != (covered(x, y) ? pixelated : base).pixel(x, y);
    return count;
}

// Lengths of the runs of equal pixels along a row.
QList<int> runs(const QImage& image, int y) {
    QList<int> lengths{1};
    for (int x = 1; x < image.width(); ++x) {
        if (image.pixel(x, y) == image.pixel(x - 1, y))
            ++lengths.last();
        else
            lengths.append(1);
    }
    return lengths;
}

} // namespace

TEST(Render, rectangleStrokeIsCentredOnItsEdgesAtFullPixelSize) {
    const QImage image =
        render(filled(200, 100), {mark(AnnotationTool::rectangle, {120, 80}, {20, 20})});
    ASSERT_EQ(image.size(), QSize(200, 100));
    for (int x : {16, 20, 23})
        EXPECT_TRUE(isRed(image, x, 50)) << x; // left edge, 15..25
    EXPECT_FALSE(isRed(image, 13, 50));
    EXPECT_FALSE(isRed(image, 27, 50));
    EXPECT_FALSE(isRed(image, 70, 50)); // outlined, not filled
    EXPECT_TRUE(isRed(image, 70, 79));  // bottom edge
    EXPECT_TRUE(isRed(image, 118, 50)); // right edge
}

TEST(Render, arrowheadIsThreeAndAHalfWidthsLongWithATenPixelMinimum) {
    struct Case {
        double lineWidth, length, width;
    };
    for (const Case c : {Case{4.8, 16.8, 20.16}, Case{2, 10, 12}}) {
        const QImage image = render(
            filled(200, 100), {mark(AnnotationTool::arrow, {10, 50}, {110, 50}, c.lineWidth)});
        const auto red = [](QRgb pixel) { return qGreen(pixel) < 157; };
        // The head's base: the first column covered on a row clear of the shaft.
        EXPECT_NEAR(110 - inkBounds(image, {0, 45, 200, 1}, red).left(), c.length, 1.0);
        EXPECT_NEAR(inkBounds(image, {80, 0, 35, 100}, red).height(), c.width, 1.5);
    }
}

TEST(Render, redactionsShowThePixelatedImageAlignedAndWithoutSeamsOrBlackWithoutOne) {
    const QImage base = noise(300, 200, QImage::Format_RGB32, 11);
    const QImage pixelated = makePixelated(base);
    const QImage image = render(base,
                                {mark(AnnotationTool::redact, {37.3, 21.6}, {150.2, 120.7}),
                                 mark(AnnotationTool::redact, {100.5, 80.5}, {220.5, 180.5})},
                                pixelated);
    EXPECT_EQ(mismatches(image, base, pixelated,
                         [](int x, int y) {
                             return (x >= 37 && x < 151 && y >= 21 && y < 121) ||
                                    (x >= 100 && x < 221 && y >= 80 && y < 181);
                         }),
              0);

    const QImage black = render(base, {mark(AnnotationTool::redact, {10, 10}, {50, 40})});
    EXPECT_EQ(black.pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_EQ(black.pixel(49, 39), qRgb(0, 0, 0));
}

TEST(Render, marksLandOnImagePixelsWhateverTheBaseImagesScaleAndResolution) {
    // A capture handed over at a device pixel ratio of 2, whose file claimed a
    // resolution too low to be a number of dots per inch.
    QImage base = noise(300, 150, QImage::Format_RGB32, 11);
    base.setDevicePixelRatio(2);
    base.setDotsPerMeterX(10);
    base.setDotsPerMeterY(10);
    const QImage pixelated = makePixelated(base);
    const Annotation text(QUuid::createUuid(), AnnotationTool::text, AnnotationColor::black,
                          {150, 30}, {150, 30}, 8, {}, QStringLiteral("HH"), 40);
    const QImage image =
        render(base, {mark(AnnotationTool::redact, {10, 10}, {110, 110}), text}, pixelated);
    ASSERT_EQ(image.size(), QSize(300, 150));
    EXPECT_EQ(mismatches(image.copy(10, 10, 100, 100), base.copy(10, 10, 100, 100),
                         pixelated.copy(10, 10, 100, 100), [](int, int) { return true; }),
              0);
    // Capital letters start a little right of and below the text's top-left corner.
    const QRect ink =
        inkBounds(image, {120, 0, 180, 150}, [](QRgb p) { return p == qRgb(0, 0, 0); });
    EXPECT_GE(ink.left(), 150);
    EXPECT_LE(ink.left(), 150 + 8);
    EXPECT_GE(ink.top(), 30);
    EXPECT_LE(ink.top(), 30 + 16);
    EXPECT_NEAR(ink.height() - 1, 29, 4); // cap height of a 40-pixel font
}

TEST(Render, marksBeyondTheEdgeAreCutAndEmptyMarksDrawNothing) {
    Annotation pen = mark(AnnotationTool::freehand, {5, 5}, {5, 5});
    pen.setPoints({{5, 5}}); // a single point draws nothing
    Annotation blank(QUuid::createUuid(), AnnotationTool::text, AnnotationColor::black, {5, 5},
                     {5, 5}, 8, {}, QString(), 20);
    const QImage image = render(
        filled(200, 100), {mark(AnnotationTool::highlight, {150, 50}, {400, 300}), pen, blank});
    ASSERT_EQ(image.size(), QSize(200, 100));
    EXPECT_NE(image.pixel(199, 99), qRgb(255, 255, 255)); // highlighted up to the edge
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));

    const auto png = annotation_renderer::renderPNG(
        filled(200, 100), {mark(AnnotationTool::ellipse, {-50, -50}, {500, 500})}, {});
    ASSERT_TRUE(png);
    EXPECT_EQ(QImage::fromData(*png, "PNG").size(), QSize(200, 100));
    EXPECT_FALSE(annotation_renderer::renderPNG(QImage(), {}, {}));
}

TEST(Render, aBaseWithTransparencyKeepsIt) {
    QImage base(40, 30, QImage::Format_ARGB32);
    base.fill(QColor(0, 0, 255, 100));
    const auto png =
        annotation_renderer::renderPNG(base, {mark(AnnotationTool::redact, {0, 0}, {10, 10})}, {});
    ASSERT_TRUE(png);
    const QImage decoded = QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_ARGB32);
    EXPECT_NEAR(qAlpha(decoded.pixel(30, 20)), 100, 1);
    EXPECT_NEAR(qBlue(decoded.pixel(30, 20)), 255, 3);
    EXPECT_EQ(decoded.pixel(5, 5), qRgba(0, 0, 0, 255));
}

TEST(CanvasDrawing, redactionShowsThePixelatedPictureAlignedWithTheImageOrBlack) {
    // A 400 x 200 image shown at half size at (10, 10); a redaction over image pixels
    // (40, 40)..(200, 120), that is view points (30, 30)..(110, 70).
    const PaintSpace space = PaintSpace::canvas({10, 10, 200, 100}, {400, 200});
    const Annotation redaction = mark(AnnotationTool::redact, {200, 120}, {40, 40});
    const QImage shownPixelated = noise(200, 100); // already at the fitted size

    for (const bool pixelated : {false, true}) {
        QImage canvas = filled(240, 140);
        QPainter painter(&canvas);
        annotation_painter::paint(painter, redaction, space, pixelated ? shownPixelated : QImage());
        painter.end();
        for (const QPoint p : {QPoint(31, 31), QPoint(70, 50), QPoint(108, 68)}) {
            const QRgb expected =
                pixelated ? shownPixelated.pixel(p - QPoint(10, 10)) : qRgb(0, 0, 0);
            EXPECT_EQ(canvas.pixel(p), expected) << pixelated << p.x() << "," << p.y();
        }
        EXPECT_EQ(canvas.pixel(28, 50), qRgb(255, 255, 255));
        EXPECT_EQ(canvas.pixel(112, 50), qRgb(255, 255, 255));
    }
}

TEST(Pixelate, cellsAreAnchoredAtTheCentreWithOneColourEach_smallImagesGetCellsOfEight) {
    // 900 x 720: cells of 720 / 45 = 16; the centre (450, 360) is a cell corner.
    const QImage image = test_images::noise(900, 720);
    const QImage pixelated = makePixelated(image);
    ASSERT_EQ(pixelated.size(), image.size());
    ASSERT_EQ(pixelated.format(), image.format());

    // 450 = 28 * 16 + 2: a 2-pixel cell at each side, 56 whole cells between.
    QList<int> expected(56, 16);
    expected.prepend(2);
    expected.append(2);
    EXPECT_EQ(runs(pixelated, 100), expected);

    // A whole cell holds one colour taken from inside it; its rows are equal.
    const QRgb colour = pixelated.pixel(450, 360);
    bool found = false;
    for (int y = 360; y < 376; ++y) {
        for (int x = 450; x < 466; ++x) {
            EXPECT_EQ(pixelated.pixel(x, y), colour);
            found = found || image.pixel(x, y) == colour;
        }
    }
    EXPECT_TRUE(found);
    EXPECT_NE(pixelated.pixel(449, 360), colour);

    // Small images get cells of 8; other formats are converted.
    const QImage small = test_images::noise(64, 40, QImage::Format_RGB888);
    const QImage cells = makePixelated(small);
    ASSERT_EQ(cells.size(), small.size());
    EXPECT_EQ(runs(cells, 5), QList<int>(8, 8)); // centre 32: cells fall on 0, 8, ... 56

    EXPECT_TRUE(makePixelated(QImage()).isNull());
    const QImage one = test_images::noise(1, 1);
    EXPECT_EQ(makePixelated(one).pixel(0, 0), one.pixel(0, 0));
}

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
