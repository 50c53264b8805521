#include "editor/AnnotationEditorView.h"
#include "LibraryFixture.h"
#include "core/annotate/CanvasGeometry.h"
#include "editor/AnnotationCanvas.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QImage stripes(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, ((x / 7 + y / 5) % 2) ? qRgb(230, 230, 230) : qRgb(40, 90, 160));
    }
    return image;
}

// An editor on a 400 x 300 window capture, shown offscreen at 800 x 600.
struct EditorWindow {
    LibraryFixture fixture;
    Screenshot screenshot = [this] {
        HistoryManager& library = fixture.library();
        const auto reserved = library.newFileURL();
        stripes(400, 300).save(reserved.path, "PNG");
        library.add(reserved.fileName, ScreenshotKind::window);
        fixture.now = fixture.now.addSecs(5);
        return library.screenshots().first();
    }();
    AnnotationEditorView view{
        screenshot, stripes(400, 300), {fixture.library(), fixture.pasteboard}, [] {}};
    AnnotationCanvas& canvas = view.canvas();

    EditorWindow() {
        view.resize(800, 600);
        view.show();
        QApplication::setActiveWindow(&view);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    // The canvas point showing an image point.
    QPoint at(QPointF image) const {
        return canvas_geometry::toView(image, canvas.fittedRect(), {400, 300}).toPoint();
    }
    QPointF imagePoint(QPoint view) const {
        return canvas_geometry::toImage(view, canvas.fittedRect(), {400, 300});
    }
    void drag(QList<QPoint> path) {
        QTest::mousePress(&canvas, Qt::LeftButton, {}, path.first());
        for (QPoint p : path.mid(1))
            QTest::mouseMove(&canvas, p);
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, path.last());
    }
};

} // namespace

TEST(AnnotationEditorView, aDragStartingOutsideTheImageMakesNothing) {
    EditorWindow w;
    const QRectF fitted = w.canvas.fittedRect();
    ASSERT_GT(fitted.left(), 10);
    w.drag({QPoint(5, 300), w.at({100, 100}), w.at({200, 200})});
    EXPECT_TRUE(w.view.annotations().isEmpty());
    EXPECT_FALSE(w.view.model().draft());

    w.view.setCropping(true);
    w.drag({QPoint(5, 300), w.at({200, 200})});
    EXPECT_FALSE(w.view.cropRect());

    // The dividers over and under the canvas are faint lines, not black ones.
    const QImage shown = w.view.grab().toImage();
    const int background = qGray(w.view.palette().color(QPalette::Window).rgb());
    for (int y : {w.canvas.y() - 1, w.canvas.geometry().bottom() + 1})
        EXPECT_LT(std::abs(qGray(shown.pixel(400, y)) - background), 60) << y;
}

TEST(AnnotationEditorView, aDragOnTheImageDrawsAMarkThatShowsOnTheCanvas) {
    EditorWindow w;
    w.view.setColor(AnnotationColor::red);
    w.drag({w.at({100, 100}), w.at({150, 120}), w.at({300, 250})});
    ASSERT_EQ(w.view.annotations().size(), 1);
    const Annotation& mark = w.view.annotations().first();
    EXPECT_NEAR(mark.start().x(), 100, 1);
    EXPECT_NEAR(mark.end().y(), 250, 1);

    const QImage shown = w.canvas.grab().toImage();
    const QPoint edge = w.at({100, 175});
    const QRgb pixel = shown.pixel(edge * shown.devicePixelRatio());
    EXPECT_EQ(QColor(pixel).red(), 255);
    EXPECT_LT(QColor(pixel).green(), 100);
}

TEST(AnnotationEditorView, textFieldOpensFocusedWhereClickedAndReturnCommits) {
    EditorWindow w;
    w.view.setTool(AnnotationTool::text);
    const QPoint click = w.at({50, 60});
    QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, click);
    QLineEdit* field = w.canvas.textField();
    ASSERT_TRUE(field->isVisible());
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Type…"));
    EXPECT_EQ(field->geometry().right() + 1, qRound(w.canvas.fittedRect().right()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 2000));

    QTest::keyClicks(field, QStringLiteral("  hi  "));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(field->isVisible());
    ASSERT_EQ(w.view.annotations().size(), 1);
    EXPECT_EQ(w.view.annotations().first().text(), QStringLiteral("  hi  "));
    EXPECT_EQ(w.view.annotations().first().start(), w.imagePoint(click));

    // Clicking elsewhere while typing commits and opens a new field there.
    QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, w.at({300, 40}));
    QTest::keyClicks(field, QStringLiteral("first"));
    QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, w.at({20, 250}));
    EXPECT_EQ(w.view.annotations().size(), 2);
    EXPECT_LE((field->pos() - w.at({20, 250})).manhattanLength(), 3);
    EXPECT_TRUE(field->text().isEmpty());
    // Near the right edge the field is 120 points wide.
    QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, w.at({390, 250}));
    EXPECT_EQ(field->width(), 120);
}

