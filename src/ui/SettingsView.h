#pragma once

#include "core/hotkeys/HotkeyAction.h"
#include "core/hotkeys/HotkeyCombo.h"
#include "core/hotkeys/HotkeyRefusal.h"
#include "core/library/StorageChangeResult.h"
#include "core/services/Alerts.h"

#include <QDir>
#include <QHash>
#include <QWidget>
#include <functional>
#include <optional>

class HistoryManager;
class HotkeyPreferences;
class HotkeyRow;
class KeyboardLayout;
class LaunchAtLogin;
class PermissionCard;
class QAbstractButton;
class QLabel;
class Workspace;

// The content of the settings window: the General, Storage, Keyboard Shortcuts and
// Permissions cards and the footer. Every opening of the window builds a new one.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    struct Collaborators {
        HistoryManager& library;
        HotkeyPreferences& preferences;
        LaunchAtLogin& launchAtLogin;
        Alerts& alerts;
        Workspace& workspace;
        const KeyboardLayout& keyboard;
        QString version;
        std::function<bool()> hasScreenRecordingPermission = [] { return true; };
        // Empty where the desktop has no page for the permission: no button offers one.
        std::function<void()> openScreenRecordingSettings;
        std::function<bool()> hasAccessibilityPermission = [] { return true; };
        std::function<void()> openAccessibilitySettings;
        std::function<void()> quitAndRelaunch = [] {};
        // The folder picker; nothing when cancelled. Empty: the desktop's file dialog.
        std::function<std::optional<QString>(const QString& startFolder)> chooseFolder;
        // The global hot keys are let go while any row records, so that pressing one
        // records it, and taken again when recording ends.
        std::function<void(bool suspended)> setHotkeysSuspended = [](bool) {};
        // Why the action's stored combination is not working; nothing when it works.
        std::function<std::optional<HotkeyRefusal>(HotkeyAction)> hotkeyRefusal = [](HotkeyAction) {
            return std::nullopt;
        };
    };

    SettingsView(Collaborators collaborators, std::function<void()> onChange,
                 QWidget* parent = nullptr);

    // The folder's path with the home folder written "~"; whole path components only, so
    // a sibling of the home folder stays as it is.
    static QString prettyPath(const QString& path, const QString& home = QDir::homePath());
    // The alert after a folder change, nothing when there is nothing to say.
    static std::optional<Alerts::Alert> storageChangeAlert(const StorageChangeResult& result);
    static QString appVersionString(const QString& version);

    // Reads every state again, as when the window opens.
    void refresh();
    void loadCombos();
    HotkeyCombo combo(HotkeyAction action) const;
    HotkeyRow* row(HotkeyAction action) const { return m_rows.value(action); }
    bool launchAtLogin() const { return m_launchAtLogin; }

    void setLaunchAtLogin(bool enabled);
    void chooseFolder();
    void revealFolder();
    void resetFolderToDefault();
    void finishStorageChange(const StorageChangeResult& result);
    void resetShortcuts();
    void stopRecording();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    QWidget* buildGeneralSection();
    QWidget* buildStorageSection();
    QWidget* buildHotkeysSection();
    QWidget* buildPermissionSection();
    QWidget* buildFooter();
    void setCombo(HotkeyAction action, const HotkeyCombo& combo);
    void showStorageDirectory();
    void showPermissions();
    void showHotkeyRefusals();
    void rowRecordingChanged();

    Collaborators m_c;
    std::function<void()> m_onChange;
    QHash<HotkeyAction, HotkeyCombo> m_combos;
    QHash<HotkeyAction, HotkeyRow*> m_rows;
    bool m_launchAtLogin = false;
    bool m_hasPermission = false;
    bool m_hasAXPermission = false;
    QString m_storageDirectory;
    bool m_hotkeysSuspended = false;

    QAbstractButton* m_launchSwitch = nullptr;
    QLabel* m_pathLabel = nullptr;
    QAbstractButton* m_resetFolderButton = nullptr;
    QAbstractButton* m_relaunchButton = nullptr;
    PermissionCard* m_screenRecordingCard = nullptr;
    PermissionCard* m_accessibilityCard = nullptr;
};
