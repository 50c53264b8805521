#include "LibraryFixture.h"
#include "core/library/ImageDidChangeNotification.h"
#include "ui/Later.h"
#include "ui/PreviewLoader.h"
#include "ui/ThumbnailOverlay.h"
#include "ui/ThumbnailPlacement.h"
#include "ui/ThumbnailPreviewController.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace {

// A `Later` that runs nothing until the test moves its time on.
class ManualClock {
public:
    Later later() {
        return [this](int ms, QObject* context, std::function<void()> work) {
            // Work due at the same moment runs in the order it was asked for.
            m_pending.emplace(m_now + ms, std::pair{QPointer(context), std::move(work)});
        };
    }
    // Runs, in time order, everything due within the next `ms` milliseconds.
    void advance(int ms) {
        const qint64 until = m_now + ms;
        while (!m_pending.empty() && m_pending.begin()->first <= until) {
            auto due = m_pending.extract(m_pending.begin());
            m_now = due.key();
            if (due.mapped().first)
                due.mapped().second();
        }
        m_now = until;
    }

private:
    qint64 m_now = 0;
    std::multimap<qint64, std::pair<QPointer<QObject>, std::function<void()>>> m_pending;
};

struct CardFixture {
    CardFixture()
        : controller({.library = f.library(),
                      .edit = [this](const Screenshot& s) { edited.append(s); },
                      .later = clock.later()}) {}

    ThumbnailPreviewView* showNew(QSize size = {300, 200}) {
        controller.show(f.capture(ScreenshotKind::area, size, Qt::blue));
        return controller.window();
    }
    static void hover(QWidget* card, bool on) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(card, on ? static_cast<QEvent*>(&enter) : &leave);
    }

    LibraryFixture f;
    ManualClock clock;
    QList<Screenshot> edited;
    ThumbnailPreviewController controller;
};

} // namespace

TEST(ThumbnailPreview, pictureIsKeptAtMost480OnTheLongerSide_reloadedOnlyForItsOwnScreenshot) {
    EXPECT_EQ(preview_loader::scaledSize(QSize(300, 420), 480), QSize(300, 420));
    CardFixture c;
    ThumbnailPreviewView* card = c.showNew(QSize(3000, 1000));
    QSignalSpy loaded(card, &ThumbnailPreviewView::imageLoaded);
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(card->image().size(), QSize(480, 160));
    ImageDidChangeNotification::center().post(QUuid::createUuid());
    EXPECT_FALSE(card->image().isNull());
    // Overwritten by the editor: spinner, then the new picture.
    LibraryFixture::writePng(c.f.library().fileURL(card->screenshot()), Qt::green, {90, 60});
    ImageDidChangeNotification::center().post(card->screenshot().id());
    EXPECT_TRUE(card->image().isNull());
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(card->image().size(), QSize(90, 60));
    EXPECT_EQ(card->image().pixelColor(0, 0), QColor(Qt::green));
}

// (An untouched card's five seconds: the next test.)
TEST(ThumbnailPreview, lifetime_heldWhileHovered_twoSecondsAfterEachLeave) {
    CardFixture c;
    ThumbnailPreviewView* card = c.showNew();
    CardFixture::hover(card, true);
    c.clock.advance(60000);
    EXPECT_EQ(c.controller.window(), card);
    CardFixture::hover(card, false);
    c.clock.advance(1500);
    CardFixture::hover(card, true);
    CardFixture::hover(card, false);
    c.clock.advance(1999);
    EXPECT_EQ(c.controller.window(), card);
    c.clock.advance(1);
    EXPECT_EQ(c.controller.window(), nullptr);
}

// A new card, whether the old one is fading out or left at once for the next capture,
// stays while the old one goes and has its own five seconds.
TEST(ThumbnailPreview, aNewCardStaysWhileTheOldOneGoesAndHasItsOwnFiveSeconds) {
    for (const bool fading : {true, false}) {
        SCOPED_TRACE(fading ? "fading" : "hidden for a capture");
        CardFixture c;
        QPointer<ThumbnailPreviewView> old = c.showNew();
        c.clock.advance(3000);
        if (fading) {
            c.controller.dismissNow(true);
            EXPECT_TRUE(old->isVisible());
        } else {
            // The card leaves without sliding, before the capture tool runs.
            bool toolMayRun = false;
            c.controller.hideThen([&] { toolMayRun = true; });
            EXPECT_TRUE(toolMayRun);
            EXPECT_TRUE(!old || !old->isVisible());
        }
        QPointer<ThumbnailPreviewView> fresh = c.showNew();
        QTRY_VERIFY_WITH_TIMEOUT(!old, 3000);
        EXPECT_TRUE(fresh->isVisible());
        c.clock.advance(4999); // past the old card's 5 s
        EXPECT_EQ(c.controller.window(), fresh);
        c.clock.advance(1);
        EXPECT_EQ(c.controller.window(), nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!fresh || !fresh->isVisible(), 3000); // slid out, then gone
    }
}

