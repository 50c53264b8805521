#include "editor/EditorModel.h"

#include "core/FutureDelivery.h"
#include "core/annotate/AnnotationRenderer.h"
#include "core/annotate/CanvasGeometry.h"
#include "core/annotate/CropGeometry.h"
#include "core/annotate/Pixelate.h"

#include <QTimer>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

EditorModel::EditorModel(QImage baseImage, QObject* parent)
    : QObject(parent)
    , m_baseImage(std::move(baseImage)) {}

QSizeF EditorModel::imagePixelSize() const {
    return canvas_geometry::imagePixelSize(m_baseImage);
}

void EditorModel::ensurePixelated() {
    if (!m_pixelatedImage.isNull())
        return;
    m_pixelatedImage = makePixelated(m_baseImage);
    if (!m_pixelatedImage.isNull())
        Q_EMIT pixelatedImageChanged();
}

void EditorModel::pixelateInBackground() {
    if (!m_pixelatedImage.isNull() || m_pixelating)
        return;
    m_pixelating = true;
    const QImage base = m_baseImage;
    const qint64 key = base.cacheKey();
    m_pixelation = QtConcurrent::run([base] { return makePixelated(base); });
    future_delivery::deliver(m_pixelation, this, [this, key](QImage pixelated) {
        m_pixelating = false;
        // A crop in the meantime made its own from the new image.
        if (m_baseImage.cacheKey() != key || !m_pixelatedImage.isNull())
            return;
        m_pixelatedImage = std::move(pixelated);
        if (!m_pixelatedImage.isNull())
            Q_EMIT pixelatedImageChanged();
    });
}

void EditorModel::waitForPixelated() {
    if (!m_pixelatedImage.isNull())
        return;
    if (!m_pixelating) {
        ensurePixelated();
        return;
    }
    const qint64 key = m_baseImage.cacheKey();
    m_pixelation.waitForFinished();
    // The delivery that follows then finds the picture in place.
    if (m_pixelation.resultCount() > 0 && m_baseImage.cacheKey() == key) {
        m_pixelatedImage = m_pixelation.result();
        if (!m_pixelatedImage.isNull())
            Q_EMIT pixelatedImageChanged();
    }
}

void EditorModel::setTool(AnnotationTool tool) {
    if (tool == m_tool)
        return;
    m_tool = tool;
    commitText();
    Q_EMIT toolChanged(tool);
}

void EditorModel::setColor(AnnotationColor color) {
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT colorChanged(color);
}

void EditorModel::setWeight(LineWeight weight) {
    if (weight == m_weight)
        return;
    m_weight = weight;
    Q_EMIT weightChanged(weight);
}

void EditorModel::setAnnotations(QList<Annotation> annotations) {
    m_annotations = std::move(annotations);
    Q_EMIT annotationsChanged();
}

void EditorModel::undo() {
    if (m_annotations.isEmpty())
        return;
    m_annotations.removeLast();
    Q_EMIT annotationsChanged();
}

void EditorModel::setCropping(bool cropping) {
    if (cropping == m_isCropping)
        return;
    m_isCropping = cropping;
    Q_EMIT croppingChanged(cropping);
}

void EditorModel::setCropRect(std::optional<QRectF> rect) {
    m_cropRect = rect;
    Q_EMIT cropRectChanged();
}

void EditorModel::leaveCropMode() {
    setCropping(false);
    setCropRect(std::nullopt);
}

void EditorModel::applyCrop() {
    const std::optional<QRect> kept =
        m_cropRect ? crop_geometry::pixelRect(*m_cropRect, m_baseImage.size()) : std::nullopt;
    const QImage cropped = kept ? m_baseImage.copy(*kept) : QImage();
    if (cropped.isNull()) {
        leaveCropMode();
        return;
    }
    QList<Annotation> shifted = m_annotations;
    for (Annotation& annotation : shifted)
        annotation.translate(-kept->x(), -kept->y());
    m_annotations = std::move(shifted);
    m_baseImage = cropped;
    m_baseImage.setDevicePixelRatio(1);
    m_pixelatedImage = makePixelated(m_baseImage);
    Q_EMIT annotationsChanged();
    Q_EMIT baseImageChanged();
    Q_EMIT pixelatedImageChanged();
    leaveCropMode();
    showStatus(QStringLiteral("Cropped"), croppedClearDelayMs);
}

