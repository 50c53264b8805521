// A window showing a known pattern, for the capture tool's X11 tests, and the check
// that a captured file holds exactly a part of that pattern.
//   capture_test_pattern show X Y WIDTH HEIGHT READY_FILE [TITLE]
//   capture_test_pattern check FILE LEFT TOP WIDTH HEIGHT
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

// Every pixel of a 1024 × 1024 area differs from every other.
QRgb pattern(int x, int y) {
    return qRgb(x & 255, y & 255, ((x >> 8) << 6) | ((y >> 8) << 4) | ((x * 7 + y * 3) & 15));
}

class PatternWidget : public QWidget {
public:
    explicit PatternWidget(QString readyFile)
        : m_readyFile(std::move(readyFile)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QImage image(size(), QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, pattern(x, y));
        QPainter(this).drawImage(0, 0, image);
        // Ready once this paint has reached the screen, on the next turn of the loop.
        QTimer::singleShot(50, this, [this] {
            QFile ready(m_readyFile);
            ready.open(QIODevice::WriteOnly);
        });
    }

private:
    QString m_readyFile;
};

int check(const QStringList& args) {
    const QImage image(args[0]);
    const int left = args[1].toInt(), top = args[2].toInt();
    const QSize size(args[3].toInt(), args[4].toInt());
    if (image.size() != size) {
        std::fprintf(stderr, "size %dx%d, expected %dx%d\n", image.width(), image.height(),
                     size.width(), size.height());
        return 1;
    }
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if ((image.pixel(x, y) & 0xffffff) != (pattern(left + x, top + y) & 0xffffff)) {
                std::fprintf(stderr, "pixel (%d,%d) is %06x, expected %06x\n", x, y,
                             image.pixel(x, y) & 0xffffff, pattern(left + x, top + y) & 0xffffff);
                return 1;
            }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 6 && args[0] == u"check")
        return check(args.mid(1));
    if (args.size() < 6 || args.size() > 7 || args[0] != u"show") {
        std::fprintf(
            stderr,
            "usage: capture_test_pattern show X Y W H READY [TITLE] | check FILE L T W H\n");
        return 2;
    }
    PatternWidget widget(args[5]);
    widget.setWindowTitle(args.value(6, QStringLiteral("quillbox-pattern")));
    widget.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    widget.show();
    return app.exec();
}
