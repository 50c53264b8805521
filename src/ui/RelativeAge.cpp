#include "ui/RelativeAge.h"

#include <cstdlib>

namespace relative_age {

namespace {

// Whole calendar months from `from` to `to` (to >= from).
int monthsBetween(const QDateTime& from, const QDateTime& to) {
    int months =
        (to.date().year() - from.date().year()) * 12 + to.date().month() - from.date().month();
    if (months > 0 && from.addMonths(months) > to)
        --months;
    return months;
}

QString phrase(qint64 value, const char* unit, bool past) {
    const QString amount = QString::number(value) + QLatin1Char(' ') + QLatin1String(unit);
    return past ? amount + QStringLiteral(" ago") : QStringLiteral("in ") + amount;
}

} // namespace

QString abbreviated(const QDateTime& date, const QDateTime& now) {
    const bool past = date <= now;
    const QDateTime& earlier = past ? date : now;
    const QDateTime& later = past ? now : date;
    const qint64 seconds = earlier.secsTo(later);
    if (seconds < 1)
        return QStringLiteral("now");
    if (seconds < 60)
        return phrase(seconds, "sec.", past);
    if (seconds < 3600)
        return phrase(seconds / 60, "min.", past);
    if (seconds < 86400)
        return phrase(seconds / 3600, "hr.", past);
    const qint64 days = seconds / 86400;
    const int months = monthsBetween(earlier, later);
    if (months >= 12)
        return phrase(months / 12, "yr.", past);
    if (months >= 1)
        return phrase(months, "mo.", past);
    if (days >= 7)
        return phrase(days / 7, "wk.", past);
    return phrase(days, days == 1 ? "day" : "days", past);
}

} // namespace relative_age