void EditorModel::setEditingString(const QString& string) {
    if (!m_editingText || m_editingText->string() == string)
        return;
    m_editingText->setString(string);
    Q_EMIT editingTextChanged();
}

void EditorModel::beginTextEditing(QPointF at) {
    commitText();
    m_editingText = TextDraft(at, QString(), m_color, defaultFontSize());
    Q_EMIT editingTextChanged();
}

void EditorModel::commitText() {
    if (!m_editingText)
        return;
    const TextDraft typed = *m_editingText;
    m_editingText.reset();
    Q_EMIT editingTextChanged();
    if (typed.string().trimmed().isEmpty())
        return;
    m_annotations.append(Annotation(QUuid::createUuid(), AnnotationTool::text, typed.color(),
                                    typed.origin(), typed.origin(), defaultLineWidth(), {},
                                    typed.string(), typed.fontSize()));
    Q_EMIT annotationsChanged();
}

void EditorModel::showStatus(const QString& text, int clearAfterMs) {
    setStatusMessage(text);
    if (clearAfterMs <= 0)
        return;
    QTimer::singleShot(clearAfterMs, Qt::PreciseTimer, this, [this, text] {
        if (m_statusMessage == text)
            setStatusMessage(std::nullopt);
    });
}

void EditorModel::setStatusMessage(std::optional<QString> message) {
    m_statusMessage = std::move(message);
    Q_EMIT statusMessageChanged();
}

void EditorModel::setDraft(std::optional<Annotation> draft) {
    m_draft = std::move(draft);
    Q_EMIT draftChanged();
}

Annotation EditorModel::newMark(AnnotationTool tool, QPointF start, QPointF end) const {
    return Annotation(QUuid::createUuid(), tool, m_color, start, end, defaultLineWidth(), {},
                      QString(), 0);
}

void EditorModel::dragChanged(QPointF start, QPointF current) {
    if (m_isCropping) {
        setCropRect(crop_geometry::rectForDrag(start, current, imagePixelSize()));
        return;
    }
    switch (m_tool) {
    case AnnotationTool::text:
        return;
    case AnnotationTool::freehand:
        if (!m_draft) {
            Annotation mark = newMark(AnnotationTool::freehand, start, current);
            mark.setPoints({start});
            setDraft(std::move(mark));
        } else {
            m_draft->appendPoint(current);
            m_draft->setEnd(current);
            Q_EMIT draftChanged();
        }
        return;
    default:
        setDraft(newMark(m_tool, start, current));
        return;
    }
}

void EditorModel::dragEnded(QPointF start) {
    if (m_isCropping)
        return;
    if (m_tool == AnnotationTool::text) {
        beginTextEditing(start);
        return;
    }
    if (m_draft) {
        const QPointF d = m_draft->end() - m_draft->start();
        const bool keep = m_tool == AnnotationTool::freehand ? m_draft->points().size() >= 2
                                                             : d.x() * d.x() + d.y() * d.y() > 4;
        if (keep) {
            m_annotations.append(*m_draft);
            Q_EMIT annotationsChanged();
        }
    }
    setDraft(std::nullopt);
}

double EditorModel::defaultLineWidth() const {
    return canvas_geometry::defaultLineWidth(imagePixelSize(), m_weight);
}

double EditorModel::defaultFontSize() const {
    return canvas_geometry::defaultFontSize(imagePixelSize(), m_weight);
}

std::optional<QByteArray> EditorModel::renderPNG() {
    const bool redacts =
        std::any_of(m_annotations.cbegin(), m_annotations.cend(),
                    [](const auto& a) { return a.tool() == AnnotationTool::redact; });
    if (redacts)
        waitForPixelated();
    return annotation_renderer::renderPNG(m_baseImage, m_annotations, m_pixelatedImage);
}
