#include "core/annotate/AnnotationPainter.h"
#include "core/annotate/AnnotationRenderer.h"
#include "core/annotate/Pixelate.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QImage white(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage noise(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xff000000u);
    }
    return image;
}

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

} // namespace

TEST(Render, rectangleStrokeIsCentredOnItsEdgesAtFullPixelSize) {
    const QImage image =
        render(white(200, 100), {mark(AnnotationTool::rectangle, {120, 80}, {20, 20})});
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
            white(200, 100), {mark(AnnotationTool::arrow, {10, 50}, {110, 50}, c.lineWidth)});
        // The head's base: the first column covered on a row clear of the shaft.
        int base = -1;
        for (int x = 0; x < 200 && base < 0; ++x) {
            if (isRed(image, x, 45))
                base = x;
        }
        EXPECT_NEAR(110 - base, c.length, 1.0) << c.lineWidth;
        int top = 100, bottom = -1;
        for (int y = 0; y < 100; ++y) {
            for (int x = 80; x < 115; ++x) {
                if (isRed(image, x, y)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        EXPECT_NEAR(bottom - top + 1, c.width, 1.5) << c.lineWidth;
    }
}

TEST(Render, redactionsShowThePixelatedImageAlignedAndWithoutSeams) {
    const QImage base = noise(300, 200);
    const QImage pixelated = makePixelated(base);
    const QImage image = render(base,
                                {mark(AnnotationTool::redact, {37.3, 21.6}, {150.2, 120.7}),
                                 mark(AnnotationTool::redact, {100.5, 80.5}, {220.5, 180.5})},
                                pixelated);
    auto covered = [](int x, int y) {
        return (x >= 37 && x < 151 && y >= 21 && y < 121) ||
               (x >= 100 && x < 221 && y >= 80 && y < 181);
    };
    int mismatches = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            const QRgb expected = covered(x, y) ? pixelated.pixel(x, y) : base.pixel(x, y);
            mismatches += image.pixel(x, y) != expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Render, redactionWithoutAPixelatedCopyIsBlack) {
    const QImage image = render(noise(100, 80), {mark(AnnotationTool::redact, {10, 10}, {50, 40})});
    EXPECT_EQ(image.pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(49, 39), qRgb(0, 0, 0));
}

TEST(Render, textHasItsTopLeftCornerAtStart) {
    Annotation text(QUuid::createUuid(), AnnotationTool::text, AnnotationColor::black, {50, 30},
                    {50, 30}, 8, {}, QStringLiteral("HH"), 40);
    const QImage image = render(white(300, 150), {text});
    int left = 300, top = 150, bottom = -1;
    for (int y = 0; y < 150; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (qRed(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    // Capital letters start a little right of and below the line's corner.
    EXPECT_GE(left, 50);
    EXPECT_LE(left, 50 + 8);
    EXPECT_GE(top, 30);
    EXPECT_LE(top, 30 + 16);
    EXPECT_NEAR(bottom - top, 29, 4); // cap height of a 40-pixel font
}

TEST(Render, marksBeyondTheEdgeAreCutAndEmptyMarksDrawNothing) {
    Annotation pen = mark(AnnotationTool::freehand, {5, 5}, {5, 5});
    pen.setPoints({{5, 5}}); // a single point draws nothing
    Annotation blank(QUuid::createUuid(), AnnotationTool::text, AnnotationColor::black, {5, 5},
                     {5, 5}, 8, {}, QString(), 20);
    const QImage image = render(
        white(200, 100), {mark(AnnotationTool::highlight, {150, 50}, {400, 300}), pen, blank});
    ASSERT_EQ(image.size(), QSize(200, 100));
    EXPECT_NE(image.pixel(199, 99), qRgb(255, 255, 255)); // highlighted up to the edge
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));

    const auto png = annotation_renderer::renderPNG(
        white(200, 100), {mark(AnnotationTool::ellipse, {-50, -50}, {500, 500})}, {});
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

TEST(Render, theBaseImagesScaleAndResolutionDoNotChangeTheExport) {
    // A capture handed over at a device pixel ratio of 2, whose file claimed a
    // resolution too low to be a number of dots per inch: every mark still lands one
    // pixel per image pixel.
    QImage base = noise(200, 120);
    base.setDevicePixelRatio(2);
    base.setDotsPerMeterX(10);
    base.setDotsPerMeterY(10);
    const QImage pixelated = makePixelated(base);
    Annotation text(QUuid::createUuid(), AnnotationTool::text, AnnotationColor::black, {120, 10},
                    {120, 10}, 8, {}, QStringLiteral("HH"), 40);
    const QImage image =
        render(base, {mark(AnnotationTool::redact, {10, 10}, {110, 110}), text}, pixelated);
    ASSERT_EQ(image.size(), QSize(200, 120));
    int mismatches = 0;
    for (int y = 10; y < 110; ++y) {
        for (int x = 10; x < 110; ++x)
            mismatches += image.pixel(x, y) != pixelated.pixel(x, y);
    }
    EXPECT_EQ(mismatches, 0);
    int top = 120, bottom = -1;
    for (int y = 0; y < 120; ++y) {
        for (int x = 120; x < 200; ++x) {
            if (image.pixel(x, y) == qRgb(0, 0, 0)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    EXPECT_NEAR(bottom - top, 29, 4); // cap height of a 40-pixel font
}

TEST(CanvasDrawing, redactionShowsThePixelatedPictureAlignedWithTheImageOrBlack) {
    // A 400 x 200 image shown at half size at (10, 10); a redaction over image pixels
    // (40, 40)..(200, 120), that is view points (30, 30)..(110, 70).
    const QRectF fitted(10, 10, 200, 100);
    const PaintSpace space = PaintSpace::canvas(fitted, {400, 200});
    const Annotation redaction = mark(AnnotationTool::redact, {200, 120}, {40, 40});
    const QImage shownPixelated = noise(200, 100); // already at the fitted size

    for (const bool pixelated : {false, true}) {
        QImage canvas = white(240, 140);
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
