#include "editor/EditorModel.h"
#include "TestImages.h"

#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

using test_images::filled;

namespace {

void drag(EditorModel& model, QList<QPointF> path) {
    for (QPointF p : path)
        model.dragChanged(path.first(), p);
    model.dragEnded(path.first());
}

} // namespace

TEST(EditorModel, shapesNeedADragOfMoreThanTwoPixels_thePenKeepsEveryPosition) {
    EditorModel model(filled(100, 50));
    drag(model, {{0, 0}});
    drag(model, {{0, 0}, {2, 0}});
    EXPECT_TRUE(model.annotations().isEmpty());
    drag(model, {{0, 0}, {1, 1}, {2, 1}});
    ASSERT_EQ(model.annotations().size(), 1);
    const Annotation& mark = model.annotations().first();
    EXPECT_EQ(mark.tool(), AnnotationTool::rectangle);
    EXPECT_EQ(mark.color(), AnnotationColor::red);
    EXPECT_EQ(mark.end(), QPointF(2, 1));
    EXPECT_DOUBLE_EQ(mark.lineWidth(), 4.8); // max(50 / 100, 8) * 0.6
    EXPECT_TRUE(mark.points().isEmpty());
    EXPECT_FALSE(model.draft());

    model.setWeight(LineWeight::thick);
    model.setColor(AnnotationColor::blue);
    model.setTool(AnnotationTool::arrow);
    drag(model, {{10, 10}, {60, 90}}); // may end beyond the image
    ASSERT_EQ(model.annotations().size(), 2);
    EXPECT_EQ(model.annotations()[1].end(), QPointF(60, 90));
    EXPECT_DOUBLE_EQ(model.annotations()[1].lineWidth(), 8 * 1.7);
    EXPECT_EQ(model.annotations()[1].color(), AnnotationColor::blue);

    // The pen records the start, then every later position.
    model.setTool(AnnotationTool::freehand);
    drag(model, {{5, 5}}); // a click: one point, nothing kept
    EXPECT_EQ(model.annotations().size(), 2);

    drag(model, {{5, 5}, {6, 7}, {9, 9}, {12, 20}});
    ASSERT_EQ(model.annotations().size(), 3);
    const Annotation& stroke = model.annotations()[2];
    EXPECT_EQ(stroke.points(), (QList<QPointF>{{5, 5}, {6, 7}, {9, 9}, {12, 20}}));
    EXPECT_EQ(stroke.start(), QPointF(5, 5));
    EXPECT_EQ(stroke.end(), QPointF(12, 20));
}

TEST(EditorModel, textKeepsSurroundingSpacesAndDropsBlankText) {
    EditorModel model(filled(448, 300));
    model.setTool(AnnotationTool::text);
    drag(model, {{20, 30}, {80, 90}}); // a drag with the text tool types at its start
    EXPECT_TRUE(model.draft() == std::nullopt);
    ASSERT_TRUE(model.editingText());
    EXPECT_EQ(model.editingText()->origin(), QPointF(20, 30));
    model.setEditingString(QStringLiteral("  hi  "));
    model.commitText();
    ASSERT_EQ(model.annotations().size(), 1);
    const Annotation& text = model.annotations().first();
    EXPECT_EQ(text.text(), QStringLiteral("  hi  "));
    EXPECT_EQ(text.start(), QPointF(20, 30));
    EXPECT_EQ(text.end(), QPointF(20, 30));
    EXPECT_DOUBLE_EQ(text.fontSize(), 9.6);
    EXPECT_FALSE(model.editingText());

    model.beginTextEditing({1, 1});
    model.setEditingString(QStringLiteral(" \t\n "));
    model.commitText();
    EXPECT_EQ(model.annotations().size(), 1);
}

TEST(EditorModel, cropDragStaysInTheImage_applyRoundsOutwardsShiftsEveryMarkUnlessTooSmall) {
    EditorModel model(filled(300, 200));
    model.ensurePixelated();
    drag(model, {{5, 5}, {280, 190}}); // partly outside what is kept
    model.setTool(AnnotationTool::freehand);
    drag(model, {{200, 150}, {250, 160}, {290, 195}}); // wholly outside it
    const QList<Annotation> before = model.annotations();

    model.setCropping(true);
    drag(model, {{50, 40}, {900, 700}}); // sets the rectangle, makes no mark
    EXPECT_EQ(model.cropRect(), QRectF(50, 40, 250, 160));
    EXPECT_EQ(model.annotations(), before);
    EXPECT_FALSE(model.draft());
    model.setCropRect(QRectF(10.4, 20.6, 100.2, 50.1));
    model.applyCrop();

    EXPECT_EQ(model.baseImage().size(), QSize(101, 51));
    EXPECT_EQ(model.pixelatedImage().size(), QSize(101, 51));
    ASSERT_EQ(model.annotations().size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(model.annotations()[i].start(), before[i].start() - QPointF(10, 20));
        EXPECT_EQ(model.annotations()[i].end(), before[i].end() - QPointF(10, 20));
    }
    EXPECT_EQ(model.annotations()[1].points(),
              (QList<QPointF>{{190, 130}, {240, 140}, {280, 175}}));
    EXPECT_FALSE(model.isCropping());
    EXPECT_FALSE(model.cropRect());
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Cropped"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model.statusMessage(); }, 3000));

    // Too small a crop leaves crop mode without cropping.
    for (const auto rect : {std::optional<QRectF>(), std::optional<QRectF>({10, 10, 7.9, 100}),
                            std::optional<QRectF>({300.2, 10, 8, 8})}) {
        model.setCropping(true);
        model.setCropRect(rect);
        model.applyCrop();
        EXPECT_FALSE(model.isCropping());
        EXPECT_FALSE(model.cropRect());
        EXPECT_EQ(model.baseImage().size(), QSize(101, 51));
        EXPECT_FALSE(model.statusMessage());
    }
}

// The export of a redaction made while its picture is still being made waits for it.
TEST(EditorModel, anExportWaitsForTheRedactionPicture) {
    EditorModel model(test_images::noise(400, 300));
    model.pixelateInBackground();
    model.setAnnotations({Annotation(QUuid::createUuid(), AnnotationTool::redact,
                                     AnnotationColor::red, {0, 0}, {400, 300}, 8, {}, {}, 0)});
    const std::optional<QByteArray> png = model.renderPNG();
    ASSERT_TRUE(png);
    const QImage written = QImage::fromData(*png, "PNG");
    EXPECT_GT(qGray(written.pixel(200, 150)), 60); // cells of the picture's colours, not black
}

TEST(EditorModel, statusClearsOnlyWhenItStillReadsTheSame) {
    EditorModel model(filled(100, 50));
    model.showStatus(QStringLiteral("Saved"), 50);
    model.showStatus(QStringLiteral("Save failed: disk full"));
    QTest::qWait(120);
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Save failed: disk full"));

    model.showStatus(QStringLiteral("Saved"), 50);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model.statusMessage(); }, 2000));
}
