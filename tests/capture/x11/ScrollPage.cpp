// A window showing a tall text-like page in a scroll area between a 40-row header and a
// 30-row footer that never scroll. It writes the whole page as it reads from top to bottom
// (header, every row of the page, footer) and, once on screen, the global rectangle of
// its content.
//   scroll_page PAGE.png GEOMETRY.txt [--at-bottom] [--rows N]
#include "TestPages.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int pageWidth = 600;
constexpr int viewportRows = 500;
constexpr int headerRows = 40;
constexpr int footerRows = 30;

QLabel* pictureLabel(const QImage& image) {
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(image));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFixedSize(image.size());
    return label;
}

QImage bar(int rows, QRgb colour, quint32 seed) {
    QImage image = textPage(pageWidth, rows, seed);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.fillRect(image.rect(), QColor(colour));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const bool atBottom = args.contains(QStringLiteral("--at-bottom"));
    const qsizetype rowsAt = args.indexOf(QStringLiteral("--rows"));
    const int pageRows = rowsAt > 0 && rowsAt + 1 < args.size() ? args[rowsAt + 1].toInt() : 2000;

    const QImage header = bar(headerRows, qRgb(120, 160, 230), 11);
    const QImage content = textPage(pageWidth, pageRows, 12);
    const QImage footer = bar(footerRows, qRgb(230, 200, 120), 13);
    QImage whole(pageWidth, headerRows + pageRows + footerRows, QImage::Format_RGB32);
    {
        QPainter painter(&whole);
        painter.drawImage(0, 0, header);
        painter.drawImage(0, headerRows, content);
        painter.drawImage(0, headerRows + pageRows, footer);
    }
    if (!whole.save(args[1]))
        return 2;

    QWidget window;
    window.setWindowTitle(QStringLiteral("Scroll page"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(pictureLabel(content));
    area->setFixedSize(pageWidth, viewportRows);
    layout->addWidget(pictureLabel(header));
    layout->addWidget(area);
    layout->addWidget(pictureLabel(footer));
    window.setFixedSize(pageWidth, headerRows + viewportRows + footerRows);
    window.move(120, 200);
    window.show();
    if (atBottom)
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());

    // Tell the test where the content is once the window is on screen and painted.
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, &window, [&] {
        if (!window.windowHandle() || !window.windowHandle()->isExposed())
            return;
        ready.stop();
        const QPoint origin = window.mapToGlobal(QPoint(0, 0));
        QFile out(args[2]);
        if (out.open(QIODevice::WriteOnly))
            out.write(QStringLiteral("%1 %2 %3 %4\n")
                          .arg(origin.x())
                          .arg(origin.y())
                          .arg(window.width())
                          .arg(window.height())
                          .toUtf8());
    });
    ready.start(100);
    return app.exec();
}
