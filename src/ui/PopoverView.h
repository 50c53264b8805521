#pragma once

#include "core/library/Screenshot.h"
#include "core/library/ScreenshotKind.h"

#include <QWidget>
#include <functional>

class HistoryGridView;
class HistoryManager;
class HotkeyPreferences;
class QAbstractButton;
class QLabel;
class QMenu;
class QStackedWidget;
class Workspace;

// The popover's content: header with the actions menu, the permission banner while
// screen capture is not allowed, the capture buttons, the recent captures and the
// shortcut hints.
class PopoverView : public QWidget {
    Q_OBJECT
public:
    struct Collaborators {
        // Without a library the popover shows its header only.
        HistoryManager* history = nullptr;
        HotkeyPreferences* preferences = nullptr;
        Workspace* workspace = nullptr;
        std::function<void(ScreenshotKind)> onCapture;
        std::function<void()> onOpenSettings;
        std::function<void()> onQuit;
        std::function<bool()> hasScreenRecordingPermission;
        std::function<void()> openScreenRecordingSettings;
        std::function<void()> quitAndRelaunch;
        std::function<void(const Screenshot&)> onEdit;
    };

    explicit PopoverView(Collaborators collaborators, QWidget* parent = nullptr);

    // Each time the popover comes on screen: the permission and the shortcuts are read again.
    void appear();
    void recheckPermission();

    bool hasPermission() const { return m_hasPermission; }
    QWidget* permissionBanner() const { return m_banner; }
    QMenu* actionsMenu() const { return m_actionsMenu; }
    HistoryGridView* strip() const { return m_strip; }
    bool showsEmptyState() const;
    QString countText() const;
    // The footer's texts, left to right.
    QStringList hintTexts() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    QLayout* buildHeader();
    QWidget* buildBanner();
    QLayout* buildCaptureButtons();
    QWidget* buildHistorySection();
    QWidget* buildEmptyState();
    QWidget* buildFooter();
    void libraryChanged();
    bool readPermission() const;
    // Button symbols follow the palette: a dark one gets light symbols.
    void tintButtons();

    Collaborators m_collaborators;
    bool m_hasPermission = true;
    QMenu* m_actionsMenu = nullptr;
    QWidget* m_banner = nullptr;
    QLabel* m_count = nullptr;
    QStackedWidget* m_content = nullptr;
    HistoryGridView* m_strip = nullptr;
    QList<QLabel*> m_hints;
    QList<std::pair<QAbstractButton*, QString>> m_tintedButtons;
};
