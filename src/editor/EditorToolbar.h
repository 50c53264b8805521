#pragma once

#include "core/annotate/AnnotationColor.h"
#include "core/annotate/AnnotationTool.h"
#include "core/annotate/LineWeight.h"

#include <QMap>
#include <QWidget>

class AnnotationEditorView;
class PickerButton;

// The strip above the canvas: pickers for the tool, the colour and the line weight of the
// next mark. It keeps no state: the buttons show the editor's own choices.
class EditorToolbar : public QWidget {
    Q_OBJECT
public:
    static constexpr int stripHeight = 52;

    explicit EditorToolbar(AnnotationEditorView& editor, QWidget* parent = nullptr);

    PickerButton* toolButton(AnnotationTool tool) const { return m_tools.value(tool); }
    PickerButton* colorButton(AnnotationColor color) const { return m_colors.value(color); }
    PickerButton* weightButton(LineWeight weight) const { return m_weights.value(weight); }

private:
    void showSelection();

    AnnotationEditorView& m_editor;
    QMap<AnnotationTool, PickerButton*> m_tools;
    QMap<AnnotationColor, PickerButton*> m_colors;
    QMap<LineWeight, PickerButton*> m_weights;
};
