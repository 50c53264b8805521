// From the capture tool's exit to the thumbnail card mapped on the screen, through the
// real capture path: the tool's end is reported, the file checked and filed in the
// library (history written), the sound played and the card built, placed and shown.
// Needs an X display: scripts/x11-session.sh build/dev/bench/bench_thumbnail
#include "LibraryFixture.h"
#include "capture/ScreenshotManager.h"
#include "fakes/AlertsFake.h"
#include "fakes/ScreenRecordingPermissionFake.h"
#include "platform/x11/SoundPlayerCanberra.h"
#include "ui/ThumbnailPreviewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A stand-in tool: copies a real 1920 x 1080 capture to the path, then notes the moment
// it ends (`exec`: the stamp's writer is the tool's last act).
QString writeTool(const QTemporaryDir& dir, const QString& png) {
    const QString path = dir.filePath(QStringLiteral("tool.sh"));
    QFile tool(path);
    if (!tool.open(QIODevice::WriteOnly))
        qFatal("cannot write the stand-in tool");
    tool.write(QStringLiteral("#!/bin/sh\neval out=\\${$#}\ncp '%1' \"$out\"\n"
                              "exec date +%s%N > '%2'\n")
                   .arg(png, dir.filePath(QStringLiteral("exit-stamp")))
                   .toUtf8());
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void BM_ToolExitToCardMapped(benchmark::State& state) {
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("screen.png"));
    LibraryFixture::writePng(png, Qt::darkCyan, QSize(1920, 1080));
    LibraryFixture library;
    ScreenRecordingPermissionFake permission;
    SoundPlayerCanberra sound;
    AlertsFake alerts;
    ThumbnailPreviewController thumbnail({.library = library.library()});
    ScreenshotManager screenshots(
        {library.library(), permission, sound, alerts, library.workspace, writeTool(dir, png),
         [&thumbnail](std::function<void()> then) { thumbnail.hideThen(std::move(then)); },
         [&thumbnail](const Screenshot& screenshot) { thumbnail.show(screenshot); }});
    const QString stamp = dir.filePath(QStringLiteral("exit-stamp"));
    qint64 pictureNs = 0;
    for (auto _ : state) {
        thumbnail.dismissNow(false);
        QFile::remove(stamp);
        QSignalSpy finished(&screenshots, &ScreenshotManager::captureFinished);
        screenshots.capture(ScreenshotKind::fullScreen);
        if (!finished.wait(10000))
            state.SkipWithError("the capture did not end");
        ThumbnailPreviewView* card = thumbnail.window();
        if (!card) {
            state.SkipWithError("no card");
            break;
        }
        QElapsedTimer timeout;
        timeout.start();
        while (!card->windowHandle()->isExposed() && timeout.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const qint64 mapped = nowNs();
        QFile stampFile(stamp);
        stampFile.open(QIODevice::ReadOnly);
        const qint64 exited = stampFile.readAll().trimmed().toLongLong();
        state.SetIterationTime(static_cast<double>(mapped - exited) / 1e9);
        QSignalSpy loaded(card, &ThumbnailPreviewView::imageLoaded);
        if (card->image().isNull())
            loaded.wait(5000);
        pictureNs += nowNs() - exited;
    }
    state.counters["to_picture_ms"] =
        benchmark::Counter(static_cast<double>(pictureNs) / 1e6 / state.iterations());
}
BENCHMARK(BM_ToolExitToCardMapped)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
