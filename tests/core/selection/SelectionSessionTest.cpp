#include "core/selection/SelectionSession.h"
#include "core/selection/SelectionPainter.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    explicit Outcome(SelectionSession& session)
        : selected(&session, &SelectionSession::selected)
        , cancelled(&session, &SelectionSession::cancelled) {}
    QRect rect() const { return selected.isEmpty() ? QRect() : selected.first().first().toRect(); }
    QSignalSpy selected;
    QSignalSpy cancelled;
};

const QRect screen(0, 0, 1920, 1080);
const auto cut = SelectionSession::Bounds::cut;

// A drag in a new area session: the rectangle it selected, or a null one.
QRect drag(QPoint from, QPoint to, QList<QRect> screens = {screen},
           SelectionSession::Bounds bounds = cut) {
    SelectionSession session(SelectionSession::Mode::area, std::move(screens), bounds);
    Outcome outcome(session);
    session.press(from, Qt::LeftButton);
    session.release(to, Qt::LeftButton);
    return outcome.rect();
}

} // namespace

TEST(SelectionSession,
     areaDrag_selectsTheRectangleBetweenPressAndReleaseCutToItsBoundsEdgesIncluded) {
    SelectionSession session(SelectionSession::Mode::area, {screen}, cut);
    Outcome outcome(session);
    session.press({300, 200}, Qt::LeftButton);
    session.move({250, 260});
    EXPECT_EQ(session.highlight(), QRect(250, 200, 50, 60));
    session.release({100, 50}, Qt::LeftButton);
    EXPECT_EQ(outcome.rect(), QRect(100, 50, 200, 150));
    // Finished: later events change nothing.
    session.press({0, 0}, Qt::RightButton);
    EXPECT_EQ(outcome.cancelled.count(), 0);

    EXPECT_EQ(drag({1900, 1000}, {2100, 1200}), QRect(1900, 1000, 20, 80));
    EXPECT_EQ(drag({1900, 1000}, {2100, -50}, {screen}, SelectionSession::Bounds::open),
              QRect(1900, -50, 200, 1050));
    // The pointer cannot pass the screen's last column and row: a drag to them takes them in,
    // whichever way it runs; a pointer that can go on (another monitor) stays out.
    EXPECT_EQ(drag({0, 0}, {1919, 1079}), screen);
    EXPECT_EQ(drag({1919, 1079}, {601, 401}), QRect(601, 401, 1319, 679));
    EXPECT_EQ(drag({100, 100}, {1919, 200}, {screen, {1920, 0, 1920, 1080}}),
              QRect(100, 100, 1819, 100));
    EXPECT_TRUE(drag({1919, 1079}, {1919, 1079}).isNull()); // a click
}

// A bare click, Esc and a right click are cancels the capture tool's own session checks.
TEST(SelectionSession, dragWithoutWidthCancelsAndEscStopsADrag) {
    for (const bool escaped : {false, true}) {
        SelectionSession session(SelectionSession::Mode::area, {screen}, cut);
        Outcome outcome(session);
        const QPoint end = escaped ? QPoint(300, 300) : QPoint(10, 300);
        session.press({10, 10}, Qt::LeftButton);
        session.move(end);
        if (escaped)
            session.cancel();
        session.release(end, Qt::LeftButton);
        EXPECT_EQ(outcome.cancelled.count(), 1) << escaped;
        EXPECT_EQ(outcome.selected.count(), 0) << escaped;
    }
}

