#pragma once

#include "LibraryFixture.h"
#include "TestImages.h"
#include "core/annotate/CanvasGeometry.h"
#include "editor/AnnotationCanvas.h"
#include "editor/AnnotationEditorView.h"
#include "editor/EditorActionBar.h"
#include "editor/EditorToolbar.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

// An editor on a capture filed in a library of its own (white, 400 × 300, unless given),
// shown and active, counting its close requests.
struct ShownEditor {
    explicit ShownEditor(const QImage& picture = test_images::filled(400, 300),
                         ScreenshotKind kind = ScreenshotKind::area, QSize size = {800, 600})
        : screenshot(fixture.capture(picture, kind))
        , view(screenshot, picture, {fixture.library(), fixture.pasteboard}, [this] { ++closes; }) {
        view.resize(size);
        view.show();
        QApplication::setActiveWindow(&view);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    // The canvas point showing an image point, and back.
    QPoint at(QPointF image) {
        return canvas_geometry::toView(image, canvas.fittedRect(), view.model().imagePixelSize())
            .toPoint();
    }
    QPointF imagePoint(QPoint point) {
        return canvas_geometry::toImage(point, canvas.fittedRect(), view.model().imagePixelSize());
    }

    void drag(QList<QPoint> path) {
        QTest::mousePress(&canvas, Qt::LeftButton, {}, path.first());
        for (QPoint p : path.mid(1))
            QTest::mouseMove(&canvas, p);
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, path.last());
    }
    // A rectangle from the middle of the image.
    void mark() {
        const QPoint centre = canvas.fittedRect().center().toPoint();
        drag({centre, centre + QPoint(40, 30)});
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &view;
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    // Starts typing `text` with the text tool near the image's top left; the field has
    // the focus.
    QLineEdit* type(const QString& text) {
        view.setTool(AnnotationTool::text);
        QTest::mouseClick(&canvas, Qt::LeftButton, {},
                          canvas.fittedRect().topLeft().toPoint() + QPoint(20, 20));
        QLineEdit* field = canvas.textField();
        EXPECT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 2000));
        QTest::keyClicks(field, text);
        return field;
    }
    QString typed() {
        const auto& draft = view.model().editingText();
        return draft ? draft->string() : QString();
    }

    LibraryFixture fixture;
    Screenshot screenshot;
    int closes = 0;
    AnnotationEditorView view;
    AnnotationCanvas& canvas = view.canvas();
    EditorToolbar& toolbar = view.toolbar();
    EditorActionBar& bar = view.actionBar();
};
