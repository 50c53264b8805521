#include "editor/EditorActionBar.h"

#include "core/annotate/CropGeometry.h"
#include "editor/AnnotationEditorView.h"
#include "editor/EditorButtons.h"
#include "platform/Drawing.h"
#include "platform/SymbolLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

// The status message on one line, cut at its end when the bar is short of room.
class StatusLabel : public QWidget {
public:
    explicit StatusLabel(QWidget* parent)
        : QWidget(parent) {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }

    const QString& text() const { return m_text; }
    void setText(const QString& text) {
        m_text = text;
        updateGeometry();
        update();
    }
    QSize sizeHint() const override {
        return {fontMetrics().horizontalAdvance(m_text) + 2, fontMetrics().height()};
    }
    QSize minimumSizeHint() const override { return {0, fontMetrics().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setOpacity(0.5);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(m_text, Qt::ElideRight, width()));
    }

private:
    QString m_text;
};

namespace {

QHBoxLayout* strip(QWidget* widget) {
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    return layout;
}

QFont smallFont(const QWidget& widget, int pixels) {
    QFont font = widget.font();
    font.setPixelSize(pixels);
    return font;
}

// Secondary and tertiary text: the label colour at lower opacity.
void setTextAlpha(QLabel& label, double alpha) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText,
                     drawing::withAlpha(palette.color(QPalette::WindowText), alpha));
    label.setPalette(palette);
}

QPushButton* pushButton(const QString& title, const QString& help, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setToolTip(help);
    // The buttons never hold the focus: a text being typed keeps it, and Space or Return
    // never press a button the user did not aim at. Every command has its key.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}

// Presses the button the key belongs to, if the user could press it now.
void press(QAbstractButton* button) {
    if (button->isVisible() && button->isEnabled())
        button->click();
}

} // namespace

EditorActionBar::EditorActionBar(AnnotationEditorView& editor, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor) {
    setFixedHeight(stripHeight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    m_normal = buildNormalMode();
    m_cropping = buildCropMode();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(0);
    layout->addWidget(m_normal);
    layout->addWidget(m_cropping);
    bindKeys();

    connect(&editor, &AnnotationEditorView::annotationsChanged, this, &EditorActionBar::refresh);
    connect(&editor, &AnnotationEditorView::croppingChanged, this, &EditorActionBar::refresh);
    connect(&editor, &AnnotationEditorView::cropRectChanged, this, &EditorActionBar::refresh);
    connect(&editor, &AnnotationEditorView::statusMessageChanged, this, &EditorActionBar::refresh);
    refresh();
}

QWidget* EditorActionBar::buildNormalMode() {
    auto* mode = new QWidget(this);
    QHBoxLayout* layout = strip(mode);
    m_undo = new IconButton(QStringLiteral("arrow.uturn.backward"), QStringLiteral("Undo (Ctrl+Z)"),
                            mode);
    connect(m_undo, &QAbstractButton::clicked, this, [this] { m_editor.undo(); });
    m_clear =
        new IconButton(QStringLiteral("trash"), QStringLiteral("Clear all annotations"), mode);
    connect(m_clear, &QAbstractButton::clicked, this, [this] { m_editor.setAnnotations({}); });
    m_crop = new IconButton(QStringLiteral("crop"), QStringLiteral("Crop the image"), mode);
    connect(m_crop, &QAbstractButton::clicked, this, [this] {
        m_editor.commitText();
        m_editor.setCropping(true);
        m_editor.setCropRect(std::nullopt);
    });
    m_status = new StatusLabel(mode);
    m_status->setFont(smallFont(*this, 11));
    m_count = new QLabel(mode);
    m_count->setFont(smallFont(*this, 11));
    setTextAlpha(*m_count, 0.26);

    m_copy = pushButton(tr("Copy"), tr("Copy the annotated image to the clipboard (Ctrl+C)"), mode);
    connect(m_copy, &QPushButton::clicked, this, [this] { m_editor.copyToClipboard(); });
    m_close = pushButton(tr("Close"), QString(), mode);
    connect(m_close, &QPushButton::clicked, this, [this] { m_editor.closeEditor(); });
    m_saveCopy =
        pushButton(tr("Save Copy"), tr("Save a copy as a new screenshot (Ctrl+Shift+S)"), mode);
    connect(m_saveCopy, &QPushButton::clicked, this, [this] { m_editor.saveCopy(); });
    m_save = pushButton(tr("Save"), tr("Overwrite the original screenshot (Ctrl+S)"), mode);
    connect(m_save, &QPushButton::clicked, this, [this] { m_editor.overwriteOriginal(); });

    for (QWidget* control : {static_cast<QWidget*>(m_undo), static_cast<QWidget*>(m_clear),
                             static_cast<QWidget*>(m_crop), static_cast<QWidget*>(m_status)})
        layout->addWidget(control);
    layout->addSpacing(8);
    layout->addStretch(1);
    for (QWidget* control : {static_cast<QWidget*>(m_count), static_cast<QWidget*>(m_copy),
                             static_cast<QWidget*>(m_close), static_cast<QWidget*>(m_saveCopy),
                             static_cast<QWidget*>(m_save)})
        layout->addWidget(control);
    return mode;
}

QWidget* EditorActionBar::buildCropMode() {
    auto* mode = new QWidget(this);
    QHBoxLayout* layout = strip(mode);
    auto* symbol = new SymbolLabel(QStringLiteral("crop"), 16, QPalette::WindowText, 0.5, mode);
    auto* prompt = new QLabel(tr("Drag to set the crop area"), mode);
    prompt->setFont(smallFont(*this, 12));
    setTextAlpha(*prompt, 0.5);
    m_cancel = pushButton(tr("Cancel"), QString(), mode);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_editor.setCropping(false);
        m_editor.setCropRect(std::nullopt);
    });
    m_applyCrop = pushButton(tr("Apply Crop"), QString(), mode);
    connect(m_applyCrop, &QPushButton::clicked, this, [this] { m_editor.applyCrop(); });
    layout->addWidget(symbol);
    layout->addWidget(prompt);
    layout->addSpacing(8);
    layout->addStretch(1);
    layout->addWidget(m_cancel);
    layout->addWidget(m_applyCrop);
    return mode;
}

