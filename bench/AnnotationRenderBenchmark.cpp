// The editor's export of a 5K capture carrying 60 marks (render + PNG), and the
// pixelated copy of that capture. Run pinned to one core:
//   taskset -c 0 build/dev/bench/bench_annotate
#include "AnnotationScene.h"
#include "core/annotate/AnnotationRenderer.h"
#include "core/annotate/CanvasGeometry.h"
#include "core/annotate/Pixelate.h"
#include "core/image/Png.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int width = 5120;
constexpr int height = 2880;

struct Scene {
    QImage base = annotation_scene::capture(width, height);
    QList<Annotation> annotations = annotation_scene::marks(width, height);
    QImage pixelated = makePixelated(base);
};

Scene& scene() {
    static Scene s;
    return s;
}

void renderAndEncode(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        auto png = annotation_renderer::renderPNG(s.base, s.annotations, s.pixelated);
        benchmark::DoNotOptimize(png);
        state.counters["bytes"] = double(png ? png->size() : 0);
    }
}

void renderOnly(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        QImage image = annotation_renderer::render(s.base, s.annotations, s.pixelated);
        benchmark::DoNotOptimize(image);
    }
}

// The encoder's share of the export, on the rendered picture.
void encodeOnly(benchmark::State& state) {
    Scene& s = scene();
    const QImage image = annotation_renderer::render(s.base, s.annotations, s.pixelated);
    for (auto _ : state) {
        QByteArray png = png::encode(image);
        benchmark::DoNotOptimize(png);
    }
}

void pixelate(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        QImage image = makePixelated(s.base);
        benchmark::DoNotOptimize(image);
    }
}

} // namespace

BENCHMARK(renderAndEncode)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(renderOnly)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(encodeOnly)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(pixelate)->Unit(benchmark::kMillisecond)->MinTime(1);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    scene();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
