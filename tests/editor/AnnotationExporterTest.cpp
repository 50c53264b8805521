#include "editor/AnnotationExporter.h"
#include "LibraryFixture.h"
#include "TestImages.h"
#include "core/library/ImageDidChangeNotification.h"
#include "editor/EditorModel.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

Annotation box(QPointF start, QPointF end) {
    return Annotation(QUuid::createUuid(), AnnotationTool::highlight, AnnotationColor::blue, start,
                      end, 8, {}, QString(), 0);
}

// A library holding one capture of the window kind, and an editor open on it.
struct Editing {
    explicit Editing(const QImage& picture = test_images::filled(120, 80))
        : model(picture) {}

    LibraryFixture fixture;
    Screenshot screenshot = fixture.capture(ScreenshotKind::window, {120, 80}, Qt::white);
    EditorModel model;
    HistoryManager& library = fixture.library();
    AnnotationExporter exporter{model, library, fixture.pasteboard, screenshot};
    QSignalSpy changed{&ImageDidChangeNotification::center(),
                       &ImageDidChangeNotification::quillboxImageDidChange};

    QImage fileImage() { return QImage(fixture.library().fileURL(screenshot)); }
};

bool isBlueAt(const QImage& image, QPoint p) {
    return qRed(image.pixel(p)) < 200 && qBlue(image.pixel(p)) > 200;
}

} // namespace

// Copy offers one item, as PNG and TIFF of the same picture; Save Copy files a new capture
// of the same kind, and neither touches the original.
TEST(AnnotationExporter, copyOffersPngAndTiffOfOnePicture_saveCopyFilesANewCaptureOfTheKind) {
    Editing e;
    e.model.setAnnotations({box({10, 10}, {60, 40})});
    e.model.beginTextEditing({70, 50});
    e.model.setEditingString(QStringLiteral("typed"));
    e.exporter.copyToClipboard();

    EXPECT_EQ(e.model.annotations().size(), 2); // the text being typed was committed first
    ASSERT_EQ(e.fixture.pasteboard.writes, 1);
    ASSERT_EQ(e.fixture.pasteboard.contents.size(), 2);
    EXPECT_EQ(e.fixture.pasteboard.contents[0].first, QStringLiteral("image/png"));
    EXPECT_EQ(e.fixture.pasteboard.contents[1].first, QStringLiteral("image/tiff"));
    const QImage png = QImage::fromData(e.fixture.pasteboard.data(QStringLiteral("image/png")));
    const QImage tiff = QImage::fromData(e.fixture.pasteboard.data(QStringLiteral("image/tiff")));
    ASSERT_EQ(png.size(), QSize(120, 80));
    EXPECT_EQ(tiff.convertToFormat(QImage::Format_ARGB32),
              png.convertToFormat(QImage::Format_ARGB32));
    EXPECT_TRUE(isBlueAt(png, {20, 20}));
    EXPECT_EQ(e.model.statusMessage(), QStringLiteral("Copied to clipboard"));

    e.exporter.saveCopy();
    ASSERT_EQ(e.library.screenshots().size(), 2);
    const Screenshot copy = e.library.screenshots().first();
    EXPECT_EQ(copy.kind(), ScreenshotKind::window);
    EXPECT_NE(copy.fileName(), e.screenshot.fileName());
    EXPECT_TRUE(isBlueAt(QImage(e.library.fileURL(copy)), {20, 20}));
    EXPECT_FALSE(isBlueAt(e.fileImage(), {20, 20}));
    EXPECT_EQ(e.model.statusMessage(), QStringLiteral("Saved copy as ") + copy.fileName());
    EXPECT_EQ(e.changed.count(), 0);
    EXPECT_EQ(e.fixture.pasteboard.writes, 1); // the copy's only
}