// The upper window (id 2) is listed first; the lower one is 50,50 800 × 600.
TEST(SelectionSession, windowMode_outlinesTheTopmostWindowAndClickPicksItWithItsFrame) {
    const WindowList::Window lower{1, 10, QRect(50, 50, 800, 600)};
    SelectionSession session(SelectionSession::Mode::window, {screen}, cut,
                             {{2, 20, QRect(100, 100, 400, 300)}, lower});
    Outcome outcome(session);
    QSignalSpy changed(&session, &SelectionSession::highlightChanged);

    session.move({60, 60});
    EXPECT_EQ(session.highlight(), lower.frame);
    session.move({61, 61});
    EXPECT_EQ(changed.count(), 1); // same window: no repaint
    session.move({200, 110});      // the title bar of the upper window
    EXPECT_EQ(session.highlight(), QRect(100, 100, 400, 300));
    session.move({1000, 900});
    EXPECT_TRUE(session.highlight().isEmpty());

    // A click on the desktop picks nothing; a press and release on one window picks it.
    session.press({1000, 900}, Qt::LeftButton);
    session.release({1000, 900}, Qt::LeftButton);
    EXPECT_EQ(outcome.selected.count(), 0);
    session.press({300, 300}, Qt::LeftButton);
    session.release({301, 300}, Qt::LeftButton);
    EXPECT_EQ(outcome.rect(), QRect(100, 100, 400, 300));
    ASSERT_TRUE(session.picked());
    EXPECT_EQ(session.picked()->id, 2u);
    EXPECT_FALSE(session.pickedIsCovered());
}

TEST(SelectionMonitor, mapsLocalPointsToDevicePixelsAndBack) {
    // A doubled monitor right of a 1920-wide one: Qt keeps its origin in device pixels.
    const selection::Monitor monitor{QRect(1920, 0, 2560, 1600), 2};
    // Qt's global position: the origin in device pixels, the rest scaled and rounded, so
    // device pixels 601 and 602 both show as 301. The X server's own position tells which.
    EXPECT_EQ(monitor.globalOf({1920 + 601, 401}), QPoint(1920 + 301, 201));
    EXPECT_EQ(monitor.pixelAt({1920 + 301, 201}, QPoint(1920 + 601, 401)), QPoint(2521, 401));
    EXPECT_EQ(monitor.pixelAt({1920 + 301, 201}, QPoint(1920 + 640, 401)), QPoint(2522, 402));
    EXPECT_EQ(monitor.pixelAt({1920 + 301, 201}, std::nullopt), QPoint(2522, 402));
    EXPECT_EQ(monitor.toLocal(QRect(2120, 80, 400, 300)), QRectF(100, 40, 200, 150));
    EXPECT_TRUE(monitor.toLocal(QRect()).isEmpty());
}

TEST(SelectionMonitor, aSelectionAcrossMonitorsIsLabelledOnce) {
    const QList<QRect> monitors{{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}, {0, 1080, 1920, 1080}};
    // Where its bottom-left corner is, whichever side the drag started.
    EXPECT_EQ(selection::labelMonitor({1800, 300, 500, 400}, monitors), 0);
    EXPECT_EQ(selection::labelMonitor({1920, 300, 500, 400}, monitors), 1);
    EXPECT_EQ(selection::labelMonitor({100, 900, 300, 400}, monitors), 2);
    // A corner off every monitor: the one showing most of the selection.
    EXPECT_EQ(selection::labelMonitor({2000, 1000, 300, 200}, monitors), 1);
    EXPECT_EQ(selection::labelMonitor({}, monitors), -1);
}

TEST(SelectionPainter, sizeLabel_roundsHalvesAwayFromZeroAndSitsInsideAtTheBottomOrAbove) {
    EXPECT_EQ(selection::sizeText({412.4, 305.5}), QStringLiteral("412 × 306"));
    EXPECT_EQ(selection::sizeText({0.5, 20}), QStringLiteral("1 × 20"));

    const QRectF bounds(0, 0, 1440, 900);
    const QSizeF box(80, 22);
    // Inside, 6 from the bottom and left edges.
    EXPECT_EQ(selection::labelRect({100, 200, 400, 300}, box, bounds),
              QRectF(106, 200 + 300 - 6 - 22, 80, 22));
    // A 500 × 10 selection: above its top edge.
    EXPECT_EQ(selection::labelRect({100, 200, 500, 10}, box, bounds),
              QRectF(106, 200 - 6 - 22, 80, 22));
    // Near the right side: pushed left so the box ends 6 inside the screen.
    EXPECT_EQ(selection::labelRect({1400, 200, 40, 300}, box, bounds).right(), 1440 - 6);
}
