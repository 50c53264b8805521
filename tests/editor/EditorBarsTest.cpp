#include "ShownEditor.h"
#include "editor/EditorButtons.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The tool tips of the selected choices, in the toolbar's order.
QString selected(const EditorToolbar& toolbar) {
    QStringList names;
    for (const PickerButton* button : toolbar.findChildren<PickerButton*>())
        if (button->isSelected())
            names.append(button->toolTip());
    return names.join(u',');
}

} // namespace

TEST(EditorToolbar, startsWithOneChoiceOfEachAndAnyPointOfAButtonSelectsIt) {
    ShownEditor e(test_images::filled(400, 300), ScreenshotKind::area, {1800, 600});
    // However wide the window, the strip keeps its height and its controls at the left.
    EXPECT_EQ(e.toolbar.size(), QSize(1800, 52));
    EXPECT_EQ(e.toolbar.toolButton(AnnotationTool::rectangle)->pos(), QPoint(14, 14));
    EXPECT_EQ(selected(e.toolbar), QStringLiteral("Rectangle,Red,Thin"));
    EXPECT_EQ(e.toolbar.toolButton(AnnotationTool::redact)->toolTip(),
              QStringLiteral("Redact (pixelate)"));

    // Corners, away from the drawn symbol, circle or bar.
    QTest::mouseClick(e.toolbar.toolButton(AnnotationTool::ellipse), Qt::LeftButton, {}, {1, 1});
    QTest::mouseClick(e.toolbar.colorButton(AnnotationColor::blue), Qt::LeftButton, {}, {26, 22});
    QTest::mouseClick(e.toolbar.weightButton(LineWeight::thick), Qt::LeftButton, {}, {1, 22});
    EXPECT_EQ(e.view.tool(), AnnotationTool::ellipse);
    EXPECT_EQ(e.view.color(), AnnotationColor::blue);
    EXPECT_EQ(e.view.weight(), LineWeight::thick);
    EXPECT_EQ(selected(e.toolbar), QStringLiteral("Ellipse,Blue,Thick"));
}

TEST(EditorActionBar, undoAndClearNeedMarks_theCountSaysHowMany_copyAndSavesByTheirKeys) {
    ShownEditor e;
    EXPECT_FALSE(e.bar.undoButton()->isEnabled());
    EXPECT_FALSE(e.bar.clearButton()->isEnabled());
    EXPECT_EQ(e.bar.countLabel()->text(), QStringLiteral("0"));
    EXPECT_EQ(e.bar.countLabel()->toolTip(), QStringLiteral("0 annotations"));
    e.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(e.view.annotations().isEmpty());

    e.mark();
    EXPECT_EQ(e.bar.countLabel()->toolTip(), QStringLiteral("1 annotation"));
    // No button holds the focus, so Space and Return press none.
    e.key(Qt::Key_Space);
    e.key(Qt::Key_Return);
    EXPECT_TRUE(e.fixture.pasteboard.contents.isEmpty());
    EXPECT_FALSE(e.view.statusMessage());
    e.key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(e.fixture.pasteboard.contents.size(), 2);
    e.key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(e.fixture.library().screenshots().size(), 2);
    EXPECT_TRUE(e.bar.statusText().startsWith(QStringLiteral("Saved copy as ")));
    e.key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(e.bar.statusText(), QStringLiteral("Saved"));
    EXPECT_EQ(e.bar.saveButton()->toolTip(),
              QStringLiteral("Overwrite the original screenshot (Ctrl+S)"));

    e.mark();
    EXPECT_EQ(e.bar.countLabel()->text(), QStringLiteral("2"));
    EXPECT_EQ(e.bar.countLabel()->toolTip(), QStringLiteral("2 annotations"));
    EXPECT_TRUE(e.bar.undoButton()->isEnabled());
    e.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.view.annotations().size(), 1);

    // Undo and clear while typing leave the text being typed alone.
    e.type(QStringLiteral("draft"));
    e.view.setAnnotations({e.view.annotations().first(), e.view.annotations().first()});
    QTest::mouseClick(e.bar.undoButton(), Qt::LeftButton);
    EXPECT_EQ(e.view.annotations().size(), 1);
    EXPECT_EQ(e.typed(), QStringLiteral("draft"));
    EXPECT_TRUE(e.canvas.textField()->hasFocus());
    QTest::mouseClick(e.bar.clearButton(), Qt::LeftButton);
    EXPECT_TRUE(e.view.annotations().isEmpty());
    EXPECT_EQ(e.typed(), QStringLiteral("draft"));
    EXPECT_FALSE(e.bar.undoButton()->isEnabled());
}