// A chosen folder that is gone (a drive not mounted) takes no copy, and keeps no name.
TEST(AnnotationExporter, saveCopyToAFolderThatIsGoneFailsAndReservesNothing) {
    Editing e;
    QTemporaryDir chosen;
    const QString folder = chosen.path() + QStringLiteral("/shots");
    ASSERT_TRUE(e.library.setStorageDirectory(folder, true).success);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    e.exporter.saveCopy();

    EXPECT_EQ(e.library.screenshots().size(), 1);
    EXPECT_EQ(e.model.statusMessage(), QStringLiteral("Save failed: The screenshots folder ") +
                                           folder + QStringLiteral(" is not available."));
    EXPECT_FALSE(QFileInfo::exists(folder));

    // Same second and the folder emptied: the same name, so nothing was left reserved.
    ASSERT_TRUE(QDir().mkpath(folder));
    e.exporter.saveCopy();
    ASSERT_EQ(e.library.screenshots().size(), 2);
    EXPECT_EQ(e.library.screenshots().first().fileName(),
              QStringLiteral("Quillbox 2025-03-03 at 09.05.07.png"));
}

TEST(AnnotationExporter, saveOverwritesTheFileInItsFolderLeavesTheHistoryAndReportsFailures) {
    Editing e;
    const QByteArray history = LibraryFixture::readFile(e.fixture.historyPath());
    QSignalSpy notice(&e.library, &HistoryManager::screenshotsChanged);

    e.model.setAnnotations({box({10, 10}, {40, 30}), box({70, 40}, {110, 70})});
    e.exporter.overwriteOriginal();
    ASSERT_EQ(e.changed.count(), 1);
    EXPECT_EQ(e.changed.first().first().toUuid(), e.screenshot.id());
    EXPECT_EQ(notice.count(), 0); // the list did not change
    EXPECT_EQ(e.model.statusMessage(), QStringLiteral("Saved"));
    EXPECT_TRUE(isBlueAt(e.fileImage(), {80, 50}));
    EXPECT_EQ(LibraryFixture::readFile(e.fixture.historyPath()), history);

    // The marks were not burnt into the base image: undo, save, and the mark is gone.
    e.model.undo();
    e.exporter.overwriteOriginal();
    EXPECT_TRUE(isBlueAt(e.fileImage(), {20, 20}));
    EXPECT_FALSE(isBlueAt(e.fileImage(), {80, 50}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !e.model.statusMessage(); }, 3000));

    // The folder the library uses now; once it is gone, the save fails and says so.
    const QString moved = e.fixture.appSupport() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(e.library.setStorageDirectory(moved, true).success);
    e.model.setAnnotations({box({70, 40}, {110, 70})});
    e.exporter.overwriteOriginal();
    EXPECT_TRUE(isBlueAt(QImage(moved + QLatin1Char('/') + e.screenshot.fileName()), {80, 50}));
    ASSERT_TRUE(QDir(moved).removeRecursively());
    e.exporter.overwriteOriginal();
    EXPECT_EQ(e.changed.count(), 3);
    EXPECT_TRUE(e.model.statusMessage()->startsWith(QStringLiteral("Save failed: ")));

    // A reason that names the file says why first.
    const QString path = QStringLiteral("/home/user/.local/share/Quillbox/screenshots/x.png");
    EXPECT_EQ(AnnotationExporter::failedSaveStatus(QStringLiteral("Existing file ") + path +
                                                       QStringLiteral(" is not writable"),
                                                   path),
              QStringLiteral("Save failed: Existing file is not writable: ") + path);
    EXPECT_EQ(AnnotationExporter::failedSaveStatus(QStringLiteral("No space left on device"), path),
              QStringLiteral("Save failed: No space left on device"));
}

TEST(AnnotationExporter, anImageWithoutPixelsCannotBeRendered) {
    Editing e{QImage()};
    e.exporter.copyToClipboard();
    EXPECT_EQ(e.model.statusMessage(), QStringLiteral("Copy failed"));
    EXPECT_EQ(e.fixture.pasteboard.writes, 0);
    e.exporter.saveCopy();
    EXPECT_EQ(e.model.statusMessage(), QStringLiteral("Failed to render image"));
    e.exporter.overwriteOriginal();
    EXPECT_EQ(e.model.statusMessage(), QStringLiteral("Failed to render image"));
    EXPECT_EQ(e.library.screenshots().size(), 1);
    EXPECT_EQ(e.changed.count(), 0);
}
