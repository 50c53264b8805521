#include "AnnotationScene.h"

#include "core/annotate/CanvasGeometry.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QUuid>
#include <algorithm>
#include <cmath>

namespace annotation_scene {

// Something like a desktop: panels, lines of text, a few coloured blocks and a photo.
QImage capture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(246, 246, 248));
    painter.fillRect(0, 0, width, 90, QColor(40, 44, 52));
    painter.fillRect(0, 90, 900, height - 90, QColor(232, 234, 238));
    QFont font;
    font.setPixelSize(30);
    painter.setFont(font);
    QRandomGenerator random(5);
    for (int y = 160; y < height - 60; y += 48) {
        painter.setPen(QColor(30, 30, 30));
        const int words = 6 + int(random.bounded(14));
        QString line;
        for (int i = 0; i < words; ++i)
            line += QString::number(random.generate(), 36) + QLatin1Char(' ');
        painter.drawText(960, y, line);
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(40, y, QString::number(random.generate(), 36));
    }
    for (int i = 0; i < 12; ++i)
        painter.fillRect(int(random.bounded(4000)) + 900, int(random.bounded(2500)) + 100, 300, 160,
                         QColor::fromHsv(int(random.bounded(360)), 160, 220));
    const QRect photo = QRect(3400, 1500, 1400, 1000) & image.rect();
    QLinearGradient gradient(photo.topLeft(), photo.bottomRight());
    gradient.setColorAt(0, QColor(30, 90, 160));
    gradient.setColorAt(1, QColor(220, 160, 60));
    painter.fillRect(photo, gradient);
    painter.end();
    for (int y = photo.top(); y <= photo.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = photo.left(); x <= photo.right(); ++x) {
            const int n = int(random.bounded(24)) - 12;
            line[x] =
                qRgb(std::clamp(qRed(line[x]) + n, 0, 255), std::clamp(qGreen(line[x]) + n, 0, 255),
                     std::clamp(qBlue(line[x]) + n, 0, 255));
        }
    }
    return image;
}

QList<Annotation> marks(int width, int height) {
    const QSizeF size(width, height);
    const double lineWidth = canvas_geometry::defaultLineWidth(size, LineWeight::medium);
    const double fontSize = canvas_geometry::defaultFontSize(size, LineWeight::medium);
    QRandomGenerator random(9);
    auto point = [&] {
        return QPointF(random.bounded(width - 600.0), random.bounded(height - 400.0));
    };
    auto make = [&](AnnotationTool tool, QPointF start, QPointF end) {
        return Annotation(QUuid::createUuid(), tool, AnnotationColor::red, start, end, lineWidth,
                          {}, QString(), 0);
    };
    QList<Annotation> list;
    for (int i = 0; i < 10; ++i) {
        const QPointF at = point();
        list.append(make(AnnotationTool::redact, at, at + QPointF(520, 140)));
    }
    for (int i = 0; i < 10; ++i) {
        const QPointF at = point();
        list.append(Annotation(QUuid::createUuid(), AnnotationTool::text, AnnotationColor::blue, at,
                               at, lineWidth, {}, QStringLiteral("Look here: %1").arg(i),
                               fontSize));
    }
    for (int i = 0; i < 10; ++i) {
        Annotation pen = make(AnnotationTool::freehand, point(), {});
        QList<QPointF> path;
        for (int k = 0; k < 200; ++k)
            path.append(pen.start() + QPointF(k * 3.0, 60 * std::sin(k / 9.0)));
        pen.setPoints(path);
        pen.setEnd(path.last());
        list.append(pen);
    }
    const AnnotationTool shapes[] = {AnnotationTool::rectangle, AnnotationTool::ellipse,
                                     AnnotationTool::arrow, AnnotationTool::highlight};
    for (int i = 0; i < 30; ++i) {
        const QPointF at = point();
        list.append(
            make(shapes[i % 4], at, at + QPointF(random.bounded(600.0), random.bounded(400.0))));
    }
    return list;
}

} // namespace annotation_scene
