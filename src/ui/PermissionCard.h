#pragma once

#include "ui/SettingsCard.h"

#include <functional>

class QAbstractButton;
class QLabel;
class SymbolLabel;

// The state of one system permission: a shield, the title, a status line and either an
// "Active" badge or a button that opens the desktop's settings for it.
class PermissionCard : public SettingsCard {
    Q_OBJECT
public:
    struct Texts {
        QString title;
        QString granted;
        QString missing;
    };

    // `name` names the card and, with ".openSettings", its button, which shows only where
    // there is a page to open (`openSettings` not empty).
    PermissionCard(const QString& name, Texts texts, std::function<void()> openSettings,
                   QWidget* parent = nullptr);

    void setHeld(bool held);

private:
    Texts m_texts;
    SymbolLabel* m_shield = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_badge = nullptr;
    QAbstractButton* m_openSettings = nullptr;
};
