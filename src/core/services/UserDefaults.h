#pragma once

#include <QString>
#include <QVariant>

// The user's preference store: strings and data values under string keys.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
};
