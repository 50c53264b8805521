#include "ui/PopoverView.h"
#include "LibraryFixture.h"
#include "TestImages.h"
#include "core/hotkeys/HotkeyPreferences.h"
#include "platform/SymbolLabel.h"
#include "ui/HistoryGridView.h"
#include "ui/PopoverGeometry.h"
#include "ui/PopoverWindow.h"

#include <QAbstractButton>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class PopoverViewTest : public ::testing::Test {
protected:
    LibraryFixture fixture;
    HotkeyPreferences preferences{fixture.defaults};
    bool permission = true;
    bool settingsPage = true;
    int relaunches = 0;
    int settingsOpened = 0;
    QList<ScreenshotKind> captures;

    std::unique_ptr<PopoverView> makeView() {
        auto view = std::make_unique<PopoverView>(PopoverView::Collaborators{
            .history = &fixture.library(),
            .preferences = &preferences,
            .workspace = &fixture.workspace,
            .onCapture = [this](ScreenshotKind kind) { captures.append(kind); },
            .hasScreenRecordingPermission = [this] { return permission; },
            .openScreenRecordingSettings =
                settingsPage ? std::function<void()>([this] { ++settingsOpened; }) : nullptr,
            .quitAndRelaunch = [this] { ++relaunches; },
        });
        view->resize(960, 300);
        view->show();
        return view;
    }
};

} // namespace

TEST_F(PopoverViewTest, bannerShowsWhileCaptureIsNotAllowedUntilARecheckOrAnAppearance) {
    permission = false;
    auto view = makeView();
    EXPECT_TRUE(view->permissionBanner()->isVisible());
    QList<QPushButton*> buttons = view->permissionBanner()->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 2);
    buttons[0]->click();
    buttons[1]->click();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(relaunches, 1);

    permission = true; // granted while open: nothing changes by itself
    EXPECT_TRUE(view->permissionBanner()->isVisible());
    view->permissionBanner()->findChild<QToolButton*>(QStringLiteral("recheck"))->click();
    EXPECT_FALSE(view->permissionBanner()->isVisible());

    permission = false;
    view->appear();
    EXPECT_TRUE(view->permissionBanner()->isVisible());
    permission = true;
    EXPECT_FALSE(makeView()->permissionBanner()->isVisible());

    permission = false;
    settingsPage = false; // nothing to open: only the relaunch is offered
    auto bare = makeView();
    buttons = bare->permissionBanner()->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("Relaunch"));
}

TEST_F(PopoverViewTest, clearAllHistorySwitchesToTheEmptyStateAndTheCountFollowsTheLibrary) {
    auto view = makeView();
    EXPECT_TRUE(view->showsEmptyState());
    EXPECT_EQ(view->countText(), QStringLiteral("0"));
    fixture.capture();
    EXPECT_FALSE(view->showsEmptyState());
    EXPECT_EQ(view->countText(), QStringLiteral("1"));
    EXPECT_EQ(view->strip()->cards().size(), 1);

    QStringList items;
    for (QAction* action : view->actionsMenu()->actions())
        items.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items.join(u','),
              QStringLiteral("Settings…,Open Folder,-,Clear All History,-,Quit Quillbox"));
    view->actionsMenu()->actions()[1]->trigger(); // Open Folder
    EXPECT_EQ(fixture.workspace.opened, QStringList{fixture.library().storageDirectory()});
    view->actionsMenu()->actions()[3]->trigger(); // Clear All History
    EXPECT_TRUE(fixture.library().screenshots().isEmpty());
    EXPECT_TRUE(view->showsEmptyState());
    EXPECT_EQ(view->countText(), QStringLiteral("0"));
}

