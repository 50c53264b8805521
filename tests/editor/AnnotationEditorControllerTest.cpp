#include "editor/AnnotationEditorController.h"
#include "HostileFiles.h"
#include "LibraryFixture.h"
#include "core/ActivationPolicy.h"
#include "editor/AnnotationEditorView.h"
#include "editor/EditorActionBar.h"
#include "editor/EditorWindow.h"
#include "fakes/SoundPlayerFake.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using Policy = ActivationPolicy::Policy;

struct Editors {
    LibraryFixture fixture;
    ActivationPolicy policy;
    SoundPlayerFake sound;
    AnnotationEditorController controller{
        {fixture.library(), policy, sound, fixture.pasteboard,
         []() -> std::optional<QRectF> { return QRectF(0, 0, 1440, 875); }}};

    Editors() { policy.setActivationPolicy(Policy::accessory); }

    Screenshot capture(QSize size = {300, 200}) {
        return fixture.capture(ScreenshotKind::area, size, Qt::white);
    }
    // Opens, and waits for the file to be read when no window shows it yet.
    void open(const Screenshot& shot) {
        QSignalSpy finished(&controller, &AnnotationEditorController::openFinished);
        controller.open(shot);
        if (!controller.window(shot.id())) {
            ASSERT_TRUE(finished.wait(5000));
        }
    }
    // Lets the closed windows go.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

} // namespace

TEST(AnnotationEditorController, initialSizeFitsTheImageIntoTheVisibleFrame) {
    const auto size = AnnotationEditorController::initialContentSize;
    EXPECT_EQ(size({2880, 1800}, QRectF(0, 0, 1440, 875)), QSizeF(1054, 767.75));
    EXPECT_EQ(size({1200, 3000}, QRectF(0, 0, 1512, 945)), QSizeF(820, 827.25));
    EXPECT_EQ(size({2000, 1000}, std::nullopt), QSizeF(1264, 746));
}

TEST(AnnotationEditorController, oneWindowPerCapture_broughtBackUnread_regularUntilTheLastCloses) {
    Editors e;
    const Screenshot first = e.capture();
    e.open(first);
    EditorWindow* window = e.controller.window(first.id());
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Edit — ") + first.fileName());
    EXPECT_EQ(window->minimumSize(), QSize(700, 460));
    EXPECT_EQ(window->size(), QSize(820, 580));

    window->editor()->setAnnotations(
        {Annotation(QUuid::createUuid(), AnnotationTool::arrow, AnnotationColor::red, {1, 1},
                    {9, 9}, 2, {}, QString(), 0)});
    ASSERT_TRUE(QFile::remove(e.fixture.library().fileURL(first)));
    e.open(first);
    EXPECT_EQ(e.controller.window(first.id()), window);
    EXPECT_EQ(window->editor()->annotations().size(), 1);
    EXPECT_EQ(e.sound.beeps, 0);

    const Screenshot second = e.capture();
    e.open(second);
    EXPECT_EQ(e.controller.windowCount(), 2);
    EXPECT_EQ(e.policy.activationPolicy(), Policy::regular);
    // The editor's own Close goes the way of the close button.
    window->editor()->actionBar().closeButton()->click();
    Editors::settle();
    EXPECT_FALSE(e.controller.window(first.id()));
    EXPECT_EQ(e.policy.activationPolicy(), Policy::regular);

    e.controller.window(second.id())->close();
    Editors::settle();
    EXPECT_EQ(e.controller.windowCount(), 0);
    EXPECT_EQ(e.policy.activationPolicy(), Policy::accessory);

    // Opened while already regular (the settings window): nothing is remembered, so the
    // last close goes to accessory.
    e.policy.setActivationPolicy(Policy::regular);
    e.open(second);
    e.controller.window(second.id())->close();
    EXPECT_EQ(e.policy.activationPolicy(), Policy::accessory);

    // A close for something that is no editor window changes nothing.
    e.controller.windowWillClose(&e.policy);
    EXPECT_EQ(e.policy.activationPolicy(), Policy::accessory);
}

TEST(AnnotationEditorController, anUnreadableFileBeepsAndOpensNothing) {
    Editors e;
    const QByteArray png = LibraryFixture::readFile(e.fixture.library().fileURL(e.capture()));
    Screenshot missing = e.capture();
    QFile::remove(e.fixture.library().fileURL(missing));
    e.open(missing);
    for (const QByteArray& bytes :
         {QByteArray(), png.left(png.size() / 2), QByteArray("not png")}) {
        const Screenshot shot = e.capture();
        LibraryFixture::writeFile(e.fixture.library().fileURL(shot), bytes);
        e.open(shot);
    }
    EXPECT_EQ(e.sound.beeps, 4);

    // Whatever stands at the file's name: nothing blocks, nothing huge is read.
    const Screenshot shot = e.capture();
    hostile_files::eachAt(e.fixture.library().fileURL(shot), [&](const QString& kind) {
        const int beeps = e.sound.beeps;
        e.open(shot);
        EXPECT_EQ(e.sound.beeps, beeps + 1) << qPrintable(kind);
    });

    // A second Edit while the file is read opens no second window.
    const Screenshot twice = e.capture();
    e.controller.open(twice);
    e.open(twice);
    EXPECT_EQ(e.controller.windowCount(), 1);
    e.controller.window(twice.id())->close();
    Editors::settle();

    EXPECT_EQ(e.controller.windowCount(), 0);
    EXPECT_EQ(e.policy.activationPolicy(), Policy::accessory);
}
