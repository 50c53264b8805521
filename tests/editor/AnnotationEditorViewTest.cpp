#include "ShownEditor.h"

#include <QKeyEvent>

namespace {

// A 400 x 300 window capture, shown at 800 x 600; no red in it, so red ink stands out.
QImage picture() {
    return test_images::filled(400, 300, QColor(40, 90, 160));
}

} // namespace

// Typed text, right to left too, shows at the click point, and the committed text is
// drawn exactly where the field showed it.
TEST(AnnotationEditorView, textFieldOpensFocusedWhereClicked_textStaysThereOnceCommitted) {
    ShownEditor w(picture(), ScreenshotKind::window);
    w.view.setTool(AnnotationTool::text);
    const QPoint click = w.at({50, 60});
    QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, click);
    QLineEdit* field = w.canvas.textField();
    ASSERT_TRUE(field->isVisible());
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Type…"));
    EXPECT_EQ(field->geometry().right() + 1, qRound(w.canvas.fittedRect().right()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 2000));
    // Red ink only: the image has none.
    const auto ink = [&w] {
        const QImage shown = w.canvas.grab().toImage();
        return test_images::inkBounds(shown, shown.rect(),
                                      [](QRgb p) { return qRed(p) > 150 && qGreen(p) < 110; });
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
        EXPECT_EQ(ink().topLeft(), typed.topLeft());
        w.view.setAnnotations({});
        QTest::mouseClick(&w.canvas, Qt::LeftButton, {}, click);
    }

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
}

// A drag starting outside the image makes nothing, neither a mark nor a crop.
TEST(AnnotationEditorView, everyToolMarksWhereDraggedOnTheImageThenCropThenSave) {
    ShownEditor w(picture(), ScreenshotKind::window);
    // Made when shown.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.view.model().pixelatedImage().isNull(); }));
    // The dividers over and under the canvas are faint lines, not black ones.
    const QImage window = w.view.grab().toImage();
    const int background = qGray(w.view.palette().color(QPalette::Window).rgb());
    for (int y : {w.canvas.y() - 1, w.canvas.geometry().bottom() + 1})
        EXPECT_LT(std::abs(qGray(window.pixel(400, y)) - background), 60) << y;

    ASSERT_GT(w.canvas.fittedRect().left(), 10);
    w.drag({QPoint(5, 300), w.at({100, 100}), w.at({200, 200})});
    EXPECT_TRUE(w.view.annotations().isEmpty());
    EXPECT_FALSE(w.view.model().draft());
    double y = 20;
    for (AnnotationTool tool : annotation_tool::allCases().mid(0, 6)) { // all but text
        w.view.setTool(tool);
        w.drag({w.at({40, y}), w.at({80, y + 10}), w.at({120, y + 30})});
        y += 40;
    }
    // The first mark lies where it was dragged and shows on the canvas in its colour.
    const Annotation& first = w.view.annotations().first();
    EXPECT_NEAR(first.start().x(), 40, 1);
    EXPECT_NEAR(first.end().y(), 50, 1);
    const QImage shown = w.canvas.grab().toImage();
    const QColor edge = shown.pixelColor(w.at({40, 35}) * shown.devicePixelRatio());
    EXPECT_EQ(edge.red(), 255);
    EXPECT_LT(edge.green(), 100);
    ASSERT_EQ(w.view.annotations().size(), 6);

    w.view.setCropping(true);
    w.view.setCropRect(std::nullopt);
    w.drag({QPoint(5, 300), w.at({200, 200})});
    EXPECT_FALSE(w.view.cropRect());
    w.drag({w.at({10, 10}), w.at({1000, 1000})});
    ASSERT_TRUE(w.view.cropRect());
    EXPECT_EQ(w.view.cropRect()->bottomRight(), QPointF(400, 300));
    const QPointF corner = w.imagePoint(w.at({10, 10}));
    w.canvas.grab(); // the overlay draws
    w.view.applyCrop();
    EXPECT_EQ(w.view.model().baseImage().size(),
              QSize(400 - qFloor(corner.x()), 300 - qFloor(corner.y())));

    // What goes out is the cropped picture.
    w.view.overwriteOriginal();
    EXPECT_EQ(QImage(w.fixture.library().fileURL(w.screenshot)).size(),
              w.view.model().baseImage().size());
}
