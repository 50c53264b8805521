#include "core/library/Screenshot.h"

#include <QHashFunctions>

Screenshot::Screenshot(QUuid id, QString fileName, double timestamp, ScreenshotKind kind)
    : m_id(id)
    , m_fileName(std::move(fileName))
    , m_timestamp(timestamp)
    , m_kind(kind) {}

QDateTime Screenshot::date() const {
    const auto ms = static_cast<qint64>(m_timestamp * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(referenceDateUnixSeconds * 1000 + ms, Qt::UTC);
}

double Screenshot::timestampFrom(const QDateTime& date) {
    return static_cast<double>(date.toMSecsSinceEpoch() - referenceDateUnixSeconds * 1000) / 1000.0;
}

size_t qHash(const Screenshot& screenshot, size_t seed) {
    return qHashMulti(seed, screenshot.id(), screenshot.fileName(), screenshot.timestamp(),
                      screenshot_kind::rawValue(screenshot.kind()));
}
