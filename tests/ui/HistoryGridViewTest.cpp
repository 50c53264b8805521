#include "ui/HistoryGridView.h"
#include "HostileFiles.h"
#include "LibraryFixture.h"
#include "core/library/HistoryCoding.h"
#include "core/library/ImageDidChangeNotification.h"
#include "ui/RelativeAge.h"
#include "ui/StripLayout.h"

#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList texts(QMenu* menu) {
    QStringList all;
    for (QAction* action : menu->actions())
        all.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return all;
}

class HistoryGridViewTest : public ::testing::Test {
protected:
    LibraryFixture fixture;
    QList<Screenshot> edited;

    // `count` captures, newest first, each with a small PNG.
    HistoryManager& fill(int count) {
        QList<Screenshot> list;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("Quillbox %1.png").arg(i);
            LibraryFixture::writePng(fixture.screenshotsPath() + u'/' + name, QColor(i % 256, 0, 0),
                                     QSize(40, 30));
            list.append(Screenshot(QUuid::createUuid(), name, 7.5e8 - i * 60,
                                   screenshot_kind::allCases()[i % 4]));
        }
        LibraryFixture::writeFile(fixture.historyPath(), history_coding::encode(list));
        return fixture.library();
    }

    std::unique_ptr<HistoryGridView> makeStrip(int width = 900) {
        auto strip = std::make_unique<HistoryGridView>(HistoryGridView::Collaborators{
            fixture.library(), [this](const Screenshot& s) { edited.append(s); }});
        strip->resize(width, strip_layout::rowHeight);
        strip->show();
        return strip;
    }

    static bool loaded(ScreenshotCard* card) {
        return QTest::qWaitFor([card] { return !card->image().isNull(); }, 5000);
    }
};

} // namespace

TEST(RelativeAge, picksTheLargestWholeUnitInAbbreviatedEnglish) {
    using relative_age::abbreviated;
    const QDateTime now(QDate(2025, 3, 31), QTime(12, 0, 0));
    const auto ago = [&](qint64 seconds) {
        return abbreviated(now.addSecs(-seconds), now).toStdString();
    };
    EXPECT_EQ(ago(0), "now");
    EXPECT_EQ(ago(1), "1 sec. ago");
    EXPECT_EQ(ago(59), "59 sec. ago");
    EXPECT_EQ(ago(60), "1 min. ago");
    EXPECT_EQ(ago(3599), "59 min. ago");
    EXPECT_EQ(ago(2 * 3600 + 59 * 60), "2 hr. ago");
    EXPECT_EQ(ago(86400), "1 day ago");
    EXPECT_EQ(ago(6 * 86400), "6 days ago");
    EXPECT_EQ(ago(14 * 86400), "2 wk. ago");
    // Months and years follow the calendar: 28 days back from 31 March is still March.
    EXPECT_EQ(ago(28 * 86400), "4 wk. ago");
    const auto since = [&](int y, int m, int d) {
        return abbreviated(QDateTime(QDate(y, m, d), QTime(12, 0)), now).toStdString();
    };
    EXPECT_EQ(since(2025, 1, 31), "2 mo. ago");
    EXPECT_EQ(since(2024, 3, 31), "1 yr. ago");
    EXPECT_EQ(since(2024, 4, 1), "11 mo. ago");
    // A date ahead of the clock reads as coming.
    EXPECT_EQ(ago(-300), "in 5 min.");
    EXPECT_EQ(abbreviated(now.addMSecs(400), now).toStdString(), "now");
}

TEST(StripLayout, cardsInCoversExactlyTheCardsTouchingTheSpan) {
    // Cards start at 14, 224, 434, … and are 200 wide; "first-end", or "none".
    const auto span = [](int count, int left, int width) {
        const strip_layout::Range r = strip_layout::cardsIn(count, left, width);
        return r.end > r.first ? std::to_string(r.first) + '-' + std::to_string(r.end) : "none";
    };
    EXPECT_EQ(span(1000, 0, 900), "0-5");   // the fifth starts at 854
    EXPECT_EQ(span(1000, 214, 10), "none"); // the gap between the first two, 214 to 223
    EXPECT_EQ(span(1000, 100, 200), "0-2"); // the end of the first, the start of the second
    EXPECT_EQ(span(3, 5000, 900), "none");
    EXPECT_EQ(strip_layout::cardsIn(0, 0, 900).end, 0);
}