// Copy keeps the card, its label back 1.2 s after the first of two quick copies; a click
// on the picture edits, Show reveals and Close closes, each sliding the card away.
TEST(ThumbnailPreview, copyKeepsTheCardWhileEditShowAndCloseActThenSlideItAway) {
    CardFixture c;
    ThumbnailPreviewView* card = c.showNew();
    CardFixture::hover(card, true);
    ThumbnailOverlay* overlay = card->overlay();
    // "Copied" once the file was read and is on the clipboard.
    const auto copied = [&](int writes) {
        overlay->copyButton()->click();
        return QTest::qWaitFor([&] { return c.f.pasteboard.writes == writes; }, 5000) &&
               overlay->copyButton()->text() == u"Copied";
    };
    ASSERT_TRUE(copied(1));
    c.clock.advance(600);
    ASSERT_TRUE(copied(2));
    c.clock.advance(600);
    EXPECT_EQ(overlay->copyButton()->text(), QStringLiteral("Copy"));
    EXPECT_EQ(c.f.pasteboard.writes, 2);
    EXPECT_EQ(c.controller.window(), card);

    const Screenshot shown = card->screenshot();
    CardFixture::hover(card, false);
    QTest::mouseClick(card, Qt::LeftButton, {}, QPoint(120, 80));
    EXPECT_EQ(c.edited, QList<Screenshot>{shown});
    EXPECT_EQ(c.controller.window(), nullptr);
    for (auto button : {&ThumbnailOverlay::showButton, &ThumbnailOverlay::closeButton}) {
        card = c.showNew();
        CardFixture::hover(card, true);
        (card->overlay()->*button)()->click();
        EXPECT_EQ(c.controller.window(), nullptr);
    }
    // Show revealed the second card's file; Close did nothing else.
    EXPECT_EQ(c.f.workspace.revealed,
              QStringList{c.f.library().fileURL(c.f.library().screenshots()[1])});
    EXPECT_EQ(c.edited.size(), 1);
}

TEST(ThumbnailPreview, placement_bottomLeftOfTheUsableAreaOfThePointersScreen) {
    using namespace thumbnail_placement;
    const ScreenArea left{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
    const ScreenArea right{{1920, 0, 2560, 1440}, {1920, 24, 2560, 1416}};
    const QSize card(240, 160);
    EXPECT_EQ(topLeft({left, right}, QPoint(2000, 500), left, card), QPoint(1936, 1264));
    EXPECT_EQ(topLeft({left, right}, QPoint(1919, 500), left, card), QPoint(16, 864));
    // The left screen's right edge belongs to the right screen.
    EXPECT_EQ(topLeft({left, right}, QPoint(1920, 500), left, card), QPoint(1936, 1264));
    // Pointer on no screen: the main one; no screen at all: nowhere.
    EXPECT_EQ(topLeft({left, right}, QPoint(-5, -5), right, card), QPoint(1936, 1264));
    EXPECT_EQ(topLeft({}, QPoint(0, 0), std::nullopt, card), std::nullopt);
}

// Where windows are composited (as offscreen) the card casts its shadow, down and around.
// The window's size and place are checked under a real compositing manager.
TEST(ThumbnailPreview, aCompositedCardCastsItsShadowAroundItself) {
    CardFixture c;
    ThumbnailPreviewView* card = c.showNew();
    const QRect body = card->cardRect();
    const QImage shown = card->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const auto alpha = [&shown](int x, int y) { return qAlpha(shown.pixel(x, y)); };
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_GT(alpha(body.center().x(), body.bottom() + 6), 40);
    EXPECT_GT(alpha(body.center().x(), body.bottom() + 6),
              alpha(body.center().x(), body.top() - 6));
    EXPECT_GT(alpha(body.center().x(), body.center().y()), 200); // the card itself
    // Clicks on the shadow edit nothing.
    QTest::mouseClick(card, Qt::LeftButton, {}, QPoint(body.center().x(), body.bottom() + 6));
    EXPECT_TRUE(c.edited.isEmpty());
}
