#include "editor/EditorWindow.h"

#include "editor/AnnotationEditorView.h"

#include <QCloseEvent>
#include <QVBoxLayout>

EditorWindow::EditorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void EditorWindow::setEditor(AnnotationEditorView* editor) {
    m_editor = editor;
    editor->setParent(this);
    layout()->addWidget(editor);
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    // Closing never asks: unsaved marks go with the window.
    event->accept();
    Q_EMIT windowWillClose(this);
}
