#include "core/annotate/AnnotationRenderer.h"

#include "core/annotate/AnnotationPainter.h"
#include "core/image/Png.h"

#include <QPainter>

namespace annotation_renderer {

namespace {

constexpr int standardDotsPerMeter = 3780; // 96 dots per inch

} // namespace

QImage render(const QImage& base, const QList<Annotation>& annotations, const QImage& pixelated) {
    if (base.width() < 1 || base.height() < 1)
        return {};
    // Copying the base is the drawing of it "replacing what is beneath". An opaque
    // capture stays opaque: painting on it needs no alpha channel and the encoder
    // then skips its check for one.
    QImage image = base.format() == QImage::Format_RGB32
                       ? base.copy()
                       : base.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(1);
    // Text sizes are pixels; a resolution read from the file (possibly too low to be
    // a whole number of dots per inch) must not scale them.
    image.setDotsPerMeterX(standardDotsPerMeter);
    image.setDotsPerMeterY(standardDotsPerMeter);
    if (annotations.isEmpty())
        return image;
    QPainter painter(&image);
    if (!painter.isActive())
        return {};
    const PaintSpace space = PaintSpace::image(QSizeF(image.size()));
    for (const Annotation& annotation : annotations)
        annotation_painter::paint(painter, annotation, space, pixelated);
    painter.end();
    return image;
}

std::optional<QByteArray> renderPNG(const QImage& base, const QList<Annotation>& annotations,
                                    const QImage& pixelated) {
    const QImage image = render(base, annotations, pixelated);
    if (image.isNull())
        return std::nullopt;
    QByteArray bytes = png::encode(image);
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

} // namespace annotation_renderer
