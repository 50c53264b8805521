#pragma once

#include "core/services/UserDefaults.h"

#include <QSettings>

// User defaults in QSettings ("Quillbox", "Quillbox"): ~/.config/Quillbox/Quillbox.conf.
class UserDefaultsQSettings : public UserDefaults {
public:
    UserDefaultsQSettings();
    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

private:
    mutable QSettings m_settings;
};
