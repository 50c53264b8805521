#pragma once

#include "core/library/ScreenshotKind.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>
#include <optional>

// One capture in the library: a PNG file in the storage folder and its metadata.
// Immutable; identified by `id`, equal when all four fields are equal.
class Screenshot {
public:
    // Dates are kept as the history file stores them, seconds since
    // 1 January 2001 UTC, so a record survives a round trip bit for bit.
    static constexpr qint64 referenceDateUnixSeconds = 978307200;

    Screenshot(QUuid id, QString fileName, double timestamp, ScreenshotKind kind);

    QUuid id() const { return m_id; }
    const QString& fileName() const { return m_fileName; }
    double timestamp() const { return m_timestamp; }
    ScreenshotKind kind() const { return m_kind; }
    QDateTime date() const;

    static double timestampFrom(const QDateTime& date);

    bool operator==(const Screenshot& other) const = default;

private:
    QUuid m_id;
    QString m_fileName;
    double m_timestamp;
    ScreenshotKind m_kind;
};

size_t qHash(const Screenshot& screenshot, size_t seed = 0);
