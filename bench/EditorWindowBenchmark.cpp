// The editor window: opening a capture through the controller to the canvas's first
// paint (a 5K capture and a 2880 × 56000 scrolling capture), and one canvas repaint while
// a rectangle is dragged over 60 marks in a 1440 × 900 window. Offscreen. Opening inflates
// on a second thread, so run it unpinned; the repaint pinned to one core:
//   build/dev/bench/bench_editor --benchmark_filter=open
//   taskset -c 0 build/dev/bench/bench_editor --benchmark_filter=repaint
#include "AnnotationScene.h"
#include "LibraryFixture.h"
#include "core/ActivationPolicy.h"
#include "core/image/Png.h"
#include "editor/AnnotationCanvas.h"
#include "editor/AnnotationEditorController.h"
#include "editor/AnnotationEditorView.h"
#include "editor/EditorModel.h"
#include "editor/EditorWindow.h"
#include "fakes/SoundPlayerFake.h"

#include <QApplication>
#include <QImageReader>
#include <benchmark/benchmark.h>

namespace {

// Notes the first paint of a widget.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

struct Editors {
    LibraryFixture fixture;
    ActivationPolicy policy;
    SoundPlayerFake sound;
    // Sized so that a 16:9 capture gets a window of about 1440 × 900.
    AnnotationEditorController controller{
        {fixture.library(), policy, sound, fixture.pasteboard,
         []() -> std::optional<QRectF> { return QRectF(0, 0, 1920, 1031); }}};

    Screenshot file(const QImage& image) {
        HistoryManager& library = fixture.library();
        const auto reserved = library.newFileURL();
        if (!png::write(image, reserved.path))
            qFatal("bench_editor: cannot write the capture");
        library.add(reserved.fileName, ScreenshotKind::scrolling);
        fixture.now = fixture.now.addSecs(1);
        return library.screenshots().first();
    }

    // Opens the capture and returns once its canvas has painted for the first time.
    EditorWindow& openToFirstPaint(const Screenshot& screenshot) {
        controller.open(screenshot);
        EditorWindow* window = controller.window(screenshot.id());
        if (!window)
            qFatal("bench_editor: the capture did not open");
        PaintWatch watch;
        window->editor()->canvas().installEventFilter(&watch);
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window->editor()->canvas().removeEventFilter(&watch);
        return *window;
    }

    void close(EditorWindow& window) {
        window.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

Editors& editors() {
    static Editors e;
    return e;
}

void openToFirstPaint(benchmark::State& state, int width, int height) {
    Editors& e = editors();
    const Screenshot screenshot = e.file(annotation_scene::capture(width, height));
    for (auto _ : state) {
        EditorWindow& window = e.openToFirstPaint(screenshot);
        state.PauseTiming();
        state.counters["window_w"] = window.width();
        state.counters["window_h"] = window.height();
        e.close(window);
        state.ResumeTiming();
    }
}

void open5K(benchmark::State& state) {
    openToFirstPaint(state, 5120, 2880);
}

void openLongScrollingCapture(benchmark::State& state) {
    openToFirstPaint(state, 2880, 56000);
}

void repaintDuringDrag(benchmark::State& state) {
    Editors& e = editors();
    const Screenshot screenshot = e.file(annotation_scene::capture(5120, 2880));
    EditorWindow& window = e.openToFirstPaint(screenshot);
    window.resize(1440, 900);
    AnnotationEditorView& view = *window.editor();
    view.setAnnotations(annotation_scene::marks(5120, 2880));
    AnnotationCanvas& canvas = view.canvas();
    canvas.repaint();
    const QPointF start(1000, 800);
    double step = 0;
    for (auto _ : state) {
        step += 1;
        view.model().dragChanged(start, start + QPointF(400 + std::fmod(step * 7, 900), 300));
        canvas.repaint();
    }
    e.close(window);
}

} // namespace

BENCHMARK(open5K)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(repaintDuringDrag)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(openLongScrollingCapture)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // As the program does: long scrolling captures are far over Qt's default limit.
    QImageReader::setAllocationLimit(4096);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
