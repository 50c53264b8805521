// The stitcher on frames of a 2880 × 1800 display: one shift search, and the whole pass
// over a 40-frame capture, each beside the plain reference implementation. The program
// first checks that both give identical results and refuses to run if they do not.
#include "StitchReference.h"
#include "core/stitch/ScrollStitcher.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int frameWidth = 2880;
constexpr int frameHeight = 1800;
constexpr int frameCount = 40;
constexpr int step = 1404;  // 78 % of the height scrolled per frame
constexpr int toolbar = 60; // rows at the screen's top that never scroll

// A page of text-like lines (dark word boxes on a light ground) with a little grain, so
// that only the true shift matches.
QImage makePage(int width, int height) {
    QImage page(width, height, QImage::Format_RGB32);
    std::uint32_t state = 2463534242u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(page.scanLine(y));
        const bool inText = (y % 22) < 14;
        int x = 0;
        while (x < width) {
            const int word = 8 + int(next() % 90);
            const bool ink = inText && (next() % 5 != 0);
            for (int i = 0; i < word && x < width; ++i, ++x) {
                const int grain = int(next() % 24);
                const int grey = ink ? 30 + grain : 230 + grain;
                line[x] = qRgb(grey, grey, grey);
            }
        }
    }
    return page;
}

struct Scene {
    QList<QImage> frames; // content moving down the screen, as the stitcher expects
};

const Scene& scene() {
    static const Scene built = [] {
        const QImage page = makePage(frameWidth, frameHeight + (frameCount - 1) * step);
        const QImage bar = makePage(frameWidth, toolbar);
        Scene s;
        for (int i = 0; i < frameCount; ++i) {
            QImage frame = page.copy(0, (frameCount - 1 - i) * step, frameWidth, frameHeight);
            for (int y = 0; y < toolbar; ++y)
                std::memcpy(frame.scanLine(y), bar.constScanLine(y), bar.bytesPerLine());
            s.frames.append(frame);
        }
        return s;
    }();
    return built;
}

ScrollStitcher::Pass referencePass(const QList<QImage>& frames) {
    ScrollStitcher::Pass pass;
    const auto [top, bottom] = reference::stickyBands(frames);
    pass.bands = {top, bottom};
    for (qsizetype i = 1; i < frames.size(); ++i)
        pass.deltas.append(
            reference::scrollDelta(frames[i - 1], frames[i], top, bottom).value_or(0));
    pass.image = reference::stitch(frames, pass.deltas, top, bottom);
    return pass;
}

bool sameImage(const QImage& a, const QImage& b) {
    return a.size() == b.size() && a.convertToFormat(QImage::Format_RGBA8888_Premultiplied) ==
                                       b.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

bool resultsAgree() {
    const QList<QImage>& frames = scene().frames;
    const auto fast = ScrollStitcher::scrollDelta(frames[0], frames[1], toolbar, 0);
    const auto plain = reference::scrollDelta(frames[0], frames[1], toolbar, 0);
    std::printf("scrollDelta: %d (reference %d)\n", fast.value_or(-1), plain.value_or(-1));
    const ScrollStitcher::Pass pass = ScrollStitcher::stitchAll(frames);
    const ScrollStitcher::Pass expected = referencePass(frames);
    std::printf("bands (%d, %d), reference (%d, %d); image %dx%d\n", pass.bands.top,
                pass.bands.bottom, expected.bands.top, expected.bands.bottom, pass.image.width(),
                pass.image.height());
    return fast == plain && fast == step && pass.bands == expected.bands &&
           pass.deltas == expected.deltas && sameImage(pass.image, expected.image);
}

void BM_ScrollDelta(benchmark::State& state) {
    const QList<QImage>& frames = scene().frames;
    for (auto _ : state)
        benchmark::DoNotOptimize(ScrollStitcher::scrollDelta(frames[0], frames[1], toolbar, 0));
}

void BM_ScrollDeltaReference(benchmark::State& state) {
    const QList<QImage>& frames = scene().frames;
    for (auto _ : state)
        benchmark::DoNotOptimize(reference::scrollDelta(frames[0], frames[1], toolbar, 0));
}

// The measure taken after each step while capturing, on text and on a nearly blank pair
// (a white page with one word per frame), where every shift is tried on whole rows.
void BM_GuidedMatch(benchmark::State& state) {
    const QList<QImage>& frames = scene().frames;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ScrollStitcher::guidedMatch(frames[0], frames[1], toolbar, 0, step));
}

void BM_GuidedMatchBlank(benchmark::State& state) {
    QImage page(frameWidth, frameHeight + step, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int y : {200, frameHeight + step - 300})
        for (int row = y; row < y + 20; ++row)
            std::memset(page.scanLine(row) + 4 * 300, 40, 4 * 120);
    const QImage previous = page.copy(0, step, frameWidth, frameHeight);
    const QImage next = page.copy(0, 0, frameWidth, frameHeight);
    for (auto _ : state)
        benchmark::DoNotOptimize(ScrollStitcher::guidedMatch(previous, next, 0, 0, step));
}

// Short lines at the left edge of a white page: the blank columns are read whole to find
// which ones show the page.
void BM_GuidedMatchSideLines(benchmark::State& state) {
    QImage page(frameWidth, frameHeight + step, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int y = 0; y + 20 < page.height(); y += 34)
        for (int row = y; row < y + 20; ++row)
            std::memset(page.scanLine(row) + 4 * 6, 40,
                        4 * std::size_t(20 + (y * 2654435761u >> 9) % 60));
    const QImage previous = page.copy(0, step, frameWidth, frameHeight);
    const QImage next = page.copy(0, 0, frameWidth, frameHeight);
    for (auto _ : state)
        benchmark::DoNotOptimize(ScrollStitcher::guidedMatch(previous, next, 0, 0, step));
}

void BM_StitchingPass40(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ScrollStitcher::stitchAll(scene().frames));
}

void BM_StitchingPass40Reference(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(referencePass(scene().frames));
}

BENCHMARK(BM_ScrollDelta)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollDeltaReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GuidedMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GuidedMatchBlank)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GuidedMatchSideLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StitchingPass40)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StitchingPass40Reference)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (!resultsAgree()) {
        std::fprintf(stderr, "the stitcher and the reference disagree\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
