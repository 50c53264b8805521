// The popover over a 1,000-entry library whose ten newest captures are 2880 x 30000:
// from the request to the mapped window, the longest stall of the GUI thread while the
// visible cards load, and the resident memory after scrolling through every card.
// Needs an X display (scripts/x11-session.sh build/dev/bench/bench_popover).
#include "LibraryFixture.h"
#include "core/hotkeys/HotkeyPreferences.h"
#include "core/image/Png.h"
#include "core/library/HistoryCoding.h"
#include "ui/HistoryGridView.h"
#include "ui/PopoverWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int entryCount = 1000;
constexpr int tallCount = 10;

LibraryFixture& fixture() {
    static LibraryFixture* f = [] {
        auto* made = new LibraryFixture;
        // A page of text-like lines, as a long scrolling capture of a web page would be.
        QImage tall(2880, 30000, QImage::Format_RGB32);
        tall.fill(Qt::white);
        QPainter painter(&tall);
        for (int y = 20; y < tall.height(); y += 36)
            painter.fillRect(40 + (y * 7) % 300, y, 1800 + (y * 13) % 900, 14, QColor(40, 40, 40));
        painter.end();
        const QByteArray tallPng = png::encode(tall);
        QImage small(1440, 900, QImage::Format_RGB32);
        small.fill(QColor(90, 140, 200));
        const QByteArray smallPng = png::encode(small);
        QList<Screenshot> list;
        for (int i = 0; i < entryCount; ++i) {
            const QString name = QStringLiteral("Quillbox %1.png").arg(i);
            LibraryFixture::writeFile(made->screenshotsPath() + u'/' + name,
                                      i < tallCount ? tallPng : smallPng);
            list.append(
                Screenshot(QUuid::createUuid(), name, 7.6e8 - i * 60,
                           i < tallCount ? ScreenshotKind::scrolling : ScreenshotKind::area));
        }
        LibraryFixture::writeFile(made->historyPath(), history_coding::encode(list));
        return made;
    }();
    return *f;
}

struct Popover {
    HotkeyPreferences preferences{fixture().defaults};
    std::unique_ptr<PopoverWindow> window;

    Popover() {
        window = std::make_unique<PopoverWindow>(PopoverWindow::Actions{
            .onOpenSettings = {},
            .onQuit = {},
            .content = {.history = &fixture().library(),
                        .preferences = &preferences,
                        .workspace = &fixture().workspace},
        });
    }
    HistoryGridView& strip() { return *window->view()->strip(); }
    bool visibleCardsLoaded() {
        for (ScreenshotCard* card : strip().cards())
            if (card->isLoading())
                return false;
        return true;
    }
};

long residentKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Request to mapped: the first time builds the content, later times only show it.
void BM_PopoverRequestToMapped(benchmark::State& state) {
    Popover popover;
    bool first = true;
    double firstMs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        popover.window->showUnder(QRect());
        if (!QTest::qWaitForWindowExposed(popover.window.get(), 5000))
            state.SkipWithError("the popover never mapped");
        const double ms = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(ms / 1000);
        if (first)
            firstMs = ms;
        first = false;
        state.PauseTiming();
        if (!QTest::qWaitFor([&] { return popover.visibleCardsLoaded(); }, 30000))
            state.SkipWithError("the popover did not get there in time");
        popover.window->performClose();
        if (!QTest::qWaitFor([&] { return !popover.window->isVisible(); }, 5000))
            state.SkipWithError("the popover did not get there in time");
        state.ResumeTiming();
    }
    state.counters["first_ms"] = firstMs;
}
BENCHMARK(BM_PopoverRequestToMapped)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// The longest gap between 1 ms ticks of the GUI thread from the request until every
// visible card has its picture (the tall captures decode meanwhile).
void BM_GuiThreadStallWhileCardsLoad(benchmark::State& state) {
    double worst = 0;
    for (auto _ : state) {
        Popover popover;
        QElapsedTimer sinceTick;
        double longest = 0;
        QTimer ticker;
        ticker.setInterval(1);
        double longestAt = 0;
        QElapsedTimer total;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const double gap = sinceTick.nsecsElapsed() / 1e6;
            if (gap > longest)
                longestAt = total.nsecsElapsed() / 1e6;
            longest = std::max(longest, gap);
            sinceTick.restart();
        });
        total.start();
        popover.window->showUnder(QRect());
        if (!QTest::qWaitForWindowExposed(popover.window.get(), 5000))
            state.SkipWithError("the popover did not get there in time");
        sinceTick.start();
        ticker.start();
        if (!QTest::qWaitFor([&] { return popover.visibleCardsLoaded(); }, 60000))
            state.SkipWithError("the popover did not get there in time");
        state.SetIterationTime(total.nsecsElapsed() / 1e9);
        state.counters["max_stall_ms"] = longest;
        state.counters["max_stall_at_ms"] = longestAt;
        worst = std::max(worst, longest);
        // The same measure with nothing loading: what the machine itself costs.
        longest = 0;
        QTest::qWait(2000);
        ticker.stop();
        state.counters["idle_stall_ms"] = longest;
        popover.window->performClose();
    }
    state.counters["worst_stall_ms"] = worst;
}
BENCHMARK(BM_GuiThreadStallWhileCardsLoad)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Scrolls the row from the first card to the last, a viewport at a time, letting each
// view's cards load; resident memory before, after, and at its peak from the moment the
// popover is asked for (the ten tall captures decode first).
void BM_ScrollThroughEveryCard(benchmark::State& state) {
    for (auto _ : state) {
        Popover popover;
        // The peak from here on: writing the library's files took far more.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        popover.window->showUnder(QRect());
        if (!QTest::qWaitForWindowExposed(popover.window.get(), 5000))
            state.SkipWithError("the popover did not get there in time");
        if (!QTest::qWaitFor([&] { return popover.visibleCardsLoaded(); }, 60000))
            state.SkipWithError("the popover did not get there in time");
        const long before = residentKiB("VmRSS:");
        QScrollBar* bar = popover.strip().horizontalScrollBar();
        const int step = popover.strip().viewport()->width();
        int maxCards = 0;
        while (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + step);
            if (!QTest::qWaitFor([&] { return popover.visibleCardsLoaded(); }, 60000))
                state.SkipWithError("the popover did not get there in time");
            maxCards = std::max(maxCards, int(popover.strip().cards().size()));
        }
        state.counters["rss_before_MiB"] = before / 1024.0;
        state.counters["rss_after_MiB"] = residentKiB("VmRSS:") / 1024.0;
        state.counters["rss_peak_MiB"] = residentKiB("VmHWM:") / 1024.0;
        state.counters["most_cards"] = maxCards;
        popover.window->performClose();
    }
}
BENCHMARK(BM_ScrollThroughEveryCard)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QImageReader::setAllocationLimit(4096);
    fixture(); // written before anything is timed
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