// Typed text, right to left too, shows at the click point, and the committed text is
// drawn exactly where the field showed it.
TEST(AnnotationEditorView, textShowsAtTheClickPointAndStaysThereOnceCommitted) {
    EditorWindow w;
    w.view.setTool(AnnotationTool::text);
    const QPoint click = w.at({50, 60});
    QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, click);
    QLineEdit* field = w.canvas.textField();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 2000));
    // Red ink only: the image is grey and blue.
    const auto ink = [&w] {
        const QImage shown = w.canvas.grab().toImage();
        QRect box;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (qRed(shown.pixel(x, y)) > 150 && qGreen(shown.pixel(x, y)) < 110)
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    for (const QString& text : {QStringLiteral("\u05e9\u05dc\u05d5\u05dd"), QStringLiteral("Hg")}) {
        SCOPED_TRACE(text.toStdString());
        field->setFocus();
        QKeyEvent typing(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(field, &typing);
        field->clearFocus(); // no caret in the picture
        const QRect typed = ink();
        ASSERT_TRUE(typed.isValid());
        EXPECT_LE(std::abs(typed.left() - click.x()), 3);
        EXPECT_LE(std::abs(typed.top() - click.y()), 12);
        w.view.commitText();
        const QRect drawn = ink();
        EXPECT_EQ(drawn.left(), typed.left());
        EXPECT_EQ(drawn.top(), typed.top());
        w.view.setAnnotations({});
        QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, click);
    }
}

TEST(AnnotationEditorView, everyToolThenCropThenEveryExport) {
    EditorWindow w;
    // Made when shown.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.view.model().pixelatedImage().isNull(); }));
    const QList<AnnotationTool> shapes{AnnotationTool::rectangle, AnnotationTool::ellipse,
                                       AnnotationTool::arrow,     AnnotationTool::highlight,
                                       AnnotationTool::redact,    AnnotationTool::freehand};
    double y = 20;
    for (AnnotationTool tool : shapes) {
        w.view.setTool(tool);
        w.drag({w.at({40, y}), w.at({80, y + 10}), w.at({120, y + 30})});
        y += 40;
    }
    w.view.setTool(AnnotationTool::text);
    QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, w.at({200, 200}));
    QTest::keyClicks(w.canvas.textField(), QStringLiteral("note"));
    ASSERT_EQ(w.view.annotations().size(), 6);

    // Entering crop mode commits the text first, as the crop button will.
    w.view.commitText();
    w.view.setCropping(true);
    w.view.setCropRect(std::nullopt);
    ASSERT_EQ(w.view.annotations().size(), 7);
    w.drag({w.at({10, 10}), w.at({1000, 1000})});
    ASSERT_TRUE(w.view.cropRect());
    EXPECT_EQ(w.view.cropRect()->bottomRight(), QPointF(400, 300));
    const QPointF corner = w.imagePoint(w.at({10, 10}));
    w.canvas.grab(); // the overlay draws
    w.view.applyCrop();
    EXPECT_EQ(w.view.model().baseImage().size(),
              QSize(400 - qFloor(corner.x()), 300 - qFloor(corner.y())));
    EXPECT_EQ(w.view.statusMessage(), QStringLiteral("Cropped"));
    const QSize cropped = w.view.model().baseImage().size();

    w.view.copyToClipboard();
    EXPECT_EQ(w.fixture.pasteboard.contents.size(), 2);
    EXPECT_EQ(QImage::fromData(w.fixture.pasteboard.data(QStringLiteral("image/png"))).size(),
              cropped);

    w.view.saveCopy();
    HistoryManager& library = w.fixture.library();
    ASSERT_EQ(library.screenshots().size(), 2);
    EXPECT_EQ(library.screenshots().first().kind(), ScreenshotKind::window);
    EXPECT_EQ(QImage(library.fileURL(library.screenshots().first())).size(), cropped);

    w.view.overwriteOriginal();
    EXPECT_EQ(QImage(library.fileURL(w.screenshot)).size(), cropped);
    EXPECT_EQ(w.view.statusMessage(), QStringLiteral("Saved"));
    EXPECT_EQ(w.view.annotations().size(), 7);
}