TEST_F(HistoryGridViewTest, aThousandEntriesMakeOnlyTheCardsInAndNearTheView) {
    fill(1000);
    auto strip = makeStrip();
    QList<ScreenshotCard*> cards = strip->cards();
    ASSERT_EQ(cards.size(), 5);
    EXPECT_EQ(cards.first()->screenshot(), fixture.library().screenshots().first());
    for (ScreenshotCard* card : cards)
        EXPECT_TRUE(loaded(card));

    // Scrolled far to the right: the cards there are made.
    QScrollBar* bar = strip->horizontalScrollBar();
    bar->setValue(5000);
    const QUuid deep = fixture.library().screenshots()[bar->value() / 210 + 1].id();
    EXPECT_NE(strip->card(deep), nullptr);
    // Far behind: gone again; never more than the visible cards and a viewport each side.
    EXPECT_EQ(strip->card(fixture.library().screenshots().first().id()), nullptr);
    EXPECT_LE(strip->cards().size(), 15);
}

TEST_F(HistoryGridViewTest, menusAndEditReachTheLibraryTheEditorAndDeleteRemovesTheCardAtOnce) {
    fill(3);
    auto strip = makeStrip();
    const QList<Screenshot> before = fixture.library().screenshots();
    ScreenshotCard* card = strip->card(before[0].id());
    std::unique_ptr<QMenu> context(card->makeContextMenu());
    const QStringList contextTexts = texts(context.get());
    EXPECT_EQ(contextTexts.join(u','),
              QStringLiteral("Edit…,Copy,Open in Image Viewer,Show in Folder,-,Delete"));
    for (int i : {0, 2, 3, 1}) // Edit, Open, Show, then Copy
        context->actions()[i]->trigger();
    EXPECT_EQ(edited.size(), 1);
    const QStringList file{fixture.library().fileURL(before[0])};
    EXPECT_EQ(fixture.workspace.opened, file);
    EXPECT_EQ(fixture.workspace.revealed, file);
    // The context menu's Copy leaves the button's label alone; the button's shows
    // "Copied" once the file is on the clipboard.
    EXPECT_TRUE(QTest::qWaitFor([this] { return fixture.pasteboard.writes == 1; }, 5000));
    EXPECT_FALSE(card->showsCopied());
    card->copyWithConfirmation();
    EXPECT_TRUE(QTest::qWaitFor([card] { return card->showsCopied(); }, 5000));
    EXPECT_EQ(fixture.pasteboard.writes, 2);
    EXPECT_TRUE(QTest::qWaitFor([card] { return !card->showsCopied(); }, 3000));

    context->actions().last()->trigger(); // Delete
    context.release();                    // a child of the card, which goes with it
    std::unique_ptr<QMenu> more(strip->card(before[1].id())->makeMoreMenu());
    EXPECT_EQ(texts(more.get()), contextTexts.mid(2)); // without Edit and Copy
    more->actions().last()->trigger();
    more.release();

    EXPECT_EQ(fixture.library().screenshots(), QList<Screenshot>{before[2]});
    EXPECT_EQ(strip->card(before[0].id()), nullptr);
    EXPECT_EQ(strip->card(before[1].id()), nullptr);
    ASSERT_EQ(strip->cards().size(), 1);
    EXPECT_EQ(strip->cards()[0]->pos(), strip_layout::cardRect(0).topLeft());
}