// While typing, the field keeps its own keys, Esc only ends the typing, and changing the
// tool (not reselecting it, nor choosing a colour) commits the text.
TEST(EditorActionBar, whileTypingTheFieldKeepsItsOwnKeysAndOnlyAToolChangeOrEscEndsIt) {
    ShownEditor e;
    QLineEdit* field = e.type(QStringLiteral("hello"));
    e.key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field->selectedText(), QStringLiteral("hello"));
    e.key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(e.fixture.pasteboard.contents.isEmpty());
    e.key(Qt::Key_Z, Qt::ControlModifier); // undoes the typing, not a mark
    EXPECT_TRUE(e.typed().isEmpty());

    QTest::keyClicks(field, QStringLiteral("note"));
    e.toolbar.toolButton(AnnotationTool::text)->click();
    e.toolbar.colorButton(AnnotationColor::green)->click();
    EXPECT_EQ(e.typed(), QStringLiteral("note"));
    EXPECT_TRUE(e.view.annotations().isEmpty());
    e.toolbar.toolButton(AnnotationTool::arrow)->click();
    EXPECT_FALSE(e.view.model().editingText());
    ASSERT_EQ(e.view.annotations().size(), 1);
    EXPECT_EQ(e.view.annotations().first().text(), QStringLiteral("note"));
    // A text keeps the colour it began with.
    EXPECT_EQ(e.view.annotations().first().color(), AnnotationColor::red);

    e.type(QStringLiteral("kept"));
    e.key(Qt::Key_Escape);
    EXPECT_EQ(e.closes, 0);
    EXPECT_FALSE(e.view.model().editingText());
    ASSERT_EQ(e.view.annotations().size(), 2);
    EXPECT_EQ(e.view.annotations()[1].text(), QStringLiteral("kept"));
    e.key(Qt::Key_Escape);
    EXPECT_EQ(e.closes, 1);
}

TEST(EditorActionBar, cropModeTakesEscAndReturnAndHidesTheOtherCommands) {
    ShownEditor e;
    e.type(QStringLiteral("before crop"));
    QTest::mouseClick(e.bar.cropButton(), Qt::LeftButton);
    EXPECT_EQ(e.view.annotations().size(), 1); // the text was committed first
    ASSERT_TRUE(e.view.isCropping());
    EXPECT_TRUE(e.bar.cancelButton()->isVisible());
    EXPECT_FALSE(e.bar.saveButton()->isVisible());
    EXPECT_FALSE(e.bar.applyCropButton()->isEnabled());

    e.view.setCropRect(QRectF(10, 10, 7.9, 100));
    EXPECT_FALSE(e.bar.applyCropButton()->isEnabled());
    e.key(Qt::Key_Return);
    EXPECT_TRUE(e.view.isCropping());
    e.key(Qt::Key_S, Qt::ControlModifier);
    e.key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(e.view.statusMessage());
    EXPECT_TRUE(e.fixture.pasteboard.contents.isEmpty());

    e.view.setCropRect(QRectF(10, 10, 8, 7.99999999999997));
    EXPECT_TRUE(e.bar.applyCropButton()->isEnabled());
    e.key(Qt::Key_Escape);
    EXPECT_FALSE(e.view.isCropping());
    EXPECT_FALSE(e.view.cropRect());
    EXPECT_EQ(e.closes, 0);

    QTest::mouseClick(e.bar.cropButton(), Qt::LeftButton);
    e.view.setCropRect(QRectF(10, 20, 100, 50));
    e.key(Qt::Key_Return);
    EXPECT_FALSE(e.view.isCropping());
    EXPECT_EQ(e.view.model().baseImage().size(), QSize(100, 50));
    EXPECT_EQ(e.bar.statusText(), QStringLiteral("Cropped"));
    e.key(Qt::Key_Escape);
    EXPECT_EQ(e.closes, 1);
}
