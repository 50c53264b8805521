#include "capture/ScrollingCaptureManager.h"
#include "FakeScreen.h"
#include "LibraryFixture.h"
#include "TestPages.h"
#include "fakes/AlertsFake.h"
#include "fakes/SoundPlayerFake.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

constexpr int width = 160;
constexpr int headerRows = 40;
constexpr int footerRows = 30;
constexpr int viewport = 200;
const QRectF region(300, 200, width, headerRows + viewport + footerRows);

class ScrollingCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { usePage(900); }

    void usePage(int rows) { usePage(textPage(width, rows, 1)); }
    void usePage(const QImage& page) {
        screen = std::make_unique<FakeScreen>(page, textPage(width, headerRows, 2),
                                              textPage(width, footerRows, 3), viewport);
        ScrollingCaptureManager::Collaborators c{library.library(), sound,   alerts,
                                                 *screen,           *screen, escape};
        c.loop.settleMs = 0;
        c.loop.firstSettleMs = 0;
        c.showHud = false;
        c.selectRegion = [this](RegionSelector::Completion done) {
            ++selections;
            done(selection);
        };
        c.requestScreenRecordingPermission = [this] { return screenRecording; };
        c.hideThumbnail = [this] { ++thumbnailHides; };
        c.showThumbnail = [this](const Screenshot& s) { thumbnails.append(s); };
        manager = std::make_unique<ScrollingCaptureManager>(c);
        QObject::connect(manager.get(), &ScrollingCaptureManager::hudTextChanged, manager.get(),
                         [this](const QString& text) {
                             hudTexts.append(text);
                             if (text == pressEscAt)
                                 escape.press();
                         });
    }

    // Runs one capture of the region to its end; the filed image, if any.
    QImage run() {
        QSignalSpy done(manager.get(), &ScrollingCaptureManager::finished);
        manager->begin(region);
        EXPECT_TRUE(done.wait(20000));
        if (library.library().screenshots().isEmpty())
            return {};
        return QImage(library.library().fileURL(library.library().screenshots().first()))
            .convertToFormat(QImage::Format_RGB32);
    }

    // The page as seen from the top, rows `from` … `to` − 1 of its scrolled part.
    QImage pageRows(int from, int to) const { return screen->compose(from, to - from); }

    LibraryFixture library;
    SoundPlayerFake sound;
    AlertsFake alerts;
    EscapeKeyMonitorFake escape;
    std::unique_ptr<FakeScreen> screen;
    std::unique_ptr<ScrollingCaptureManager> manager;
    std::optional<QRectF> selection = region;
    bool screenRecording = true;
    int selections = 0;
    int thumbnailHides = 0;
    QList<Screenshot> thumbnails;
    QStringList hudTexts;
    QString pressEscAt;
};

QString capturing(int n) {
    return QStringLiteral("Capturing\u2026 ") + QString::number(n);
}

} // namespace

TEST_F(ScrollingCaptureTest, startedAtTheTopScrollsToTheEndAndFilesThePageTopToBottom) {
    const QImage image = run();
    EXPECT_EQ(image, screen->wholePage());
    // The first probe (toward the end) moved the content up and was kept.
    EXPECT_EQ(screen->wheelClicks.first(), -1);
    EXPECT_TRUE(std::all_of(screen->wheelClicks.begin(), screen->wheelClicks.end(),
                            [](int c) { return c < 0; }));
    ASSERT_EQ(library.library().screenshots().size(), 1);
    EXPECT_EQ(library.library().screenshots().first().kind(), ScreenshotKind::scrolling);
    EXPECT_EQ(sound.captureSounds, 1);
    EXPECT_EQ(thumbnails.size(), 1);
    EXPECT_EQ(thumbnailHides, 1);
    // 700 rows to scroll: the probe's click of 60, then two clicks a step (a third would
    // leave less overlap than the stitcher can match): 5 steps, a short one, one that stops.
    EXPECT_EQ(hudTexts.first(), QStringLiteral("Capturing scrolling screenshot\u2026"));
    EXPECT_EQ(hudTexts.at(hudTexts.size() - 2), capturing(8));
    EXPECT_EQ(hudTexts.last(), QStringLiteral("Stitching\u2026"));
    EXPECT_EQ(screen->warps.last(), QPointF(5, 7));
    EXPECT_EQ(escape.starts, 1);
    EXPECT_EQ(escape.stops, 1);
    EXPECT_FALSE(manager->isCapturing());
}

TEST_F(ScrollingCaptureTest, startedAtOrJustShortOfTheBottomScrollsBackUpToTheTop) {
    screen->offset = screen->maxOffset();
    EXPECT_EQ(run(), screen->wholePage());
    // The first probe could not move; the second, toward the beginning, did.
    EXPECT_EQ(screen->wheelClicks.mid(0, 3), (QList<int>{-1, 1, 2}));

    // Left short of the end by a partial line: the probe toward the end moves the 17 rows
    // left and nothing more moves that way.
    usePage(900);
    screen->offset = screen->maxOffset() - 17;
    EXPECT_EQ(run(), screen->wholePage());
    ASSERT_GE(screen->wheelClicks.size(), 3);
    EXPECT_EQ(screen->wheelClicks[0], -1);
    EXPECT_LT(screen->wheelClicks[1], 0);
    EXPECT_EQ(screen->wheelClicks[2], 1); // one click: how far one goes is not known yet
}

