#pragma once

#include "core/annotate/Annotation.h"

#include <QImage>
#include <QList>

// The picture and the marks the editor's benchmarks work on.
namespace annotation_scene {

// Something like a desktop: panels, lines of text, coloured blocks and a noisy photo.
QImage capture(int width, int height);
// Sixty marks of every kind, spread over an image of that size: redactions, texts, pen
// paths of 200 points, rectangles, ellipses, arrows and highlights.
QList<Annotation> marks(int width, int height);

} // namespace annotation_scene
