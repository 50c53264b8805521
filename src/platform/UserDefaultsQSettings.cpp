#include "platform/UserDefaultsQSettings.h"

UserDefaultsQSettings::UserDefaultsQSettings()
    : m_settings(QStringLiteral("Quillbox"), QStringLiteral("Quillbox")) {}

QVariant UserDefaultsQSettings::value(const QString& key) const {
    return m_settings.value(key);
}

void UserDefaultsQSettings::setValue(const QString& key, const QVariant& value) {
    m_settings.setValue(key, value);
    m_settings.sync();
}

void UserDefaultsQSettings::remove(const QString& key) {
    m_settings.remove(key);
    m_settings.sync();
}
