#pragma once

#include "core/hotkeys/HotkeyAction.h"
#include "core/hotkeys/HotkeyCombo.h"
#include "core/hotkeys/HotkeyRefusal.h"

#include <QWidget>
#include <functional>
#include <optional>

class KeyboardLayout;
class QKeyEvent;
class ShortcutChip;

// One shortcut of the settings window: the action's title and a chip that records a new
// combination. While recording, every key press of the application is swallowed.
class HotkeyRow : public QWidget {
    Q_OBJECT
public:
    // The row's two-way binding to the combination it shows and edits.
    struct Binding {
        std::function<HotkeyCombo()> get;
        std::function<void(const HotkeyCombo&)> set;
    };

    HotkeyRow(HotkeyAction action, Binding binding, const KeyboardLayout& layout,
              QWidget* parent = nullptr);
    ~HotkeyRow() override;

    // Ctrl, Alt, Shift and Super as the stored modifier bits; every other flag is ignored.
    static quint32 carbonModifiers(Qt::KeyboardModifiers modifiers);

    HotkeyAction action() const { return m_action; }
    bool isRecording() const { return m_isRecording; }
    ShortcutChip* chip() const { return m_chip; }
    void startRecording();
    void stopRecording();
    // Shows the binding's combination again.
    void refresh();
    // Marks the combination as not working, with the reason as the chip's tooltip;
    // `holder` names the action that has it when another of Quillbox's shortcuts does.
    void setRefusal(std::optional<HotkeyRefusal> refusal, const QString& holder = {});

Q_SIGNALS:
    void recordingChanged(bool recording);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void chipClicked();
    void keyPressed(const QKeyEvent& event);

    HotkeyAction m_action;
    Binding m_binding;
    const KeyboardLayout& m_layout;
    ShortcutChip* m_chip = nullptr;
    bool m_isRecording = false;
    bool m_monitor = false; // the application-wide key filter is installed
};
