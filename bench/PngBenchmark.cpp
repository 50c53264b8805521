// PNG encoding of screen-sized images: Quillbox's encoder against Qt's default writer.
// Counters give the file sizes, so speed and size can be judged together.
#include "core/image/Png.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

// A photo-like picture: value noise over several octaves (like a plasma fractal), with
// per-pixel sensor grain when asked (the hardest case for a fast encoder).
QImage photo(QSize size, bool grain) {
    QRandomGenerator random(7);
    QImage image(size, QImage::Format_RGB32);
    constexpr int cells = 9;
    constexpr int octaves = 6;
    static float lattice[3][octaves][(cells << (octaves - 1)) + 2][(cells << (octaves - 1)) + 2];
    for (auto& channel : lattice)
        for (auto& octave : channel)
            for (auto& row : octave)
                for (float& v : row)
                    v = float(random.generateDouble());
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            int rgb[3];
            for (int c = 0; c < 3; ++c) {
                float value = 0, weight = 0.5f;
                for (int o = 0; o < octaves; ++o, weight /= 2) {
                    const int n = cells << o;
                    const float fx = float(x) * n / size.width(), fy = float(y) * n / size.height();
                    const int ix = int(fx), iy = int(fy);
                    const float tx = fx - ix, ty = fy - iy;
                    const auto& l = lattice[c][o];
                    value += weight * ((l[iy][ix] * (1 - tx) + l[iy][ix + 1] * tx) * (1 - ty) +
                                       (l[iy + 1][ix] * (1 - tx) + l[iy + 1][ix + 1] * tx) * ty);
                }
                rgb[c] = std::clamp(int(value * 255) + (grain ? random.bounded(-3, 4) : 0), 0, 255);
            }
            line[x] = qRgb(rgb[0], rgb[1], rgb[2]);
        }
    }
    return image;
}

enum Content { text, textAndPicture, textAndGrainyPhoto };

// A desktop: a title bar, a window of text, and (when asked) a picture beside it.
QImage screen(QSize size, Content content) {
    const bool withPhoto = content != text;
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 240));
    QPainter p(&image);
    p.fillRect(0, 0, size.width(), 28, QColor(46, 46, 54));
    const int textWidth = withPhoto ? size.width() / 2 : size.width();
    p.fillRect(12, 40, textWidth - 24, size.height() - 52, Qt::white);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(QColor(30, 30, 30));
    for (int y = 62, i = 0; y < size.height() - 16; y += 17, ++i)
        p.drawText(24, y,
                   QStringLiteral("%1: void capture(ScreenshotKind kind) { run(tool, args(kind, "
                                  "path)); } // %2 lorem ipsum dolor sit amet")
                       .arg(i, 4)
                       .arg(i * 7919));
    if (withPhoto)
        p.drawImage(
            size.width() / 2 + 12, 40,
            photo(QSize(size.width() / 2 - 24, size.height() - 52), content == textAndGrainyPhoto));
    return image;
}

const QImage& cached(int64_t width, int64_t content) {
    static QImage images[2][3];
    QImage& image = images[width > 1920][content];
    if (image.isNull())
        image = screen(width > 1920 ? QSize(3840, 2160) : QSize(1920, 1080), Content(content));
    return image;
}

void quillbox(benchmark::State& state) {
    const QImage& image = cached(state.range(0), state.range(1));
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = png::encode(image).size();
    state.counters["KiB"] = double(bytes) / 1024;
}

void qtDefault(benchmark::State& state) {
    const QImage& image = cached(state.range(0), state.range(1));
    qsizetype bytes = 0;
    for (auto _ : state) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "png").write(image);
        bytes = data.size();
    }
    state.counters["KiB"] = double(bytes) / 1024;
}

} // namespace

// Arguments: screen width (1920 or 3840); content (0 text, 1 text and a picture, 2 text and
// a grainy photo).
BENCHMARK(quillbox)->ArgsProduct({{1920, 3840}, {0, 1, 2}})->Unit(benchmark::kMillisecond);
BENCHMARK(qtDefault)->ArgsProduct({{1920, 3840}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the text
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
