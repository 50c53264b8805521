#include "quillbox-capture/CaptureSession.h"
#include "quillbox-capture/SelectionOverlay.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    explicit Outcome(CaptureSession& session)
        : selected(&session, &CaptureSession::selected)
        , cancelled(&session, &CaptureSession::cancelled) {}
    QRect rect() const { return selected.isEmpty() ? QRect() : selected.first().first().toRect(); }
    QSignalSpy selected;
    QSignalSpy cancelled;
};

const QSize screen(1920, 1080);

} // namespace

TEST(CaptureSession, areaDrag_selectsTheRectangleBetweenPressAndRelease) {
    CaptureSession session(CaptureSession::Mode::area, screen);
    Outcome outcome(session);
    session.press({300, 200}, Qt::LeftButton);
    session.move({250, 260});
    EXPECT_EQ(session.highlight(), QRect(250, 200, 50, 60));
    session.move({100, 50});
    session.release({100, 50}, Qt::LeftButton);
    EXPECT_EQ(outcome.rect(), QRect(100, 50, 200, 150));
    EXPECT_EQ(outcome.cancelled.count(), 0);
    // Finished: later events change nothing.
    session.press({0, 0}, Qt::RightButton);
    EXPECT_EQ(outcome.cancelled.count(), 0);
}

TEST(CaptureSession, areaDrag_isCutToTheScreen) {
    CaptureSession session(CaptureSession::Mode::area, screen);
    Outcome outcome(session);
    session.press({1900, 1000}, Qt::LeftButton);
    session.release({2100, 1200}, Qt::LeftButton);
    EXPECT_EQ(outcome.rect(), QRect(1900, 1000, 20, 80));
}

TEST(CaptureSession, clickEscOrRightClick_cancel) {
    for (int way = 0; way < 4; ++way) {
        CaptureSession session(CaptureSession::Mode::area, screen);
        Outcome outcome(session);
        session.press({10, 10}, Qt::LeftButton);
        if (way == 0) {
            session.release({10, 10}, Qt::LeftButton); // a click
        } else if (way == 1) {
            session.release({10, 300}, Qt::LeftButton); // no width
        } else if (way == 2) {
            session.move({300, 300});
            session.cancel(); // Esc mid-drag
            session.release({300, 300}, Qt::LeftButton);
        } else {
            session.press({10, 10}, Qt::RightButton);
        }
        EXPECT_EQ(outcome.cancelled.count(), 1) << way;
        EXPECT_EQ(outcome.selected.count(), 0) << way;
    }
}

TEST(CaptureSession, windowMode_outlinesTheTopmostWindowAndClickPicksItsClientArea) {
    const QList<WindowList::Window> windows = {
        {2, 20, QRect(100, 100, 400, 300), QRect(104, 130, 392, 266)}, // on top
        {1, 10, QRect(50, 50, 800, 600), QRect(54, 80, 792, 566)},
    };
    CaptureSession session(CaptureSession::Mode::window, screen, windows);
    Outcome outcome(session);
    QSignalSpy changed(&session, &CaptureSession::highlightChanged);

    session.move({60, 60});
    EXPECT_EQ(session.highlight(), QRect(54, 80, 792, 566));
    session.move({61, 61});
    EXPECT_EQ(changed.count(), 1); // same window: no repaint
    session.move({200, 110});      // the title bar of the upper window
    EXPECT_EQ(session.highlight(), QRect(104, 130, 392, 266));
    session.move({1000, 900});
    EXPECT_TRUE(session.highlight().isEmpty());

    // A click on the desktop picks nothing; a press and release on one window picks it.
    session.press({1000, 900}, Qt::LeftButton);
    session.release({1000, 900}, Qt::LeftButton);
    EXPECT_EQ(outcome.selected.count(), 0);
    session.press({300, 300}, Qt::LeftButton);
    session.release({301, 300}, Qt::LeftButton);
    EXPECT_EQ(outcome.rect(), QRect(104, 130, 392, 266));
    ASSERT_TRUE(session.picked());
    EXPECT_EQ(session.picked()->id, 2u);
    EXPECT_FALSE(session.pickedIsCovered());
}

TEST(CaptureSession, windowMode_knowsWhenThePickedWindowIsPartlyCovered) {
    const QList<WindowList::Window> windows = {
        {2, 20, QRect(700, 500, 400, 300), QRect(704, 530, 392, 266)}, // on top
        {1, 10, QRect(50, 50, 800, 600), QRect(54, 80, 792, 566)},
    };
    CaptureSession session(CaptureSession::Mode::window, screen, windows);
    session.press({60, 60}, Qt::LeftButton);
    session.release({60, 60}, Qt::LeftButton);
    ASSERT_TRUE(session.picked());
    EXPECT_EQ(session.picked()->id, 1u);
    EXPECT_TRUE(session.pickedIsCovered());
}

TEST(SelectionOverlay, aSelectionAcrossMonitorsIsLabelledOnce) {
    const QList<QRect> monitors{{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}, {0, 1080, 1920, 1080}};
    // Where its bottom-left corner is, whichever side the drag started.
    EXPECT_EQ(SelectionOverlay::labelMonitor({1800, 300, 500, 400}, monitors), 0);
    EXPECT_EQ(SelectionOverlay::labelMonitor({1920, 300, 500, 400}, monitors), 1);
    EXPECT_EQ(SelectionOverlay::labelMonitor({100, 900, 300, 400}, monitors), 2);
    // A corner off every monitor: the one showing most of the selection.
    EXPECT_EQ(SelectionOverlay::labelMonitor({2000, 1000, 300, 200}, monitors), 1);
    EXPECT_EQ(SelectionOverlay::labelMonitor({}, monitors), -1);
}