// An edited picture reloads only its own card; a file gone after its card read it leaves
// the picture; a capture whose file is not there comes first, a placeholder that drags.
TEST_F(HistoryGridViewTest, eachCardFollowsItsOwnFileAndANewCaptureComesFirst) {
    fill(2);
    auto strip = makeStrip();
    ScreenshotCard* first = strip->cards()[0];
    ScreenshotCard* second = strip->cards()[1];
    ASSERT_TRUE(loaded(first) && loaded(second));
    LibraryFixture::writePng(fixture.library().fileURL(first->screenshot()), Qt::blue,
                             QSize(1000, 800));
    ImageDidChangeNotification::center().post(first->screenshot().id());
    EXPECT_TRUE(first->image().isNull()); // the placeholder, until the new picture is read
    EXPECT_FALSE(second->image().isNull());
    ASSERT_TRUE(loaded(first));
    EXPECT_EQ(first->image().size(), QSize(420, 336));
    EXPECT_EQ(second->image().size(), QSize(40, 30)); // small pictures are kept as they are

    QFile::remove(fixture.library().fileURL(second->screenshot()));
    fixture.library().add(QStringLiteral("new.png"), ScreenshotKind::window); // never written
    ASSERT_EQ(strip->cards().size(), 3);
    EXPECT_EQ(strip->cards()[2], second);
    EXPECT_FALSE(second->image().isNull());
    ScreenshotCard* fresh = strip->cards()[0];
    EXPECT_EQ(fresh->screenshot().fileName(), QStringLiteral("new.png"));
    std::unique_ptr<QMimeData> drag(fresh->makeDragData());
    EXPECT_EQ(drag->urls(), QList<QUrl>{QUrl::fromLocalFile(fixture.screenshotsPath() +
                                                            QStringLiteral("/new.png"))});
    EXPECT_EQ(drag->data(QStringLiteral("application/x-kde-suggestedfilename")), "new.png");
    EXPECT_EQ(drag->text(), QStringLiteral("new.png"));
    EXPECT_TRUE(QTest::qWaitFor([fresh] { return !fresh->isLoading(); }, 5000));
    EXPECT_TRUE(fresh->image().isNull());
}

// A hidden strip keeps no card (nor its picture); shown again after a capture it starts at
// the newest card, loaded anew. (Which card shows the overlay, across scrolls and
// hiding, is checked against the real program.)
TEST_F(HistoryGridViewTest, aHiddenStripKeepsNoCardAndShowsTheNewestCaptureWhenShownAgain) {
    fill(30);
    auto strip = makeStrip();
    QScrollBar* bar = strip->horizontalScrollBar();
    bar->setValue(strip_layout::cardWidth * 3);
    const QPointer<ScreenshotCard> before = strip->cards().first();
    strip->hide();
    EXPECT_TRUE(strip->cards().isEmpty());
    QTRY_VERIFY(before.isNull());
    fixture.capture();
    strip->show();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(strip->cards().first()->screenshot(), fixture.library().screenshots().first());
    EXPECT_TRUE(loaded(strip->cards().first()));
}

// Whatever stands at a card's file, the card shows its placeholder and copies nothing.
TEST_F(HistoryGridViewTest, aHostileFileLeavesThePlaceholderAndCopiesNothing) {
    fill(1);
    const QString path = fixture.library().fileURL(fixture.library().screenshots().first());
    hostile_files::eachAt(path, [&](const QString& kind) {
        auto strip = makeStrip();
        ScreenshotCard* card = strip->cards()[0];
        EXPECT_TRUE(QTest::qWaitFor([card] { return !card->isLoading(); }, 5000));
        EXPECT_TRUE(card->image().isNull()) << qPrintable(kind);
        QSignalSpy copied(card, &ScreenshotCard::copyFinished);
        card->copyWithConfirmation();
        ASSERT_TRUE(copied.wait(5000));
        EXPECT_FALSE(copied.first().first().toBool()) << qPrintable(kind);
        EXPECT_FALSE(card->showsCopied());
        EXPECT_EQ(fixture.pasteboard.writes, 0) << qPrintable(kind);
    });
}
