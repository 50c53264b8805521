#pragma once

#include "core/services/UserDefaults.h"

#include <QHash>

class UserDefaultsFake : public UserDefaults {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override {
        m_values.insert(key, value);
    }
    void remove(const QString& key) override { m_values.remove(key); }

    QHash<QString, QVariant> m_values;
};
