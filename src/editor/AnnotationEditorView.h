#pragma once

#include "core/annotate/Annotation.h"
#include "core/annotate/LineWeight.h"
#include "core/library/Screenshot.h"
#include "editor/AnnotationExporter.h"
#include "editor/EditorModel.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

class AnnotationCanvas;
class EditorActionBar;
class EditorToolbar;
class HistoryManager;
class Pasteboard;

// The whole content of one editor window: a toolbar along the top, the canvas, and an
// action bar along the bottom. The view holds the state the bars read and the operations
// they call.
class AnnotationEditorView : public QWidget {
    Q_OBJECT
public:
    struct Collaborators {
        HistoryManager& library;
        Pasteboard& pasteboard;
    };

    AnnotationEditorView(Screenshot screenshot, QImage image, Collaborators collaborators,
                         std::function<void()> onClose, QWidget* parent = nullptr);

    const Screenshot& screenshot() const { return m_screenshot; }
    // Closes the editor window; for the action bar's Close.
    void closeEditor() const;

    EditorModel& model() { return m_model; }
    AnnotationCanvas& canvas() { return *m_canvas; }
    EditorToolbar& toolbar() { return *m_toolbar; }
    EditorActionBar& actionBar() { return *m_actionBar; }

    AnnotationTool tool() const { return m_model.tool(); }
    void setTool(AnnotationTool tool) { m_model.setTool(tool); }
    AnnotationColor color() const { return m_model.color(); }
    void setColor(AnnotationColor color) { m_model.setColor(color); }
    LineWeight weight() const { return m_model.weight(); }
    void setWeight(LineWeight weight) { m_model.setWeight(weight); }
    const QList<Annotation>& annotations() const { return m_model.annotations(); }
    void setAnnotations(QList<Annotation> annotations);
    void undo() { m_model.undo(); }
    bool isCropping() const { return m_model.isCropping(); }
    void setCropping(bool cropping) { m_model.setCropping(cropping); }
    const std::optional<QRectF>& cropRect() const { return m_model.cropRect(); }
    void setCropRect(std::optional<QRectF> rect) { m_model.setCropRect(rect); }
    const std::optional<QString>& statusMessage() const { return m_model.statusMessage(); }

    void commitText() { m_model.commitText(); }
    void applyCrop() { m_model.applyCrop(); }
    void copyToClipboard() { m_exporter.copyToClipboard(); }
    void saveCopy() { m_exporter.saveCopy(); }
    void overwriteOriginal() { m_exporter.overwriteOriginal(); }

Q_SIGNALS:
    void toolChanged(AnnotationTool tool);
    void colorChanged(AnnotationColor color);
    void weightChanged(LineWeight weight);
    void annotationsChanged();
    void croppingChanged(bool cropping);
    void cropRectChanged();
    void statusMessageChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Screenshot m_screenshot;
    std::function<void()> m_onClose;
    EditorModel m_model;
    AnnotationExporter m_exporter;
    AnnotationCanvas* m_canvas;
    EditorToolbar* m_toolbar;
    EditorActionBar* m_actionBar;
};
