// Loading a large history (with the existence check of each file) and one add on it.
#include "LibraryFixture.h"
#include "core/library/HistoryCoding.h"

#include <QCoreApplication>
#include <QFile>
#include <benchmark/benchmark.h>

namespace {

constexpr int entryCount = 10000;

void fillLibrary(LibraryFixture& fixture) {
    QList<Screenshot> screenshots;
    screenshots.reserve(entryCount);
    for (int i = 0; i < entryCount; ++i) {
        const QString name = QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (%1).png").arg(i + 2);
        LibraryFixture::writeFile(fixture.screenshotsPath() + QLatin1Char('/') + name, "x");
        screenshots.append(
            Screenshot(QUuid::createUuid(), name, 762685507.25 + i, ScreenshotKind::area));
    }
    LibraryFixture::writeFile(fixture.historyPath(), history_coding::encode(screenshots));
}

void BM_LoadHistory(benchmark::State& state) {
    LibraryFixture fixture;
    fillLibrary(fixture);
    for (auto _ : state) {
        HistoryManager& library = fixture.restart();
        benchmark::DoNotOptimize(library.screenshots().size());
    }
}
BENCHMARK(BM_LoadHistory)->Unit(benchmark::kMillisecond);

void BM_AddToLargeHistory(benchmark::State& state) {
    LibraryFixture fixture;
    fillLibrary(fixture);
    HistoryManager& library = fixture.library();
    for (auto _ : state) {
        const auto reserved = library.newFileURL();
        library.add(reserved.fileName, ScreenshotKind::fullScreen);
    }
}
BENCHMARK(BM_AddToLargeHistory)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
