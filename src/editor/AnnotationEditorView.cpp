#include "editor/AnnotationEditorView.h"

#include "editor/AnnotationCanvas.h"
#include "editor/EditorActionBar.h"
#include "editor/EditorToolbar.h"
#include "platform/Separator.h"

#include <QVBoxLayout>

AnnotationEditorView::AnnotationEditorView(Screenshot screenshot, QImage image,
                                           Collaborators collaborators,
                                           std::function<void()> onClose, QWidget* parent)
    : QWidget(parent)
    , m_screenshot(std::move(screenshot))
    , m_onClose(std::move(onClose))
    , m_model(std::move(image))
    , m_exporter(m_model, collaborators.library, collaborators.pasteboard, m_screenshot)
    , m_canvas(new AnnotationCanvas(m_model, this))
    , m_toolbar(new EditorToolbar(*this, this))
    , m_actionBar(new EditorActionBar(*this, this)) {
    setMinimumSize(700, 460);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(new Separator(Qt::Horizontal, this));
    layout->addWidget(m_canvas, 1);
    layout->addWidget(new Separator(Qt::Horizontal, this));
    layout->addWidget(m_actionBar);

    connect(&m_model, &EditorModel::toolChanged, this, &AnnotationEditorView::toolChanged);
    connect(&m_model, &EditorModel::colorChanged, this, &AnnotationEditorView::colorChanged);
    connect(&m_model, &EditorModel::weightChanged, this, &AnnotationEditorView::weightChanged);
    connect(&m_model, &EditorModel::annotationsChanged, this,
            &AnnotationEditorView::annotationsChanged);
    connect(&m_model, &EditorModel::croppingChanged, this, &AnnotationEditorView::croppingChanged);
    connect(&m_model, &EditorModel::cropRectChanged, this, &AnnotationEditorView::cropRectChanged);
    connect(&m_model, &EditorModel::statusMessageChanged, this,
            &AnnotationEditorView::statusMessageChanged);
}

void AnnotationEditorView::closeEditor() const {
    if (m_onClose)
        m_onClose();
}

void AnnotationEditorView::setAnnotations(QList<Annotation> annotations) {
    m_model.setAnnotations(std::move(annotations));
}

void AnnotationEditorView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_model.pixelateInBackground();
}
