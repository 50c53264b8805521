#include "ui/HotkeyRow.h"

#include "core/services/KeyboardLayout.h"
#include "platform/Drawing.h"
#include "ui/SettingsStyle.h"
#include "ui/ShortcutChip.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>

namespace {

// Modifier keys on their own change flags only; they never end a recording.
bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

QString refusalText(HotkeyRefusal refusal, const QString& holder) {
    switch (refusal) {
    case HotkeyRefusal::inUse:
        return QStringLiteral("Another program uses this shortcut");
    case HotkeyRefusal::usedByQuillbox:
        return holder.isEmpty() ? QStringLiteral("Another Quillbox shortcut uses this combination")
                                : QStringLiteral("\u201c%1\u201d uses this shortcut").arg(holder);
    case HotkeyRefusal::unknownKey:
        return QStringLiteral("Quillbox cannot find this key on the keyboard: choose another");
    case HotkeyRefusal::needsModifier:
        return QStringLiteral("Add Ctrl, Alt or Super: this would take the key from every "
                              "program");
    }
    return {};
}

} // namespace

HotkeyRow::HotkeyRow(HotkeyAction action, Binding binding, const KeyboardLayout& layout,
                     QWidget* parent)
    : QWidget(parent)
    , m_action(action)
    , m_binding(std::move(binding))
    , m_layout(layout) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 10, 14, 10);
    auto* label = new QLabel(hotkey_action::title(action), this);
    label->setFont(drawing::pixelFont(13));
    m_chip = new ShortcutChip(this);
    m_chip->setObjectName(QStringLiteral("chip.") + hotkey_action::rawValue(action));
    connect(m_chip, &ShortcutChip::clicked, this, &HotkeyRow::chipClicked);
    row->addWidget(label);
    row->addStretch(1);
    row->addWidget(m_chip);
    refresh();
}

HotkeyRow::~HotkeyRow() {
    if (m_monitor)
        qApp->removeEventFilter(this);
}

quint32 HotkeyRow::carbonModifiers(Qt::KeyboardModifiers modifiers) {
    quint32 mask = 0;
    if (modifiers & Qt::MetaModifier) // Super on X11
        mask |= HotkeyCombo::command;
    if (modifiers & Qt::ShiftModifier)
        mask |= HotkeyCombo::shift;
    if (modifiers & Qt::AltModifier)
        mask |= HotkeyCombo::option;
    if (modifiers & Qt::ControlModifier)
        mask |= HotkeyCombo::control;
    return mask;
}

void HotkeyRow::chipClicked() {
    if (m_isRecording)
        stopRecording();
    else
        startRecording();
}

void HotkeyRow::startRecording() {
    if (m_isRecording)
        return;
    m_isRecording = true;
    qApp->installEventFilter(this);
    m_monitor = true;
    m_chip->setRecording(true);
    Q_EMIT recordingChanged(true);
}

void HotkeyRow::stopRecording() {
    if (!m_isRecording)
        return;
    m_isRecording = false;
    if (m_monitor) {
        qApp->removeEventFilter(this);
        m_monitor = false;
    }
    m_chip->setRecording(false);
    Q_EMIT recordingChanged(false);
}

void HotkeyRow::refresh() {
    if (m_binding.get)
        m_chip->setCombinationText(m_binding.get().displayString());
}

void HotkeyRow::setRefusal(std::optional<HotkeyRefusal> refusal, const QString& holder) {
    m_chip->setBroken(refusal.has_value());
    m_chip->setToolTip(refusal ? refusalText(*refusal, holder) : QString());
}

bool HotkeyRow::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepted, so no shortcut of any window acts on the key; the press follows.
        event->accept();
        return true;
    case QEvent::KeyPress:
        keyPressed(*static_cast<QKeyEvent*>(event));
        return true;
    default:
        return false;
    }
}

void HotkeyRow::keyPressed(const QKeyEvent& event) {
    if (isModifierKey(event.key()))
        return;
    const quint32 modifiers = carbonModifiers(event.modifiers());
    if (modifiers == 0)
        return;
    // A key that no stored shortcut can name (a media key, say) keeps recording.
    const std::optional<quint32> keyCode = m_layout.virtualKeyCode(event);
    if (!keyCode)
        return;
    if (m_binding.set)
        m_binding.set(HotkeyCombo{*keyCode, modifiers});
    stopRecording();
    refresh();
}

void HotkeyRow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    stopRecording();
}
