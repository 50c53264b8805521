#include "editor/EditorToolbar.h"

#include "editor/AnnotationEditorView.h"
#include "editor/EditorButtons.h"
#include "platform/Separator.h"

#include <QHBoxLayout>

namespace {

QHBoxLayout* row(int spacing) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

Separator* divider(QWidget* parent) {
    auto* line = new Separator(Qt::Vertical, parent);
    line->setFixedHeight(22);
    return line;
}

int barHeight(LineWeight weight) {
    switch (weight) {
    case LineWeight::thin:
        return 2;
    case LineWeight::medium:
        return 4;
    case LineWeight::thick:
        return 7;
    }
    return 2;
}

} // namespace

EditorToolbar::EditorToolbar(AnnotationEditorView& editor, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor) {
    setFixedHeight(stripHeight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    QHBoxLayout* tools = row(4);
    for (AnnotationTool tool : annotation_tool::allCases()) {
        auto* button =
            PickerButton::symbol(annotation_tool::symbol(tool), annotation_tool::name(tool), this);
        connect(button, &QAbstractButton::clicked, this, [this, tool] { m_editor.setTool(tool); });
        tools->addWidget(button);
        m_tools.insert(tool, button);
    }
    QHBoxLayout* colors = row(6);
    for (AnnotationColor color : annotation_color::allCases()) {
        auto* button = PickerButton::swatch(annotation_color::qColor(color),
                                            annotation_color::name(color), this);
        connect(button, &QAbstractButton::clicked, this,
                [this, color] { m_editor.setColor(color); });
        colors->addWidget(button);
        m_colors.insert(color, button);
    }
    QHBoxLayout* weights = row(4);
    for (LineWeight weight : line_weight::allCases()) {
        auto* button = PickerButton::bar(barHeight(weight), line_weight::name(weight), this);
        connect(button, &QAbstractButton::clicked, this,
                [this, weight] { m_editor.setWeight(weight); });
        weights->addWidget(button);
        m_weights.insert(weight, button);
    }

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(10);
    layout->addLayout(tools);
    layout->addWidget(divider(this), 0, Qt::AlignVCenter);
    layout->addLayout(colors);
    layout->addWidget(divider(this), 0, Qt::AlignVCenter);
    layout->addLayout(weights);
    layout->addStretch(1);

    connect(&editor, &AnnotationEditorView::toolChanged, this, &EditorToolbar::showSelection);
    connect(&editor, &AnnotationEditorView::colorChanged, this, &EditorToolbar::showSelection);
    connect(&editor, &AnnotationEditorView::weightChanged, this, &EditorToolbar::showSelection);
    showSelection();
}

void EditorToolbar::showSelection() {
    for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it)
        it.value()->setSelected(it.key() == m_editor.tool());
    for (auto it = m_colors.cbegin(); it != m_colors.cend(); ++it)
        it.value()->setSelected(it.key() == m_editor.color());
    for (auto it = m_weights.cbegin(); it != m_weights.cend(); ++it)
        it.value()->setSelected(it.key() == m_editor.weight());
}