// Traps for the measure, each filed whole from either end: text lines over a white ground,
// where a wrong shift the other way also costs less than the limit; short lines far apart on
// a plain ground, where most bands at a frame's edge are one colour, so any shift matches.
// And clicks of any distance, where a step must never scroll past what the stitcher can
// match; started in the middle, the capture covers the rows it reached.
TEST_F(ScrollingCaptureTest, trapPagesAndAnyClickDistanceAndStartAreFiledFromTheStart) {
    enum Start { top = 1, bottom = 2, middle = 4 };
    const struct {
        QImage page;
        int pixelsPerClick;
        int starts;
    } cases[] = {{renderedTextPage(width, 60), 68, top | bottom},
                 {sparsePage(width, 1500, 3), 38, top | bottom},
                 {textPage(width, 900, 1), 7, top},
                 {textPage(width, 900, 1), 71, top},
                 {textPage(width, 900, 1), 114, top},
                 {textPage(width, 900, 1), 150, top},
                 {textPage(width, 900, 1), 60, middle},
                 {textPage(width, 900, 1), 45, middle}};
    for (const auto& c : cases) {
        for (Start start : {top, bottom, middle}) {
            if (!(c.starts & start))
                continue;
            SCOPED_TRACE(testing::Message() << c.pixelsPerClick << " px a click, from " << start);
            usePage(c.page);
            screen->pixelsPerClick = c.pixelsPerClick;
            const int first = start == middle ? 330 : 0;
            screen->offset = start == bottom ? screen->maxOffset() : first;
            EXPECT_EQ(run(), pageRows(first, c.page.height()));
            EXPECT_LE(std::abs(screen->wheelClicks.last()) * c.pixelsPerClick, 270 - 40 - 30 - 48);
        }
    }
}

// Esc, or the fortieth frame on a long page, ends the capture with the frames taken so far.
TEST_F(ScrollingCaptureTest, escapeOrTheFortiethFrameEndsTheCaptureWithTheFramesSoFar) {
    for (int frames : {7, 40}) {
        usePage(6000);
        pressEscAt = frames == 7 ? capturing(7) : QString();
        EXPECT_EQ(run(), pageRows(0, viewport + 60 + (frames - 2) * 120)) << frames;
        EXPECT_EQ(hudTexts.at(hudTexts.size() - 2), capturing(frames));
        EXPECT_EQ(screen->grabs, frames);
    }
}

TEST_F(ScrollingCaptureTest, pageThatNeverScrollsOrEscBeforeTheFirstProbeFilesTheOneFrame) {
    screen->frozen = true;
    EXPECT_EQ(run(), pageRows(0, viewport));
    EXPECT_EQ(screen->wheelClicks, (QList<int>{-1, 1}));
    EXPECT_EQ(hudTexts.last(), QStringLiteral("Saving\u2026"));
    EXPECT_EQ(library.library().screenshots().size(), 1);
    EXPECT_EQ(screen->warps.last(), QPointF(5, 7));

    usePage(900);
    pressEscAt = QStringLiteral("Capturing scrolling screenshot\u2026");
    EXPECT_EQ(run(), pageRows(0, viewport));
    EXPECT_EQ(screen->grabs, 1);
}

TEST_F(ScrollingCaptureTest, failedFirstGrabFilesNothing_aFailedLaterOneTheFramesSoFar) {
    screen->grabsThatWork = 0;
    EXPECT_TRUE(run().isNull());
    EXPECT_TRUE(library.library().screenshots().isEmpty());
    EXPECT_EQ(sound.captureSounds + sound.beeps, 0);
    EXPECT_EQ(screen->warps.last(), QPointF(5, 7));
    EXPECT_FALSE(manager->isCapturing());

    usePage(900);
    screen->grabsThatWork = 4;
    EXPECT_EQ(run(), pageRows(0, viewport + 60 + 2 * 120));
}

TEST_F(ScrollingCaptureTest, unwritableFileReleasesTheNameAndBeeps) {
    // A plain file where the screenshots folder should be: nothing can be written there.
    const QString folder = library.library().storageDirectory();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    LibraryFixture::writeFile(folder, "not a folder");
    EXPECT_TRUE(run().isNull());
    EXPECT_EQ(sound.beeps, 1);
    EXPECT_EQ(sound.captureSounds, 0);
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_TRUE(alerts.shown.first().informativeText.contains(folder));
    EXPECT_TRUE(library.library().screenshots().isEmpty());
    // The reserved name was given back: the next capture gets the plain name again.
    EXPECT_FALSE(library.library().newFileURL().fileName.contains(QLatin1Char('(')));
}

TEST_F(ScrollingCaptureTest, captureChecksPermissionsAndRegionSizeFirst) {
    screenRecording = false;
    manager->capture();
    EXPECT_EQ(selections, 0);

    screenRecording = true;
    screen->available = false;
    manager->capture();
    EXPECT_EQ(selections, 0);
    ASSERT_EQ(alerts.shown.size(), 1);
    screen->available = true;
    for (QSizeF size : {QSizeF(39.9, 300), QSizeF(300, 39.9)}) {
        selection = QRectF(QPointF(10, 10), size);
        manager->capture();
        EXPECT_FALSE(manager->isCapturing());
    }
    selection.reset();
    manager->capture();
    EXPECT_FALSE(manager->isCapturing());
    EXPECT_EQ(selections, 3);

    selection = QRectF(10, 10, 40, 40);
    manager->capture();
    EXPECT_TRUE(manager->isCapturing());
    manager->capture(); // ignored while capturing
    EXPECT_EQ(selections, 4);
    QSignalSpy done(manager.get(), &ScrollingCaptureManager::finished);
    EXPECT_TRUE(done.wait(20000));
}
