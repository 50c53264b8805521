#pragma once

#include "core/annotate/Annotation.h"
#include "core/annotate/LineWeight.h"
#include "core/annotate/TextDraft.h"

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>

// The state of one editor and what the canvas does with it: drags per tool, typing in
// place, crop and the short status messages. Every point here is in image pixels; the
// canvas maps the pointer first and lets only drags that begin on the image through.
class EditorModel : public QObject {
    Q_OBJECT
public:
    static constexpr int croppedClearDelayMs = 1200;

    explicit EditorModel(QImage baseImage, QObject* parent = nullptr);

    const QImage& baseImage() const { return m_baseImage; }
    QSizeF imagePixelSize() const;
    // The redaction picture; null until made, or when it cannot be made.
    const QImage& pixelatedImage() const { return m_pixelatedImage; }
    // Made once per base image, when the editor first shows it.
    void ensurePixelated();
    // The same off the GUI thread, so a long capture is on screen without waiting for
    // it; redactions show black until it arrives.
    void pixelateInBackground();

    AnnotationTool tool() const { return m_tool; }
    // A real change of tool finishes the text being typed.
    void setTool(AnnotationTool tool);
    AnnotationColor color() const { return m_color; }
    void setColor(AnnotationColor color);
    LineWeight weight() const { return m_weight; }
    void setWeight(LineWeight weight);

    const QList<Annotation>& annotations() const { return m_annotations; }
    void setAnnotations(QList<Annotation> annotations);
    // Removes the last mark; the crop and the text being typed stay.
    void undo();
    const std::optional<Annotation>& draft() const { return m_draft; }

    bool isCropping() const { return m_isCropping; }
    void setCropping(bool cropping);
    const std::optional<QRectF>& cropRect() const { return m_cropRect; }
    void setCropRect(std::optional<QRectF> rect);
    void applyCrop();

    const std::optional<TextDraft>& editingText() const { return m_editingText; }
    void setEditingString(const QString& string);
    void beginTextEditing(QPointF at);
    void commitText();

    const std::optional<QString>& statusMessage() const { return m_statusMessage; }
    // Shows `text`; with a delay, clears it then if it still reads the same.
    void showStatus(const QString& text, int clearAfterMs = 0);

    // A drag that began on the image, at `start`, is now at `current`.
    void dragChanged(QPointF start, QPointF current);
    void dragEnded(QPointF start);

    double defaultLineWidth() const;
    double defaultFontSize() const;

    // The base image with every finished mark, as PNG. Redactions wait for their picture
    // when it is still being made: an export never holds black cells for it.
    std::optional<QByteArray> renderPNG();

Q_SIGNALS:
    void baseImageChanged();
    void pixelatedImageChanged();
    void toolChanged(AnnotationTool tool);
    void colorChanged(AnnotationColor color);
    void weightChanged(LineWeight weight);
    void annotationsChanged();
    void draftChanged();
    void croppingChanged(bool cropping);
    void cropRectChanged();
    // Typing began, ended, or the typed string changed.
    void editingTextChanged();
    void statusMessageChanged();

private:
    void setDraft(std::optional<Annotation> draft);
    void setStatusMessage(std::optional<QString> message);
    void leaveCropMode();
    void waitForPixelated();
    Annotation newMark(AnnotationTool tool, QPointF start, QPointF end) const;

    QImage m_baseImage;
    QImage m_pixelatedImage;
    bool m_pixelating = false;
    QFuture<QImage> m_pixelation;
    AnnotationTool m_tool = AnnotationTool::rectangle;
    AnnotationColor m_color = AnnotationColor::red;
    LineWeight m_weight = LineWeight::thin;
    QList<Annotation> m_annotations;
    std::optional<Annotation> m_draft;
    std::optional<QString> m_statusMessage;
    std::optional<TextDraft> m_editingText;
    bool m_isCropping = false;
    std::optional<QRectF> m_cropRect;
};
