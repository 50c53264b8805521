#pragma once

#include "core/annotate/Annotation.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <optional>

// The exported picture: the base image at its full pixel size with every finished mark
// drawn one pixel per image pixel, cut at the image's edge.
namespace annotation_renderer {

// Null when the image has no pixels or the bitmap cannot be made.
QImage render(const QImage& base, const QList<Annotation>& annotations, const QImage& pixelated);
// The rendered picture as PNG; nothing when rendering or encoding fails.
std::optional<QByteArray> renderPNG(const QImage& base, const QList<Annotation>& annotations,
                                    const QImage& pixelated);

} // namespace annotation_renderer