void EditorActionBar::bindKeys() {
    auto bind = [this](QKeySequence keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
        return shortcut;
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { press(m_undo); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_C), [this] { press(m_copy); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { press(m_save); });
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { press(m_saveCopy); });
    bind(QKeySequence(Qt::Key_Escape), [this] { escape(); });
    m_returnKeys = {bind(QKeySequence(Qt::Key_Return), [this] { press(m_applyCrop); }),
                    bind(QKeySequence(Qt::Key_Enter), [this] { press(m_applyCrop); })};
}

void EditorActionBar::escape() {
    if (m_editor.isCropping()) {
        press(m_cancel);
        return;
    }
    // Esc while typing must not close the window and drop every mark: it only leaves
    // typing, as Return does. The next Esc closes.
    if (m_editor.model().editingText()) {
        m_editor.commitText();
        return;
    }
    press(m_close);
}

QString EditorActionBar::statusText() const {
    return m_status->isVisible() ? m_status->text() : QString();
}

void EditorActionBar::refresh() {
    const bool cropping = m_editor.isCropping();
    m_normal->setVisible(!cropping);
    m_cropping->setVisible(cropping);
    for (QShortcut* key : m_returnKeys)
        key->setEnabled(cropping);

    const qsizetype count = m_editor.annotations().size();
    m_undo->setEnabled(count > 0);
    m_clear->setEnabled(count > 0);
    m_count->setText(QString::number(count));
    m_count->setToolTip(count == 1 ? tr("1 annotation") : tr("%1 annotations").arg(count));

    const auto& message = m_editor.statusMessage();
    m_status->setText(message.value_or(QString()));
    // The whole message, for when the bar cuts it.
    m_status->setToolTip(message.value_or(QString()));
    m_status->setVisible(message.has_value());

    const auto& crop = m_editor.cropRect();
    m_applyCrop->setEnabled(crop && crop_geometry::isLargeEnough(*crop));
}
