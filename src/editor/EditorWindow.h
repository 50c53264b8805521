#pragma once

#include <QWidget>

class AnnotationEditorView;

// The top-level window holding one editor. It tells its controller when it closes,
// whether by its close button or by the editor's own Close.
class EditorWindow : public QWidget {
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);

    // Takes the editor as the window's content.
    void setEditor(AnnotationEditorView* editor);
    AnnotationEditorView* editor() const { return m_editor; }

Q_SIGNALS:
    void windowWillClose(QObject* window);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AnnotationEditorView* m_editor = nullptr;
};
