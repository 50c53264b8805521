#pragma once

#include <QWidget>

class AnnotationEditorView;
class QAbstractButton;
class QLabel;
class QPushButton;
class QShortcut;
class StatusLabel;

// The strip below the canvas: the editor's commands with their keys, its status message
// and the number of marks; while cropping, the crop prompt with Cancel and Apply Crop.
// A key acts only in its own window and only while its button is shown and enabled.
class EditorActionBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int stripHeight = 56;

    explicit EditorActionBar(AnnotationEditorView& editor, QWidget* parent = nullptr);

    QAbstractButton* undoButton() const { return m_undo; }
    QAbstractButton* clearButton() const { return m_clear; }
    QAbstractButton* cropButton() const { return m_crop; }
    QPushButton* copyButton() const { return m_copy; }
    QPushButton* closeButton() const { return m_close; }
    QPushButton* saveCopyButton() const { return m_saveCopy; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* applyCropButton() const { return m_applyCrop; }
    QLabel* countLabel() const { return m_count; }
    // Empty when no message is shown.
    QString statusText() const;

private:
    QWidget* buildNormalMode();
    QWidget* buildCropMode();
    void bindKeys();
    void escape();
    void refresh();

    AnnotationEditorView& m_editor;
    QWidget* m_normal;
    QWidget* m_cropping;
    QAbstractButton* m_undo = nullptr;
    QAbstractButton* m_clear = nullptr;
    QAbstractButton* m_crop = nullptr;
    StatusLabel* m_status = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_saveCopy = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_applyCrop = nullptr;
    // Return belongs to the text field unless cropping.
    QList<QShortcut*> m_returnKeys;
};