TEST_F(PopoverViewTest, captureButtonsGoLeftToRightAndHintsReadTheShortcutsOnEachAppearance) {
    auto view = makeView();
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* b : view->findChildren<QAbstractButton*>())
        if (b->parentWidget() == view.get() && !qobject_cast<QToolButton*>(b))
            buttons.append(b);
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    ASSERT_EQ(buttons.size(), 4);
    for (QAbstractButton* b : buttons)
        b->click();
    EXPECT_EQ(captures, screenshot_kind::allCases());

    EXPECT_EQ(
        view->hintTexts().join(u' '),
        QStringLiteral("Ctrl+Alt+Super+A Ctrl+Alt+Super+W Ctrl+Alt+Super+F Ctrl+Alt+Super+S"));
    preferences.setCombo({13, HotkeyCombo::control | HotkeyCombo::shift}, // W
                         HotkeyAction::captureWindow);
    EXPECT_EQ(view->hintTexts()[1], QStringLiteral("Ctrl+Alt+Super+W")); // until it shows again
    view->appear();
    EXPECT_EQ(view->hintTexts()[1], QStringLiteral("Ctrl+Shift+W"));
}

// On a dark palette every symbol is light: the hints', the header's and the buttons'.
TEST_F(PopoverViewTest, symbolsFollowThePaletteTheWindowUses) {
    permission = false;
    auto view = makeView();
    QPalette dark = view->palette();
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    dark.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    view->setPalette(dark);
    const QList<SymbolLabel*> labels = view->findChildren<SymbolLabel*>();
    EXPECT_GE(labels.size(), 6);
    for (const SymbolLabel* label : labels) {
        if (label->symbol() == QStringLiteral("exclamationmark.shield.fill")) // orange
            continue;
        EXPECT_GT(label->color().lightness(), 200) << label->symbol().toStdString();
    }
    const auto* recheck = view->findChild<QToolButton*>(QStringLiteral("recheck"));
    const QImage glyph = recheck->icon().pixmap(QSize(16, 16), 1.0).toImage();
    const auto light = [](QRgb p) { return qAlpha(p) > 128 && qGray(p) > 200; };
    EXPECT_GT(test_images::inkBounds(glyph, glyph.rect(), light).height(), 2);
}

// On a desktop of its own colour the popover still shows where it ends.
TEST(PopoverWindow, hasAHairlineEdge) {
    PopoverWindow window({});
    window.resize(800, 260);
    const QImage shown = window.grab().toImage();
    const QRgb inside = shown.pixel(400, 5);
    for (const QPoint edge : {QPoint(0, 130), QPoint(799, 130), QPoint(400, 0), QPoint(400, 259)})
        EXPECT_GT(std::abs(qGray(shown.pixel(edge)) - qGray(inside)), 20) << edge.x() << edge.y();
}

TEST(PopoverGeometry, isTheVisibleWidthLess40Within720To1600_centredUnderTheIconOnTheScreen) {
    using namespace popover_geometry;
    for (auto [visible, expected] :
         {std::pair{700, 720}, {760, 720}, {1000, 960}, {1640, 1600}, {2000, 1600}})
        EXPECT_EQ(width(visible), expected) << visible;
    EXPECT_EQ(width(std::nullopt), 1240);

    // Centred under the icon and kept on the screen.
    const QRect screen(0, 24, 1920, 1056);
    const QSize size(960, 260);
    // An icon in the middle of a top panel: centred under it.
    EXPECT_EQ(topLeft(size, QRect(900, 0, 24, 24), screen), QPoint(432, 24));
    // At the right edge: pushed left so the whole popover shows.
    EXPECT_EQ(topLeft(size, QRect(1897, 1, 22, 22), screen), QPoint(960, 24));
    // A panel at the bottom: above the icon.
    EXPECT_EQ(topLeft(size, QRect(10, 1056, 24, 24), QRect(0, 0, 1920, 1056)),
              QPoint(0, 1056 - 260));
    // No icon place known: top of the screen, centred.
    EXPECT_EQ(topLeft(size, QRect(), screen), QPoint(480, 24));
    // A second screen to the right.
    EXPECT_EQ(topLeft(QSize(1600, 260), QRect(), QRect(1920, 0, 2560, 1440)),
              QPoint(1920 + 480, 0));
}
